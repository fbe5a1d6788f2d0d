// The main window against the radio emulator over pseudo-terminals:
// identification, the whole table read, written and read back, and a lost
// reply ending in the time-out.
#include "radio/mform_fixture.h"

#include <chrono>
#include <optional>

#include "app/application.h"
#include "radio/channel_values.h"
#include "radio/emulator_process.h"

namespace varnel::test {
namespace {

constexpr int kCom = 5;
constexpr auto kTransferDeadline = std::chrono::seconds(60);

std::uint32_t ProfileTx(int c) { return 43000000 + static_cast<std::uint32_t>(c) * 12500; }
std::uint32_t ProfileRx(int c) { return ProfileTx(c) + 500000; }
int ProfilePower(int c) { return c % 5 + 1; }

class MFormEmulator : public ::testing::Test {
protected:
    void Start(std::vector<std::string> extra = {})
    {
        const TempDir& dir = profileDir;
        std::vector<std::uint32_t> tx, rx;
        std::vector<int> power;
        for (int c = 1; c <= 16; ++c) {
            tx.push_back(ProfileTx(c));
            rx.push_back(ProfileRx(c));
            power.push_back(ProfilePower(c));
        }
        WriteProfile(dir.path() / "table.ini", tx, rx, power);
        extra.insert(extra.end(), {"--profile", (dir.path() / "table.ini").string(), "--id", "12345"});
        emulator.emplace(kCom, extra);
        ASSERT_TRUE(emulator->ready()) << "emulator did not come up";

        LanguageTexts = EnglishLanguageTexts();
        form = std::make_unique<TMForm>();
        MForm = form.get();
        overlay = std::make_unique<TLoadingForm>();
        LoadingForm = overlay.get();
        form->show();
        form->ComPort1.fSetPort(kCom);
        form->ComPort1.fSetActive(true);
        ASSERT_TRUE(form->ComPort1.fGetActive());
    }

    void TearDown() override
    {
        LoadingForm = nullptr;
        overlay.reset();
        MForm = nullptr;
        form.reset();
        emulator.reset();
    }

    // Waits in real time until the result pane shows a result.
    std::string WaitForResult()
    {
        backend.waitForPosts([&] { return !form->RzStatusPane4.caption().empty(); }, kTransferDeadline);
        return form->RzStatusPane4.caption();
    }

    void Identify()
    {
        form->RzToolButton4.userClick();
        ASSERT_EQ(WaitForResult(), "Read success!");
    }

