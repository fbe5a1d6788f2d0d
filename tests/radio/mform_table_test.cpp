// The channel table: validation, rows by name, read and write sequences.
#include "radio/mform_fixture.h"

#include <array>

#include "radio/channel_values.h"

namespace varnel::test {
namespace {

using link::TransferState;

constexpr std::uint32_t Units(double mhz) { return static_cast<std::uint32_t>(mhz * 100000 + 0.5); }

class MFormTable : public MFormTest {
protected:
    tk::Edit& Tx(int c) { return *form->TransmitBox(c); }
    tk::Edit& Rx(int c) { return *form->ReceiveBox(c); }

    // A table of 4.0 radio values: channel c at 420 + c MHz, receive 430 + c,
    // power (c - 1) % 5.
    void FillTable()
    {
        SetHardware("4.0");
        for (int c = 1; c <= 16; ++c) {
            Tx(c).setText(radio::FormatMHz(420.0 + c));
            Rx(c).setText(radio::FormatMHz(430.0 + c));
            form->SetChannelPower(c, (c - 1) % 5);
        }
        ASSERT_TRUE(Messages().empty());
    }
};

// ---- validation -------------------------------------------------------------

struct CheckCase {
    const char* hardware;
    const char* typed;
    const char* message; // null: accepted
    bool rejected;       // EntryRejected set
};

TEST_F(MFormTable, CheckValueLimitsByHardwareVersion)
{
    const CheckCase cases[] = {
        {"4.0", "435.125", nullptr, false},
        {"4.0", "500", nullptr, false},
        {"4.0", "501", "the value is too big!", true},
        {"4.0", "419", nullptr, false}, // the lower limit waits for the exit
        {"3.1", "174", nullptr, false},
        {"3.1", "174.00001", "the value is too big!", true},
        {"4.1", "200", "the value is too big!", true},
        {"4.0", "0.00004", "the value is too small!", false},
        {"4.0", "0", "the value is too small!", false},
        {"4.0", "-3", "the value is too small!", false},
        {"4.0", "4a", "\"4a\" is not a valid floating point value!", false},
        {"4.0", ".", "\".\" is not a valid floating point value!", false},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(std::string(c.hardware) + " " + c.typed);
        SetHardware(c.hardware);
        Tx(3).setText("136.00000");
        backend.clearMessages();
        form->Link.EntryRejected = 0;
        Tx(3).setText(c.typed);
        EXPECT_EQ(form->Link.EntryRejected, c.rejected ? 3 : 0);
        if (c.message == nullptr) {
            EXPECT_TRUE(Messages().empty());
            EXPECT_EQ(Tx(3).text(), c.typed);
            EXPECT_EQ(form->LastAcceptedText[6 - 6 + 4], c.typed); // Edit10
        } else {
            EXPECT_EQ(Messages(), std::vector<std::string>{c.message});
            EXPECT_EQ(Tx(3).text(), "136.00000");
            EXPECT_EQ(Tx(3).selStart(), 9);
        }
    }
}

TEST_F(MFormTable, CheckValueTrimsAndReportsOnce)
{
    SetHardware("4.0");
    Rx(1).setText("  435.1\t");
    EXPECT_EQ(Rx(1).text(), "435.1");
    EXPECT_EQ(form->LastAcceptedText[1], "435.1");
    Rx(1).setText(" 501 ");
    EXPECT_EQ(Messages(), std::vector<std::string>{"the value is too big!"});
    EXPECT_EQ(Rx(1).text(), "435.1");
}

TEST_F(MFormTable, WithoutAVersionEveryEntryIsRefused)
{
    Tx(1).setText("435.125");
    EXPECT_EQ(Messages(), std::vector<std::string>{"Please read model and version first!"});
    EXPECT_EQ(Tx(1).text(), "");
    EXPECT_EQ(form->Link.EntryRejected, 3);
    EXPECT_EQ(form->LastAcceptedText[0], "");
}

TEST_F(MFormTable, TypingALetterRestoresThePreviousText)
{
    SetHardware("4.0");
    Tx(2).setText("435");
    Tx(2).setFocus();
    Tx(2).setSelStart(3);
    Tx(2).userType("x");
    EXPECT_EQ(Messages(), std::vector<std::string>{"\"435x\" is not a valid floating point value!"});
    EXPECT_EQ(Tx(2).text(), "435");
}

struct ExitCase {
    const char* hardware;
    const char* entered;
    const char* after;
    bool tooSmall;
};

TEST_F(MFormTable, LeavingABoxSnapsToTheRasterThenChecksTheLowerLimit)
{
    const ExitCase cases[] = {
        {"4.0", "435.121", "435.12000", false},
        {"4.0", "435.119", "435.11875", false},
        {"4.0", "435.1234", "435.12500", false},
        {"4.0", "450.0123", "450.01250", false},
        {"4.0", "419.999", "420.00000", false}, // the limit is checked after rounding
        {"4.0", "419", "", true},
        {"3.1", "136", "136.00000", false},
        {"3.1", "135.99", "", true},
        {"4.1", "150", "150.00000", false},
    };
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(std::string(c.hardware) + " " + c.entered);
        SetHardware(c.hardware);
        backend.clearMessages();
        form->Link.EntryRejected = 0;
        Tx(5).setText(c.entered);
        Tx(5).setFocus();
        Rx(5).setFocus(); // leaving runs Edit7Exit
        EXPECT_EQ(Tx(5).text(), c.after);
        EXPECT_EQ(form->Link.EntryRejected, c.tooSmall ? 3 : 0);
        EXPECT_EQ(Messages(), c.tooSmall ? std::vector<std::string>{"the value is too small!"} : std::vector<std::string>{});
    }
}

TEST_F(MFormTable, LeavingAnEmptyOrUnreadableBoxDoesNothing)
{
    SetHardware("4.0");
    form->Edit7Exit(Tx(1));
    EXPECT_EQ(Tx(1).text(), "");
    EXPECT_TRUE(Messages().empty());
}

// ---- rows by name -------------------------------------------------------------

TEST_F(MFormTable, FillChannelRowDecodesTheRecordThroughTheChecks)
{
    SetHardware("4.0");
    const Bytes record = B({0x43, 0x51, 0x25, 0x00, 0x48, 0x02, 0x25, 0x00});
    form->FillChannelRow(3, std::span<const std::uint8_t, 8>(record.data(), 8));
    EXPECT_EQ(Tx(3).text(), "435.12500");
    EXPECT_EQ(Rx(3).text(), "435.12500");
    EXPECT_EQ(form->LastAcceptedText[4], "435.12500");
    EXPECT_EQ(form->LastAcceptedText[5], "435.12500");
    // Channels outside 1..16 match no box.
    form->FillChannelRow(0, std::span<const std::uint8_t, 8>(record.data(), 8));
    form->FillChannelRow(17, std::span<const std::uint8_t, 8>(record.data(), 8));
    for (int c = 1; c <= 16; ++c)
        if (c != 3) {
            EXPECT_EQ(Tx(c).text(), "") << c;
        }
}

TEST_F(MFormTable, ReceiveBelowTheOffsetIsFarTooBig)
{
    SetHardware("4.0");
    const Bytes record = B({0x43, 0x51, 0x25, 0x00, 0x00, 0x00, 0x00, 0x00});
    form->FillChannelRow(1, std::span<const std::uint8_t, 8>(record.data(), 8));
    EXPECT_EQ(Messages(), std::vector<std::string>{"the value is too big!"});
    EXPECT_EQ(Rx(1).text(), "");
    EXPECT_EQ(form->Link.EntryRejected, 3);
}

TEST_F(MFormTable, BuildChannelFrequenciesEncodesWithTheReceiveOffset)
{
    SetHardware("4.0");
    Tx(3).setText("435.12500");
    Rx(3).setText("435.12500");
    std::array<std::uint8_t, 8> out{};
    ASSERT_TRUE(form->BuildChannelFrequencies(3, out));
    EXPECT_EQ(Bytes(out.begin(), out.end()), B({0x43, 0x51, 0x25, 0x00, 0x48, 0x02, 0x25, 0x00}));
    Rx(3).setText("");
    EXPECT_FALSE(form->BuildChannelFrequencies(3, out));
    EXPECT_FALSE(form->BuildChannelFrequencies(0, out));
}

TEST_F(MFormTable, PowersBySelectionIndex)
{
    form->SetChannelPower(2, 4);
    EXPECT_EQ(form->ComboBox5.itemIndex(), 4);
    EXPECT_EQ(form->GetChannelPower(2), 4);
    for (const int outside : {-1, 5, 255}) {
        form->SetChannelPower(2, outside);
        EXPECT_EQ(form->GetChannelPower(2), -1) << outside;
    }
    EXPECT_EQ(form->GetChannelPower(17), -1);
    form->SetChannelPower(17, 1); // no box: nothing happens
}

TEST_F(MFormTable, ClearChannelTableEmptiesBoxesPowersAndRememberedTexts)
{
    FillTable();
    form->ClearChannelTable();
    for (int c = 1; c <= 16; ++c) {
        EXPECT_EQ(Tx(c).text(), "");
        EXPECT_EQ(Rx(c).text(), "");
        EXPECT_EQ(form->GetChannelPower(c), -1);
    }
    for (const std::string& remembered : form->LastAcceptedText)
        EXPECT_EQ(remembered, "");
    // A refusal now falls back to empty, not to the earlier value.
    Tx(1).setText("0");
    EXPECT_EQ(Tx(1).text(), "");
}

// ---- reading the table --------------------------------------------------------

class MFormTableRead : public MFormTable {
protected:
    void SetUp() override
    {
        MFormTable::SetUp();
        OpenPort();
        SetHardware("4.0");
    }

