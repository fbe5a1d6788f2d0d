// The main window's single settings: the requests of every button over a
// real line, the handling of every reply, the current-channel block's check
// and the current-channel power's two-step exchanges.
#include "support/window_fixture.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace varnel::test {
namespace {

using link::TransferState;

// ---- requests ------------------------------------------------------------------

struct RequestCase {
    const char* name;
    std::function<void(TMForm&)> prepare;
    void (TMForm::*operation)(tk::Control&);
    Bytes expected;
};

std::vector<RequestCase> RequestCases()
{
    return {
        {"read squelch", nullptr, &TMForm::Button3Click, B({0x55, 0xAA, 0x02, 0x80, 0x00, 0x82})},
        {"squelch Close", [](TMForm& f) { f.ComboBox2.setItemIndex(5); }, &TMForm::Button4Click,
         B({0x55, 0xAA, 0x03, 0x70, 0x55, 0x00, 0xC8})},
        {"squelch Level1", [](TMForm& f) { f.ComboBox2.setItemIndex(0); }, &TMForm::Button4Click,
         B({0x55, 0xAA, 0x03, 0x70, 0x01, 0x00, 0x74})},
        {"squelch Level5", [](TMForm& f) { f.ComboBox2.setItemIndex(4); }, &TMForm::Button4Click,
         B({0x55, 0xAA, 0x03, 0x70, 0x05, 0x00, 0x78})},
        {"read bandwidth", nullptr, &TMForm::Button5Click, B({0x55, 0xAA, 0x02, 0x60, 0x00, 0x62})},
        {"bandwidth 12.5k", [](TMForm& f) { f.ComboBox3.setItemIndex(0); }, &TMForm::Button6Click,
         B({0x55, 0xAA, 0x03, 0x50, 0x01, 0x00, 0x54})},
        {"bandwidth 25k", [](TMForm& f) { f.ComboBox3.setItemIndex(1); }, &TMForm::Button6Click,
         B({0x55, 0xAA, 0x03, 0x50, 0x00, 0x00, 0x53})},
        {"read method", nullptr, &TMForm::Button1Click, B({0x55, 0xAA, 0x03, 0x01, 0x03, 0x00, 0x07})},
        {"method Software", [](TMForm& f) { f.ComboBox1.setItemIndex(0); }, &TMForm::Button8Click,
         B({0x55, 0xAA, 0x04, 0x01, 0x83, 0x55, 0x00, 0xDD})},
        {"method Hardware", [](TMForm& f) { f.ComboBox1.setItemIndex(1); }, &TMForm::Button8Click,
         B({0x55, 0xAA, 0x04, 0x01, 0x83, 0x00, 0x00, 0x88})},
        {"read selected channel", nullptr, &TMForm::Button9Click, B({0x55, 0xAA, 0x03, 0x01, 0x04, 0x00, 0x08})},
        {"CH7 without save",
         [](TMForm& f) {
             f.ComboBox21.setItemIndex(6);
             f.RzCheckBox2.setChecked(true);
         },
         &TMForm::Button10Click, B({0x55, 0xAA, 0x05, 0x01, 0x84, 0x00, 0x07, 0x00, 0x91})},
        {"CH16 saved",
         [](TMForm& f) {
             f.ComboBox21.setItemIndex(15);
             f.RzCheckBox2.setChecked(false);
         },
         &TMForm::Button10Click, B({0x55, 0xAA, 0x05, 0x01, 0x84, 0x01, 0x10, 0x00, 0x9B})},
        {"read current block", nullptr, &TMForm::RzButton3Click,
         B({0x55, 0xAA, 0x04, 0x01, 0x01, 0x00, 0x00, 0x06})},
        {"set current block",
         [](TMForm& f) {
             f.RzMaskEdit3.setText("435.12500");
             f.RzMaskEdit67.setText("435.12500");
             f.RzComboBox1.setItemIndex(2);
             f.RzCheckBox1.setChecked(false);
         },
         &TMForm::RzButton4Click,
         B({0x55, 0xAA, 0x0E, 0x01, 0x81, 0x00, 0x01, 0x43, 0x51, 0x25, 0x00, 0x43, 0x51, 0x25, 0x00, 0x03, 0x02,
            0x06})},
        {"set current block without save, rounded",
         [](TMForm& f) {
             f.RzMaskEdit3.setText("435.1190");
             f.RzMaskEdit67.setText("419.998");
             f.RzComboBox1.setItemIndex(4);
             f.RzCheckBox1.setChecked(true);
         },
         &TMForm::RzButton4Click,
         Frame(0x01, B({0x81, 0x00, 0x00, 0x43, 0x51, 0x18, 0x75, 0x42, 0x00, 0x00, 0x00, 0x05}))},
        {"read current-channel power", nullptr, &TMForm::Button2Click, B({0x55, 0xAA, 0x02, 0x24, 0x00, 0x26})},
        {"set current-channel power", [](TMForm& f) { f.ComboBox20.setItemIndex(0); }, &TMForm::Button7Click,
         B({0x55, 0xAA, 0x02, 0x24, 0x00, 0x26})},
    };
}

using SettingRequests = LineWindowTest;

TEST_F(SettingRequests, EveryButtonSendsItsRequestAndCountsIt)
{
    OpenPort();
    for (const RequestCase& c : RequestCases()) {
        SCOPED_TRACE(c.name);
        if (c.prepare)
            c.prepare(*form);
        form->RzStatusPane4.setCaption("old");
        const std::int64_t before = TxCount();
        (form.get()->*c.operation)(*form);
        EXPECT_EQ(Hex(Sent()), Hex(c.expected));
        EXPECT_EQ(TxCount() - before, static_cast<std::int64_t>(c.expected.size()));
        EXPECT_EQ(form->RzStatusPane2.caption(), "Tx:" + std::to_string(TxCount()));
        EXPECT_EQ(Result(), "");
        EXPECT_EQ(form->Link.TransferState, TransferState::Idle);
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(SettingRequests, ReadsEmptyTheirBoxesAndTheRoundedFrequenciesStayShown)
{
    OpenPort();
    form->ComboBox2.setItemIndex(2);
    form->ComboBox3.setItemIndex(1);
    form->ComboBox1.setItemIndex(0);
    form->ComboBox21.setItemIndex(3);
    form->RzMaskEdit3.setText("450.00000");
    form->RzMaskEdit67.setText("451.00000");
    form->RzComboBox1.setItemIndex(1);
    form->RzLabel2.setCaption("4  ");
    for (auto operation : {&TMForm::Button3Click, &TMForm::Button5Click, &TMForm::Button1Click,
                           &TMForm::Button9Click, &TMForm::RzButton3Click})
        (form.get()->*operation)(*form);
    for (const tk::ComboBox* box : {&form->ComboBox2, &form->ComboBox3, &form->ComboBox1, &form->ComboBox21,
                                    &form->RzComboBox1})
        EXPECT_EQ(box->itemIndex(), -1) << box->name();
    EXPECT_EQ(form->RzMaskEdit3.text(), "   .     ");
    EXPECT_EQ(form->RzMaskEdit67.text(), "   .     ");
    EXPECT_EQ(form->RzLabel2.caption(), "4  ");

    form->RzMaskEdit3.setText("435.1190");
    form->RzMaskEdit67.setText("419.998");
    form->RzComboBox1.setItemIndex(0);
    form->RzButton4Click(form->RzButton4);
    EXPECT_EQ(form->RzMaskEdit3.text(), "435.11875");
    EXPECT_EQ(form->RzMaskEdit67.text(), "420.00000");
}

TEST_F(SettingRequests, ASetWithNothingSelectedSendsNothingAndSaysNothing)
{
    OpenPort();
    for (auto operation : {&TMForm::Button4Click, &TMForm::Button6Click, &TMForm::Button8Click,
                           &TMForm::Button10Click}) {
        form->RzStatusPane4.setCaption("old");
        (form.get()->*operation)(*form);
        EXPECT_EQ(Result(), "");
    }
    EXPECT_EQ(TxCount(), 0);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(SettingRequests, EveryButtonRefusesAClosedPort)
{
    form->ComboBox2.setItemIndex(1);
    form->ComboBox3.setItemIndex(1);
    form->ComboBox1.setItemIndex(1);
    form->ComboBox21.setItemIndex(1);
    form->ComboBox20.setItemIndex(1);
    form->RzMaskEdit3.setText("435.12500");
    form->RzMaskEdit67.setText("435.12500");
    form->RzComboBox1.setItemIndex(1);
    const std::pair<const char*, void (TMForm::*)(tk::Control&)> operations[] = {
        {"Button3", &TMForm::Button3Click},   {"Button4", &TMForm::Button4Click},
        {"Button5", &TMForm::Button5Click},   {"Button6", &TMForm::Button6Click},
        {"Button1", &TMForm::Button1Click},   {"Button8", &TMForm::Button8Click},
        {"Button10", &TMForm::Button10Click}, {"RzButton3", &TMForm::RzButton3Click},
        {"RzButton4", &TMForm::RzButton4Click}, {"Button2", &TMForm::Button2Click},
        {"Button7", &TMForm::Button7Click},   {"Button9", &TMForm::Button9Click},
    };
    for (const auto& [name, operation] : operations) {
        backend.clearMessages();
        (form.get()->*operation)(*form);
        EXPECT_EQ(Messages(), std::vector<std::string>{"Please open the serial port before this operation."}) << name;
    }
    EXPECT_EQ(TxCount(), 0);
    EXPECT_EQ(form->Link.PendingFollowUp, link::PendingFollowUp::None);
    // The read of the selected channel empties its box before it looks at the port.
    EXPECT_EQ(form->ComboBox21.itemIndex(), -1);
    // The other reads look at the port first.
    EXPECT_EQ(form->ComboBox2.itemIndex(), 1);
    EXPECT_EQ(form->RzMaskEdit3.text(), "435.12500");
}

TEST_F(SettingRequests, MethodAndChannelSetsLookAtTheirBoxBeforeThePort)
{
    for (auto operation : {&TMForm::Button8Click, &TMForm::Button10Click})
        (form.get()->*operation)(*form);
    EXPECT_TRUE(Messages().empty());
}

// ---- replies -----------------------------------------------------------------------

struct ReplyCase {
    const char* name;
    std::uint8_t command;
    Bytes data;
    const char* box; // null: no box changes
    int index;                 // the box's selection afterwards
    const char* result;        // RzStatusPane4 afterwards ("old" when untouched)
    std::vector<std::string> messages;
};

std::vector<ReplyCase> ReplyCases()
{
    const std::vector<std::string> none;
    const std::vector<std::string> failed{"Failed!"};
    return {
        {"squelch 0x55 is Close", 0x80, B({0x55}), "ComboBox2", 5, "Read success!", none},
        {"squelch 1", 0x80, B({0x01}), "ComboBox2", 0, "Read success!", none},
        {"squelch 5", 0x80, B({0x05}), "ComboBox2", 4, "Read success!", none},
        {"squelch 6 is Close too", 0x80, B({0x06}), "ComboBox2", 5, "Read success!", none},
        {"squelch 0 selects nothing", 0x80, B({0x00}), "ComboBox2", -1, "Read success!", none},
        {"squelch 7 selects nothing", 0x80, B({0x07}), "ComboBox2", -1, "Read success!", none},
        {"bandwidth 0 is 25k", 0x60, B({0x00}), "ComboBox3", 1, "Read success!", none},
        {"bandwidth 1 is 12.5k", 0x60, B({0x01}), "ComboBox3", 0, "Read success!", none},
        {"bandwidth 2 is 12.5k", 0x60, B({0x02}), "ComboBox3", 0, "Read success!", none},
        {"method read Software", 0x01, B({0x43, 0x55}), "ComboBox1", 0, "Success!", none},
        {"method read Hardware", 0x01, B({0x43, 0x00}), "ComboBox1", 1, "Success!", none},
        {"method read other value", 0x01, B({0x43, 0x12}), "ComboBox1", 1, "Success!", none},
        {"method set done", 0x01, B({0xC3}), nullptr, 0, "Success!", none},
        {"method set refused leaves the pane", 0x01, B({0x83}), nullptr, 0, "old", failed},
        {"method report", 0x35, B({0x55}), "ComboBox1", 0, "old", none},
        {"method report Hardware", 0x35, B({0x01}), "ComboBox1", 1, "old", none},
        {"channel read", 0x01, B({0x44, 0x07}), "ComboBox21", 6, "Success!", none},
        {"channel read 0 selects nothing", 0x01, B({0x44, 0x00}), "ComboBox21", -1, "Success!", none},
        {"channel set done", 0x01, B({0xC4}), nullptr, 0, "Success!", none},
        {"channel set refused", 0x01, B({0x84}), nullptr, 0, "Failed!", failed},
        {"channel report", 0x37, B({0x10}), "ComboBox21", 15, "old", none},
        {"block set done", 0x01, B({0xC1}), nullptr, 0, "Success!", none},
        {"block set refused", 0x01, B({0x81}), nullptr, 0, "Failed!", failed},
        {"read reply without its result bit", 0x01, B({0x03, 0x55}), nullptr, 0, "old", none},
        {"channel read without its result bit", 0x01, B({0x04, 0x05}), nullptr, 0, "old", none},
        {"block read without its result bit", 0x01, B({0x01, 0x03, 0x43, 0x51, 0x25, 0x00, 0x43, 0x51, 0x25, 0x00, 0x02}),
         nullptr, 0, "old", none},
        {"other item", 0x01, B({0x45, 0x01}), nullptr, 0, "old", none},
        {"current-channel power", 0x94, B({0x03, 0x04}), "ComboBox20", 3, "Read success!", none},
        {"current-channel power index 0", 0x94, B({0x03, 0x00}), "ComboBox20", -1, "Read success!", none},
        {"squelch reply without its byte", 0x80, B({}), nullptr, 0, "old", none},
    };
}

using SettingReplies = WindowTest;

TEST_F(SettingReplies, EachReplyUpdatesItsBoxAndThePane)
{
    for (const ReplyCase& c : ReplyCases()) {
        SCOPED_TRACE(c.name);
        for (tk::ComboBox* box : {&form->ComboBox2, &form->ComboBox3, &form->ComboBox1, &form->ComboBox21,
                                  &form->ComboBox20})
            box->setItemIndex(-1);
        form->RzStatusPane4.setCaption("old");
        backend.clearMessages();
        Reply(c.command, c.data);
        for (tk::ComboBox* box : {&form->ComboBox2, &form->ComboBox3, &form->ComboBox1, &form->ComboBox21,
                                  &form->ComboBox20})
            EXPECT_EQ(box->itemIndex(), c.box != nullptr && box->name() == c.box ? c.index : -1) << box->name();
        EXPECT_EQ(Result(), c.result);
        EXPECT_EQ(Messages(), c.messages);
        EXPECT_EQ(form->Link.TransferState, TransferState::Idle);
    }
}

TEST_F(SettingReplies, ACurrentChannelPowerReplyDuringAChannelTableWriteIsIgnored)
{
    form->Link.TransferState = TransferState::WritingChannels;
    Reply(0x94, B({0x03, 0x04}));
    EXPECT_EQ(form->ComboBox20.itemIndex(), -1);
    EXPECT_EQ(Result(), "");
    EXPECT_EQ(form->Link.TransferState, TransferState::WritingChannels);
}

// ---- current-channel block read ----------------------------------------------------------

Bytes BlockRead(int channel, std::uint32_t txUnits, std::uint32_t rxUnits, int power)
{
    Bytes data{0x41, static_cast<std::uint8_t>(channel)};
    for (const std::uint32_t units : {txUnits, rxUnits}) {
        const auto bcd = link::UnitsToBcd(units).value();
        data.insert(data.end(), bcd.begin(), bcd.end());
    }
    data.push_back(static_cast<std::uint8_t>(power));
    return data;
}

using CurrentBlockReply = WindowTest;

TEST_F(CurrentBlockReply, ShowsChannelFrequenciesAndPower)
{
    Reply(0x01, BlockRead(3, 43512500, 43512500, 3));
    EXPECT_EQ(form->RzLabel2.caption(), "3  ");
    EXPECT_EQ(form->RzMaskEdit3.text(), "435.12500");
    EXPECT_EQ(form->RzMaskEdit67.text(), "435.12500");
    EXPECT_EQ(form->RzComboBox1.text(), "3W");
    EXPECT_EQ(Result(), "Success!");
    EXPECT_TRUE(Messages().empty());
}

TEST_F(CurrentBlockReply, TheBandEdgesAreInside)
{
    Reply(0x01, BlockRead(16, 42000000, 50000000, 5));
    EXPECT_EQ(form->RzMaskEdit3.text(), "420.00000");
    EXPECT_EQ(form->RzMaskEdit67.text(), "500.00000");
    EXPECT_EQ(form->RzComboBox1.text(), "5W");
    EXPECT_EQ(form->RzLabel2.caption(), "16  ");
}

TEST_F(CurrentBlockReply, AFrequencyOutsideTheUhfBandIsAnErrorWhateverTheHardware)
{
    struct Case {
        const char* name;
        std::uint32_t tx;
        std::uint32_t rx;
        const char* txShown;
    };
    const Case cases[] = {
        {"VHF transmit on a VHF radio", 13600000, 43512500, "   .     "},
        {"transmit just above", 50000001, 43512500, "   .     "},
        {"receive just below", 43512500, 41999999, "435.12500"},
    };
    form->Edit56.setText("3.1");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form->RzMaskEdit3.setText("");
        form->RzMaskEdit67.setText("");
        form->RzComboBox1.setItemIndex(-1);
        backend.clearMessages();
        Reply(0x01, BlockRead(2, c.tx, c.rx, 2));
        EXPECT_EQ(Messages(), std::vector<std::string>{"Frequency Error!"});
        EXPECT_EQ(Result(), "Failed!");
        EXPECT_EQ(form->RzMaskEdit3.text(), c.txShown);
        EXPECT_EQ(form->RzMaskEdit67.text(), "   .     ");
        EXPECT_EQ(form->RzComboBox1.itemIndex(), -1);
        EXPECT_EQ(form->RzLabel2.caption(), "2  ");
    }
}

TEST_F(CurrentBlockReply, HexDigitsInTheBcdAreRefusedNotMisread)
{
    // FF FF FF FF counts its nibbles as 15s: far outside the band.
    Reply(0x01, B({0x41, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x43, 0x51, 0x25, 0x00, 0x01}));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Frequency Error!"});
}

TEST_F(CurrentBlockReply, AShortReplyIsDroppedWithoutReadingPastIt)
{
    Reply(0x01, B({0x41, 0x01, 0x43, 0x51, 0x25, 0x00, 0x43, 0x51}));
    EXPECT_EQ(form->RzLabel2.caption(), "");
    EXPECT_EQ(Result(), "");
}

// ---- the block's entry check -----------------------------------------------------------------

struct EntryCase {
    const char* name;
    const char* tx;
    const char* rx;
    int power;
    bool accepted;
    const char* message;   // when refused
    const char* focused;   // the control that gets the focus when refused
    const char* txAfter;
    const char* rxAfter;
    Bytes encoded;         // when accepted
};

std::vector<EntryCase> EntryCases()
{
    return {
        {"the worked example", "435.12500", "435.12500", 2, true, "", "", "435.12500", "435.12500",
         B({0x43, 0x51, 0x25, 0x00, 0x43, 0x51, 0x25, 0x00, 0x03})},
        {"6.25 kHz raster nearer", "435.1190", "450.0123", 0, true, "", "", "435.11875", "450.01250",
         B({0x43, 0x51, 0x18, 0x75, 0x45, 0x00, 0x12, 0x50, 0x01})},
        {"5 kHz raster nearer", "435.121", "499.99999", 4, true, "", "", "435.12000", "500.00000",
         B({0x43, 0x51, 0x20, 0x00, 0x50, 0x00, 0x00, 0x00, 0x05})},
        {"rounded up into the band", "419.998", "420", 1, true, "", "", "420.00000", "420.00000",
         B({0x42, 0x00, 0x00, 0x00, 0x42, 0x00, 0x00, 0x00, 0x02})},
        {"empty transmit", "", "435.12500", 0, false, "Find an empty input box!", "RzMaskEdit3", "   .     ",
         "435.12500", {}},
        {"zero transmit", "000.00000", "435.12500", 0, false, "Find an empty input box!", "RzMaskEdit3",
         "000.00000", "435.12500", {}},
        {"empty receive", "435.12500", "", 0, false, "Find an empty input box!", "RzMaskEdit67", "435.12500",
         "   .     ", {}},
        {"below the band, rounded and kept", "419.99", "435.12500", 0, false,
         "Frequency range:420MHz~500MHz", "RzMaskEdit3", "419.99000", "435.12500", {}},
        {"VHF receive", "435.12500", "150.01", 0, false, "Frequency range:420MHz~500MHz", "RzMaskEdit67",
         "435.12500", "150.01000", {}},
        {"above the band", "500.003", "435.12500", 0, false, "Frequency range:420MHz~500MHz", "RzMaskEdit3",
         "500.00500", "435.12500", {}},
        {"no power", "435.12500", "435.12500", -1, false, "Please select a power value!", "RzComboBox1",
         "435.12500", "435.12500", {}},
    };
}

using CurrentBlockEntry = WindowTest;

TEST_F(CurrentBlockEntry, ChecksRoundsAndEncodesTheBlock)
{
    for (const EntryCase& c : EntryCases()) {
        SCOPED_TRACE(c.name);
        form->RzMaskEdit3.setText(c.tx);
        form->RzMaskEdit67.setText(c.rx);
        form->RzComboBox1.setItemIndex(c.power);
        form->Button12.setFocus();
        backend.clearMessages();
        std::array<std::uint8_t, 9> out{};
        const bool accepted = form->ValidateCurrentChannelEntry(form->RzMaskEdit3, form->RzMaskEdit67,
                                                                form->RzComboBox1, out);
        EXPECT_EQ(accepted, c.accepted);
        EXPECT_EQ(form->RzMaskEdit3.text(), c.txAfter);
        EXPECT_EQ(form->RzMaskEdit67.text(), c.rxAfter);
        if (c.accepted) {
            EXPECT_EQ(Hex(out), Hex(c.encoded));
            EXPECT_TRUE(backend.messages().empty());
        } else {
            ASSERT_EQ(backend.messages().size(), 1U);
            EXPECT_EQ(backend.messages()[0].text, c.message);
            EXPECT_EQ(backend.messages()[0].caption, "Notice");
            EXPECT_EQ(backend.messages()[0].icon, tk::Icon::Error);
            ASSERT_NE(form->activeControl(), nullptr);
            EXPECT_EQ(form->activeControl()->name(), c.focused);
        }
    }
}

TEST_F(CurrentBlockEntry, ARefusedBlockIsNotSent)
{
    form->RzMaskEdit3.setText("435.12500");
    form->RzButton4Click(form->RzButton4);
    EXPECT_EQ(TxCount(), 0);
}

TEST_F(CurrentBlockEntry, EnterMovesOnFromTheFrequencyBoxes)
{
    form->RzMaskEdit3.userKey(U'\r');
    ASSERT_NE(form->activeControl(), nullptr);
    EXPECT_EQ(form->activeControl(), &form->RzMaskEdit67);
    form->RzMaskEdit67.userKey(U'\r');
    EXPECT_EQ(form->activeControl(), &form->RzComboBox1);
    EXPECT_EQ(form->RzMaskEdit3.text(), "   .     ");
}

TEST_F(CurrentBlockEntry, TheBoxesAreMasked)
{
    EXPECT_EQ(form->RzMaskEdit3.editMask(), "!999.99999;1;0");
    EXPECT_EQ(form->RzMaskEdit67.editMask(), "!999.99999;1;0");
    EXPECT_EQ(form->RzMaskEdit3.maxLength(), 9);
    form->RzMaskEdit3.userType("4351250x0");
    EXPECT_EQ(form->RzMaskEdit3.text(), "435.12500");
}

// ---- current-channel power -------------------------------------------------------------------

using CurrentChannelPower = LineWindowTest;

TEST_F(CurrentChannelPower, ReadAsksForTheChannelThenItsPower)
{
    OpenPort();
    form->Button2Click(form->Button2);
    EXPECT_EQ(Hex(Sent()), "55 AA 02 24 00 26");
    ASSERT_TRUE(Answer(0x24, B({0x05})));
    EXPECT_EQ(form->CurrentChannel.caption(), "5");
    EXPECT_EQ(form->Edit4.text(), "5");
    EXPECT_EQ(Hex(Sent()), "55 AA 03 94 05 00 9C");
    EXPECT_EQ(Result(), "");
    ASSERT_TRUE(Answer(0x94, B({0x05, 0x02})));
    EXPECT_EQ(form->ComboBox20.text(), "2W");
    EXPECT_EQ(Result(), "Read success!");
    EXPECT_EQ(form->Link.PendingFollowUp, link::PendingFollowUp::None);
}

TEST_F(CurrentChannelPower, WriteAsksForTheChannelThenWritesItsPower)
{
    OpenPort();
    form->ComboBox20.setItemIndex(2);
    form->Button7Click(form->Button7);
    EXPECT_EQ(Hex(Sent()), "55 AA 02 24 00 26");
    ASSERT_TRUE(Answer(0x24, B({0x09})));
    EXPECT_EQ(Hex(Sent()), "55 AA 04 95 09 03 00 A5");
    ASSERT_TRUE(Answer(0x20, B({0x00})));
    EXPECT_EQ(Result(), "Write success!");

    // A later channel reply of the identification ends it as before.
    ASSERT_TRUE(Answer(0x24, B({0x04})));
    EXPECT_EQ(Result(), "Read success!");
}

TEST_F(CurrentChannelPower, WriteWithoutAPowerAsksForOneAndSendsNothingMore)
{
    OpenPort();
    form->Button7Click(form->Button7);
    EXPECT_EQ(Hex(Sent()), "55 AA 02 24 00 26");
    const std::int64_t afterRequest = TxCount();
    ASSERT_TRUE(Answer(0x24, B({0x09})));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Please select a power value!"});
    EXPECT_EQ(TxCount(), afterRequest);
    EXPECT_EQ(form->Link.PendingFollowUp, link::PendingFollowUp::None);
}

// ---- construction --------------------------------------------------------------------------------

using SettingControls = WindowTest;

TEST_F(SettingControls, ItemsAndDesignTexts)
{
    EXPECT_EQ(form->ComboBox2.items(),
              (std::vector<std::string>{"Level1", "Level2", "Level3", "Level4", "Level5", "Close"}));
    EXPECT_EQ(form->ComboBox3.items(), (std::vector<std::string>{"12.5k", "25k"}));
    EXPECT_EQ(form->ComboBox1.items(), (std::vector<std::string>{"Software", "Hardware"}));
    ASSERT_EQ(form->ComboBox21.itemCount(), 16);
    EXPECT_EQ(form->ComboBox21.items().front(), "CH1");
    EXPECT_EQ(form->ComboBox21.items().back(), "CH16");
    for (const tk::ComboBox* power : {&form->RzComboBox1, &form->ComboBox20})
        EXPECT_EQ(power->items(), (std::vector<std::string>{"1W", "2W", "3W", "4W", "5W"}));
    EXPECT_FALSE(form->RzCheckBox1.checked());
    EXPECT_FALSE(form->RzCheckBox2.checked());
    EXPECT_EQ(form->RzCheckBox1.caption(), "Without save");
    EXPECT_EQ(form->RzGroupBox2.caption(), "Current Channel");
    EXPECT_EQ(form->Button3.caption(), "Read");
    EXPECT_EQ(form->Button10.caption(), "Set");
    EXPECT_EQ(form->Label55.caption(), "Control Method:");

    form->ApplyLanguage(LanguageChinese);
    EXPECT_EQ(form->Button9.caption(), "读取");
    EXPECT_EQ(form->Button7.caption(), "设置");
    EXPECT_EQ(form->Label6.caption(), "频道设置:");
    EXPECT_EQ(form->Label75.caption(), "发射功率:");
    // The current-channel block keeps its design texts.
    EXPECT_EQ(form->RzButton3.caption(), "Read");
    EXPECT_EQ(form->RzCheckBox1.caption(), "Without save");
}

TEST_F(SettingControls, ButtonsAreBound)
{
    form->Button3.userClick();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Please open the serial port before this operation."});
}

} // namespace
} // namespace varnel::test
