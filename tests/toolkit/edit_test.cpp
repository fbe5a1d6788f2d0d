#include <string>
#include <vector>

#include "headless_fixture.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace varnel::tk {
namespace {

class EditTest : public test::HeadlessTest {
protected:
    EditTest()
    {
        form.show();
    }
    Form form{"Form1", {0, 0, 300, 200}};
    Edit& edit = form.add<Edit>("Edit6", {10, 10, 80, 21});
    Edit& other = form.add<Edit>("Edit7", {10, 40, 80, 21});
    std::vector<std::string> seen;  // text at each onChange
};

TEST_F(EditTest, ChangeRunsOnlyWhenTheTextReallyChanges)
{
    edit.onChange = [this](Control&) { seen.push_back(edit.text()); };
    edit.setText("1");
    edit.setText("1");
    edit.setText("");
    edit.setText("");
    EXPECT_EQ(seen, (std::vector<std::string>{"1", ""}));
}

TEST_F(EditTest, NestedChangeRunsAtOnceAndTheOuterHandlerContinues)
{
    // A handler that trims its text puts the trimmed text back: the nested
    // onChange sees the trimmed text before the outer one goes on.
    std::vector<std::string> trace;
    edit.onChange = [&](Control&) {
        const std::string entered = edit.text();
        trace.push_back("enter:" + entered);
        const auto first = entered.find_first_not_of(' ');
        const std::string trimmed = first == std::string::npos ? "" : entered.substr(first);
        if (trimmed != entered) edit.setText(trimmed);
        trace.push_back("leave:" + entered + " now " + edit.text());
    };
    edit.setText("  435");
    EXPECT_EQ(trace, (std::vector<std::string>{"enter:  435", "enter:435", "leave:435 now 435",
                                               "leave:  435 now 435"}));
    EXPECT_EQ(edit.text(), "435");
}

TEST_F(EditTest, RestoringTheRememberedTextInsideChangeIsSeenByTheNestedCall)
{
    std::string lastAccepted;
    int calls = 0;
    edit.onChange = [&](Control&) {
        ++calls;
        if (edit.text().find('x') != std::string::npos) {
            edit.setText(lastAccepted);
            edit.setSelStart(edit.length());
            return;
        }
        lastAccepted = edit.text();
    };
    edit.userType("12x");
    EXPECT_EQ(edit.text(), "12");
    EXPECT_EQ(edit.selStart(), 2);
    // '1', '2', 'x', then the nested change back to "12".
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(lastAccepted, "12");
}

TEST_F(EditTest, TypingFiresOneChangePerCharacterAndHonoursMaxLength)
{
    edit.setMaxLength(3);
    edit.onChange = [this](Control&) { seen.push_back(edit.text()); };
    edit.userType("12345");
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "12", "123"}));
    // The program is not bound by the limit.
    edit.setText("123456789");
    EXPECT_EQ(edit.text(), "123456789");
}

TEST_F(EditTest, TypingReplacesTheSelectionAndBackspaceDeletes)
{
    edit.setText("435.125");
    edit.setSelStart(4);
    edit.setSelLength(3);
    EXPECT_EQ(edit.selText(), "125");
    edit.userType("9");
    EXPECT_EQ(edit.text(), "435.9");
    edit.userKey(U'\b');
    edit.userKey(U'\b');
    EXPECT_EQ(edit.text(), "435");
    EXPECT_EQ(edit.selStart(), 3);
}

TEST_F(EditTest, PasteIsOneChangeCutToTheLimit)
{
    edit.setMaxLength(9);
    edit.setText("12");
    edit.setSelStart(2);
    edit.onChange = [this](Control&) { seen.push_back(edit.text()); };
    edit.userPaste("3456789012");
    EXPECT_EQ(seen, (std::vector<std::string>{"123456789"}));
}