    void StartRead()
    {
        form->Button12.userClick();
        ASSERT_EQ(Sent(), B({0x55, 0xAA, 0x04, 0x20, 0x14, 0x01, 0x00, 0x39}));
    }

    static Bytes ReadChannelRequest(int c) { return Frame(0x20, {0x14, static_cast<std::uint8_t>(c)}); }
    static Bytes ReadPowerRequest(int c) { return Frame(0x94, {static_cast<std::uint8_t>(c)}); }
};

TEST_F(MFormTableRead, FullReadWithProgressAndOneWatchdogPeriodPerReply)
{
    form->RzStatusPane4.setCaption("Write success!");
    StartRead();
    EXPECT_FALSE(form->enabled());
    EXPECT_TRUE(form->Timer1.enabled());
    EXPECT_EQ(form->Timer1.tag(), TMForm::TagChannelTable);
    EXPECT_EQ(form->RzStatusPane4.caption(), "");
    EXPECT_TRUE(form->RzProgressBar1.visible());
    EXPECT_EQ(form->RzProgressBar1.percent(), 0);
    EXPECT_EQ(form->Link.TransferState, TransferState::ReadingTable);

    std::vector<int> progress;
    for (int c = 1; c <= 16; ++c) {
        backend.advance(1900); // each reply restarts the 2000 ms
        Reply(0x20, RecordData(c, Units(420.0 + c), Units(440.0 + c)));
        EXPECT_EQ(Sent(), c < 16 ? ReadChannelRequest(c + 1) : B({0x55, 0xAA, 0x03, 0x94, 0x01, 0x00, 0x98}));
        progress.push_back(form->RzProgressBar1.percent());
        EXPECT_EQ(form->Link.TransferState, TransferState::ReadingTable);
    }
    for (int c = 1; c <= 16; ++c) {
        backend.advance(1900);
        Reply(0x94, {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>((c - 1) % 5 + 1)});
        if (c < 16) {
            EXPECT_EQ(Sent(), ReadPowerRequest(c + 1));
            progress.push_back(form->RzProgressBar1.percent());
        }
    }
    EXPECT_EQ(progress, (std::vector<int>{6,  9,  12, 15, 18, 21, 25, 28, 31, 34, 37, 40, 43, 46, 50, 50,
                                          56, 59, 62, 65, 68, 71, 75, 78, 81, 84, 87, 90, 93, 96, 100}));
    EXPECT_EQ(form->RzStatusPane4.caption(), "Read success!");
    EXPECT_TRUE(form->enabled());
    EXPECT_FALSE(form->Timer1.enabled());
    EXPECT_FALSE(form->RzProgressBar1.visible());
    EXPECT_EQ(form->Link.TransferState, TransferState::Idle);
    EXPECT_TRUE(Messages().empty());
    for (int c = 1; c <= 16; ++c) {
        EXPECT_EQ(Tx(c).text(), radio::FormatMHz(420.0 + c));
        EXPECT_EQ(Rx(c).text(), radio::FormatMHz(440.0 + c));
        EXPECT_EQ(form->GetChannelPower(c), (c - 1) % 5);
    }
    EXPECT_EQ(TxCount(), 16 * 8 + 16 * 7);
}

TEST_F(MFormTableRead, TheReadEmptiesTheTableFirst)
{
    FillTable();
    StartRead();
    for (int c = 1; c <= 16; ++c) {
        EXPECT_EQ(Tx(c).text(), "");
        EXPECT_EQ(form->GetChannelPower(c), -1);
    }
}

TEST_F(MFormTableRead, TooBigRecordFailsTheReadAfterThatRow)
{
    StartRead();
    Reply(0x20, RecordData(1, Units(435.0), Units(435.0)));
    ASSERT_EQ(Sent(), ReadChannelRequest(2));
    const std::int64_t before = TxCount();
    Reply(0x20, RecordData(2, Units(501.0), Units(435.0)));
    EXPECT_EQ(Messages(), std::vector<std::string>{"the value is too big!"});
    EXPECT_EQ(form->RzStatusPane4.caption(), "Read failed!");
    EXPECT_FALSE(form->RzProgressBar1.visible());
    EXPECT_TRUE(form->enabled());
    EXPECT_FALSE(form->Timer1.enabled());
    EXPECT_EQ(form->Link.EntryRejected, 0);
    EXPECT_EQ(form->Link.TransferState, TransferState::Idle);
    EXPECT_EQ(TxCount(), before);
    // The failing row holds what passed; the rows after it stay empty.
    EXPECT_EQ(Tx(1).text(), "435.00000");
    EXPECT_EQ(Tx(2).text(), "");
    EXPECT_EQ(Rx(2).text(), "435.00000");
    EXPECT_EQ(Tx(3).text(), "");
}

TEST_F(MFormTableRead, WithoutAVersionTheReadFailsAfterChannelOne)
{
    SetHardware("");
    StartRead();
    Reply(0x20, RecordData(1, Units(435.0), Units(435.0)));
    EXPECT_EQ(Messages(), std::vector<std::string>(2, "Please read model and version first!"));
    EXPECT_EQ(form->RzStatusPane4.caption(), "Read failed!");
    EXPECT_EQ(TxCount(), 8);
}

TEST_F(MFormTableRead, TooSmallRecordShowsItsMessageAndTheReadGoesOn)
{
    StartRead();
    Reply(0x20, RecordData(1, 0, Units(435.0)));
    EXPECT_EQ(Messages(), std::vector<std::string>{"the value is too small!"});
    EXPECT_EQ(Sent(), ReadChannelRequest(2));
    // Emptied with the table, so nothing stale comes back.
    EXPECT_EQ(Tx(1).text(), "");
    EXPECT_EQ(Rx(1).text(), "435.00000");
    EXPECT_EQ(form->Link.TransferState, TransferState::ReadingTable);
}

TEST_F(MFormTableRead, AnEarlierRefusalDoesNotFailTheNextRead)
{
    Tx(1).setText("600");
    ASSERT_EQ(form->Link.EntryRejected, 3);
    StartRead();
    Reply(0x20, RecordData(1, Units(435.0), Units(435.0)));
    EXPECT_EQ(Sent(), ReadChannelRequest(2));
}

TEST_F(MFormTableRead, PowerIndexZeroLeavesNoSelection)
{
    StartRead();
    form->Link.TransferState = TransferState::ReadingTable;
    form->SetChannelPower(4, 2);
    Reply(0x94, {0x04, 0x00});
    EXPECT_EQ(form->GetChannelPower(4), -1);
    EXPECT_EQ(Sent(), ReadPowerRequest(5));
}

TEST_F(MFormTableRead, TheNextChannelComesFromTheReply)
{
    StartRead();
    Reply(0x20, RecordData(7, Units(435.0), Units(435.0)));
    EXPECT_EQ(Sent(), ReadChannelRequest(8));
    EXPECT_EQ(Tx(7).text(), "435.00000");
}

TEST_F(MFormTableRead, ARecordCodeOtherThan0x24EndsTheReadSilentlyUntilTheTimeOut)
{
    StartRead();
    Reply(0x20, {0x03});
    EXPECT_EQ(form->Link.TransferState, TransferState::Idle);
    EXPECT_FALSE(form->enabled());
    EXPECT_TRUE(Messages().empty());
    backend.advance(2000);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Read/Write Timeout!"});
    EXPECT_TRUE(form->enabled());
}

TEST_F(MFormTableRead, TimeOutUnlocksAndALateReplyDoesNotCarryTheSequenceOn)
{
    StartRead();
    Reply(0x20, RecordData(1, Units(435.0), Units(435.0)));
    ASSERT_EQ(Sent(), ReadChannelRequest(2));
    backend.advance(2000);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Read/Write Timeout!"});
    EXPECT_TRUE(form->enabled());
    EXPECT_FALSE(form->Timer1.enabled());
    // The bar stays at the last percentage until the next transfer starts.
    EXPECT_TRUE(form->RzProgressBar1.visible());
    EXPECT_EQ(form->RzProgressBar1.percent(), 6);
    EXPECT_EQ(form->RzStatusPane4.caption(), "");
    EXPECT_EQ(form->Link.TransferState, TransferState::Idle);

    const std::int64_t before = TxCount();
    Reply(0x20, RecordData(2, Units(436.0), Units(436.0)));
    EXPECT_EQ(TxCount(), before);
    EXPECT_FALSE(form->Timer1.enabled());
    EXPECT_EQ(Tx(2).text(), "");
    // A late record is no acknowledgement of a write either.
    EXPECT_EQ(form->RzStatusPane4.caption(), "");
    EXPECT_EQ(Messages().size(), 1U);
}

TEST_F(MFormTableRead, TimeOutWhileARefusalMessageIsUpStopsTheSequence)
{
    StartRead();
    // The user leaves the message up past the watchdog.
    bool advanced = false;
    backend.onMessage = [&](const tk::HeadlessBackend::MessageRecord& m) {
        if (!advanced && m.text == "the value is too small!") {
            advanced = true;
            backend.advance(2000);
        }
    };
    Reply(0x20, RecordData(1, 0, Units(435.0)));
    backend.onMessage = nullptr;
    EXPECT_EQ(Messages(), (std::vector<std::string>{"the value is too small!", "Read/Write Timeout!"}));
    EXPECT_EQ(TxCount(), 8);
    EXPECT_FALSE(form->Timer1.enabled());
    EXPECT_TRUE(form->enabled());
    EXPECT_EQ(form->Link.TransferState, TransferState::Idle);
}

TEST_F(MFormTableRead, CancelStopsTheWatchdogAndAbandonsTheSequence)
{
    StartRead();
    Reply(0x20, RecordData(1, Units(435.0), Units(435.0)));
    ASSERT_EQ(Sent(), ReadChannelRequest(2));
    EXPECT_TRUE(form->CancelTransfer());
    EXPECT_EQ(form->RzStatusPane4.caption(), "Cancel");
    EXPECT_FALSE(form->RzProgressBar1.visible());
    EXPECT_TRUE(form->enabled());
    EXPECT_FALSE(form->Timer1.enabled());
    EXPECT_EQ(form->Link.TransferState, TransferState::Idle);
    backend.advance(5000);
    EXPECT_TRUE(Messages().empty());

    const std::int64_t before = TxCount();
    Reply(0x20, RecordData(2, Units(436.0), Units(436.0)));
    EXPECT_EQ(TxCount(), before);

    // Nothing to cancel any more.
    form->RzStatusPane4.setCaption("x");
    EXPECT_FALSE(form->CancelTransfer());
    EXPECT_EQ(form->RzStatusPane4.caption(), "x");
}

TEST_F(MFormTableRead, ANewReadAfterATimeOutStartsFromChannelOne)
{
    StartRead();
    backend.advance(2000);
    backend.clearMessages();
    StartRead();
    EXPECT_EQ(form->RzProgressBar1.percent(), 0);
    Reply(0x20, RecordData(1, Units(435.0), Units(435.0)));
    EXPECT_EQ(Sent(), ReadChannelRequest(2));
}

// ---- writing the table --------------------------------------------------------

class MFormTableWrite : public MFormTable {
protected:
    void SetUp() override
    {
        MFormTable::SetUp();
        OpenPort();
        FillTable();
    }

