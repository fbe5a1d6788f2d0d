// The data transmission test with the test playing the radio path on the
// board line (echoes, losses, split echoes) and the second radio on the
// receive port, and the board transmit test behind the access gate.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/instances.h"
#include "app/language_texts.h"
#include "modem/modem.h"
#include "modem/modem_fixture.h"
#include "radio/mform.h"
#include "serial/comm32.h"

namespace varnel::test {
namespace {

constexpr const char* DefaultText = "Test string.";

class DataTest : public ModemWindowTest {
protected:
    void SetUp() override
    {
        ModemWindowTest::SetUp();
        openPorts();
    }

    void pressSendOrStop() { Modem->Button1.userClick(); }

    // The next test frame on the board line.
    Bytes frame()
    {
        auto sent = board->readTestFrame();
        EXPECT_TRUE(sent.has_value()) << "no test frame on the board line";
        return sent.value_or(Bytes{});
    }

    // An echo as one package, and the wait until the window has taken it.
    void echo(const Bytes& bytes)
    {
        const std::int64_t before = Modem->RxByteCount.value();
        board->write(bytes);
        ASSERT_TRUE(waitFor(
            [&] { return Modem->RxByteCount.value() >= before + static_cast<std::int64_t>(bytes.size()); }));
    }

    std::string box(const tk::Edit& edit) const { return edit.text(); }
};

TEST_F(DataTest, StartSendsTheTextAndStartsTheCountsAfresh)
{
    for (tk::Edit* count : {&Modem->Edit2, &Modem->Edit10, &Modem->Edit4, &Modem->Edit11, &Modem->Edit12,
                            &Modem->Edit7})
        count->setText("42");
    Modem->Edit5.setText("12.00");
    Modem->Memo1.addLine("old");
    Modem->Memo2.addLine("~old");

    pressSendOrStop();
    EXPECT_EQ(Hex(frame()), Hex(TestFrame(DefaultText)));
    EXPECT_EQ(box(Modem->Edit10), "14");
    EXPECT_EQ(box(Modem->Edit2), "1");
    for (tk::Edit* zero : {&Modem->Edit4, &Modem->Edit11, &Modem->Edit12, &Modem->Edit7})
        EXPECT_EQ(box(*zero), "0") << zero->name();
    EXPECT_EQ(box(Modem->Edit5), "");
    EXPECT_TRUE(Modem->Memo1.lines().empty());
    EXPECT_TRUE(Modem->Memo2.lines().empty());
    EXPECT_EQ(Modem->Button1.caption(), "Stop");
    EXPECT_TRUE(Modem->TestRunning());
    EXPECT_TRUE(Modem->Timer2.enabled());
    EXPECT_EQ(Modem->Timer2.interval(), 2000);
    EXPECT_EQ(Modem->RzStatusPane2.caption(), "Tx:14");
}

// What the radio path does with each frame of a run.
enum class Path { Echo, Lose, EchoOther };

struct RateCase {
    const char* name;
    std::vector<Path> frames;  // Stop is pressed before the last frame's fate
    const char* rate;
    int matching;
    int received;
};

class DataTestRate : public DataTest, public ::testing::WithParamInterface<RateCase> {};

TEST_P(DataTestRate, CountsMatchingEchoesAgainstFramesSent)
{
    const RateCase& c = GetParam();
    pressSendOrStop();
    std::int64_t echoedBytes = 0;
    for (std::size_t i = 0; i < c.frames.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i + 1));
        const Bytes sent = frame();
        EXPECT_EQ(box(Modem->Edit2), std::to_string(i + 1));
        if (i + 1 == c.frames.size())
            pressSendOrStop();
        switch (c.frames[i]) {
        case Path::Echo:
            echo(sent);
            echoedBytes += static_cast<std::int64_t>(sent.size());
            break;
        case Path::EchoOther: {
            const Bytes other = TestFrame("Test strinG.");
            echo(other);
            echoedBytes += static_cast<std::int64_t>(other.size());
            break;
        }
        case Path::Lose:
            backend().advance(2000);
            break;
        }
    }
    EXPECT_EQ(box(Modem->Edit5), c.rate);
    EXPECT_EQ(box(Modem->Edit2), std::to_string(c.frames.size()));
    EXPECT_EQ(box(Modem->Edit10), std::to_string(14 * c.frames.size()));
    EXPECT_EQ(box(Modem->Edit4), std::to_string(c.matching));
    EXPECT_EQ(box(Modem->Edit11), std::to_string(c.received));
    EXPECT_EQ(box(Modem->Edit12), std::to_string(echoedBytes));
    EXPECT_EQ(Modem->Memo1.lines().size(), static_cast<std::size_t>(c.received));

