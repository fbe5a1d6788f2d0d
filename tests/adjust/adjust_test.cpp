// The adjustment window: the access gate, the value boxes' checks, every
// request over a real line and every reply through the main window's
// dispatcher.
#include "support/window_fixture.h"

#include "modem/modem.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace varnel::test {
namespace {

using link::TransferState;

// ---- access gate ---------------------------------------------------------------------

// Steps: "Tx" and "Rx" double-click a pane; "Rx=<text>" double-clicks "Rx:"
// with <text> ready for the input box, "Rx!" with the box to be cancelled.
struct GateCase {
    const char* name;
    std::vector<std::string> steps;
    std::size_t inputBoxes;
    bool shown;
};

std::vector<GateCase> GateCases()
{
    return {
        {"Rx alone never asks", {"Rx", "Rx=mq47hx"}, 0, false},
        {"Tx, Rx and the code", {"Tx", "Rx=mq47hx"}, 1, true},
        {"the code in capitals", {"Tx", "Rx=MQ47HX"}, 1, false},
        {"one try per arming", {"Tx", "Rx=wrong", "Rx=mq47hx"}, 1, false},
        {"armed again after a wrong try", {"Tx", "Rx=wrong", "Tx", "Rx=mq47hx"}, 2, true},
        {"cancelled", {"Tx", "Rx!", "Rx=mq47hx"}, 1, false},
        {"blanks around the code", {"Tx", "Rx= mq47hx", "Tx", "Rx=mq47hx "}, 2, false},
        {"a longer text", {"Tx", "Rx=mq47hx1"}, 1, false},
        {"an empty text", {"Tx", "Rx="}, 1, false},
        {"Tx twice arms once", {"Tx", "Tx", "Rx=no", "Rx=mq47hx"}, 1, false},
        {"Rx before Tx does not count", {"Rx", "Tx", "Rx=mq47hx"}, 1, true},
    };
}

using AccessGate = WindowTest;

TEST_F(AccessGate, OpensTheWindowOnlyForTheCodeAfterTxThenRx)
{
    for (const GateCase& c : GateCases()) {
        SCOPED_TRACE(c.name);
        adjust->hide();
        // A new main window: the armed flag lives in it.
        MForm = nullptr;
        form.reset();
        form = std::make_unique<TMForm>();
        MForm = form.get();
        form->show();
        const std::size_t before = backend.inputRequests().size();
        std::size_t queued = 0;
        for (const std::string& step : c.steps) {
            if (step == "Tx") {
                form->RzStatusPane2.userDblClick();
                continue;
            }
            if (step.starts_with("Rx=")) {
                backend.answerInput(step.substr(3));
                ++queued;
            } else if (step == "Rx!") {
                backend.answerInput(std::nullopt);
                ++queued;
            }
            form->RzStatusPane3.userDblClick();
        }
        const std::size_t asked = backend.inputRequests().size() - before;
        EXPECT_EQ(asked, c.inputBoxes);
        EXPECT_EQ(adjust->visible(), c.shown);
        EXPECT_TRUE(Messages().empty());
        // Answers for boxes that never opened must not reach the next case.
        for (std::size_t left = queued - std::min(queued, asked); left > 0; --left)
            (void)backend.inputBox("", "", "");
    }
}

TEST_F(AccessGate, AsksWithItsCaptionAndPrompt)
{
    form->RzStatusPane2.userDblClick();
    backend.answerInput("mq47hx");
    form->RzStatusPane3.userDblClick();
    ASSERT_EQ(backend.inputRequests().size(), 1U);
    EXPECT_EQ(backend.inputRequests()[0].caption, "Password");
    EXPECT_EQ(backend.inputRequests()[0].prompt, "Please input the password:");
    EXPECT_EQ(backend.inputRequests()[0].defaultText, "");
    EXPECT_TRUE(adjust->visible());
    EXPECT_EQ(adjust->caption(), "Parameter adjustment");

    // Closing hides it; the gate can show it again.
    adjust->close();
    EXPECT_FALSE(adjust->visible());
    form->RzStatusPane2.userDblClick();
    backend.answerInput("mq47hx");
    form->RzStatusPane3.userDblClick();
    EXPECT_TRUE(adjust->visible());
}

TEST_F(AccessGate, TheCodeAlsoRevealsTheModemWindowsTransmitTest)
{
    TModem modem;
    Modem = &modem;
    ASSERT_FALSE(modem.GroupBox4.visible());
    form->RzStatusPane2.userDblClick();
    backend.answerInput("mq47hx");
    form->RzStatusPane3.userDblClick();
    EXPECT_TRUE(modem.GroupBox4.visible());
    // It stays revealed; a wrong code later hides nothing.
    form->RzStatusPane2.userDblClick();
    backend.answerInput("x");
    form->RzStatusPane3.userDblClick();
    EXPECT_TRUE(modem.GroupBox4.visible());
    Modem = nullptr;
}

TEST_F(AccessGate, WithoutTheAdjustmentWindowNothingBreaks)
{
    Adjust = nullptr;
    form->RzStatusPane2.userDblClick();
    backend.answerInput("mq47hx");
    form->RzStatusPane3.userDblClick();
    EXPECT_FALSE(adjust->visible());
    Adjust = adjust.get();
}

// ---- value checks ------------------------------------------------------------------------

struct EntryCase {
    const char* name;
    int box;
    const char* before;
    const char* entered;
    const char* after;
    std::vector<std::string> messages;
};

std::vector<EntryCase> EntryCases()
{
    const std::vector<std::string> none;
    const std::vector<std::string> big{"the value is too big!"};
    const std::vector<std::string> small{"the value is too small!"};
    return {
        {"table 300", 70, "12", "300", "12", big},
        {"table -1", 70, "12", "-1", "12", small},
        {"table 12a", 70, "12", "12a", "12", {"\"12a\" is not a valid integer value!"}},
        {"table blanks trimmed", 70, "12", " 45 ", "45", none},
        {"table tab and CR trimmed", 99, "", "\t7\r", "7", none},
        {"table 255", 60, "1", "255", "255", none},
        {"table 0", 60, "1", "0", "0", none},
        {"table 256", 99, "0", "256", "0", big},
        {"S table 300", 53, "9", "300", "9", big},
        {"S table -5", 40, "9", "-5", "9", small},
        {"S table letters", 48, "", "x", "", {"\"x\" is not a valid integer value!"}},
        {"single -1 accepted", 38, "5", "-1", "-1", none},
        {"single 300", 38, "5", "300", "5", big},
        {"single letters", 39, "12", "1.5", "12", {"\"1.5\" is not a valid integer value!"}},
        {"single 255", 39, "12", "255", "255", none},
        {"single blanks kept", 38, "", " 45 ", " 45 ", none},
    };
}

using ValueChecks = WindowTest;

TEST_F(ValueChecks, EntriesAreCheckedAndRefusedOnesRestoreTheLastAcceptedText)
{
    for (const EntryCase& c : EntryCases()) {
        SCOPED_TRACE(c.name);
        tk::Edit* box = adjust->Box(c.box);
        ASSERT_NE(box, nullptr);
        box->setText(c.before);
        backend.clearMessages();
        box->setText(c.entered);
        EXPECT_EQ(box->text(), c.after);
        EXPECT_EQ(Messages(), c.messages);
        if (!c.messages.empty()) {
            EXPECT_EQ(box->selStart(), box->length());
            EXPECT_EQ(box->selLength(), 0);
        }
    }
}

TEST_F(ValueChecks, TheRememberedTextSurvivesEmptyingAndLaterRefusals)
{
    adjust->Edit39.setText("12");
    adjust->Edit39.setText("300");
    EXPECT_EQ(adjust->Edit39.text(), "12");
    adjust->Edit39.setText("999");
    EXPECT_EQ(adjust->Edit39.text(), "12");

    // An emptied table box keeps its remembered text.
    adjust->Edit70.setText("33");
    adjust->Edit70.setText("");
    adjust->Edit70.setText("300");
    EXPECT_EQ(adjust->Edit70.text(), "33");
    // An emptied single box remembers the empty text.
    adjust->Edit38.setText("8");
    adjust->Edit38.setText("");
    adjust->Edit38.setText("300");
    EXPECT_EQ(adjust->Edit38.text(), "");
}

TEST_F(ValueChecks, TypingByTheUserIsCheckedKeyByKey)
{
    adjust->show();
    adjust->Edit70.userType("25");
    adjust->Edit70.userType("6");
    EXPECT_EQ(adjust->Edit70.text(), "25");
    EXPECT_EQ(Messages(), std::vector<std::string>{"the value is too big!"});
}

// ---- layout ------------------------------------------------------------------------------------

using AdjustLayout = WindowTest;

TEST_F(AdjustLayout, PowerTableRowsCarryTheirBandsAndBoxesByNumber)
{
    const char* vhf[] = {"VHF:136.000MHz~140.999MHz", "VHF:141.000MHz~145.999MHz", "VHF:146.000MHz~150.999MHz",
                         "VHF:151.000MHz~155.999MHz", "VHF:156.000MHz~160.999MHz", "VHF:161.000MHz~165.999MHz",
                         "VHF:166.000MHz~170.999MHz", "VHF:171.000MHz~174.000MHz"};
    const char* uhf[] = {"UHF:420.000MHz~429.999MHz", "UHF:430.000MHz~439.999MHz", "UHF:440.000MHz~449.999MHz",
                         "UHF:450.000MHz~459.999MHz", "UHF:460.000MHz~469.999MHz", "UHF:470.000MHz~479.999MHz",
                         "UHF:480.000MHz~489.999MHz", "UHF:490.000MHz~500.000MHz"};
    for (int row = 1; row <= 8; ++row) {
        const auto& vhfLabel = adjust->GroupBox1.child<tk::Label>("VhfLabel" + std::to_string(row));
        const auto& uhfLabel = adjust->GroupBox1.child<tk::Label>("UhfLabel" + std::to_string(row));
        EXPECT_EQ(vhfLabel.caption(), vhf[row - 1]);
        EXPECT_EQ(uhfLabel.caption(), uhf[row - 1]);
        for (int level = 1; level <= 5; ++level) {
            const tk::Edit* box = adjust->Box(60 + (row - 1) * 5 + (level - 1));
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->parent(), &adjust->GroupBox1);
            EXPECT_LE(std::abs(box->top() - vhfLabel.top()), 4) << box->name();
            const auto& head = adjust->GroupBox1.child<tk::Label>("PowerHead" + std::to_string(level));
            EXPECT_EQ(head.caption(), std::to_string(level) + "W");
            EXPECT_EQ(box->left(), head.left()) << box->name();
        }
    }
    for (int n = 40; n <= 55; ++n)
        EXPECT_EQ(adjust->Box(n)->parent(), &adjust->GroupBox6);
    EXPECT_EQ(adjust->Box(56), nullptr);
    EXPECT_EQ(adjust->Box(100), nullptr);
}

