#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/toolkit.h"
#include "toolkit_qt/qt_backend.h"

namespace varnel::tk {
namespace {

// One QApplication for the process, rendered off screen. It must be gone
// before the process exits: Qt cannot be torn down from static destructors.
std::unique_ptr<QtBackend>& backendSlot()
{
    static std::unique_ptr<QtBackend> backend;
    return backend;
}

QtBackend& qtBackend()
{
    static int argc = 1;
    static char name[] = "toolkit_qt_tests";
    static char* argv[] = {name, nullptr};
    if (!backendSlot()) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        backendSlot() = std::make_unique<QtBackend>(argc, argv);
    }
    return *backendSlot();
}

class QtEnvironment final : public ::testing::Environment {
public:
    void TearDown() override { backendSlot().reset(); }
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Runs the loop until pred holds; fails the test after a generous deadline
// instead of hanging.
bool spinUntil(const std::function<bool()>& pred, int timeoutMs = 20000)
{
    bool timedOut = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&] { timedOut = true; });
    deadline.start(timeoutMs);
    qtBackend().runModal(nullptr, [&] { return pred() || timedOut; });
    return pred();
}

class QtBackendTest : public ::testing::Test {
protected:
    QtBackendTest() : app(qtBackend()) {}

    template <typename W>
    W* widget(const Control& c)
    {
        return dynamic_cast<W*>(qtBackend().widgetFor(c));
    }

    Application app;
};

// A small window in the shape of the main window.
struct SampleForm {
    SampleForm()
    {
        form.setCaption("ZR650/T Varnel V3.8");
        form.setBorderStyle(Form::BorderStyle::Single);
        form.setPosition(Form::Position::ScreenCentre);
        form.setColour(colours::white);
        auto& file = menu.add<MenuItem>("File1");
        file.setCaption("&File");
        open = &file.add<MenuItem>("OpenConfigFile1");
        open->setCaption("Open configuration file");
        file.add<MenuItem>("N2").setCaption("-");
        file.add<MenuItem>("Close1").setCaption("Close");
        saveTool.setCaption("Save");
        saveTool.setHint("Save to configuration file");
        hiddenTool.setCaption("Modem Board Setting");
        hiddenTool.setVisible(false);
        group.setCaption("Channel");
        tx.setMaxLength(9);
        power.setItems({"1W", "2W", "3W", "4W", "5W"});
        label.setCaption("频率 (MHz)");
        check.setCaption("Without save");
        read.setCaption("Read");
        model.setCaption("ZR650/T");
        tx1.setCaption("Tx:0");
        progress.setVisible(false);
        Image strip{16, 4, std::vector<std::uint32_t>(64, 0xFF3366CCu)};
        picture.setImage(strip);
    }
    Form form{"MForm", {0, 0, 583, 400}};
    MainMenu& menu = form.add<MainMenu>("MainMenu1");
    MenuItem* open = nullptr;
    ToolBar& tools = form.add<ToolBar>("RzToolbar1", {0, 0, 0, 40});
    ToolButton& saveTool = tools.add<ToolButton>("RzToolButton3");
    ToolButton& hiddenTool = tools.add<ToolButton>("RzToolButton7");
    GroupBox& group = form.add<GroupBox>("GroupBox1", {8, 48, 400, 200});
    Edit& tx = group.add<Edit>("Edit6", {60, 30, 90, 21});
    MaskEdit& mask = group.add<MaskEdit>("RzMaskEdit3", Rect{60, 60, 90, 21}, "!999.99999;1;0");
    ComboBox& power = group.add<ComboBox>("ComboBox4", Rect{160, 30, 60, 21});
    Label& label = group.add<Label>("Label1", {60, 90, 150, 16});
    CheckBox& check = group.add<CheckBox>("RzCheckBox1", {60, 110, 120, 20});
    Button& read = group.add<Button>("Button12", {300, 160, 75, 25});
    Lamp& lamp = form.add<Lamp>("iLedRound1", {420, 60, 20, 20});
    Picture& picture = form.add<Picture>("Image1", {420, 100, 16, 4});
    Memo& memo = form.add<Memo>("Memo1", {420, 120, 150, 60});
    StatusBar& status = form.add<StatusBar>("RzStatusBar1");
    StatusPane& model = status.add<StatusPane>("RzStatusPane1", {0, 0, 80, 0});
    StatusPane& tx1 = status.add<StatusPane>("RzStatusPane2", {0, 0, 80, 0});
    StatusPane& result = status.add<StatusPane>("RzStatusPane4", {0, 0, 0, 0});
    ClockPane& clock = status.add<ClockPane>("RzClockStatus1", Rect{0, 0, 140, 0});
    ProgressBar& progress = status.add<ProgressBar>("RzProgressBar1", {160, 2, 200, 18});
};

