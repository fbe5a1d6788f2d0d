// The single settings against the radio emulator: what is set is what the
// radio gives back.
#include "support/radio_simulator.h"
#include "support/window_fixture.h"

namespace varnel::test {
namespace {

class SettingsAgainstEmulator : public WindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.ready()) << sim.error();
        WindowTest::SetUp();
        OpenPort(sim.com());
    }

    bool WaitForResult(const std::string& text)
    {
        return WaitFor([&] { return Result() == text; });
    }

    RadioSimulator sim{5};
};

TEST_F(SettingsAgainstEmulator, SquelchIsSetAndReadBack)
{
    for (const int item : {1, 5, 4}) {
        SCOPED_TRACE(form->ComboBox2.items()[static_cast<std::size_t>(item)]);
        form->ComboBox2.setItemIndex(item);
        form->Button4.userClick();
        ASSERT_TRUE(WaitForResult("Write success!"));
        form->Button3.userClick();
        EXPECT_EQ(form->ComboBox2.itemIndex(), -1);
        ASSERT_TRUE(WaitForResult("Read success!"));
        EXPECT_EQ(form->ComboBox2.itemIndex(), item);
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(SettingsAgainstEmulator, BandwidthMethodAndChannelAreSetAndReadBack)
{
    form->ComboBox3.setItemIndex(1); // 25k
    form->Button6.userClick();
    ASSERT_TRUE(WaitForResult("Write success!"));
    form->Button5.userClick();
    ASSERT_TRUE(WaitForResult("Read success!"));
    EXPECT_EQ(form->ComboBox3.text(), "25k");

    form->ComboBox1.setItemIndex(1); // Hardware
    form->Button8.userClick();
    ASSERT_TRUE(WaitForResult("Success!"));
    form->Button1.userClick();
    ASSERT_TRUE(WaitFor([&] { return form->ComboBox1.itemIndex() >= 0; }));
    EXPECT_EQ(form->ComboBox1.text(), "Hardware");

    form->ComboBox21.setItemIndex(8); // CH9
    form->Button10.userClick();
    ASSERT_TRUE(WaitForResult("Success!"));
    form->Button9.userClick();
    ASSERT_TRUE(WaitFor([&] { return form->ComboBox21.itemIndex() >= 0; }));
    EXPECT_EQ(form->ComboBox21.text(), "CH9");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(SettingsAgainstEmulator, CurrentBlockIsSetAndReadBack)
{
    form->RzMaskEdit3.setText("445.1190");
    form->RzMaskEdit67.setText("455.0000");
    form->RzComboBox1.setItemIndex(3);
    form->RzButton4.userClick();
    ASSERT_TRUE(WaitForResult("Success!"));
    form->RzButton3.userClick();
    EXPECT_EQ(form->RzMaskEdit3.text(), "   .     ");
    ASSERT_TRUE(WaitForResult("Success!"));
    EXPECT_EQ(form->RzMaskEdit3.text(), "445.11875");
    EXPECT_EQ(form->RzMaskEdit67.text(), "455.00000");
    EXPECT_EQ(form->RzComboBox1.text(), "4W");
    EXPECT_TRUE(Messages().empty());
}

} // namespace
} // namespace varnel::test
