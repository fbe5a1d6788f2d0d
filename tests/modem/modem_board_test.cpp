// The board's parameters over a pseudo-terminal the test answers: Read and
// the search over the send port's settings, Write in two steps, refusals,
// time-outs, short and stray replies, and the overlay's cancel.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/instances.h"
#include "app/language_texts.h"
#include "app/loading_form.h"
#include "modem/modem.h"
#include "modem/modem_fixture.h"
#include "ports/modem_com_port.h"

namespace varnel::test {
namespace {

const Bytes ReadRequest = B({0x55, 0xAA, 0x03, 0x23, 0x00, 0x00, 0x26});
const std::string CantConnect =
    "Can't connect with ZR650/T.\r\nPlease check the serial port configuration,power,connection,ect.";
const std::string PortNotOpen = "Please open the serial port before this operation.";

class ModemBoardTest : public ModemWindowTest {
protected:
    // Disabled window, overlay up, reply timer running.
    void expectBusy() const
    {
        EXPECT_FALSE(Modem->enabled());
        EXPECT_TRUE(LoadingForm->visible());
        EXPECT_TRUE(Modem->Timer1.enabled());
        EXPECT_EQ(Modem->Timer1.interval(), 1000);
    }
    void expectDone() const
    {
        EXPECT_TRUE(Modem->enabled());
        EXPECT_FALSE(LoadingForm->visible());
        EXPECT_FALSE(Modem->Timer1.enabled());
    }
    void selectParameters(const std::string& baud, const std::string& parity, const std::string& airRate)
    {
        select(Modem->ComboBox1, baud);
        select(Modem->ComboBox2, parity);
        select(Modem->ComboBox3, airRate);
    }
};

TEST_F(ModemBoardTest, EveryBoardCommandNeedsTheSendPortOpen)
{
    Modem->RevealTransmitTest();
    selectParameters("9600", "None", "1200");
    for (tk::Control* command :
         std::vector<tk::Control*>{&Modem->RzToolButton4, &Modem->RzToolButton5, &Modem->Read1, &Modem->Write1,
                                   &Modem->Button1, &Modem->Button2, &Modem->Button3}) {
        backend().clearMessages();
        command->userClick();
        EXPECT_EQ(messages(), std::vector<std::string>{PortNotOpen}) << command->name();
    }
    EXPECT_EQ(txCount(), 0);
    EXPECT_FALSE(LoadingForm->visible());
    EXPECT_TRUE(Modem->enabled());
    EXPECT_FALSE(Modem->TestRunning());
}

struct AirRateCase {
    int code;
    int expectedIndex;  // in ComboBox3
};

class ModemReadReply : public ModemBoardTest, public ::testing::WithParamInterface<AirRateCase> {};

TEST_P(ModemReadReply, ShowsTheSettingsTheBoardAnsweredAtAndItsAirRate)
{
    openPorts();
    selectSendSettings("4800", "Odd");
    selectParameters("600", "Even", "1200");
    Modem->RzToolButton4.userClick();

    EXPECT_EQ(Hex(request()), Hex(ReadRequest));
    EXPECT_EQ(Modem->Step(), TModemStep::msReadFirst);
    EXPECT_EQ(Modem->ComboBox1.itemIndex(), -1);
    EXPECT_EQ(Modem->ComboBox2.itemIndex(), -1);
    EXPECT_EQ(Modem->ComboBox3.itemIndex(), -1);
    expectBusy();

    const Bytes reply = BoardReply(0x23, {GetParam().code});
    ASSERT_TRUE(answer(reply));
    EXPECT_EQ(selected(Modem->ComboBox1), "4800");
    EXPECT_EQ(selected(Modem->ComboBox2), "Odd");
    EXPECT_EQ(Modem->ComboBox3.itemIndex(), GetParam().expectedIndex);
    EXPECT_EQ(result(), "Read success!");
    expectDone();
    EXPECT_EQ(Modem->RzStatusPane2.caption(), "Tx:7");
    EXPECT_EQ(Modem->RzStatusPane3.caption(), "Rx:" + std::to_string(reply.size()));
    EXPECT_TRUE(messages().empty());
}

INSTANTIATE_TEST_SUITE_P(AirRates, ModemReadReply,
                         ::testing::Values(AirRateCase{0x00, 1}, AirRateCase{0x20, 0}, AirRateCase{0x30, -1}));

TEST_F(ModemBoardTest, SearchTriesTheCurrentSettingsThenEveryBoardSettingOnce)
{
    openPorts();
    selectSendSettings("4800", "Even");
    Modem->Read1.userClick();

    const std::vector<std::pair<TBaudRate, TParity>> expected = {
        {TBaudRate::br4800, TParity::ptEvenParity},  // as the port stood
        {TBaudRate::br600, TParity::ptNoParity},    {TBaudRate::br600, TParity::ptOddParity},
        {TBaudRate::br600, TParity::ptEvenParity},  {TBaudRate::br1200, TParity::ptNoParity},
        {TBaudRate::br1200, TParity::ptOddParity},  {TBaudRate::br1200, TParity::ptEvenParity},
        {TBaudRate::br2400, TParity::ptNoParity},   {TBaudRate::br2400, TParity::ptOddParity},
        {TBaudRate::br2400, TParity::ptEvenParity}, {TBaudRate::br4800, TParity::ptNoParity},
        {TBaudRate::br4800, TParity::ptOddParity},  {TBaudRate::br4800, TParity::ptEvenParity},
        {TBaudRate::br9600, TParity::ptNoParity},   {TBaudRate::br9600, TParity::ptOddParity},
        {TBaudRate::br9600, TParity::ptEvenParity},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("request " + std::to_string(i + 1));
        if (i > 0) {
            backend().advance(999);
            EXPECT_EQ(txCount(), static_cast<std::int64_t>(7 * i)) << "one request per second";
            backend().advance(1);
        }
        EXPECT_EQ(Hex(request()), Hex(ReadRequest));
        EXPECT_EQ(Modem->ComPort12.fGetBaud(), expected[i].first);
        EXPECT_EQ(Modem->ComPort12.fGetParity(), expected[i].second);
        EXPECT_TRUE(Modem->ComPort12.fGetActive());
        EXPECT_TRUE(messages().empty());
        expectBusy();
    }
    EXPECT_EQ(Modem->Step(), TModemStep::msReadScan);

    backend().advance(1000);
    EXPECT_EQ(messages(), std::vector<std::string>{CantConnect});
    EXPECT_EQ(txCount(), 16 * 7);
    EXPECT_EQ(selected(dialog().BaudRate12), "9600");
    EXPECT_EQ(selected(dialog().Parity12), "Even");
    expectDone();
    backend().advance(5000);
    EXPECT_EQ(txCount(), 16 * 7) << "the search has ended";
}

TEST_F(ModemBoardTest, SearchEndsWithTheAnswerAtTheSettingItReached)
{
    openPorts();
    Modem->RzToolButton4.userClick();
    for (int i = 0; i < 6; ++i) {
        if (i > 0)
            backend().advance(1000);
        request();
    }
    ASSERT_TRUE(answer(BoardReply(0x23, {0x00})));
    EXPECT_EQ(selected(Modem->ComboBox1), "1200");
    EXPECT_EQ(selected(Modem->ComboBox2), "Odd");
    EXPECT_EQ(selected(Modem->ComboBox3), "2400");
    EXPECT_EQ(result(), "Read success!");
    expectDone();
    backend().advance(5000);
    EXPECT_EQ(txCount(), 6 * 7);
}

TEST_F(ModemBoardTest, WriteSendsAirRateThenSerialPortAndThePortFollowsTheBoard)
{
    openPorts();
    selectParameters("4800", "Even", "1200");
    Modem->RzToolButton5.userClick();
    EXPECT_EQ(Hex(request()), "55 AA 04 20 05 20 00 49");
    EXPECT_EQ(Modem->Step(), TModemStep::msWriteAirRate);
    expectBusy();

    ASSERT_TRUE(answer(BoardReply(0x20, {0x05})));
    EXPECT_EQ(result(), "Set air data rate success!");
    EXPECT_EQ(Hex(request()), "55 AA 03 28 31 00 5C");
    EXPECT_EQ(Modem->Step(), TModemStep::msWriteSerial);
    expectBusy();
    EXPECT_EQ(Modem->ComPort12.fGetBaud(), TBaudRate::br2400) << "the port moves only after the acknowledgement";

    ASSERT_TRUE(answer(BoardReply(0x20, {0x28})));
    EXPECT_EQ(result(), "Write success!");
    expectDone();
    EXPECT_EQ(Modem->ComPort12.fGetBaud(), TBaudRate::br4800);
    EXPECT_EQ(Modem->ComPort12.fGetParity(), TParity::ptEvenParity);
    EXPECT_TRUE(Modem->ComPort12.fGetActive());
    EXPECT_EQ(selected(dialog().BaudRate12), "4800");
    EXPECT_EQ(selected(dialog().Parity12), "Even");
    EXPECT_EQ(txCount(), 15);
    EXPECT_TRUE(messages().empty());
}

struct WriteFailure {
    const char* name;
    int failingStep;  // 1 air rate, 2 serial port
    bool refused;     // else no answer
    const char* shown;
};

class ModemWriteFailure : public ModemBoardTest, public ::testing::WithParamInterface<WriteFailure> {};

TEST_P(ModemWriteFailure, EndsTheWriteAndKeepsThePort)
{
    const WriteFailure& c = GetParam();
    openPorts();
    selectParameters("9600", "None", "2400");
    Modem->Write1.userClick();
    EXPECT_EQ(Hex(request()), "55 AA 04 20 05 00 00 29");
    if (c.failingStep == 2) {
        ASSERT_TRUE(answer(BoardReply(0x20, {0x05})));
        EXPECT_EQ(Hex(request()), "55 AA 03 28 00 00 2B");
    }
    const std::int64_t sent = txCount();
    if (c.refused)
        ASSERT_TRUE(answer(BoardReply(0x21, {})));
    else
        backend().advance(1000);

    if (c.refused) {
        EXPECT_EQ(result(), c.shown);
        EXPECT_TRUE(messages().empty());
    } else {
        EXPECT_EQ(messages(), std::vector<std::string>{CantConnect});
    }
    expectDone();
    backend().advance(5000);
    EXPECT_EQ(txCount(), sent) << "nothing follows a failed step";
    EXPECT_EQ(Modem->ComPort12.fGetBaud(), TBaudRate::br2400);
    EXPECT_TRUE(Modem->ComPort12.fGetActive());
}

INSTANTIATE_TEST_SUITE_P(Steps, ModemWriteFailure,
                         ::testing::Values(WriteFailure{"AirRateRefused", 1, true, "Set air data rate failed!"},
                                           WriteFailure{"SerialPortRefused", 2, true, "Set serial port failed!"},
                                           WriteFailure{"AirRateUnanswered", 1, false, ""},
                                           WriteFailure{"SerialPortUnanswered", 2, false, ""}),
                         CaseName());

TEST_F(ModemBoardTest, WriteWithAnEmptyListDoesNothing)
{
    openPorts();
    for (tk::ComboBox* empty : {&Modem->ComboBox1, &Modem->ComboBox2, &Modem->ComboBox3}) {
        selectParameters("9600", "None", "1200");
        empty->setItemIndex(-1);
        Modem->RzToolButton5.userClick();
        EXPECT_EQ(txCount(), 0) << empty->name();
    }
    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(LoadingForm->visible());
    EXPECT_EQ(Modem->Step(), TModemStep::msNone);
}

TEST_F(ModemBoardTest, ShortRepliesAreCountedButNeverRead)
{
    openPorts();
    Modem->RzToolButton4.userClick();
    request();
    std::int64_t received = 0;
    for (const Bytes& tooShort : {B({0x55, 0xAA}), B({0x55, 0xAA, 0x23}), B({0x55, 0xAA, 0x04, 0x23})}) {
        ASSERT_TRUE(answer(tooShort)) << Hex(tooShort);
        received += static_cast<std::int64_t>(tooShort.size());
        EXPECT_EQ(Modem->RzStatusPane3.caption(), "Rx:" + std::to_string(received));
        EXPECT_EQ(result(), "") << Hex(tooShort);
        expectBusy();
    }
    // Five bytes are all a parameters reply is read by.
    ASSERT_TRUE(answer(B({0x55, 0xAA, 0x04, 0x23, 0x20})));
    EXPECT_EQ(result(), "Read success!");
    EXPECT_EQ(selected(Modem->ComboBox3), "1200");
}

TEST_F(ModemBoardTest, AcknowledgementOutsideAWriteOnlyStopsTheReplyTimer)
{
    openPorts();
    Modem->RzToolButton4.userClick();
    request();
    ASSERT_TRUE(answer(BoardReply(0x20, {})));
    EXPECT_FALSE(Modem->Timer1.enabled());
    EXPECT_EQ(result(), "");
    backend().advance(5000);
    EXPECT_EQ(txCount(), 7) << "no search after the timer was stopped";
    EXPECT_EQ(Modem->Step(), TModemStep::msReadFirst);

    ASSERT_TRUE(answer(BoardReply(0x21, {})));
    EXPECT_EQ(result(), "") << "a refusal outside a write shows nothing";
}

TEST_F(ModemBoardTest, OverlayDoubleClickCancelsTheSearch)
{
    openPorts();
    Modem->RzToolButton4.userClick();
    request();
    backend().advance(1000);
    request();
    LoadingForm->userDblClick();
    EXPECT_EQ(result(), "Cancel");
    expectDone();
    backend().advance(20000);
    EXPECT_EQ(txCount(), 14);
    EXPECT_TRUE(messages().empty());
}

}  // namespace
}  // namespace varnel::test