TEST_F(QtBackendTest, SampleFormRendersEveryControlAtItsBounds)
{
    SampleForm s;
    EXPECT_EQ(qtBackend().widgetFor(s.tx), nullptr);  // built when first shown
    s.form.show();
    QApplication::processEvents();
    QWidget* window = qtBackend().widgetFor(s.form);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "ZR650/T Varnel V3.8");

    auto* edit = widget<QLineEdit>(s.tx);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->geometry(), QRect(60, 30, 90, 21));
    EXPECT_EQ(edit->parentWidget(), widget<QGroupBox>(s.group));
    EXPECT_EQ(widget<QGroupBox>(s.group)->title(), "Channel");
    EXPECT_EQ(widget<QLineEdit>(s.mask)->text(), "000.00000");
    EXPECT_EQ(widget<QComboBox>(s.power)->count(), 5);
    EXPECT_EQ(widget<QComboBox>(s.power)->currentIndex(), -1);
    EXPECT_EQ(widget<QLabel>(s.label)->text(), QString::fromUtf8("频率 (MHz)"));
    EXPECT_EQ(widget<QCheckBox>(s.check)->text(), "Without save");
    EXPECT_EQ(widget<QPushButton>(s.read)->text(), "Read");
    EXPECT_EQ(widget<QToolButton>(s.saveTool)->toolTip(), "Save to configuration file");
    EXPECT_FALSE(widget<QToolButton>(s.hiddenTool)->isVisible());
    EXPECT_FALSE(widget<QProgressBar>(s.progress)->isVisible());

    // Status panes left to right with their widths; the unsized pane takes the rest.
    EXPECT_EQ(widget<QLabel>(s.model)->geometry().left(), 0);
    EXPECT_EQ(widget<QLabel>(s.tx1)->geometry().left(), 80);
    EXPECT_EQ(widget<QLabel>(s.result)->geometry().width(), 583 - 80 - 80 - 140);
    EXPECT_FALSE(widget<QLabel>(s.clock)->text().isEmpty());
    QWidget* bar = qtBackend().widgetFor(s.status);
    EXPECT_EQ(bar->geometry().bottom(), 399);

    auto* menuBar = window->findChild<QMenuBar*>();
    ASSERT_NE(menuBar, nullptr);
    ASSERT_EQ(menuBar->actions().size(), 1);
    EXPECT_EQ(menuBar->actions()[0]->text(), "&File");

    // The client area keeps its size below the menu bar.
    const QImage shot = window->grab().toImage();
    EXPECT_GE(shot.height(), 400);
    EXPECT_GE(shot.width(), 583);
    if (const char* path = std::getenv("VARNEL_SAMPLE_SHOT")) shot.save(path);

    // Chinese texts fall back to an installed CJK face.
    if (QFontDatabase::families().contains("Noto Sans CJK SC")) {
        EXPECT_TRUE(QFont::substitutes(QApplication::font().family()).contains("Noto Sans CJK SC", Qt::CaseInsensitive));
    }
}

TEST_F(QtBackendTest, ProgrammaticChangesReachTheWidgetsWithoutComingBack)
{
    SampleForm s;
    s.form.show();
    int txChanges = 0;
    int powerChanges = 0;
    s.tx.onChange = [&](Control&) { ++txChanges; };
    s.power.onChange = [&](Control&) { ++powerChanges; };
    s.tx.setText("435.12500");
    s.power.setItemIndex(2);
    s.check.setChecked(true);
    s.progress.setVisible(true);
    s.progress.setPercent(50);
    s.result.setCaption("Read success!");
    s.mask.setText("435.1190");
    s.memo.setLines({"a", "b"});
    QApplication::processEvents();
    EXPECT_EQ(widget<QLineEdit>(s.tx)->text(), "435.12500");
    EXPECT_EQ(widget<QComboBox>(s.power)->currentText(), "3W");
    EXPECT_TRUE(widget<QCheckBox>(s.check)->isChecked());
    EXPECT_TRUE(widget<QProgressBar>(s.progress)->isVisible());
    EXPECT_EQ(widget<QProgressBar>(s.progress)->value(), 50);
    EXPECT_EQ(widget<QLabel>(s.result)->text(), "Read success!");
    EXPECT_EQ(widget<QLineEdit>(s.mask)->text(), "435.11900");  // unfilled shows the blank '0'
    EXPECT_EQ(s.mask.text(), "435.1190 ");
    EXPECT_EQ(txChanges, 1);
    EXPECT_EQ(powerChanges, 0);
    s.power.setItemIndex(-1);
    EXPECT_EQ(widget<QComboBox>(s.power)->currentIndex(), -1);
}

