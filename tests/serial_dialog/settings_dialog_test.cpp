// The serial settings dialog on the headless backend, over a pseudo-terminal
// published as COM7 and a COM8 that cannot be opened.
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "serial/app_lang.h"
#include "serial/comm32_error.h"
#include "serial/qzcommdevice.h"
#include "serial_dialog/settings_dialog.h"
#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/headless_backend.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;
using Dialog = TForm_QzCommDevice_Settings;
using THalvikFuncs::TAppLang;

constexpr int LivePort = 7;
constexpr int DeadPort = 8;

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedLangType = THalvikFuncs::AppLang().LangType;
        THalvikFuncs::AppLang().LangType = TAppLang::ltEnglish;

        char pattern[] = "/tmp/varnel-dialog-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
        const char* old = std::getenv("VARNEL_PORT_DIR");
        if (old != nullptr)
            savedPortDir = old;
        ::setenv("VARNEL_PORT_DIR", root.c_str(), 1);

        char slaveName[256] = {};
        ASSERT_EQ(::openpty(&master, &slave, slaveName, nullptr, nullptr), 0);
        fs::create_symlink(slaveName, root / ("COM" + std::to_string(LivePort)));
        // A plain file is no terminal: opening it fails.
        std::ofstream(root / "not-a-tty").put('\n');
        fs::create_symlink(root / "not-a-tty", root / ("COM" + std::to_string(DeadPort)));

        device.emplace(backend);
        device->fSetPort(LivePort);
        device->fSetBaud(TBaudRate::br9600);
    }

    void TearDown() override
    {
        TQzCustomCommDevice::SetSettingsDialogFunction(nullptr);
        device.reset();
        if (slave >= 0)
            ::close(slave);
        if (master >= 0)
            ::close(master);
        if (savedPortDir)
            ::setenv("VARNEL_PORT_DIR", savedPortDir->c_str(), 1);
        else
            ::unsetenv("VARNEL_PORT_DIR");
        std::error_code ignored;
        fs::remove_all(root, ignored);
        THalvikFuncs::AppLang().LangType = savedLangType;
    }

    // Runs the dialog with `user` acting while it is up; the dialog's result.
    bool Run(const std::function<void(Dialog&)>& user, bool openAfterwards = false)
    {
        backend.onNextModal([&](tk::Form& form) { user(dynamic_cast<Dialog&>(form)); });
        return Dialog::Execute(*device, &mainButton, openAfterwards);
    }

    // What the component would show in a freshly opened dialog.
    struct Snapshot {
        bool active;
        int port;
        TBaudRate baud;
        int byteSize;
        TParity parity;
        TStopBits stopBits;
        TFlowControl flow;
        int autoAnswer;
        long inSize;
        long outSize;
        friend bool operator==(const Snapshot&, const Snapshot&) = default;
    };
    Snapshot Settings() const
    {
        return {device->fGetActive(),   device->fGetPort(),   device->fGetBaud(),     device->fGetByteSize(),
                device->fGetParity(),   device->fGetStopBits(), device->fGetFlCtrl(), device->fGetAutAns(),
                device->fGetInBufSize(), device->fGetOutBufSize()};
    }

    // The message the engine gives for the port that cannot be opened.
    std::string DeadPortMessage()
    {
        TQzCommDevice probe(backend);
        probe.fSetPort(DeadPort);
        try {
            probe.fSetActive(true);
        } catch (const HalvikComm32::EComm32Error& error) {
            return error.Utf8Message();
        }
        ADD_FAILURE() << "COM" << DeadPort << " opened";
        return {};
    }

    tk::HeadlessBackend backend;
    tk::Application app{backend};
    // The application's main form: the dialog is not, so closing it does
    // not end the program.
    tk::Form mainForm{"MainForm", {0, 0, 400, 300}};
    tk::Button& mainButton = mainForm.add<tk::Button>("Button1", {10, 10, 75, 25});
    std::optional<TQzCommDevice> device;
    fs::path root;
    std::optional<std::string> savedPortDir;
    int master = -1;
    int slave = -1;
    int savedLangType = TAppLang::ltEnglish;
};

