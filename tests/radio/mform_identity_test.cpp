// Identification and the ID number.
#include "radio/mform_fixture.h"

namespace varnel::test {
namespace {

class MFormIdentity : public MFormTest {
protected:
    void SetUp() override
    {
        MFormTest::SetUp();
        OpenPort();
    }

    void StartIdentification()
    {
        form->RzToolButton4.userClick();
        ASSERT_EQ(Sent(), B({0x55, 0xAA, 0x02, 0x28, 0x00, 0x2A}));
    }
};

TEST_F(MFormIdentity, ReadsModelVersionsIdAndCurrentChannel)
{
    form->RzStatusPane4.setCaption("Write success!");
    form->Edit4.setText("3");
    StartIdentification();
    EXPECT_EQ(form->RzStatusPane4.caption(), "");
    EXPECT_EQ(form->Edit4.text(), "");
    EXPECT_FALSE(form->enabled());
    EXPECT_TRUE(form->Timer1.enabled());
    EXPECT_EQ(form->Timer1.tag(), TMForm::TagIdentification);
    EXPECT_FALSE(form->RzProgressBar1.visible());

    Reply(0x28, {0x20, 0x40, 0x21});
    EXPECT_EQ(form->Edit1.text(), "ZR650/T");
    EXPECT_EQ(form->Edit56.text(), "4.0");
    EXPECT_EQ(form->Edit5.text(), "2.1");
    EXPECT_EQ(form->Edit3.text(), "420MHz~500MHz");
    EXPECT_TRUE(form->enabled());
    EXPECT_FALSE(form->Timer1.enabled());
    EXPECT_EQ(Sent(), B({0x55, 0xAA, 0x02, 0x26, 0x00, 0x28}));

    Reply(0x26, {0x30, 0x39});
    EXPECT_EQ(form->Edit2.text(), "12345");
    EXPECT_EQ(Sent(), B({0x55, 0xAA, 0x02, 0x24, 0x00, 0x26}));
    // No watchdog for the ID and channel requests.
    EXPECT_FALSE(form->Timer1.enabled());

    Reply(0x24, {0x05});
    EXPECT_EQ(form->Edit4.text(), "5");
    EXPECT_EQ(form->CurrentChannel.caption(), "5");
    EXPECT_EQ(form->RzStatusPane4.caption(), "Read success!");
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(TxCount(), 18);
}

TEST_F(MFormIdentity, VersionsDecideTheFrequencyRange)
{
    struct Case {
        std::uint8_t hardware;
        const char* shown;
        const char* range;
    };
    const Case cases[] = {{0x40, "4.0", "420MHz~500MHz"}, {0x31, "3.1", "136MHz~174MHz"}, {0x41, "4.1", ""},
                          {0x4A, "4.10", ""}};
    for (const Case& c : cases) {
        StartIdentification();
        Reply(0x28, {0x20, c.hardware, 0x10});
        EXPECT_EQ(form->Edit56.text(), c.shown);
        EXPECT_EQ(form->Edit3.text(), c.range) << c.shown;
        EXPECT_EQ(form->Edit5.text(), "1.0");
        ASSERT_EQ(Sent(), B({0x55, 0xAA, 0x02, 0x26, 0x00, 0x28}));
    }
}

TEST_F(MFormIdentity, UnknownModelStopsAfterTheModel)
{
    StartIdentification();
    Reply(0x28, {0x21, 0x40, 0x21});
    EXPECT_EQ(form->Edit1.text(), "Unkown Device");
    EXPECT_EQ(form->Edit56.text(), "");
    EXPECT_EQ(form->Edit5.text(), "");
    EXPECT_EQ(form->Edit3.text(), "");
    EXPECT_TRUE(form->enabled());
    EXPECT_EQ(TxCount(), 6); // no ID request
    EXPECT_EQ(form->RzStatusPane4.caption(), "");
}

TEST_F(MFormIdentity, NoModelReplyTimesOutWithCantConnect)
{
    StartIdentification();
    backend.advance(1999);
    EXPECT_TRUE(Messages().empty());
    backend.advance(1);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Can't connect with ZR650/T.\r\n"
                                                   "Please check the serial port configuration,power,connection,ect."});
    EXPECT_TRUE(form->enabled());
    EXPECT_FALSE(form->Timer1.enabled());
    EXPECT_EQ(form->Edit1.text(), "");
    backend.advance(10000);
    EXPECT_EQ(Messages().size(), 1U);
}