TEST_F(AdjustLayout, EveryControlLiesInsideTheClientArea)
{
    const std::function<void(const tk::Control&, int, int)> check = [&](const tk::Control& parent, int x, int y) {
        for (const tk::Control& c : parent.children()) {
            const int left = x + c.left();
            const int top = y + c.top();
            EXPECT_GE(left, 0) << c.name();
            EXPECT_GE(top, 0) << c.name();
            EXPECT_LE(left + c.width(), TAdjust::ClientWidth) << c.name();
            EXPECT_LE(top + c.height(), TAdjust::ClientHeight) << c.name();
            if (&parent != adjust.get()) {
                EXPECT_LE(c.left() + c.width(), parent.width()) << c.name();
                EXPECT_LE(c.top() + c.height(), parent.height()) << c.name();
            }
            check(c, left, top);
        }
    };
    check(*adjust, 0, 0);
}

// ---- requests ------------------------------------------------------------------------------

void FillTable(TAdjust& window, int first, int count, const std::function<int(int)>& value)
{
    for (int i = 0; i < count; ++i)
        window.Box(first + i)->setText(std::to_string(value(i)));
}

Bytes TableFrame(std::uint8_t command, int count, const std::function<int(int)>& value)
{
    Bytes data;
    for (int i = 0; i < count; ++i)
        data.push_back(static_cast<std::uint8_t>(value(i)));
    return Frame(command, data);
}