    tk::HeadlessBackend backend;
    tk::Application app{backend};
    TempDir profileDir;
    std::optional<EmulatorProcess> emulator;
    std::unique_ptr<TMForm> form;
    std::unique_ptr<TLoadingForm> overlay;
};

TEST_F(MFormEmulator, IdentificationFillsTheIdentityPanel)
{
    Start();
    Identify();
    EXPECT_EQ(form->Edit1.text(), "ZR650/T");
    EXPECT_EQ(form->Edit56.text(), "4.0");
    EXPECT_EQ(form->Edit5.text(), "2.1");
    EXPECT_EQ(form->Edit3.text(), "420MHz~500MHz");
    EXPECT_EQ(form->Edit2.text(), "12345");
    EXPECT_FALSE(form->Edit4.text().empty());
    EXPECT_EQ(form->Edit4.text(), form->CurrentChannel.caption());
    EXPECT_TRUE(form->enabled());
    EXPECT_FALSE(overlay->visible());
    EXPECT_TRUE(backend.messageTexts().empty());
    EXPECT_EQ(form->RzStatusPane2.caption(), "Tx:18");
    EXPECT_EQ(form->RzStatusPane3.caption(), "Rx:" + std::to_string(9 + 8 + 7));
}

TEST_F(MFormEmulator, FullTableRead)
{
    Start();
    Identify();
    form->RzStatusPane4.setCaption("");
    form->Button12.userClick();
    ASSERT_EQ(WaitForResult(), "Read success!");
    for (int c = 1; c <= 16; ++c) {
        EXPECT_EQ(form->TransmitBox(c)->text(), radio::FormatMHz(ProfileTx(c) * 0.00001)) << c;
        EXPECT_EQ(form->ReceiveBox(c)->text(), radio::FormatMHz(ProfileRx(c) * 0.00001)) << c;
        EXPECT_EQ(form->GetChannelPower(c), ProfilePower(c) - 1) << c;
    }
    EXPECT_TRUE(form->enabled());
    EXPECT_FALSE(form->RzProgressBar1.visible());
    EXPECT_FALSE(overlay->visible());
    EXPECT_TRUE(backend.messageTexts().empty());
}

TEST_F(MFormEmulator, TableWrittenAndReadBack)
{
    Start();
    Identify();
    for (int c = 1; c <= 16; ++c) {
        form->TransmitBox(c)->setText(radio::FormatMHz(450.0 + c * 0.00625));
        form->ReceiveBox(c)->setText(radio::FormatMHz(460.0 + c * 0.005));
        form->SetChannelPower(c, (c + 2) % 5);
    }
    form->RzStatusPane4.setCaption("");
    form->Button13.userClick();
    ASSERT_EQ(WaitForResult(), "Write success!");

    const auto state = emulator->State();
    for (int c = 1; c <= 16; ++c) {
        const std::string k = std::to_string(c);
        EXPECT_EQ(state.at("tx" + k), std::to_string(45000000 + c * 625)) << c;
        EXPECT_EQ(state.at("rx" + k), std::to_string(46000000 + c * 500)) << c;
        EXPECT_EQ(state.at("power" + k), std::to_string((c + 2) % 5 + 1)) << c;
    }

    form->RzStatusPane4.setCaption("");
    form->Button12.userClick();
    ASSERT_EQ(WaitForResult(), "Read success!");
    for (int c = 1; c <= 16; ++c) {
        EXPECT_EQ(form->TransmitBox(c)->text(), radio::FormatMHz(450.0 + c * 0.00625)) << c;
        EXPECT_EQ(form->ReceiveBox(c)->text(), radio::FormatMHz(460.0 + c * 0.005)) << c;
        EXPECT_EQ(form->GetChannelPower(c), (c + 2) % 5) << c;
    }
    EXPECT_TRUE(backend.messageTexts().empty());
}

TEST_F(MFormEmulator, ALostReplyEndsTheReadWithTheTimeOut)
{
    // Identification takes three replies; the eighth reply is the fifth of the read.
    Start({"--drop-every", "8"});
    Identify();
    form->RzStatusPane4.setCaption("");
    form->Button12.userClick();
    // Four records come back and the fifth request goes out; its reply never does.
    ASSERT_TRUE(backend.waitForPosts([&] { return form->Link.TxByteCount.value() == 18 + 5 * 8; }, kTransferDeadline));
    EXPECT_EQ(form->TransmitBox(4)->text(), radio::FormatMHz(ProfileTx(4) * 0.00001));
    EXPECT_TRUE(backend.messageTexts().empty());
    backend.advance(2000);
    EXPECT_EQ(backend.messageTexts(), std::vector<std::string>{"Read/Write Timeout!"});
    EXPECT_TRUE(form->enabled());
    EXPECT_FALSE(overlay->visible());
    EXPECT_EQ(form->TransmitBox(5)->text(), "");
    EXPECT_EQ(form->Link.TransferState, link::TransferState::Idle);
}

// The whole program on the headless backend: the port dialog opens COM1 at
// start, the overlay is the program's own.
class ProgramWithEmulator : public ::testing::Test {
protected:
    tk::HeadlessBackend backend;
    tk::Application toolkit{backend};
    TempDir settings;
    EmulatorProcess emulator{1, {"--id", "7"}};
};

TEST_F(ProgramWithEmulator, IdentifiesReadsTheTableAndCancels)
{
    ASSERT_TRUE(emulator.ready());
    app::ApplicationOptions options;
    options.settingsDirectory = settings.path();
    app::Application program(options);
    TMForm& form = program.mainForm();
    ASSERT_TRUE(form.ComPort1.fGetActive());
    form.show();

    form.RzToolButton4.userClick();
    ASSERT_TRUE(backend.waitForPosts([&] { return form.RzStatusPane4.caption() == "Read success!"; },
                                     kTransferDeadline));
    EXPECT_EQ(form.Edit2.text(), "00007");

    form.Button12.userClick();
    EXPECT_TRUE(LoadingForm->visible());
    ASSERT_TRUE(backend.waitForPosts([&] { return form.RzStatusPane4.caption() == "Read success!"; },
                                     kTransferDeadline));
    EXPECT_FALSE(LoadingForm->visible());
    for (int c = 1; c <= 16; ++c)
        EXPECT_FALSE(form.TransmitBox(c)->text().empty()) << c;

    // A cancel in the middle of the next read stops it where it is.
    form.Button12.userClick();
    ASSERT_TRUE(backend.waitForPosts([&] { return !form.TransmitBox(3)->text().empty(); }, kTransferDeadline));
    LoadingForm->userDblClick();
    EXPECT_EQ(form.RzStatusPane4.caption(), "Cancel");
    EXPECT_TRUE(form.enabled());
    const auto sent = form.Link.TxByteCount.value();
    const auto received = form.Link.RxByteCount.value();
    // The reply to the request already out still comes; it carries nothing on.
    ASSERT_TRUE(backend.waitForPosts([&] { return form.Link.RxByteCount.value() > received; }, kTransferDeadline));
    EXPECT_EQ(form.Link.TxByteCount.value(), sent);
    EXPECT_TRUE(form.TransmitBox(4)->text().empty());
    EXPECT_EQ(form.RzStatusPane4.caption(), "Cancel");
    EXPECT_TRUE(backend.messageTexts().empty());
}

} // namespace
} // namespace varnel::test