TEST_F(SettingsDialogTest, OpensWithTheComponentsValues)
{
    device->fSetByteSize(7);
    device->fSetParity(TParity::ptEvenParity);
    device->fSetStopBits(TStopBits::sbTwoStopBit);
    device->fSetFlCtrl(TFlowControl::fcTranXonXoff);
    device->fSetAutAns(3);
    device->fSetInBufSize(16384);
    device->fSetOutBufSize(4096);

    Dialog dialog(nullptr, false, *device);
    const std::vector<std::string>& ports = dialog.CbPort.items();
    const auto live = std::find(ports.begin(), ports.end(), "COM7");
    const auto dead = std::find(ports.begin(), ports.end(), "COM8");
    ASSERT_NE(live, ports.end());
    ASSERT_NE(dead, ports.end());
    EXPECT_LT(live, dead) << "the port list keeps its order";

    EXPECT_EQ(dialog.CbPort.text(), "COM7");
    EXPECT_EQ(dialog.CbSelBaud.text(), "9600");
    EXPECT_EQ(dialog.CbSelBaud.itemCount(), 15);
    EXPECT_EQ(dialog.CbByteSize.text(), "7");
    EXPECT_EQ(dialog.CbParity.text(), "Even");
    EXPECT_EQ(dialog.CbStopBits.text(), "2");
    EXPECT_EQ(dialog.CbFlow.itemIndex(), 2) << "transmit-only Xon/Xoff shows as Xon/Xoff";
    EXPECT_EQ(dialog.EditAutoAns.text(), "3");
    EXPECT_EQ(dialog.EditInBufSize.text(), "16384");
    EXPECT_EQ(dialog.EditOutBufSize.text(), "4096");
}

TEST_F(SettingsDialogTest, PortMissingFromTheListSelectsNoPort)
{
    device->fSetPort(99);
    Dialog dialog(nullptr, false, *device);
    EXPECT_EQ(dialog.CbPort.itemIndex(), -1);
    EXPECT_EQ(dialog.CbPort.text(), "");
}

TEST_F(SettingsDialogTest, FlowControlEntries)
{
    const struct {
        TFlowControl flow;
        int entry;
    } cases[] = {{TFlowControl::fcNone, 0},
                 {TFlowControl::fcRtsCts, 1},
                 {TFlowControl::fcXonXoff, 2},
                 {TFlowControl::fcRtsCtsXonXoff, 3}};
    for (const auto& c : cases) {
        device->fSetFlCtrl(c.flow);
        Dialog dialog(nullptr, false, *device);
        EXPECT_EQ(dialog.CbFlow.itemIndex(), c.entry) << static_cast<int>(c.flow);

        // And back: the entry chosen gives that flow control.
        device->fSetFlCtrl(TFlowControl::fcNone);
        ASSERT_TRUE(Run([&](Dialog& d) {
            d.CbFlow.userSelect(c.entry);
            d.BnOK.userClick();
        }));
        EXPECT_EQ(device->fGetFlCtrl(), c.flow) << c.entry;
    }
}

struct LanguageCase {
    int langType;
    const char* caption;
    const char* ok;
    const char* port;
    const char* space;
    const char* flowBoth;
};

class SettingsDialogLanguageTest : public SettingsDialogTest, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(SettingsDialogLanguageTest, TextsFollowTheLibrarysLanguage)
{
    const LanguageCase& c = GetParam();
    THalvikFuncs::AppLang().LangType = c.langType;
    Dialog dialog(nullptr, false, *device);
    EXPECT_EQ(dialog.caption(), c.caption);
    EXPECT_EQ(dialog.BnOK.caption(), c.ok);
    EXPECT_EQ(dialog.lbPort.caption(), c.port);
    ASSERT_EQ(dialog.CbParity.itemCount(), 5);
    EXPECT_EQ(dialog.CbParity.items()[4], c.space);
    ASSERT_EQ(dialog.CbFlow.itemCount(), 4);
    EXPECT_EQ(dialog.CbFlow.items()[3], c.flowBoth);