struct RequestCase {
    const char* name;
    std::function<void(TAdjust&)> prepare;
    void (TAdjust::*operation)(tk::Control&);
    Bytes expected;
    TransferState stateAfter;
};

std::vector<RequestCase> RequestCases()
{
    const auto zero = [](int) { return 0; };
    const auto power = [](int i) { return (i * 7 + 3) % 256; };
    const auto sValue = [](int i) { return 255 - i; };
    return {
        {"read RX adjust", nullptr, &TAdjust::Button7Click, B({0x55, 0xAA, 0x02, 0x34, 0x00, 0x36}), TransferState::Idle},
        {"set RX adjust 100", [](TAdjust& a) { a.Edit38.setText("100"); }, &TAdjust::Button8Click,
         B({0x55, 0xAA, 0x03, 0x33, 0x64, 0x00, 0x9A}), TransferState::Idle},
        {"set RX adjust -1", [](TAdjust& a) { a.Edit38.setText("-1"); }, &TAdjust::Button8Click,
         B({0x55, 0xAA, 0x03, 0x33, 0xFF, 0x01, 0x35}), TransferState::Idle},
        {"read 5165", nullptr, &TAdjust::Button9Click, B({0x55, 0xAA, 0x02, 0x91, 0x00, 0x93}), TransferState::Idle},
        {"set 5165 200", [](TAdjust& a) { a.Edit39.setText("200"); }, &TAdjust::Button10Click,
         B({0x55, 0xAA, 0x03, 0x90, 0xC8, 0x01, 0x5B}), TransferState::Idle},
        {"read S tables", nullptr, &TAdjust::Button2Click, B({0x55, 0xAA, 0x02, 0x99, 0x00, 0x9B}), TransferState::Idle},
        {"set S tables of zeros", [=](TAdjust& a) { FillTable(a, 40, 16, zero); }, &TAdjust::Button1Click,
         TableFrame(0x98, 16, zero), TransferState::WritingSTables},
        {"set S tables by box number", [=](TAdjust& a) { FillTable(a, 40, 16, sValue); }, &TAdjust::Button1Click,
         TableFrame(0x98, 16, sValue), TransferState::WritingSTables},
        {"read power table", nullptr, &TAdjust::Button12Click, B({0x55, 0xAA, 0x02, 0x97, 0x00, 0x99}),
         TransferState::Idle},
        {"set power table by box number", [=](TAdjust& a) { FillTable(a, 60, 40, power); }, &TAdjust::Button6Click,
         TableFrame(0x96, 40, power), TransferState::WritingPowerTable},
        {"back up", nullptr, &TAdjust::Button3Click, B({0x55, 0xAA, 0x04, 0xA1, 0x81, 0xAA, 0x01, 0xD0}),
         TransferState::Idle},
        {"check backup", nullptr, &TAdjust::Button4Click, B({0x55, 0xAA, 0x02, 0xA2, 0x00, 0xA4}), TransferState::Idle},
        {"restore", nullptr, &TAdjust::Button5Click, B({0x55, 0xAA, 0x04, 0xA0, 0xAA, 0x81, 0x01, 0xCF}),
         TransferState::Restoring},
    };
}

