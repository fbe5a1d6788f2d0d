// The loading overlay around the watched transfers, and its cancel.
#include "radio/mform_fixture.h"

namespace varnel::test {
namespace {

class MFormOverlay : public MFormTest {
protected:
    void SetUp() override
    {
        MFormTest::SetUp();
        OpenPort();
        SetHardware("4.0");
    }

    void FillTable()
    {
        for (int c = 1; c <= 16; ++c) {
            form->TransmitBox(c)->setText("435.00000");
            form->ReceiveBox(c)->setText("435.00000");
            form->SetChannelPower(c, 0);
        }
    }
};

TEST_F(MFormOverlay, IdentificationShowsItUntilTheModelReply)
{
    EXPECT_FALSE(overlay->visible());
    form->RzToolButton4.userClick();
    EXPECT_TRUE(overlay->visible());
    Reply(0x28, {0x20, 0x40, 0x21});
    EXPECT_FALSE(overlay->visible());
}

TEST_F(MFormOverlay, TimeOutsCloseIt)
{
    form->RzToolButton4.userClick();
    backend.advance(2000);
    EXPECT_FALSE(overlay->visible());

    form->Button12.userClick();
    EXPECT_TRUE(overlay->visible());
    backend.advance(2000);
    EXPECT_FALSE(overlay->visible());
    EXPECT_EQ(Messages().back(), "Read/Write Timeout!");
}

TEST_F(MFormOverlay, TableReadShowsItUntilTheEndOrTheFailure)
{
    form->Button12.userClick();
    EXPECT_TRUE(overlay->visible());
    Reply(0x20, RecordData(1, 43500000, 43500000));
    EXPECT_TRUE(overlay->visible());
    Reply(0x20, RecordData(2, 60000000, 43500000));
    EXPECT_EQ(form->RzStatusPane4.caption(), "Read failed!");
    EXPECT_FALSE(overlay->visible());

    form->Button12.userClick();
    form->Link.TransferState = link::TransferState::ReadingTable;
    Reply(0x94, {0x10, 0x01});
    EXPECT_EQ(form->RzStatusPane4.caption(), "Read success!");
    EXPECT_FALSE(overlay->visible());
}

TEST_F(MFormOverlay, TableWriteShowsItUntilTheEndOrAnEmptyBox)
{
    form->Button13.userClick();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Find an empty input box!"});
    EXPECT_FALSE(overlay->visible());

    FillTable();
    form->Button13.userClick();
    EXPECT_TRUE(overlay->visible());
    form->Link.TransferState = link::TransferState::WritingPowers;
    form->Link.WritePowerIndex = 16;
    Reply(0x20, {0x00});
    EXPECT_EQ(form->RzStatusPane4.caption(), "Write success!");
    EXPECT_FALSE(overlay->visible());
}

TEST_F(MFormOverlay, DoubleClickCancelsTheWatchedTransfer)
{
    form->Button12.userClick();
    Reply(0x20, RecordData(1, 43500000, 43500000));
    overlay->userDblClick();
    EXPECT_FALSE(overlay->visible());
    EXPECT_EQ(form->RzStatusPane4.caption(), "Cancel");
    EXPECT_FALSE(form->RzProgressBar1.visible());
    EXPECT_TRUE(form->enabled());
    EXPECT_EQ(form->Link.TransferState, link::TransferState::Idle);
    backend.advance(3000);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(MFormOverlay, DoubleClickWithoutATransferOnlyClosesIt)
{
    overlay->show();
    overlay->userDblClick();
    EXPECT_FALSE(overlay->visible());
    EXPECT_EQ(form->RzStatusPane4.caption(), "");
}

TEST_F(MFormOverlay, CancelDuringTheIdentificationKeepsATableStateItDoesNotOwn)
{
    form->Link.TransferState = link::TransferState::Restoring;
    form->RzToolButton4.userClick();
    overlay->userDblClick();
    EXPECT_EQ(form->RzStatusPane4.caption(), "Cancel");
    EXPECT_EQ(form->Link.TransferState, link::TransferState::Restoring);
    Reply(0x20, {0x00});
    EXPECT_EQ(Messages(), std::vector<std::string>{"Restore parameters success!"});
}

} // namespace
} // namespace varnel::test