TEST_F(EditTest, ReadOnlyDisabledAndHiddenBoxesIgnoreTheUser)
{
    struct Case {
        const char* what;
        void (*prepare)(Edit&, Form&);
    };
    const Case cases[] = {
        {"read-only", [](Edit& e, Form&) { e.setReadOnly(true); }},
        {"disabled", [](Edit& e, Form&) { e.setEnabled(false); }},
        {"hidden", [](Edit& e, Form&) { e.setVisible(false); }},
        {"form disabled", [](Edit&, Form& f) { f.setEnabled(false); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Form f("F", {0, 0, 10, 10});
        f.show();
        Edit& e = f.add<Edit>("E");
        int changes = 0;
        e.onChange = [&](Control&) { ++changes; };
        c.prepare(e, f);
        e.userType("1");
        e.userPaste("2");
        EXPECT_EQ(e.text(), "");
        EXPECT_EQ(changes, 0);
    }
}

TEST_F(EditTest, KeyPressMaySwallowOrReplaceKeys)
{
    edit.onKeyPress = [](Control&, char32_t& key) {
        if (key == U',') key = U'.';
        if (key == U'x') key = 0;
    };
    edit.userType("4x35,1");
    EXPECT_EQ(edit.text(), "435.1");
}

TEST_F(EditTest, SelectionCountsCharactersNotBytes)
{
    edit.setText("频率123");
    EXPECT_EQ(edit.length(), 5);
    edit.setSelStart(1);
    edit.setSelLength(2);
    EXPECT_EQ(edit.selText(), "率1");
    edit.setSelLength(99);
    EXPECT_EQ(edit.selLength(), 4);
}

TEST_F(EditTest, MovingTheFocusRunsTheExitOfTheBoxThatHadIt)
{
    std::vector<std::string> trace;
    edit.onExit = [&](Control& s) { trace.push_back("exit " + s.name()); };
    edit.onEnter = [&](Control& s) { trace.push_back("enter " + s.name()); };
    other.onEnter = [&](Control& s) { trace.push_back("enter " + s.name()); };
    edit.userType("1");
    other.userFocus();
    other.userFocus();
    EXPECT_EQ(trace, (std::vector<std::string>{"enter Edit6", "exit Edit6", "enter Edit7"}));
    EXPECT_TRUE(other.focused());
}

TEST_F(EditTest, ExitHandlerThatTakesTheFocusBackKeepsIt)
{
    // A refused entry puts the focus back into its box.
    edit.onExit = [this](Control&) { edit.setFocus(); };
    int otherEntered = 0;
    other.onEnter = [&](Control&) { ++otherEntered; };
    edit.setFocus();
    other.userFocus();
    EXPECT_TRUE(edit.focused());
    EXPECT_EQ(otherEntered, 0);
}

TEST_F(EditTest, ToolButtonClickLeavesTheFocusButAButtonTakesIt)
{
    auto& bar = form.add<ToolBar>("ToolBar1");
    auto& tool = bar.add<ToolButton>("RzToolButton3");
    auto& button = form.add<Button>("Button13");
    int exits = 0;
    edit.onExit = [&](Control&) { ++exits; };
    std::vector<std::string> clicks;
    tool.onClick = [&](Control&) { clicks.push_back("tool, exits " + std::to_string(exits)); };
    button.onClick = [&](Control&) { clicks.push_back("button, exits " + std::to_string(exits)); };
    edit.userType("435.11");
    tool.userClick();
    EXPECT_TRUE(edit.focused());
    button.userClick();
    EXPECT_EQ(clicks, (std::vector<std::string>{"tool, exits 0", "button, exits 1"}));
}

TEST_F(EditTest, FocusNextWalksTheTabOrderAndSkipsWhatCannotTakeIt)
{
    auto& group = form.add<GroupBox>("GroupBox1");
    auto& inGroup = group.add<Edit>("Edit8");
    form.add<Label>("Label1");
    auto& disabled = form.add<Edit>("Edit9");
    disabled.setEnabled(false);
    edit.setFocus();
    form.focusNext();
    EXPECT_TRUE(other.focused());
    form.focusNext();
    EXPECT_TRUE(inGroup.focused());
    form.focusNext();
    EXPECT_TRUE(edit.focused());
    form.focusNext(false);
    EXPECT_TRUE(inGroup.focused());
}

// ---- mask edit ----

TEST_F(EditTest, MaskEditEmptyTextAndDisplay)
{
    auto& m = form.add<MaskEdit>("RzMaskEdit3", Rect{}, "!999.99999;1;0");
    EXPECT_EQ(m.text(), "   .     ");
    EXPECT_EQ(m.emptyText(), "   .     ");
    EXPECT_EQ(m.editText(), "000.00000");
    EXPECT_TRUE(m.isEmpty());
    m.setText("435.12500");
    EXPECT_FALSE(m.isEmpty());
    m.setText("");
    EXPECT_EQ(m.text(), "   .     ");
}

TEST_F(EditTest, MaskEditFitsProgrammaticTexts)
{
    struct Case {
        const char* given;
        const char* text;
    };
    const Case cases[] = {
        {"435.12500", "435.12500"},
        {"000.00000", "000.00000"},  // zeros are digits, not blanks
        {"   .     ", "   .     "},
        {"435.1190", "435.1190 "},
        {"43512500", "435.12500"},  // the literal is supplied
        {"4x5.1", "4 5.1    "},     // a character that does not fit stays blank
        {"1234.567890", "123.4 567"},  // position by position: the point lands on a digit slot
        {"", "   .     "},
    };
    auto& m = form.add<MaskEdit>("M", Rect{}, "!999.99999;1;0");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        m.setText(c.given);
        EXPECT_EQ(m.text(), c.text);
    }
}

TEST_F(EditTest, MaskEditTypingOverwritesAndStepsOverTheLiteral)
{
    struct Case {
        const char* typed;
        const char* text;
    };
    const Case cases[] = {
        {"435.1190", "435.1190 "},
        {"4351190", "435.1190 "},   // the literal is stepped over
        {"5.125", "5  .125  "},     // a typed literal jumps to its place
        {"4a3", "43 .     "},       // a letter is refused
        {"4351234567", "435.12345"},  // nothing past the end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Form f("F", {0, 0, 10, 10});
        f.show();
        auto& m = f.add<MaskEdit>("M", Rect{}, "!999.99999;1;0");
        m.userType(c.typed);
        EXPECT_EQ(m.text(), c.text);
    }
}

TEST_F(EditTest, MaskEditBackspaceBlanksThePreviousPosition)
{
    auto& m = form.add<MaskEdit>("M", Rect{}, "!999.99999;1;0");
    m.userType("4351");
    m.userKey(U'\b');
    EXPECT_EQ(m.text(), "435.     ");
    m.userKey(U'\b');  // steps back over the literal
    EXPECT_EQ(m.text(), "43 .     ");
    EXPECT_EQ(m.selStart(), 2);
}

TEST_F(EditTest, MaskEditRunsChangeOnlyForRealChanges)
{
    auto& m = form.add<MaskEdit>("M", Rect{}, "!999.99999;1;0");
    int changes = 0;
    m.onChange = [&](Control&) { ++changes; };
    m.setText("   .     ");
    m.setText("");  // fits to the same empty text
    EXPECT_EQ(changes, 0);
    m.setText("435.125");
    m.setText("435.125  ");
    EXPECT_EQ(changes, 1);
}

TEST_F(EditTest, MaskWithoutSavedLiteralsKeepsThemOutOfTheText)
{
    auto& m = form.add<MaskEdit>("M", Rect{}, "99-99;0;_");
    m.setText("1234");
    EXPECT_EQ(m.text(), "1234");
    EXPECT_EQ(m.editText(), "12-34");
    m.setText("12-3");
    EXPECT_EQ(m.editText(), "12-3_");
}

}  // namespace
}  // namespace varnel::tk