    static Bytes WriteRecordRequest(int c, double tx, double rx)
    {
        Bytes data{0x03, static_cast<std::uint8_t>(c)};
        const auto t = link::UnitsToBcd(Units(tx)).value();
        const auto r = link::UnitsToBcd(Units(rx) + link::RxFrequencyOffset).value();
        data.insert(data.end(), t.begin(), t.end());
        data.insert(data.end(), r.begin(), r.end());
        return Frame(0x20, data);
    }
    static Bytes WritePowerRequest(int c, int p)
    {
        return Frame(0x95, {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(p)});
    }
};

TEST_F(MFormTableWrite, ChannelThreeRecordBytes)
{
    Tx(3).setText("435.12500");
    Rx(3).setText("435.12500");
    form->Button13.userClick();
    ASSERT_EQ(Sent(), WriteRecordRequest(1, 421.0, 431.0));
    Reply(0x20, {0x00});
    ASSERT_EQ(Sent(), WriteRecordRequest(2, 422.0, 432.0));
    Reply(0x20, {0x00});
    EXPECT_EQ(Sent(), B({0x55, 0xAA, 0x0C, 0x20, 0x03, 0x03, 0x43, 0x51, 0x25, 0x00, 0x48, 0x02, 0x25, 0x00, 0x01, 0x5A}));
}

TEST_F(MFormTableWrite, FullWriteWithProgress)
{
    form->Button13.userClick();
    EXPECT_EQ(Sent(), WriteRecordRequest(1, 421.0, 431.0));
    EXPECT_FALSE(form->enabled());
    EXPECT_EQ(form->Timer1.tag(), TMForm::TagChannelTable);
    EXPECT_TRUE(form->RzProgressBar1.visible());
    EXPECT_EQ(form->RzProgressBar1.percent(), 0);
    EXPECT_EQ(form->Link.TransferState, TransferState::WritingChannels);
    EXPECT_EQ(form->Link.WriteChannelIndex, 1);

    std::vector<int> progress;
    for (int c = 1; c <= 16; ++c) {
        backend.advance(1900);
        Reply(0x20, {0x00});
        EXPECT_EQ(Sent(), c < 16 ? WriteRecordRequest(c + 1, 421.0 + c, 431.0 + c) : WritePowerRequest(1, 1));
        progress.push_back(form->RzProgressBar1.percent());
    }
    EXPECT_EQ(form->Link.TransferState, TransferState::WritingPowers);
    for (int c = 1; c <= 16; ++c) {
        backend.advance(1900);
        Reply(0x20, {0x00});
        if (c < 16) {
            EXPECT_EQ(Sent(), WritePowerRequest(c + 1, c % 5 + 1));
            progress.push_back(form->RzProgressBar1.percent());
        }
    }
    EXPECT_EQ(progress, (std::vector<int>{6,  9,  12, 15, 18, 21, 25, 28, 31, 34, 37, 40, 43, 46, 50, 50,
                                          56, 59, 62, 65, 68, 71, 75, 78, 81, 84, 87, 90, 93, 96, 100}));
    EXPECT_EQ(form->RzStatusPane4.caption(), "Write success!");
    EXPECT_TRUE(form->enabled());
    EXPECT_FALSE(form->Timer1.enabled());
    EXPECT_FALSE(form->RzProgressBar1.visible());
    EXPECT_EQ(form->Link.TransferState, TransferState::Idle);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(TxCount(), 16 * 16 + 16 * 8);
}

TEST_F(MFormTableWrite, EmptyReceiveBoxOfChannelNineStopsAfterChannelEight)
{
    Rx(9).setText("");
    form->Button13.userClick();
    Sent();
    for (int c = 1; c <= 7; ++c) {
        Reply(0x20, {0x00});
        ASSERT_EQ(Sent(), WriteRecordRequest(c + 1, 421.0 + c, 431.0 + c));
    }
    const std::int64_t before = TxCount();
    Reply(0x20, {0x00});
    EXPECT_EQ(TxCount(), before);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Find an empty input box!"});
    EXPECT_TRUE(form->enabled());
    EXPECT_FALSE(form->Timer1.enabled());
    EXPECT_TRUE(form->RzProgressBar1.visible());
    EXPECT_EQ(form->RzProgressBar1.percent(), 25);
    EXPECT_EQ(form->Link.TransferState, TransferState::Idle);
    backend.advance(5000);
    EXPECT_EQ(Messages().size(), 1U);
}

TEST_F(MFormTableWrite, EmptyFirstBoxSendsNothing)
{
    Tx(1).setText("");
    form->Button13.userClick();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Find an empty input box!"});
    EXPECT_EQ(TxCount(), 0);
    EXPECT_TRUE(form->enabled());
    EXPECT_FALSE(form->Timer1.enabled());
    EXPECT_EQ(form->Link.TransferState, TransferState::Idle);
}

TEST_F(MFormTableWrite, MissingPowersEndTheWrite)
{
    struct Case {
        int channel; // without a power
        int written; // powers sent before the stop
    };
    for (const Case& c : {Case{1, 0}, Case{6, 5}, Case{16, 15}}) {
        SCOPED_TRACE(c.channel);
        backend.clearMessages();
        FillTable();
        form->SetChannelPower(c.channel, -1);
        form->Button13.userClick();
        Sent();
        for (int r = 1; r <= 15; ++r) {
            Reply(0x20, {0x00});
            Sent();
        }
        const std::int64_t before = TxCount();
        for (int p = 0; p <= c.written; ++p) {
            Reply(0x20, {0x00});
            if (p < c.written) {
                ASSERT_EQ(Sent(), WritePowerRequest(p + 1, p % 5 + 1));
            }
        }
        EXPECT_EQ(TxCount(), before + 8 * c.written);
        EXPECT_EQ(Messages(), std::vector<std::string>{"Find an empty input box!"});
        EXPECT_TRUE(form->enabled());
        EXPECT_FALSE(form->Timer1.enabled());
        EXPECT_EQ(form->Link.TransferState, TransferState::Idle);
    }
}

TEST_F(MFormTableWrite, ARefusalIsIgnoredAndTheWatchdogEndsTheWrite)
{
    form->Button13.userClick();
    Sent();
    Reply(0x21, {0x00});
    EXPECT_EQ(form->Link.TransferState, TransferState::WritingChannels);
    EXPECT_TRUE(Messages().empty());
    backend.advance(2000);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Read/Write Timeout!"});
    EXPECT_EQ(form->Link.TransferState, TransferState::Idle);
}

TEST_F(MFormTableWrite, PowerRepliesDuringTheChannelWriteAreIgnored)
{
    form->Button13.userClick();
    Sent();
    const std::int64_t before = TxCount();
    Reply(0x94, {0x01, 0x03});
    EXPECT_EQ(TxCount(), before);
    EXPECT_EQ(form->GetChannelPower(1), 0);
    EXPECT_EQ(form->Link.TransferState, TransferState::WritingChannels);
}

} // namespace
} // namespace varnel::test