    // Every caption of the dialog comes from the table.
    for (const tk::Control* control :
         {static_cast<tk::Control*>(&dialog.BnCancel), static_cast<tk::Control*>(&dialog.lbBaud),
          static_cast<tk::Control*>(&dialog.lbCheck), static_cast<tk::Control*>(&dialog.lbBits),
          static_cast<tk::Control*>(&dialog.lbStops), static_cast<tk::Control*>(&dialog.lbFlow),
          static_cast<tk::Control*>(&dialog.lbAAns), static_cast<tk::Control*>(&dialog.lbInbs),
          static_cast<tk::Control*>(&dialog.lbOutbs), static_cast<tk::Control*>(&dialog.GboxBase),
          static_cast<tk::Control*>(&dialog.GBoxModem), static_cast<tk::Control*>(&dialog.GBoxBuffer)})
        EXPECT_FALSE(control->caption().empty()) << control->name();
}

INSTANTIATE_TEST_SUITE_P(
    Languages, SettingsDialogLanguageTest,
    ::testing::Values(LanguageCase{TAppLang::ltEnglish, "COM port Setup", "&OK", "COM port", "Space Parity",
                                   "RTS/CTS & Xon/Xoff"},
                      LanguageCase{TAppLang::ltSimplifiedChinese, "端口设置", "确定", "端口", "Space (空格)",
                                   "RTS/CTS & Xon/Xoff (硬&软)"},
                      LanguageCase{TAppLang::ltTraditionalChinese, "序列埠設置", "確定", "序 列 埠", "Space (空白)",
                                   "RTS/CTS & Xon/Xoff (硬&軟)"},
                      // An unknown language type reads as English.
                      LanguageCase{0, "COM port Setup", "&OK", "COM port", "Space Parity", "RTS/CTS & Xon/Xoff"}));

TEST(SettingsDialogTextTest, TableHasItsNumbersInAllThreeLanguages)
{
    for (int index = 0; index <= 36; ++index) {
        const bool present = index <= 18 || (index >= 20 && index <= 23) || (index >= 26 && index <= 35);
        for (int lang : {1, 2, 3})
            EXPECT_EQ(SettingsDialogText(index, lang).empty(), !present) << index << " in " << lang;
    }
    EXPECT_EQ(SettingsDialogText(Dialog::txBadAutoAnswer, 2), "自动应答必须是 0 - 255 的整数");
    EXPECT_EQ(SettingsDialogText(Dialog::txBadInBuf, 1), "Input Buffer size error");
}

TEST_F(SettingsDialogTest, ButtonsSitEitherSideOfTheCentre)
{
    Dialog dialog(&mainButton, false, *device);
    EXPECT_EQ(dialog.owner(), &mainForm);
    EXPECT_EQ(dialog.clientWidth(), 393);
    EXPECT_EQ(dialog.clientHeight(), 228);
    EXPECT_EQ(dialog.position(), tk::Form::Position::ScreenCentre);
    const int centred = (dialog.clientWidth() - dialog.BnOK.width()) / 2;
    EXPECT_EQ(dialog.BnOK.left(), centred - 60);
    EXPECT_EQ(dialog.BnCancel.left(), centred + 60);
    EXPECT_TRUE(dialog.BnOK.isDefault());
    EXPECT_TRUE(dialog.BnCancel.isCancel());
}