using AdjustRequests = LineWindowTest;

TEST_F(AdjustRequests, EveryButtonSendsItsRequestThroughTheMainWindow)
{
    OpenPort();
    for (const RequestCase& c : RequestCases()) {
        SCOPED_TRACE(c.name);
        form->Link.TransferState = TransferState::Idle;
        if (c.prepare)
            c.prepare(*adjust);
        form->RzStatusPane4.setCaption("old");
        const std::int64_t before = TxCount();
        (adjust.get()->*c.operation)(*adjust);
        EXPECT_EQ(Hex(Sent()), Hex(c.expected));
        EXPECT_EQ(TxCount() - before, static_cast<std::int64_t>(c.expected.size()));
        EXPECT_EQ(form->RzStatusPane2.caption(), "Tx:" + std::to_string(TxCount()));
        EXPECT_EQ(Result(), "");
        EXPECT_EQ(form->Link.TransferState, c.stateAfter);
    }
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(form->enabled());
    EXPECT_FALSE(form->Timer1.enabled());
}

TEST_F(AdjustRequests, SixteenZerosEndWithTheSum00AA)
{
    OpenPort();
    FillTable(*adjust, 40, 16, [](int) { return 0; });
    adjust->Button1Click(adjust->Button1);
    const Bytes sent = Sent();
    ASSERT_EQ(sent.size(), 22U);
    EXPECT_EQ(sent[20], 0x00);
    EXPECT_EQ(sent[21], 0xAA);
}