TEST_F(QtBackendTest, TypingInTheWidgetGoesThroughTheControl)
{
    SampleForm s;
    s.form.show();
    std::vector<std::string> seen;
    std::string lastAccepted;
    // Refuses letters by putting the last accepted text back.
    s.tx.onChange = [&](Control&) {
        if (s.tx.text().find_first_not_of("0123456789.") != std::string::npos) {
            s.tx.setText(lastAccepted);
            s.tx.setSelStart(s.tx.length());
            return;
        }
        lastAccepted = s.tx.text();
        seen.push_back(lastAccepted);
    };
    QLineEdit* edit = widget<QLineEdit>(s.tx);
    QTest::keyClicks(edit, "43x5");
    EXPECT_EQ(s.tx.text(), "435");
    EXPECT_EQ(edit->text(), "435");
    EXPECT_EQ(edit->cursorPosition(), 3);
    EXPECT_EQ(seen, (std::vector<std::string>{"4", "43", "43", "435"}));
    QTest::keyClicks(edit, "123456789");  // max length 9
    EXPECT_EQ(s.tx.text(), "435123456");

    QLineEdit* mask = widget<QLineEdit>(s.mask);
    QTest::keyClicks(mask, "435.1190");
    EXPECT_EQ(s.mask.text(), "435.1190 ");
    EXPECT_EQ(mask->text(), "435.11900");
}

TEST_F(QtBackendTest, UserChoicesInCombosReachTheControl)
{
    SampleForm s;
    s.form.show();
    std::vector<int> changes;
    s.power.onChange = [&](Control&) { changes.push_back(s.power.itemIndex()); };
    QComboBox* cb = widget<QComboBox>(s.power);
    emit cb->activated(3);
    EXPECT_EQ(s.power.itemIndex(), 3);
    QTest::keyClicks(cb->lineEdit(), "x");
    EXPECT_EQ(s.power.text(), "4Wx");
    EXPECT_EQ(s.power.itemIndex(), -1);
    cb->lineEdit()->selectAll();
    QTest::keyClicks(cb->lineEdit(), "2w");
    EXPECT_EQ(s.power.itemIndex(), 1);
    EXPECT_EQ(cb->lineEdit()->text(), "2w");  // the typed text stays
    EXPECT_EQ(changes.front(), 3);
    EXPECT_EQ(changes.back(), 1);
}

TEST_F(QtBackendTest, ClicksDoubleClicksAndMenusRunTheHandlers)
{
    SampleForm s;
    s.form.show();
    QApplication::processEvents();
    std::vector<std::string> trace;
    s.read.onClick = [&](Control& c) { trace.push_back(c.name()); };
    s.saveTool.onClick = [&](Control& c) { trace.push_back(c.name()); };
    s.open->onClick = [&](Control& c) { trace.push_back(c.name()); };
    s.tx1.onDblClick = [&](Control& c) { trace.push_back("dbl " + c.name()); };
    s.form.onDblClick = [&](Control& c) { trace.push_back("dbl " + c.name()); };
    s.check.onClick = [&](Control&) { trace.push_back(s.check.checked() ? "checked" : "unchecked"); };
    QTest::mouseClick(widget<QPushButton>(s.read), Qt::LeftButton);
    QTest::mouseClick(widget<QToolButton>(s.saveTool), Qt::LeftButton);
    QTest::mouseClick(widget<QCheckBox>(s.check), Qt::LeftButton);
    QTest::mouseDClick(widget<QLabel>(s.tx1), Qt::LeftButton);
    QTest::mouseDClick(qtBackend().widgetFor(s.picture), Qt::LeftButton);  // swallowed
    QWidget* menuWindow = qtBackend().widgetFor(s.form);
    menuWindow->findChild<QMenuBar*>()->actions()[0]->menu()->actions()[0]->trigger();
    EXPECT_EQ(trace, (std::vector<std::string>{"Button12", "RzToolButton3", "checked", "dbl RzStatusPane2",
                                               "OpenConfigFile1"}));
    EXPECT_TRUE(s.check.checked());
    EXPECT_TRUE(widget<QCheckBox>(s.check)->isChecked());
}

