#include <string>
#include <vector>

#include "headless_fixture.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace varnel::tk {
namespace {

class ComboBoxTest : public test::HeadlessTest {
protected:
    ComboBoxTest()
    {
        form.show();
        baud.setItems({"600", "1200", "2400", "4800", "9600"});
        port.setItems({"COM1", "COM3", "COM4"});
        baud.onChange = [this](Control&) { changes.push_back(baud.itemIndex()); };
    }
    Form form{"ModemComPort", {0, 0, 400, 300}};
    ComboBox& baud = form.add<ComboBox>("BaudRate12", Rect{});
    ComboBox& port = form.add<ComboBox>("ComName12", Rect{});
    std::vector<int> changes;
};

TEST_F(ComboBoxTest, EditableTextSelectsTheMatchingItemOrNone)
{
    struct Case {
        const char* text;
        int index;
    };
    const Case cases[] = {
        {"COM3", 1}, {"com4", 2}, {"COM", -1}, {"COM3 ", -1}, {"", -1}, {"COM1", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        port.setText(c.text);
        EXPECT_EQ(port.itemIndex(), c.index);
        EXPECT_EQ(port.text(), c.text);  // the text stays as given
    }
}

TEST_F(ComboBoxTest, TypedTextMatchesAfterEveryCharacterAndRunsChangeEachTime)
{
    std::vector<int> portChanges;
    port.onChange = [&](Control&) { portChanges.push_back(port.itemIndex()); };
    port.setItemIndex(0);
    port.userType("\b\b\b\b");  // erase "COM1"
    port.userType("COM3");
    EXPECT_EQ(portChanges, (std::vector<int>{-1, -1, -1, -1, -1, -1, -1, 1}));
    port.userType("9");
    EXPECT_EQ(port.itemIndex(), -1);
    EXPECT_EQ(port.text(), "COM39");
}

TEST_F(ComboBoxTest, ProgrammaticChangesNeverRunChange)
{
    baud.setItemIndex(2);
    baud.setText("9600");
    baud.setItemIndex(-1);
    baud.setItems({"1200", "9600"});
    EXPECT_TRUE(changes.empty());
}

TEST_F(ComboBoxTest, UserSelectionRunsChangeWhenTheSelectionChanges)
{
    baud.userSelect(4);
    baud.userSelect(4);
    baud.userSelect(1);
    baud.userSelect(7);  // no such item
    EXPECT_EQ(changes, (std::vector<int>{4, 1}));
    EXPECT_EQ(baud.text(), "1200");
}

TEST_F(ComboBoxTest, IndexOutsideTheListSelectsNothing)
{
    for (int index : {-1, 5, 99, -7}) {
        SCOPED_TRACE(index);
        baud.setItemIndex(2);
        baud.setItemIndex(index);
        EXPECT_EQ(baud.itemIndex(), -1);
        EXPECT_EQ(baud.text(), "");
    }
}

TEST_F(ComboBoxTest, DisplayTextLeavesTheSelectionAlone)
{
    // A box that shows "9600" with nothing selected.
    baud.setDisplayText("9600");
    EXPECT_EQ(baud.itemIndex(), -1);
    EXPECT_EQ(baud.text(), "9600");
    baud.setItemIndex(1);
    baud.setDisplayText("xyz");
    EXPECT_EQ(baud.itemIndex(), 1);
}

TEST_F(ComboBoxTest, IndexOfIsExactIncludingLetterCase)
{
    EXPECT_EQ(port.indexOf("COM4"), 2);
    EXPECT_EQ(port.indexOf("com4"), -1);
    EXPECT_EQ(port.indexOf("COM2"), -1);
}

TEST_F(ComboBoxTest, DropDownListTextIsAlwaysTheSelectedItem)
{
    auto& list = form.add<ComboBox>("ComboBox2", Rect{}, ComboBox::Style::DropDownList);
    list.setItems({"Level1", "Level2", "Close"});
    list.setText("close");
    EXPECT_EQ(list.itemIndex(), 2);
    EXPECT_EQ(list.text(), "Close");
    list.setText("Level9");
    EXPECT_EQ(list.itemIndex(), -1);
    EXPECT_EQ(list.text(), "");
    list.userType("Level1");
    EXPECT_EQ(list.text(), "");
}

TEST_F(ComboBoxTest, DisabledBoxIgnoresTheUser)
{
    baud.setEnabled(false);
    baud.userSelect(1);
    baud.userType("1200");
    EXPECT_EQ(baud.itemIndex(), -1);
    EXPECT_TRUE(changes.empty());
}

TEST(CheckBoxTest, ProgrammaticCheckIsSilentAndAUserClickTogglesFirst)
{
    HeadlessBackend backend;
    Application app(backend);
    Form form("F", {0, 0, 10, 10});
    form.show();
    auto& box = form.add<CheckBox>("RzCheckBox1");
    std::vector<bool> seen;
    box.onClick = [&](Control&) { seen.push_back(box.checked()); };
    box.setChecked(true);
    box.setChecked(false);
    box.userClick();
    box.userClick();
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace varnel::tk