    // The echo after Stop was the last thing the test did.
    if (c.frames.back() != Path::Lose) {
        EXPECT_FALSE(Modem->TestRunning());
    }
    const std::int64_t sentBytes = txCount();
    backend().advance(10000);
    EXPECT_EQ(txCount(), sentBytes);
    EXPECT_EQ(Modem->Button1.caption(), "Send");
}

INSTANTIATE_TEST_SUITE_P(
    Runs, DataTestRate,
    ::testing::Values(
        RateCase{"SevenOfTen",
                 {Path::Echo, Path::Lose, Path::Echo, Path::Echo, Path::Lose, Path::Echo, Path::Echo, Path::Lose,
                  Path::Echo, Path::Echo},
                 "70.00", 7, 7},
        RateCase{"OneOfThree", {Path::Lose, Path::Lose, Path::Echo}, "33.33", 1, 1},
        RateCase{"OtherTextCountsAsReceivedOnly", {Path::Echo, Path::EchoOther, Path::Lose, Path::Echo}, "50.00", 2,
                 3}),
    CaseName());

TEST_F(DataTest, LateEchoAfterStopIsCountedAndNothingFollows)
{
    pressSendOrStop();
    const Bytes sent = frame();
    pressSendOrStop();
    EXPECT_EQ(Modem->Button1.caption(), "Send");
    EXPECT_FALSE(Modem->Timer2.enabled());
    backend().advance(10000);
    EXPECT_EQ(txCount(), 14) << "no re-send after Stop";

    echo(sent);
    EXPECT_EQ(box(Modem->Edit4), "1");
    EXPECT_EQ(box(Modem->Edit5), "100.00");
    EXPECT_FALSE(Modem->TestRunning());
    EXPECT_EQ(txCount(), 14);

    echo(sent);
    EXPECT_EQ(box(Modem->Edit11), "1") << "the test is over";
}

struct SplitCase {
    const char* name;
    std::string text;
    std::size_t splitAt;
    int receptions;
};

class DataTestSplitEcho : public DataTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(DataTestSplitEcho, EachPackageIsOneReceptionAndMatchesNothing)
{
    const SplitCase& c = GetParam();
    Modem->Edit9.setText(c.text);
    pressSendOrStop();
    const Bytes sent = frame();
    ASSERT_EQ(sent, TestFrame(c.text));

    // The second part comes only after the first was taken as a package.
    echo(Bytes(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(c.splitAt)));
    echo(Bytes(sent.begin() + static_cast<std::ptrdiff_t>(c.splitAt), sent.end()));

    EXPECT_EQ(box(Modem->Edit11), std::to_string(c.receptions));
    EXPECT_EQ(box(Modem->Edit4), "0");
    EXPECT_EQ(box(Modem->Edit2), std::to_string(1 + c.receptions)) << "every reception sends the next frame";
    EXPECT_EQ(box(Modem->Edit5), "0.00");
}

INSTANTIATE_TEST_SUITE_P(Echoes, DataTestSplitEcho,
                         ::testing::Values(
                             // 7E 06 'a' 'b' | 7E 'c' 'd': both parts look like test frames.
                             SplitCase{"BothPartsFramed", "ab~cd", 4, 2},
                             // The tail does not start with 7E and is not a test frame.
                             SplitCase{"TailUnframed", DefaultText, 5, 1}),
                         CaseName());

TEST_F(DataTest, ZeroTimeoutNeverResends)
{
    Modem->Edit8.setText("0");
    pressSendOrStop();
    frame();
    backend().advance(60000);
    EXPECT_EQ(txCount(), 14);
    EXPECT_EQ(box(Modem->Edit2), "1");
    EXPECT_TRUE(Modem->TestRunning());

    pressSendOrStop();
    pressSendOrStop();
    EXPECT_EQ(Hex(frame()), Hex(TestFrame(DefaultText))) << "a new start sends again";
}

