// The modem window against the radio emulator's board and second radio:
// the search finds a board that answers only at its own line settings,
// written settings are read back at the new settings, and a data test over
// a lossy air path shows the rate the path allows.
#include <gtest/gtest.h>

#include <charconv>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/instances.h"
#include "modem/emulator_run.h"
#include "modem/modem.h"
#include "modem/modem_fixture.h"
#include "ports/modem_com_port.h"
#include "ports/port_form.h"
#include "ports/port_settings.h"
#include "radio/mform.h"

namespace varnel::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* Ignored = "ignored; the board listens at";
constexpr const char* LostOnTheAir = "test frame lost on the air";

class ModemEmulator : public ShellTest {
protected:
    void Start(std::vector<std::string> emulatorOptions)
    {
        const char* portDir = std::getenv("VARNEL_PORT_DIR");
        ASSERT_NE(portDir, nullptr);
        addPort(1);
        emulatorOptions.insert(emulatorOptions.end(), {"--radio-com", "0", "--board-com", "5", "--second-com", "6"});
        emulator = std::make_unique<EmulatorRun>(portDir, emulatorOptions);
        ASSERT_TRUE(emulator->ready()) << emulator->error();
        writeConfig("[COMPort]\nPort=COM1\n[COMPort2]\nPort=COM5\n[COMPort3]\nPort=COM6\n");
        start();
        CloseComPort();
        MForm->hide();
        Modem->show();
        Modem->OpenSendPort();
        ASSERT_TRUE(Modem->ComPort12.fGetActive());
        ASSERT_EQ(Modem->ComPort12.fGetPort(), 5);
    }

    void TearDown() override
    {
        ShellTest::TearDown();
        emulator.reset();
    }

    // Runs the window's notifications until the condition holds; the
    // condition may also depend on the emulator's log.
    bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 20s)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!backend().waitForPosts(condition, 20ms)) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
        }
        return true;
    }

    static std::string Selected(const tk::ComboBox& box) { return ports::SelectedText(box); }
    static void Select(tk::ComboBox& box, const std::string& item) { box.setItemIndex(box.indexOf(item)); }
    static long Count(const tk::Edit& box) { return std::strtol(box.text().c_str(), nullptr, 10); }
    std::string Result() const { return Modem->RzStatusPane4.caption(); }

    std::unique_ptr<EmulatorRun> emulator;
};

TEST_F(ModemEmulator, SearchFindsABoardAt1200OddOnTheSixthRequest)
{
    Start({"--board-baud", "1200", "--board-parity", "odd"});
    Modem->RzToolButton4.userClick();
    for (std::size_t ignored = 1; ignored <= 5; ++ignored) {
        ASSERT_TRUE(emulator->waitForLog(Ignored, ignored)) << "request " << ignored;
        backend().advance(1000);
    }
    ASSERT_TRUE(WaitUntil([this] { return Result() == "Read success!"; }));
    EXPECT_EQ(Selected(Modem->ComboBox1), "1200");
    EXPECT_EQ(Selected(Modem->ComboBox2), "Odd");
    EXPECT_EQ(Selected(Modem->ComboBox3), "2400");
    EXPECT_EQ(Modem->TxByteCount.value(), 6 * 7);
    EXPECT_EQ(emulator->logCount(Ignored), 5u);
    EXPECT_TRUE(messages().empty());
}

TEST_F(ModemEmulator, WrittenSettingsAreReadBackAtTheNewLineSettings)
{
    Start({});
    Select(Modem->ComboBox1, "4800");
    Select(Modem->ComboBox2, "Odd");
    Select(Modem->ComboBox3, "1200");
    Modem->RzToolButton5.userClick();
    ASSERT_TRUE(WaitUntil([this] { return Result() == "Write success!"; }));
    EXPECT_EQ(Modem->ComPort12.fGetBaud(), TBaudRate::br4800);
    EXPECT_EQ(Modem->ComPort12.fGetParity(), TParity::ptOddParity);

    Modem->RzToolButton4.userClick();
    ASSERT_TRUE(WaitUntil([this] { return Result() == "Read success!"; }));
    EXPECT_EQ(Selected(Modem->ComboBox1), "4800");
    EXPECT_EQ(Selected(Modem->ComboBox2), "Odd");
    EXPECT_EQ(Selected(Modem->ComboBox3), "1200");
    EXPECT_EQ(emulator->logCount(Ignored), 0u) << "answered at the first request";
    EXPECT_EQ(Modem->TxByteCount.value(), 8 + 7 + 7);
}

TEST_F(ModemEmulator, DataTestOverTwoRadiosShowsTheRateOfTheAirPath)
{
    // A frame and its echo each cross the air once: losing about 5.13 % per
    // hop loses 10 % of the round trips.
    Start({"--air-loss", "0.0513", "--air-delay", "1", "--seed", "11"});
    Modem->OpenReceivePort();
    ASSERT_TRUE(Modem->ComPort13.fGetActive());

    constexpr long Frames = 200;
    Modem->Button1.userClick();
    long echoes = 0;
    std::size_t lost = 0;
    const auto settle = [&] {
        ASSERT_TRUE(WaitUntil([&] { return Count(Modem->Edit11) > echoes || emulator->logCount(LostOnTheAir) > lost; }))
            << "frame " << Count(Modem->Edit2) << " neither echoed nor lost";
        if (Count(Modem->Edit11) > echoes) {
            echoes = Count(Modem->Edit11);
        } else {
            lost = emulator->logCount(LostOnTheAir);
            backend().advance(2000);
        }
    };
    while (Count(Modem->Edit2) < Frames && !HasFatalFailure())
        settle();
    ASSERT_FALSE(HasFatalFailure());
    Modem->Button1.userClick();
    const long sentWhenStopped = Count(Modem->Edit2);
    settle();

    EXPECT_EQ(Count(Modem->Edit2), sentWhenStopped) << "nothing after Stop";
    EXPECT_EQ(Count(Modem->Edit4), echoes) << "every echo carried the text";
    EXPECT_GE(Count(Modem->Edit7), echoes);
    EXPECT_EQ(static_cast<std::size_t>(sentWhenStopped - echoes), lost);
    double rate = 0;
    const std::string shown = Modem->Edit5.text();
    std::from_chars(shown.data(), shown.data() + shown.size(), rate);
    RecordProperty("success_rate", shown);
    EXPECT_GT(rate, 84.0) << shown;
    EXPECT_LT(rate, 96.0) << shown;
    EXPECT_TRUE(messages().empty());
}

}  // namespace
}  // namespace varnel::test
