// The dispatcher's rows as the window shows them, and the watchdog.
#include "radio/mform_fixture.h"

namespace varnel::test {
namespace {

using link::TransferState;

struct RowCase {
    const char* name;
    TransferState before;
    std::uint8_t command;
    Bytes data;
    const char* pane;     // RzStatusPane4 afterwards
    const char* message;  // message box, or null for none
    TransferState after;
};

class MFormDispatch : public MFormTest {};

TEST_F(MFormDispatch, RowsShowTheirResultAndLeaveTheStateAsTheTableSays)
{
    const Bytes table40(40, 7);
    const Bytes table16(16, 3);
    const Bytes table39(39, 7);
    const RowCase cases[] = {
        {"single write acknowledged", TransferState::Idle, 0x20, {0x00}, "Write success!", nullptr, TransferState::Idle},
        {"bare acknowledgement", TransferState::Idle, 0x20, {}, "Write success!", nullptr, TransferState::Idle},
        {"single write refused", TransferState::Idle, 0x21, {0x00}, "", nullptr, TransferState::Idle},
        {"restore done", TransferState::Restoring, 0x20, {0x00}, "", "Restore parameters success!", TransferState::Idle},
        {"restore refused", TransferState::Restoring, 0x21, {0x00}, "", "Restore parameters failed!", TransferState::Idle},
        {"power table written", TransferState::WritingPowerTable, 0x20, {0x00}, "", "Write success!", TransferState::Idle},
        {"S tables written", TransferState::WritingSTables, 0x20, {0x00}, "", "Write success!", TransferState::Idle},
        {"power table refused", TransferState::WritingPowerTable, 0x21, {0x00}, "", nullptr,
         TransferState::WritingPowerTable},
        {"power while writing channels", TransferState::WritingChannels, 0x94, {0x01, 0x03}, "", nullptr,
         TransferState::WritingChannels},
        {"power while restoring", TransferState::Restoring, 0x94, {0x01, 0x03}, "", nullptr, TransferState::Restoring},
        {"current-channel power", TransferState::Idle, 0x94, {0x01, 0x03}, "Read success!", nullptr, TransferState::Idle},
        {"short power reply", TransferState::Idle, 0x94, {0x01}, "", nullptr, TransferState::Idle},
        {"not a record ends the read", TransferState::ReadingTable, 0x20, {0x03}, "", nullptr, TransferState::Idle},
        {"truncated record is dropped", TransferState::ReadingTable, 0x20, {0x24, 0x01, 0x43, 0x51}, "", nullptr,
         TransferState::ReadingTable},
        {"rx adjust", TransferState::Idle, 0x34, {0x64}, "Read success!", nullptr, TransferState::Idle},
        {"5165", TransferState::Idle, 0x91, {0xC8}, "Read success!", nullptr, TransferState::Idle},
        {"bandwidth", TransferState::Idle, 0x60, {0x01}, "Read success!", nullptr, TransferState::Idle},
        {"squelch", TransferState::Idle, 0x80, {0x55}, "Read success!", nullptr, TransferState::Idle},
        {"squelch without value", TransferState::Idle, 0x80, {}, "", nullptr, TransferState::Idle},
        {"power table", TransferState::Idle, 0x97, table40, "Read success!", nullptr, TransferState::Idle},
        {"power table one short", TransferState::Idle, 0x97, table39, "", nullptr, TransferState::Idle},
        {"S tables", TransferState::Idle, 0x99, table16, "Read success!", nullptr, TransferState::Idle},
        {"backup valid", TransferState::Idle, 0xA2, {0xFF}, "", "valid", TransferState::Idle},
        {"backup invalid", TransferState::Idle, 0xA2, {0x00}, "", "Invalid", TransferState::Idle},
        {"backup check without byte", TransferState::Idle, 0xA2, {}, "", nullptr, TransferState::Idle},
        {"channel-control report", TransferState::Idle, 0x35, {0x55}, "", nullptr, TransferState::Idle},
        {"selected-channel report", TransferState::Idle, 0x37, {0x03}, "", nullptr, TransferState::Idle},
        {"unknown item", TransferState::Idle, 0x01, {0x45, 0x00}, "", nullptr, TransferState::Idle},
        {"unknown code", TransferState::Idle, 0x55, {0x00}, "", nullptr, TransferState::Idle},
        {"unknown code while reading", TransferState::ReadingTable, 0x42, {0x24}, "", nullptr,
         TransferState::ReadingTable},
    };
    for (const RowCase& c : cases) {
        SCOPED_TRACE(c.name);
        backend.clearMessages();
        form->RzStatusPane4.setCaption("");
        form->Link.TransferState = c.before;
        Reply(c.command, c.data);
        EXPECT_EQ(form->RzStatusPane4.caption(), c.pane);
        EXPECT_EQ(Messages(), c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        EXPECT_EQ(form->Link.TransferState, c.after);
        EXPECT_EQ(TxCount(), 0); // none of these rows sends
    }
    form->Link.TransferState = TransferState::Idle;
}

TEST_F(MFormDispatch, InformationBoxesCarryTheApplicationTitle)
{
    app.setTitle("ZR650/T Varnel");
    Reply(0xA2, {0xFF});
    ASSERT_EQ(backend.messages().size(), 1U);
    EXPECT_EQ(backend.messages()[0].caption, "ZR650/T Varnel");
    EXPECT_EQ(backend.messages()[0].icon, tk::Icon::Information);
}

TEST_F(MFormDispatch, CurrentChannelReplyEndsTheIdentificationWithSuccess)
{
    Reply(0x24, {0x0C});
    EXPECT_EQ(form->Edit4.text(), "12");
    EXPECT_EQ(form->CurrentChannel.caption(), "12");
    EXPECT_EQ(form->RzStatusPane4.caption(), "Read success!");

    // A pending power follow-up takes the reply instead of the success text.
    form->RzStatusPane4.setCaption("");
    form->Link.PendingFollowUp = link::PendingFollowUp::ReadPower;
    Reply(0x24, {0x03});
    EXPECT_EQ(form->Edit4.text(), "3");
    EXPECT_EQ(form->RzStatusPane4.caption(), "");
    EXPECT_EQ(form->Link.PendingFollowUp, link::PendingFollowUp::None);
}

TEST_F(MFormDispatch, ShortModelReplyIsDroppedAndTheWatchdogStillRuns)
{
    OpenPort();
    form->RzToolButton4Click(form->RzToolButton4);
    ASSERT_EQ(Sent(), B({0x55, 0xAA, 0x02, 0x28, 0x00, 0x2A}));
    Reply(0x28, {0x20, 0x40}); // firmware byte missing
    EXPECT_EQ(form->Edit1.text(), "");
    EXPECT_FALSE(form->enabled());
    EXPECT_TRUE(form->Timer1.enabled());
    backend.advance(2000);
    EXPECT_EQ(Messages(), std::vector<std::string>{LanguageTexts.TextCantConnect});
    EXPECT_TRUE(form->enabled());
}

} // namespace
} // namespace varnel::test