TEST_F(DataTest, TimeoutThatIsNoIntegerIsRefusedBeforeAnythingGoesOut)
{
    for (const char* timeout : {"2s", "", "1.5", "99999999999"}) {
        backend().clearMessages();
        Modem->Edit2.setText("5");
        Modem->Edit4.setText("3");
        Modem->Edit5.setText("60.00");
        Modem->Edit8.setText(timeout);
        pressSendOrStop();
        EXPECT_EQ(messages(), std::vector<std::string>{"\"" + std::string(timeout) + "\" is not a valid integer value!"})
            << timeout;
        EXPECT_EQ(txCount(), 0);
        EXPECT_EQ(box(Modem->Edit2), "5");
        EXPECT_EQ(box(Modem->Edit4), "3");
        EXPECT_EQ(box(Modem->Edit5), "60.00");
        EXPECT_EQ(Modem->Button1.caption(), "Send");
        EXPECT_FALSE(Modem->TestRunning());
    }
}

TEST_F(DataTest, TextLimitIs254Characters)
{
    Modem->Edit9.setText(std::string(255, 'x'));
    pressSendOrStop();
    EXPECT_EQ(messages(), std::vector<std::string>{"too long string!"});
    EXPECT_EQ(txCount(), 0);
    EXPECT_FALSE(Modem->TestRunning());

    Modem->Edit9.setText(std::string(254, 'x'));
    pressSendOrStop();
    const Bytes sent = frame();
    ASSERT_EQ(sent.size(), 256u);
    EXPECT_EQ(sent[1], 0xFF);
    EXPECT_EQ(box(Modem->Edit10), "256");
}

TEST_F(DataTest, EmptyTextSendsTwoByteFramesThatNoSideEchoes)
{
    Modem->Edit9.setText("");
    pressSendOrStop();
    const Bytes sent = frame();
    EXPECT_EQ(Hex(sent), "7E 01");
    echo(sent);
    EXPECT_EQ(box(Modem->Edit11), "0") << "shorter than 3 bytes";

    backend().advance(2000);
    EXPECT_EQ(Hex(frame()), "7E 01");
    EXPECT_EQ(box(Modem->Edit2), "2");
    EXPECT_EQ(box(Modem->Edit5), "0.00");
}

struct GrownTextCase {
    const char* name;
    bool byEcho;  // else by the time-out
};

class DataTestGrownText : public DataTest, public ::testing::WithParamInterface<GrownTextCase> {};

TEST_P(DataTestGrownText, EndsTheTestInsteadOfSendingAnOversizedFrame)
{
    Modem->Edit9.setText(std::string(254, 'x'));
    pressSendOrStop();
    const Bytes sent = frame();
    Modem->Edit9.setText(std::string(300, 'x'));

    if (GetParam().byEcho)
        echo(sent);
    else
        backend().advance(2000);

    EXPECT_EQ(messages(), std::vector<std::string>{"too long string!"});
    EXPECT_EQ(txCount(), 256) << "no second frame";
    EXPECT_EQ(box(Modem->Edit2), "1");
    EXPECT_FALSE(Modem->TestRunning());
    EXPECT_FALSE(Modem->Timer2.enabled());
    EXPECT_EQ(Modem->Button1.caption(), "Send");
    backend().advance(10000);
    EXPECT_EQ(txCount(), 256);
}

INSTANTIATE_TEST_SUITE_P(Paths, DataTestGrownText,
                         ::testing::Values(GrownTextCase{"AtTheEcho", true}, GrownTextCase{"AtTheTimeout", false}),
                         CaseName());

TEST_F(DataTest, ReceiveSideWritesEveryTestFrameStraightBack)
{
    openPorts(true);
    // Counts the packages the window was told of, so each one below is
    // known to have been taken on its own.
    auto delivered = std::make_shared<std::atomic<int>>(0);
    auto handler = Modem->ComPort13.OnPackage.Get();
    Modem->ComPort13.OnPackage = [handler, delivered](TObject* sender, TCommNotifyType type) {
        handler(sender, type);
        if ((type & HalvikComm32::EV_RXCHAR) != 0)
            ++*delivered;
    };
    const auto sendPackage = [&](const Bytes& bytes) {
        const int before = delivered->load();
        secondRadio->write(bytes);
        ASSERT_TRUE(waitFor([&] { return delivered->load() > before; })) << Hex(bytes);
    };

    sendPackage(B({0x7E, 0x01}));
    sendPackage(B({0x55, 0xAA, 0x03, 0x23, 0x00, 0x00, 0x26}));
    EXPECT_EQ(box(Modem->Edit7), "");
    const Bytes frameIn = TestFrame("hello");
    sendPackage(frameIn);
    EXPECT_EQ(box(Modem->Edit7), "1");

    // The first bytes back are the frame: nothing was echoed before it.
    const auto back = secondRadio->readBytes(frameIn.size());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(Hex(*back), Hex(frameIn));
    EXPECT_EQ(Modem->Memo2.lines(), std::vector<std::string>{"~hello"});
    EXPECT_EQ(Modem->RzStatusPane2.caption(), "Tx:0") << "the receive port is not counted";
    EXPECT_EQ(Modem->RzStatusPane3.caption(), "Rx:0");
    EXPECT_FALSE(Modem->TestRunning());
}

