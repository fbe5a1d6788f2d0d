#include <stdexcept>
#include <string>
#include <vector>

#include "headless_fixture.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"

namespace varnel::tk {
namespace {

// ---- control tree ----

TEST(ControlTree, ChildrenKeepTheirOrderAndAreFoundByName)
{
    Form form("MForm", {0, 0, 583, 641});
    auto& group = form.add<GroupBox>("GroupBox1", {8, 8, 560, 400});
    for (int n = 6; n <= 37; ++n) group.add<Edit>("Edit" + std::to_string(n));
    for (int m = 4; m <= 19; ++m) group.add<ComboBox>("ComboBox" + std::to_string(m));
    group.add<Button>("Button12");

    std::vector<int> channelOfEdit;
    for (Control& c : group.children()) {
        if (auto n = numberAfter(c.name(), "Edit")) channelOfEdit.push_back((*n - 4) / 2);
    }
    ASSERT_EQ(channelOfEdit.size(), 32u);
    EXPECT_EQ(channelOfEdit.front(), 1);
    EXPECT_EQ(channelOfEdit[1], 1);
    EXPECT_EQ(channelOfEdit.back(), 16);

    EXPECT_EQ(form.findChild<Edit>("Edit17"), &group.children()[11]);
    EXPECT_EQ(form.findChild<ComboBox>("Edit17"), nullptr);  // wrong kind
    EXPECT_EQ(form.findChild("Edit99"), nullptr);
    EXPECT_THROW(form.child<Edit>("ComboBox4"), std::out_of_range);
    EXPECT_EQ(&form.child<ComboBox>("ComboBox4").parent()->children()[32], form.findChild("ComboBox4"));
    EXPECT_EQ(group.findChild("Edit6")->form(), &form);
}

TEST(ControlTree, NumberAfterAWord)
{
    struct Case {
        const char* name;
        const char* word;
        std::optional<int> number;
    };
    const Case cases[] = {
        {"Edit6", "Edit", 6},
        {"Edit37", "Edit", 37},
        {"RzMaskEdit67", "Edit", 67},
        {"ComboBox19", "ComboBox", 19},
        {"RzComboBox1", "ComboBox", 1},
        {"Edit", "Edit", std::nullopt},
        {"Edit6a", "Edit", std::nullopt},
        {"Edit-3", "Edit", std::nullopt},
        {"Button12", "Edit", std::nullopt},
        {"Edit99999999999", "Edit", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(numberAfter(c.name, c.word), c.number);
    }
}

class RecordingObserver : public Control::Observer {
public:
    void changed(Control& c, Property p) override { log.push_back(c.name() + ":" + std::to_string(static_cast<int>(p))); }
    void childAdded(Control& parent, Control& child) override { log.push_back("add " + child.name() + " to " + parent.name()); }
    void destroying(Control& c) override { log.push_back("destroy " + c.name()); }
    std::vector<std::string> log;
};

TEST(ControlTree, ObserverSeesChangesOnlyWhenSomethingChanged)
{
    RecordingObserver observer;
    {
        Form form("F", {0, 0, 10, 10});
        form.setObserver(&observer);
        auto& group = form.add<GroupBox>("G");
        auto& label = group.add<Label>("L");
        label.setCaption("Tx:0");
        label.setCaption("Tx:0");
        label.setVisible(true);  // already visible
        label.setBounds({1, 2, 3, 4});
        EXPECT_EQ(observer.log, (std::vector<std::string>{
                                    "add G to F", "add L to G",
                                    "L:" + std::to_string(static_cast<int>(Property::Caption)),
                                    "L:" + std::to_string(static_cast<int>(Property::Bounds))}));
        observer.log.clear();
        form.setObserver(nullptr);
        form.setObserver(&observer);
    }
    EXPECT_EQ(observer.log, (std::vector<std::string>{"destroy L", "destroy G"}));
}

TEST(ControlTree, ShowingAndEnabledFollowTheParents)
{
    Form form("F", {0, 0, 10, 10});
    auto& group = form.add<GroupBox>("G");
    auto& edit = group.add<Edit>("E");
    EXPECT_FALSE(edit.isShowing());  // forms start hidden
    form.show();
    EXPECT_TRUE(edit.isShowing());
    group.setVisible(false);
    EXPECT_FALSE(edit.isShowing());
    EXPECT_TRUE(edit.visible());
    group.setVisible(true);
    form.setEnabled(false);
    EXPECT_FALSE(edit.isEnabledInTree());
    EXPECT_TRUE(edit.enabled());
}

// ---- forms ----

class FormTest : public test::HeadlessTest {
protected:
    Form main{"MForm", {0, 0, 583, 641}};
    Form dialog{"PortForm", {0, 0, 300, 200}};
};

TEST_F(FormTest, CloseRunsTheHandlersWhichMayKeepTheFormOpen)
{
    dialog.show();
    std::vector<std::string> trace;
    bool allow = false;
    dialog.onCloseQuery = [&](Control&, bool& canClose) {
        trace.push_back("query");
        canClose = allow;
    };
    dialog.onClose = [&](Control&, CloseAction& action) {
        trace.push_back("close");
        action = CloseAction::None;
    };
    EXPECT_FALSE(dialog.close());
    allow = true;
    EXPECT_FALSE(dialog.close());
    EXPECT_TRUE(dialog.visible());
    dialog.onClose = [&](Control&, CloseAction&) { trace.push_back("close"); };
    EXPECT_TRUE(dialog.close());
    EXPECT_FALSE(dialog.visible());
    EXPECT_EQ(trace, (std::vector<std::string>{"query", "query", "close", "query", "close"}));
    EXPECT_FALSE(app.terminated());
}

TEST_F(FormTest, ClosingTheMainFormEndsTheProgramButHidingDoesNot)
{
    EXPECT_EQ(app.mainForm(), &main);
    main.show();
    main.hide();
    EXPECT_FALSE(app.terminated());
    main.show();
    main.userClose();
    EXPECT_TRUE(app.terminated());
    EXPECT_EQ(backend.exitCode(), 0);
}

TEST_F(FormTest, CreateRunsOnce)
{
    int created = 0;
    dialog.onCreate = [&](Control&) { ++created; };
    dialog.create();
    dialog.create();
    EXPECT_EQ(created, 1);
    EXPECT_TRUE(dialog.created());
}

TEST_F(FormTest, ShowModalEndsWithTheButtonsModalResult)
{
    auto& ok = dialog.add<Button>("Button1");
    ok.setModalResult(ModalResult::Ok);
    std::vector<std::string> trace;
    dialog.onShow = [&](Control&) { trace.push_back("show"); };
    dialog.onClose = [&](Control&, CloseAction&) { trace.push_back("close"); };
    backend.onNextModal([&](Form& f) {
        trace.push_back("script " + f.name());
        EXPECT_TRUE(f.isModal());
        ok.userClick();
    });
    EXPECT_EQ(dialog.showModal(), ModalResult::Ok);
    EXPECT_FALSE(dialog.visible());
    EXPECT_FALSE(dialog.isModal());
    EXPECT_EQ(trace, (std::vector<std::string>{"show", "script PortForm", "close"}));
}

TEST_F(FormTest, ModalFormThatClosesItselfByItsTimersReturnsCancel)
{
    // A splash: opaque for 900 ms, then fades by 3 every 5 ms and closes at 10 or less.
    Form splash("Start", {0, 0, 371, 301});
    splash.setAlphaBlend(true);
    auto& hold = splash.add<Timer>("Timer2");
    auto& fade = splash.add<Timer>("Timer1");
    hold.setInterval(900);
    fade.setInterval(5);
    fade.setEnabled(false);
    int steps = 0;
    hold.onTimer = [&](Control&) {
        hold.setEnabled(false);
        fade.setEnabled(true);
    };
    fade.onTimer = [&](Control&) {
        splash.setAlphaBlendValue(static_cast<std::uint8_t>(splash.alphaBlendValue() - 3));
        ++steps;
        if (splash.alphaBlendValue() <= 10) {
            fade.setEnabled(false);
            splash.close();
        }
    };
    const auto start = backend.now();
    EXPECT_EQ(splash.showModal(), ModalResult::Cancel);
    EXPECT_EQ(steps, 82);
    EXPECT_EQ(splash.alphaBlendValue(), 9);
    EXPECT_EQ(backend.now() - start, 900 + 82 * 5);
    EXPECT_EQ(backend.activeTimerCount(), 0u);
}

TEST_F(FormTest, ModalResultRefusedByTheCloseHandlerKeepsTheLoopRunning)
{
    auto& ok = dialog.add<Button>("Button1");
    ok.setModalResult(ModalResult::Ok);
    auto& later = dialog.add<Timer>("Timer1");
    later.setInterval(100);
    int refusals = 0;
    dialog.onClose = [&](Control&, CloseAction& action) {
        if (refusals++ == 0) action = CloseAction::None;
    };
    later.onTimer = [&](Control&) { ok.userClick(); };
    backend.onNextModal([&](Form&) { ok.userClick(); });
    EXPECT_EQ(dialog.showModal(), ModalResult::Ok);
    EXPECT_EQ(refusals, 2);
    EXPECT_EQ(backend.now(), 100);
}

TEST_F(FormTest, ModalLoopThatCannotEndThrowsInsteadOfHanging)
{
    EXPECT_THROW(dialog.showModal(), std::runtime_error);
    EXPECT_FALSE(dialog.visible());
    EXPECT_FALSE(dialog.isModal());

    auto& ticker = dialog.add<Timer>("Timer1");
    ticker.setInterval(1000);
    backend.setModalTimeLimit(60'000);
    EXPECT_THROW(dialog.showModal(), std::runtime_error);
}

TEST_F(FormTest, NestedModalFormsUnwindInOrder)
{
    Form about("AboutBox", {0, 0, 414, 254});
    std::vector<std::string> trace;
    backend.onNextModal([&](Form& f) {
        trace.push_back("in " + f.name());
        backend.onNextModal([&](Form& inner) {
            trace.push_back("in " + inner.name());
            inner.close();
        });
        trace.push_back(about.showModal() == ModalResult::Cancel ? "about cancelled" : "?");
        f.setModalResult(ModalResult::Ok);
    });
    EXPECT_EQ(dialog.showModal(), ModalResult::Ok);
    EXPECT_EQ(trace, (std::vector<std::string>{"in PortForm", "in AboutBox", "about cancelled"}));
}

TEST_F(FormTest, ShowingAModalFormModallyAgainIsRefused)
{
    backend.onNextModal([&](Form& f) {
        EXPECT_THROW(f.showModal(), std::logic_error);
        EXPECT_TRUE(f.isModal());
        f.close();
    });
    EXPECT_EQ(dialog.showModal(), ModalResult::Cancel);
}

TEST_F(FormTest, ExceptionsFromUserEventsGoToTheExceptionBox)
{
    app.setTitle("ZR650/T Varnel");
    main.show();
    auto& button = main.add<Button>("Button3");
    button.onClick = [](Control&) { throw std::runtime_error("Unable to write to /ro/Config.ini"); };
    button.userClick();
    ASSERT_EQ(backend.messages().size(), 1u);
    EXPECT_EQ(backend.messages()[0].text, "Unable to write to /ro/Config.ini");
    EXPECT_EQ(backend.messages()[0].caption, "ZR650/T Varnel");
    EXPECT_EQ(backend.messages()[0].icon, Icon::Error);
    // Programmatic calls let the exception reach the caller.
    auto& edit = main.add<Edit>("Edit1");
    edit.onChange = [](Control&) { throw std::runtime_error("boom"); };
    EXPECT_THROW(edit.setText("1"), std::runtime_error);
}

TEST_F(FormTest, MenuItemsClickOnlyWhenReachable)
{
    main.show();
    auto& menu = main.add<MainMenu>("MainMenu1");
    auto& file = menu.add<MenuItem>("File1");
    file.setCaption("&File");
    auto& open = file.add<MenuItem>("OpenConfigFile1");
    auto& separator = file.add<MenuItem>("N2");
    separator.setCaption("-");
    int clicks = 0;
    open.onClick = [&](Control&) { ++clicks; };
    file.onClick = [&](Control&) { ++clicks; };  // has a submenu: never runs
    open.userClick();
    file.userClick();
    separator.userClick();
    file.setEnabled(false);
    open.userClick();
    file.setEnabled(true);
    file.setVisible(false);
    open.userClick();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(separator.isSeparator());
    EXPECT_EQ(file.plainCaption(), "File");
}

TEST_F(FormTest, DoubleClickReachesTheControlUnderTheMouseOnly)
{
    Form overlay("LoadingForm", {0, 0, 336, 127});
    overlay.show();
    auto& strip = overlay.add<Picture>("Image1", {73, 56, 190, 14});
    int formClicks = 0;
    overlay.onDblClick = [&](Control&) { ++formClicks; };
    strip.userDblClick();
    EXPECT_EQ(formClicks, 0);
    overlay.userDblClick();
    EXPECT_EQ(formClicks, 1);
}

TEST_F(FormTest, SecondApplicationIsRefused)
{
    HeadlessBackend other;
    EXPECT_THROW(Application second(other), std::logic_error);
    EXPECT_EQ(Application::current(), &app);
}

}  // namespace
}  // namespace varnel::tk
