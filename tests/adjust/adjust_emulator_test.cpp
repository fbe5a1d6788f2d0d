// The adjustment window against the radio emulator: the tables and values
// written are read back, the backup is made, checked and restored.
#include "support/radio_simulator.h"
#include "support/window_fixture.h"

#include <string>
#include <vector>

namespace varnel::test {
namespace {

class AdjustAgainstEmulator : public WindowTest {
protected:
    explicit AdjustAgainstEmulator(std::vector<std::string> simArgs = {}) : sim(5, std::move(simArgs)) {}

    void SetUp() override
    {
        ASSERT_TRUE(sim.ready()) << sim.error();
        WindowTest::SetUp();
        OpenPort(sim.com());
        adjust->show();
    }

    bool WaitForResult(const std::string& text)
    {
        return WaitFor([&] { return Result() == text; });
    }
    bool WaitForMessage(const std::string& text)
    {
        return WaitFor([&] {
            const auto texts = Messages();
            return !texts.empty() && texts.back() == text;
        });
    }

    RadioSimulator sim;
};

TEST_F(AdjustAgainstEmulator, PowerTableIsWrittenAndReadBack)
{
    for (int n = 60; n <= 99; ++n)
        adjust->Box(n)->setText(std::to_string((n - 60) * 6 + 10));
    adjust->Button6.userClick();
    ASSERT_TRUE(WaitForMessage("Write success!"));
    EXPECT_EQ(form->Link.TransferState, link::TransferState::Idle);

    adjust->Button12.userClick();
    EXPECT_EQ(adjust->Edit60.text(), "");
    ASSERT_TRUE(WaitForResult("Read success!"));
    for (int n = 60; n <= 99; ++n)
        EXPECT_EQ(adjust->Box(n)->text(), std::to_string((n - 60) * 6 + 10)) << n;
}

TEST_F(AdjustAgainstEmulator, STablesAndSingleValuesAreWrittenAndReadBack)
{
    for (int n = 40; n <= 55; ++n)
        adjust->Box(n)->setText(std::to_string(200 - n));
    adjust->Button1.userClick();
    ASSERT_TRUE(WaitForMessage("Write success!"));
    adjust->Button2.userClick();
    ASSERT_TRUE(WaitForResult("Read success!"));
    for (int n = 40; n <= 55; ++n)
        EXPECT_EQ(adjust->Box(n)->text(), std::to_string(200 - n)) << n;

    adjust->Edit38.setText("-1");
    adjust->Button8.userClick();
    ASSERT_TRUE(WaitForResult("Write success!"));
    adjust->Edit39.setText("77");
    adjust->Button10.userClick();
    ASSERT_TRUE(WaitForResult("Write success!"));
    adjust->Button7.userClick();
    ASSERT_TRUE(WaitForResult("Read success!"));
    adjust->Button9.userClick();
    ASSERT_TRUE(WaitForResult("Read success!"));
    EXPECT_EQ(adjust->Edit38.text(), "255");
    EXPECT_EQ(adjust->Edit39.text(), "77");
}

TEST_F(AdjustAgainstEmulator, BackupCheckAndRestore)
{
    adjust->Edit38.setText("11");
    adjust->Button8.userClick();
    ASSERT_TRUE(WaitForResult("Write success!"));
    adjust->Button3.userClick();
    ASSERT_TRUE(WaitForResult("Write success!"));
    adjust->Button4.userClick();
    ASSERT_TRUE(WaitForMessage("valid"));

    adjust->Edit38.setText("99");
    adjust->Button8.userClick();
    ASSERT_TRUE(WaitForResult("Write success!"));
    adjust->Button5.userClick();
    EXPECT_EQ(form->Link.TransferState, link::TransferState::Restoring);
    ASSERT_TRUE(WaitForMessage("Restore parameters success!"));
    EXPECT_EQ(form->Link.TransferState, link::TransferState::Idle);

    adjust->Button7.userClick();
    ASSERT_TRUE(WaitForResult("Read success!"));
    EXPECT_EQ(adjust->Edit38.text(), "11");
}

class AdjustAgainstEmulatorWithoutBackup : public AdjustAgainstEmulator {
protected:
    AdjustAgainstEmulatorWithoutBackup() : AdjustAgainstEmulator({"--no-backup"}) {}
};

TEST_F(AdjustAgainstEmulatorWithoutBackup, CheckSaysInvalidAndRestoreFails)
{
    adjust->Button4.userClick();
    ASSERT_TRUE(WaitForMessage("Invalid"));
    adjust->Button5.userClick();
    ASSERT_TRUE(WaitForMessage("Restore parameters failed!"));
    EXPECT_EQ(form->Link.TransferState, link::TransferState::Idle);
}

} // namespace
} // namespace varnel::test