TEST_F(AdjustRequests, ReadsEmptyTheirBoxes)
{
    OpenPort();
    adjust->Edit38.setText("1");
    adjust->Edit39.setText("2");
    FillTable(*adjust, 40, 16, [](int) { return 3; });
    FillTable(*adjust, 60, 40, [](int) { return 4; });
    for (auto operation : {&TAdjust::Button7Click, &TAdjust::Button9Click, &TAdjust::Button2Click,
                           &TAdjust::Button12Click})
        (adjust.get()->*operation)(*adjust);
    for (int n = 38; n <= 99; ++n) {
        if (const tk::Edit* box = adjust->Box(n)) {
            EXPECT_EQ(box->text(), "") << box->name();
        }
    }
}

TEST_F(AdjustRequests, AnEmptyBoxSendsNothing)
{
    OpenPort();
    form->RzStatusPane4.setCaption("old");
    adjust->Button8Click(adjust->Button8);
    adjust->Button10Click(adjust->Button10);
    // The single sets stop before they touch the pane.
    EXPECT_EQ(Result(), "old");

    FillTable(*adjust, 40, 16, [](int) { return 1; });
    adjust->Edit53.setText("");
    adjust->Button1Click(adjust->Button1);
    FillTable(*adjust, 60, 40, [](int) { return 1; });
    adjust->Edit99.setText("");
    adjust->Button6Click(adjust->Button6);
    EXPECT_EQ(TxCount(), 0);
    EXPECT_EQ(form->Link.TransferState, TransferState::Idle);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(AdjustRequests, AClosedPortIsRefusedByEveryOperation)
{
    adjust->Edit38.setText("1");
    adjust->Edit39.setText("2");
    FillTable(*adjust, 40, 16, [](int) { return 3; });
    FillTable(*adjust, 60, 40, [](int) { return 4; });
    for (auto operation : {&TAdjust::Button1Click, &TAdjust::Button2Click, &TAdjust::Button3Click,
                           &TAdjust::Button4Click, &TAdjust::Button5Click, &TAdjust::Button6Click,
                           &TAdjust::Button7Click, &TAdjust::Button8Click, &TAdjust::Button9Click,
                           &TAdjust::Button10Click, &TAdjust::Button12Click}) {
        backend.clearMessages();
        (adjust.get()->*operation)(*adjust);
        EXPECT_EQ(Messages(), std::vector<std::string>{"Please open the serial port before this operation."});
    }
    EXPECT_EQ(TxCount(), 0);
    EXPECT_EQ(form->Link.TransferState, TransferState::Idle);
    // Nothing was emptied either.
    EXPECT_EQ(adjust->Edit38.text(), "1");
    EXPECT_EQ(adjust->Edit60.text(), "4");
}

TEST_F(AdjustRequests, NothingGoesOutWhileAChannelTableTransferWaitsForItsReply)
{
    OpenPort();
    FillTable(*adjust, 60, 40, [](int) { return 4; });
    adjust->Edit38.setText("9");
    for (const TransferState state :
         {TransferState::ReadingTable, TransferState::WritingChannels, TransferState::WritingPowers}) {
        form->Link.TransferState = state;
        for (auto operation : {&TAdjust::Button6Click, &TAdjust::Button5Click, &TAdjust::Button8Click,
                               &TAdjust::Button7Click})
            (adjust.get()->*operation)(*adjust);
        EXPECT_EQ(form->Link.TransferState, state);
    }
    EXPECT_EQ(TxCount(), 0);
    EXPECT_EQ(adjust->Edit38.text(), "9");
}

TEST_F(AdjustRequests, ButtonsAreBound)
{
    OpenPort();
    adjust->show();
    adjust->Button4.userClick();
    EXPECT_EQ(Hex(Sent()), "55 AA 02 A2 00 A4");
    EXPECT_EQ(adjust->Button4.caption(), "Check the validity of the backup");
    EXPECT_EQ(adjust->Button3.caption(), "Backup Parameters");
    EXPECT_EQ(adjust->Button5.caption(), "Restore Parameters");
}

// ---- replies ----------------------------------------------------------------------------------

using AdjustReplies = WindowTest;

TEST_F(AdjustReplies, ValuesFillTheBoxesWhetherTheWindowIsShownOrNot)
{
    ASSERT_FALSE(adjust->visible());
    Reply(0x34, B({0x07}));
    EXPECT_EQ(adjust->Edit38.text(), "7");
    EXPECT_EQ(Result(), "Read success!");
    form->RzStatusPane4.setCaption("");
    Reply(0x91, B({0xFF}));
    EXPECT_EQ(adjust->Edit39.text(), "255");
    EXPECT_EQ(Result(), "Read success!");

    Bytes sTables;
    for (int i = 0; i < 16; ++i)
        sTables.push_back(static_cast<std::uint8_t>(100 + i));
    Reply(0x99, sTables);
    for (int n = 40; n <= 55; ++n)
        EXPECT_EQ(adjust->Box(n)->text(), std::to_string(100 + n - 40));

    Bytes powerTable;
    for (int i = 0; i < 40; ++i)
        powerTable.push_back(static_cast<std::uint8_t>(i * 5));
    Reply(0x97, powerTable);
    EXPECT_EQ(adjust->Edit60.text(), "0");
    EXPECT_EQ(adjust->Edit99.text(), "195");
    for (int n = 60; n <= 99; ++n)
        EXPECT_EQ(adjust->Box(n)->text(), std::to_string((n - 60) * 5));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(AdjustReplies, AFilledBoxIsRememberedLikeATypedOne)
{
    Bytes powerTable(40, 9);
    Reply(0x97, powerTable);
    adjust->Edit70.setText("300");
    EXPECT_EQ(adjust->Edit70.text(), "9");
}

TEST_F(AdjustReplies, ShortTablesAreDroppedWhole)
{
    adjust->Edit60.setText("1");
    adjust->Edit40.setText("2");
    Reply(0x97, Bytes(39, 5));
    Reply(0x99, Bytes(15, 5));
    Reply(0x34, B({}));
    EXPECT_EQ(adjust->Edit60.text(), "1");
    EXPECT_EQ(adjust->Edit40.text(), "2");
    EXPECT_EQ(adjust->Edit38.text(), "");
    EXPECT_EQ(Result(), "");
}

TEST_F(AdjustReplies, BackupCheckAndAcknowledgementsByState)
{
    struct Case {
        const char* name;
        TransferState before;
        std::uint8_t command;
        Bytes data;
        std::vector<std::string> messages;
        const char* result;
        TransferState after;
    };
    const std::vector<std::string> none;
    const Case cases[] = {
        {"backup valid", TransferState::Idle, 0xA2, B({0xFF}), {"valid"}, "", TransferState::Idle},
        {"backup invalid", TransferState::Idle, 0xA2, B({0x00}), {"Invalid"}, "", TransferState::Idle},
        {"backup 0xFE", TransferState::Idle, 0xA2, B({0xFE}), {"Invalid"}, "", TransferState::Idle},
        {"restore done", TransferState::Restoring, 0x20, B({0x00}), {"Restore parameters success!"}, "",
         TransferState::Idle},
        {"restore refused", TransferState::Restoring, 0x21, B({0x00}), {"Restore parameters failed!"}, "",
         TransferState::Idle},
        {"power table written", TransferState::WritingPowerTable, 0x20, B({0x00}), {"Write success!"}, "",
         TransferState::Idle},
        {"S tables written", TransferState::WritingSTables, 0x20, B({0x00}), {"Write success!"}, "",
         TransferState::Idle},
        {"power table refused", TransferState::WritingPowerTable, 0x21, B({0x00}), none, "",
         TransferState::WritingPowerTable},
        {"S tables refused", TransferState::WritingSTables, 0x21, B({0x00}), none, "", TransferState::WritingSTables},
        {"single value written", TransferState::Idle, 0x20, B({0x00}), none, "Write success!", TransferState::Idle},
        {"single value refused", TransferState::Idle, 0x21, B({0x00}), none, "", TransferState::Idle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form->Link.TransferState = c.before;
        form->RzStatusPane4.setCaption("");
        backend.clearMessages();
        Reply(c.command, c.data);
        EXPECT_EQ(Messages(), c.messages);
        EXPECT_EQ(Result(), c.result);
        EXPECT_EQ(form->Link.TransferState, c.after);
    }
}

TEST_F(AdjustReplies, WithoutTheAdjustmentWindowTheValuesAreDropped)
{
    Adjust = nullptr;
    Reply(0x34, B({0x07}));
    Reply(0x97, Bytes(40, 1));
    EXPECT_EQ(adjust->Edit38.text(), "");
    EXPECT_EQ(adjust->Edit60.text(), "");
    Adjust = adjust.get();
}

} // namespace
} // namespace varnel::test