TEST_F(DataTest, MemosStartOverPastAHundredLines)
{
    openPorts(true);
    pressSendOrStop();
    const Bytes sent = frame();
    Modem->Memo1.setLines(std::vector<std::string>(100, "earlier"));
    echo(sent);
    EXPECT_TRUE(Modem->Memo1.lines().empty()) << "101 lines are too many";

    Modem->Memo2.setLines(std::vector<std::string>(99, "~earlier"));
    secondRadio->write(TestFrame("one"));
    ASSERT_TRUE(waitFor([] { return Modem->Memo2.lines().size() == 100; }));
    EXPECT_EQ(Modem->Memo2.lines().back(), "~one") << "100 lines are kept";
    ASSERT_TRUE(secondRadio->readTestFrame().has_value());
    secondRadio->write(TestFrame("two"));
    ASSERT_TRUE(waitFor([] { return Modem->Edit7.text() == "2"; }));
    EXPECT_TRUE(Modem->Memo2.lines().empty());
}

TEST_F(DataTest, ChineseCaptionsFollowTheTestState)
{
    MForm->N1Click(MForm->N1);
    EXPECT_EQ(Modem->Button1.caption(), "发送");
    EXPECT_EQ(Modem->Label5.caption(), "发送,COM2");
    EXPECT_EQ(Modem->Label6.caption(), "接收,COM3");
    pressSendOrStop();
    frame();
    EXPECT_EQ(Modem->Button1.caption(), "停止");

    MForm->English1Click(MForm->English1);
    EXPECT_EQ(Modem->Button1.caption(), "Stop") << "a running test stays stoppable";
    pressSendOrStop();
    EXPECT_EQ(Modem->Button1.caption(), "Send");
    EXPECT_FALSE(Modem->Timer2.enabled());
}

// ---- board transmit test ---------------------------------------------------------

class BoardTransmitTest : public DataTest {};

TEST_F(BoardTransmitTest, AccessGateRevealsIt)
{
    EXPECT_FALSE(Modem->GroupBox4.visible());
    Modem->hide();
    MForm->show();
    backend().answerInput(std::string("mq47hx"));
    MForm->RzStatusPane2.userDblClick();
    MForm->RzStatusPane3.userDblClick();
    EXPECT_TRUE(Modem->GroupBox4.visible());
}

TEST_F(BoardTransmitTest, ArmsRunsAndStopsWithRegisterWrites)
{
    Modem->RevealTransmitTest();
    Modem->Button2.userClick();
    EXPECT_EQ(Hex(request()), "55 AA 04 20 08 00 00 2C");
    EXPECT_EQ(Modem->Step(), TModemStep::msTestArm);
    EXPECT_FALSE(Modem->Timer1.enabled()) << "no reply timer";

    ASSERT_TRUE(answer(BoardReply(0x20, {0x08})));
    EXPECT_EQ(Hex(request()), "55 AA 04 20 08 01 00 2D");
    EXPECT_EQ(Modem->Step(), TModemStep::msTestRun);
    ASSERT_TRUE(answer(BoardReply(0x20, {0x08})));
    EXPECT_EQ(result(), "Transmit test...");

    Modem->Button3.userClick();
    EXPECT_EQ(Hex(request()), "55 AA 03 20 09 00 2C");
    EXPECT_EQ(Modem->Step(), TModemStep::msTestStop);
    EXPECT_EQ(result(), "");
    ASSERT_TRUE(answer(BoardReply(0x20, {0x09})));
    EXPECT_EQ(result(), "");
    EXPECT_EQ(txCount(), 8 + 8 + 7);
    EXPECT_TRUE(Modem->enabled());
}

TEST_F(BoardTransmitTest, RefusalOrSilenceShowsNothing)
{
    Modem->RevealTransmitTest();
    Modem->Button2.userClick();
    request();
    ASSERT_TRUE(answer(BoardReply(0x21, {})));
    EXPECT_EQ(Modem->Step(), TModemStep::msTestArm);
    backend().advance(10000);
    EXPECT_EQ(txCount(), 8);
    EXPECT_EQ(result(), "");
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(Modem->enabled());
}

}  // namespace
}  // namespace varnel::test