TEST_F(MFormIdentity, IdRepliesAreShownWithFiveDigits)
{
    const std::pair<Bytes, const char*> cases[] = {
        {B({0x30, 0x39}), "12345"}, {B({0x00, 0x07}), "00007"}, {B({0xFF, 0xFF}), "65535"}, {B({0x00, 0x00}), "00000"}};
    for (const auto& [bytes, shown] : cases) {
        Reply(0x26, bytes);
        EXPECT_EQ(form->Edit2.text(), shown);
        EXPECT_EQ(form->LastAcceptedId, shown);
        ASSERT_EQ(Sent(), B({0x55, 0xAA, 0x02, 0x24, 0x00, 0x26}));
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(MFormIdentity, WritesTheIdHighByteFirst)
{
    form->Edit2.setText("12345");
    form->RzStatusPane4.setCaption("Read success!");
    form->RzToolButton5.userClick();
    EXPECT_EQ(form->RzStatusPane4.caption(), "");
    EXPECT_EQ(Sent(), B({0x55, 0xAA, 0x04, 0x32, 0x30, 0x39, 0x00, 0x9F}));
    Reply(0x20, {0x00});
    EXPECT_EQ(form->RzStatusPane4.caption(), "Write success!");
    EXPECT_FALSE(form->Timer1.enabled());
    EXPECT_TRUE(form->enabled());
}

TEST_F(MFormIdentity, AnEmptiedBoxBecomesZeroOnLeavingAndWritesIdZero)
{
    form->Edit2.setText("42");
    form->Edit2.setText("");
    form->Edit2Exit(form->Edit2);
    EXPECT_EQ(form->Edit2.text(), "00000");
    form->Write1.userClick();
    EXPECT_EQ(Sent(), B({0x55, 0xAA, 0x04, 0x32, 0x00, 0x00, 0x00, 0x36}));
}

TEST_F(MFormIdentity, LeavingTheBoxNormalises)
{
    form->Edit2.setText("42");
    form->Edit2Exit(form->Edit2);
    EXPECT_EQ(form->Edit2.text(), "00042");
}

TEST_F(MFormIdentity, TextThatDoesNotConvertSendsNothing)
{
    form->Edit2.setText("12a"); // refused and put back to empty
    form->Edit2.setText("");
    backend.clearMessages();
    form->RzToolButton5Click(form->RzToolButton5);
    EXPECT_EQ(TxCount(), 0);
    EXPECT_TRUE(Messages().empty());
}

struct EntryCase {
    const char* typed;
    const char* message; // null: accepted
};

TEST_F(MFormIdentity, TypedEntriesAreCheckedOnEveryChange)
{
    const EntryCase cases[] = {
        {"65535", nullptr},
        {"00042", nullptr},
        {" 7", nullptr},
        {"65536", "the value is too big!"},
        {"12a", "\"12a\" is not a valid integer value!"},
        {"-5", "the value is too small!"}, // an ID is never negative
        {"-", "\"-\" is not a valid integer value!"},
        {"99999999999", "\"99999999999\" is not a valid integer value!"},
    };
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.typed);
        form->Edit2.setText("00123");
        backend.clearMessages();
        form->Edit2.setText(c.typed);
        if (c.message == nullptr) {
            EXPECT_TRUE(Messages().empty());
            EXPECT_EQ(form->Edit2.text(), c.typed);
            EXPECT_EQ(form->LastAcceptedId, c.typed);
        } else {
            EXPECT_EQ(Messages(), std::vector<std::string>{c.message});
            EXPECT_EQ(form->Edit2.text(), "00123");
            EXPECT_EQ(form->LastAcceptedId, "00123");
            EXPECT_EQ(form->Edit2.selStart(), 5);
            EXPECT_EQ(form->Edit2.selLength(), 0);
        }
    }
}

TEST_F(MFormIdentity, TypingCharacterByCharacterRestoresThePreviousText)
{
    form->Edit2.setText("");
    form->Edit2.setFocus();
    form->Edit2.userType("6553");
    EXPECT_EQ(form->Edit2.text(), "6553");
    form->Edit2.userType("6");
    EXPECT_EQ(Messages(), std::vector<std::string>{"the value is too big!"});
    EXPECT_EQ(form->Edit2.text(), "6553");
    EXPECT_EQ(form->Edit2.selStart(), 4);
}

} // namespace
} // namespace varnel::test