TEST_F(QtBackendTest, CloseBoxAsksTheFormWhichMayStayOpen)
{
    SampleForm s;
    Form other("PortForm", {0, 0, 200, 100});  // the sample is the main form
    other.show();
    QApplication::processEvents();
    int asked = 0;
    other.onClose = [&](Control&, CloseAction& action) {
        if (++asked == 1) action = CloseAction::None;
    };
    QWidget* window = qtBackend().widgetFor(other);
    window->close();
    EXPECT_TRUE(other.visible());
    EXPECT_TRUE(window->isVisible());
    window->close();
    EXPECT_FALSE(other.visible());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(app.terminated());
}

TEST_F(QtBackendTest, ShowModalRunsANestedLoopWithTimersUntilTheFormCloses)
{
    Form main("MForm", {0, 0, 100, 100});  // closing the splash must not end the program
    Form splash("Start", {0, 0, 371, 301});
    splash.setBorderStyle(Form::BorderStyle::None);
    splash.setStayOnTop(true);
    splash.setAlphaBlend(true);
    auto& fade = splash.add<Timer>("Timer1");
    fade.setInterval(5);
    int steps = 0;
    fade.onTimer = [&](Control&) {
        splash.setAlphaBlendValue(static_cast<std::uint8_t>(splash.alphaBlendValue() - 30));
        if (++steps == 8) {
            fade.setEnabled(false);
            splash.close();
        }
    };
    EXPECT_EQ(splash.showModal(), ModalResult::Cancel);
    EXPECT_EQ(steps, 8);
    EXPECT_FALSE(qtBackend().widgetFor(splash)->isVisible());
    EXPECT_FALSE(app.terminated());
}

TEST_F(QtBackendTest, MessageBoxKeepsDispatchingPostsAndTimers)
{
    std::atomic<bool> postedFromThread{false};
    bool postArrived = false;
    bool closedByTimer = false;
    PostTarget target([&](const PostedMessage&) { postArrived = true; });
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (!postArrived) return;
        if (QWidget* box = QApplication::activeModalWidget()) {
            closedByTimer = true;
            box->close();
        }
    });
    closer.start();
    std::thread poster([sender = target.sender(), &postedFromThread] {
        sender.post(0x403);
        postedFromThread = true;
    });
    messageBox("Read/Write Timeout!", "Notice", Icon::Warning);
    poster.join();
    EXPECT_TRUE(postArrived);
    EXPECT_TRUE(closedByTimer);
}

TEST_F(QtBackendTest, PostsFromAnotherThreadArriveOnceEachInOrder)
{
    constexpr std::uint64_t count = 5000;
    std::vector<std::uint64_t> received;
    std::thread::id deliveredOn;
    PostTarget target([&](const PostedMessage& m) {
        received.push_back(m.wParam);
        deliveredOn = std::this_thread::get_id();
    });
    std::thread producer([sender = target.sender()] {
        for (std::uint64_t i = 0; i < count; ++i) sender.post(0x402, i);
    });
    const bool all = spinUntil([&] { return received.size() >= count; });
    producer.join();
    ASSERT_TRUE(all);
    ASSERT_EQ(received.size(), count);
    for (std::uint64_t i = 0; i < count; ++i) ASSERT_EQ(received[i], i);
    EXPECT_EQ(deliveredOn, std::this_thread::get_id());
}

TEST_F(QtBackendTest, QtTimersTickUntilStopped)
{
    Form form("F", {0, 0, 10, 10});
    auto& t = form.add<Timer>("Timer1");
    t.setInterval(5);
    int ticks = 0;
    t.onTimer = [&](Control&) {
        if (++ticks == 3) t.setEnabled(false);
    };
    ASSERT_TRUE(spinUntil([&] { return ticks >= 3; }));
    // Once stopped it stays stopped while the loop keeps running.
    bool waited = false;
    QTimer::singleShot(50, [&] { waited = true; });
    spinUntil([&] { return waited; });
    EXPECT_EQ(ticks, 3);
}

}  // namespace
}  // namespace varnel::tk