TEST_F(SettingsDialogTest, EnterWalksTheFieldsAndTheLastOneTakesTheSettings)
{
    std::vector<std::string> walked;
    std::vector<int> autoAnswerWhileWalking;
    const bool ok = Run([&](Dialog& d) {
        d.EditAutoAns.setText("5");
        for (int step = 0; step < 9 && d.visible(); ++step) {
            tk::Control* focused = d.activeControl();
            ASSERT_NE(focused, nullptr);
            walked.push_back(focused->name());
            autoAnswerWhileWalking.push_back(device->fGetAutAns());
            if (auto* box = dynamic_cast<tk::ComboBox*>(focused))
                box->userKey(U'\r');
            else if (auto* edit = dynamic_cast<tk::Edit*>(focused))
                edit->userKey(U'\r');
            if (d.modalResult() != tk::ModalResult::None)
                break;
        }
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(walked, (std::vector<std::string>{"CbPort", "CbSelBaud", "CbParity", "CbByteSize", "CbStopBits", "CbFlow",
                                                "EditAutoAns", "EditInBufSize", "EditOutBufSize"}));
    EXPECT_EQ(autoAnswerWhileWalking, std::vector<int>(9, 0)) << "nothing applied before the last field";
    EXPECT_EQ(device->fGetAutAns(), 5);
}

TEST_F(SettingsDialogTest, EscapeCancels)
{
    const Snapshot before = Settings();
    EXPECT_FALSE(Run([&](Dialog& d) {
        d.EditAutoAns.setText("9");
        d.EditAutoAns.userKey(U'\x1b');
    }));
    EXPECT_EQ(Settings(), before);
}

struct RefusalCase {
    const char* what;
    std::function<void(Dialog&)> edit;
    int text;
    const char* focused;
};

class SettingsDialogRefusalTest : public SettingsDialogTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(SettingsDialogRefusalTest, RefusedFieldKeepsTheDialogOpenAndTheComponentUnchanged)
{
    const RefusalCase& c = GetParam();
    const Snapshot before = Settings();
    bool stillOpen = false;
    std::string focused;
    EXPECT_FALSE(Run([&](Dialog& d) {
        c.edit(d);
        d.BnOK.userClick();
        stillOpen = d.visible() && d.modalResult() == tk::ModalResult::None;
        focused = d.activeControl() != nullptr ? d.activeControl()->name() : "";
        d.BnCancel.userClick();
    }));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(focused, c.focused);
    ASSERT_EQ(backend.messages().size(), 1u);
    EXPECT_EQ(backend.messages()[0].text, SettingsDialogText(c.text, TAppLang::ltEnglish));
    EXPECT_EQ(backend.messages()[0].caption, "COM port Setup");
    EXPECT_EQ(backend.messages()[0].icon, tk::Icon::Error);
    EXPECT_EQ(Settings(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, SettingsDialogRefusalTest,
    ::testing::Values(
        // The component itself takes any size; the dialog wants at least 4096.
        RefusalCase{"InputBuffer2048", [](Dialog& d) { d.EditInBufSize.setText("2048"); }, Dialog::txBadInBuf,
                    "EditInBufSize"},
        RefusalCase{"InputBuffer4095", [](Dialog& d) { d.EditInBufSize.setText("4095"); }, Dialog::txBadInBuf,
                    "EditInBufSize"},
        RefusalCase{"OutputBuffer4095", [](Dialog& d) { d.EditOutBufSize.setText("4095"); }, Dialog::txBadOutBuf,
                    "EditOutBufSize"},
        RefusalCase{"OutputBufferNotANumber", [](Dialog& d) { d.EditOutBufSize.setText("8k"); }, Dialog::txBadOutBuf,
                    "EditOutBufSize"},
        RefusalCase{"InputBufferTooBigToHold",
                    [](Dialog& d) { d.EditInBufSize.setText("99999999999999999999999"); }, Dialog::txBadInBuf,
                    "EditInBufSize"},
        RefusalCase{"AutoAnswer256", [](Dialog& d) { d.EditAutoAns.setText("256"); }, Dialog::txBadAutoAnswer,
                    "EditAutoAns"},
        RefusalCase{"AutoAnswerNegative", [](Dialog& d) { d.EditAutoAns.setText("-1"); }, Dialog::txBadAutoAnswer,
                    "EditAutoAns"},
        RefusalCase{"AutoAnswerEmpty", [](Dialog& d) { d.EditAutoAns.setText("  "); }, Dialog::txBadAutoAnswer,
                    "EditAutoAns"},
        RefusalCase{"AutoAnswerHex", [](Dialog& d) { d.EditAutoAns.setText("0x10"); }, Dialog::txBadAutoAnswer,
                    "EditAutoAns"},
        RefusalCase{"NoPort", [](Dialog& d) { d.CbPort.setItemIndex(-1); }, Dialog::txNoPort, "CbPort"},
        RefusalCase{"NoBaud", [](Dialog& d) { d.CbSelBaud.setItemIndex(-1); }, Dialog::txNoBaud, "CbSelBaud"},
        RefusalCase{"NoByteSize", [](Dialog& d) { d.CbByteSize.setItemIndex(-1); }, Dialog::txNoByteSize,
                    "CbByteSize"},
        RefusalCase{"NoParity", [](Dialog& d) { d.CbParity.setItemIndex(-1); }, Dialog::txNoParityChosen, "CbParity"},
        RefusalCase{"NoStopBits", [](Dialog& d) { d.CbStopBits.setItemIndex(-1); }, Dialog::txNoStopBits,
                    "CbStopBits"},
        RefusalCase{"NoFlow", [](Dialog& d) { d.CbFlow.setItemIndex(-1); }, Dialog::txNoFlow, "CbFlow"},
        // Byte size is checked before parity although parity comes first on
        // the form.
        RefusalCase{"ByteSizeBeforeParity",
                    [](Dialog& d) {
                        d.CbParity.setItemIndex(-1);
                        d.CbByteSize.setItemIndex(-1);
                    },
                    Dialog::txNoByteSize, "CbByteSize"},
        RefusalCase{"ChoicesBeforeNumbers",
                    [](Dialog& d) {
                        d.EditInBufSize.setText("1");
                        d.CbFlow.setItemIndex(-1);
                    },
                    Dialog::txNoFlow, "CbFlow"}),
    [](const ::testing::TestParamInfo<RefusalCase>& param) { return std::string(param.param.what); });

TEST_F(SettingsDialogTest, BlanksAroundTheAutoAnswerValueAreAccepted)
{
    EXPECT_TRUE(Run([&](Dialog& d) {
        d.EditAutoAns.setText(" 7 ");
        d.EditInBufSize.setText(" 4096");
        d.EditOutBufSize.setText("4096 ");
        d.BnOK.userClick();
    }));
    EXPECT_TRUE(backend.messages().empty());
    EXPECT_EQ(device->fGetAutAns(), 7);
    EXPECT_EQ(device->fGetInBufSize(), 4096);
    EXPECT_EQ(device->fGetOutBufSize(), 4096);
}

TEST_F(SettingsDialogTest, OkAppliesEverySetting)
{
    EXPECT_TRUE(Run([&](Dialog& d) {
        d.CbSelBaud.userSelect(d.CbSelBaud.indexOf("19200"));
        d.CbParity.userSelect(1);
        d.CbByteSize.userSelect(d.CbByteSize.indexOf("7"));
        d.CbStopBits.userSelect(d.CbStopBits.indexOf("1.5"));
        d.CbFlow.userSelect(1);
        d.EditAutoAns.setText("12");
        d.EditInBufSize.setText("5000");
        d.EditOutBufSize.setText("6000");
        d.BnOK.userClick();
    }));
    const Snapshot wanted{false,
                          LivePort,
                          TBaudRate::br19200,
                          7,
                          TParity::ptOddParity,
                          TStopBits::sbOne_5_StopBits,
                          TFlowControl::fcRtsCts,
                          12,
                          5000,
                          6000};
    EXPECT_EQ(Settings(), wanted);
}

struct ActiveCase {
    bool activeBefore;
    bool openAfterwards;
    bool activeAfter;
};

class SettingsDialogActiveTest : public SettingsDialogTest, public ::testing::WithParamInterface<ActiveCase> {};

TEST_P(SettingsDialogActiveTest, PortIsOpenAfterOkWhenItWasOrWhenAsked)
{
    const ActiveCase& c = GetParam();
    device->fSetActive(c.activeBefore);
    ASSERT_EQ(device->fGetActive(), c.activeBefore);
    EXPECT_TRUE(Run(
        [&](Dialog& d) {
            // A baud change closes the port on its way through.
            d.CbSelBaud.userSelect(d.CbSelBaud.indexOf("4800"));
            d.BnOK.userClick();
        },
        c.openAfterwards));
    EXPECT_EQ(device->fGetActive(), c.activeAfter);
    EXPECT_EQ(device->fGetBaud(), TBaudRate::br4800);
}

INSTANTIATE_TEST_SUITE_P(States, SettingsDialogActiveTest,
                         ::testing::Values(ActiveCase{false, false, false}, ActiveCase{false, true, true},
                                           ActiveCase{true, false, true}, ActiveCase{true, true, true}));

TEST_F(SettingsDialogTest, PortThatFailsToOpenPutsEverythingBack)
{
    for (const bool activeBefore : {false, true}) {
        SCOPED_TRACE(activeBefore ? "port open before" : "port closed before");
        backend.clearMessages();
        device->fSetActive(activeBefore);
        const Snapshot before = Settings();
        bool stillOpen = false;
        std::string focused;
        EXPECT_FALSE(Run(
            [&](Dialog& d) {
                d.CbPort.userSelect(d.CbPort.indexOf("COM8"));
                d.CbSelBaud.userSelect(d.CbSelBaud.indexOf("38400"));
                d.CbFlow.userSelect(2);
                d.EditAutoAns.setText("4");
                d.EditInBufSize.setText("20000");
                d.EditOutBufSize.setText("30000");
                d.BnOK.userClick();
                stillOpen = d.visible() && d.modalResult() == tk::ModalResult::None;
                focused = d.activeControl() != nullptr ? d.activeControl()->name() : "";
                d.BnCancel.userClick();
            },
            true));
        EXPECT_TRUE(stillOpen);
        EXPECT_EQ(focused, "CbPort");
        ASSERT_EQ(backend.messages().size(), 1u);
        EXPECT_EQ(backend.messages()[0].text, DeadPortMessage());
        EXPECT_EQ(backend.messages()[0].caption, "COM port Setup");
        EXPECT_EQ(backend.messages()[0].icon, tk::Icon::Error);
        EXPECT_EQ(Settings(), before);
    }
}

TEST_F(SettingsDialogTest, CancelChangesNothing)
{
    device->fSetActive(true);
    const Snapshot before = Settings();
    EXPECT_FALSE(Run([&](Dialog& d) {
        d.CbPort.userSelect(d.CbPort.indexOf("COM8"));
        d.CbSelBaud.userSelect(0);
        d.CbByteSize.userSelect(0);
        d.CbParity.userSelect(4);
        d.CbStopBits.userSelect(2);
        d.CbFlow.userSelect(3);
        d.EditAutoAns.setText("200");
        d.EditInBufSize.setText("10000");
        d.EditOutBufSize.setText("10000");
        d.BnCancel.userClick();
    }));
    EXPECT_EQ(Settings(), before);
    EXPECT_TRUE(backend.messages().empty());
}

TEST_F(SettingsDialogTest, ComponentsSettingsDialogShowsItOnceInstalled)
{
    InstallSettingsDialog();
    backend.onNextModal([](tk::Form& form) {
        auto& d = dynamic_cast<Dialog&>(form);
        d.EditAutoAns.setText("9");
        d.BnOK.userClick();
    });
    EXPECT_TRUE(device->SettingsDialog(nullptr, true));
    EXPECT_EQ(device->fGetAutAns(), 9);
    EXPECT_TRUE(device->fGetActive());

    backend.onNextModal([](tk::Form& form) { dynamic_cast<Dialog&>(form).BnCancel.userClick(); });
    EXPECT_FALSE(device->SettingsDialog(nullptr, false));
}

}  // namespace
}  // namespace varnel
