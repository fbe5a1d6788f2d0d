// Start-up, the settings file and the program's two ways of ending.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "adjust/adjust.h"
#include "app/about_box.h"
#include "app/instances.h"
#include "app/language_texts.h"
#include "app/loading_form.h"
#include "app/shell_fixture.h"
#include "modem/modem.h"
#include "ports/modem_com_port.h"
#include "ports/port_form.h"
#include "ports/port_settings.h"
#include "radio/mform.h"

namespace varnel::test {
namespace {

using ports::SelectedText;

// Virtual time the splash holds start-up: opaque phase, then 82 fade steps.
constexpr std::int64_t SplashMilliseconds = 900 + 82 * 5;

class StartUpTest : public ShellTest {};

TEST_F(StartUpTest, FirstStartWithoutSettingsFileUsesTheDefaultsAndOpensTheRadioPort)
{
    addPort(1);
    addPort(2);
    start();

    EXPECT_EQ(LanguageIndex, 0);
    EXPECT_EQ(MForm->caption(), "ZR650/T Varnel V3.8");
    EXPECT_EQ(LanguageTexts.TextOpen, "Open");
    EXPECT_EQ(MForm->RzLabel2.caption(), "");
    EXPECT_GE(backend().now(), SplashMilliseconds) << "the splash did not run its course";

    TPortForm& dialog = *PortForm;
    EXPECT_EQ(SelectedText(dialog.ComName1), "COM1");
    EXPECT_EQ(SelectedText(dialog.BaudRate1), "9600");
    EXPECT_EQ(SelectedText(dialog.DataBits1), "8");
    EXPECT_EQ(SelectedText(dialog.Parity1), "None");
    EXPECT_EQ(SelectedText(dialog.StopBits1), "1");
    EXPECT_FALSE(dialog.DataBits1.enabled());
    EXPECT_FALSE(dialog.Parity1.enabled());
    EXPECT_FALSE(dialog.StopBits1.enabled());

    const TQzCommDevice& radio = MForm->ComPort1;
    EXPECT_TRUE(radio.fGetActive());
    EXPECT_EQ(radio.fGetPort(), 1);
    EXPECT_EQ(radio.fGetBaud(), TBaudRate::br9600);
    EXPECT_EQ(radio.fGetByteSize(), 8);
    EXPECT_EQ(radio.fGetParity(), TParity::ptNoParity);
    EXPECT_EQ(radio.fGetStopBits(), TStopBits::sbOneStopBit);
    EXPECT_TRUE(dialog.iLedRound1.lit());
    EXPECT_EQ(dialog.Button1.caption(), "Close");

    TModemComPort& modemDialog = *ModemComPort;
    EXPECT_EQ(SelectedText(modemDialog.ComName12), "COM1");
    EXPECT_EQ(SelectedText(modemDialog.ComName13), "COM2");
    EXPECT_EQ(SelectedText(modemDialog.BaudRate12), "2400");
    EXPECT_EQ(SelectedText(modemDialog.BaudRate13), "2400");
    EXPECT_FALSE(Modem->ComPort12.fGetActive());
    EXPECT_FALSE(Modem->ComPort13.fGetActive());
    EXPECT_EQ(Modem->ComPort12.fGetBaud(), TBaudRate::br2400);
    EXPECT_EQ(Modem->ComPort13.fGetPort(), 2);
    EXPECT_FALSE(modemDialog.iLedRound1.lit());
    EXPECT_EQ(modemDialog.Button1.caption(), "Open");
    EXPECT_EQ(Modem->Label5.caption(), "Transmit,COM1");
    EXPECT_EQ(Modem->Label6.caption(), "Recieve,COM2");

    EXPECT_TRUE(messages().empty());
    EXPECT_FALSE(readConfig()) << "reading the settings must not create the file";

    // Only the main window is on screen.
    EXPECT_TRUE(MForm->visible());
    for (tk::Form* form : std::vector<tk::Form*>{PortForm, Modem, ModemComPort, LoadingForm, Adjust, AboutBox})
        EXPECT_FALSE(form->visible()) << form->name();
}

TEST_F(StartUpTest, EveryFrequencyBoxOfTheTableGetsTheChecks)
{
    addPort(1);
    start();
    int bound = 0;
    for (tk::Control& child : MForm->GroupBox1.children()) {
        auto* edit = dynamic_cast<tk::Edit*>(&child);
        if (edit == nullptr)
            continue;
        EXPECT_TRUE(edit->onChange) << edit->name();
        EXPECT_TRUE(edit->onExit) << edit->name();
        ++bound;
    }
    EXPECT_EQ(bound, 32);

    // The check itself: a frequency before the identity is known is refused.
    MForm->Edit37.userType("4");
    EXPECT_EQ(messages(), std::vector<std::string>{"Please read model and version first!"});
}

TEST_F(StartUpTest, WithoutCom1TheFirstPresentPortIsTheRadioPort)
{
    addPort(2);
    addPort(3);
    start();

    EXPECT_EQ(SelectedText(PortForm->ComName1), "COM2");
    EXPECT_TRUE(MForm->ComPort1.fGetActive());
    EXPECT_EQ(MForm->ComPort1.fGetPort(), 2);
}

TEST_F(StartUpTest, WindowsAreCreatedInOrderAndReleasedAtTheEnd)
{
    addPort(1);
    start();
    const std::vector<tk::Form*>& forms = toolkit().forms();
    const std::vector<tk::Form*> expected{MForm, PortForm, Modem, ModemComPort, LoadingForm, Adjust, AboutBox};
    EXPECT_EQ(forms, expected);
    EXPECT_EQ(toolkit().mainForm(), MForm);
    EXPECT_EQ(toolkit().title(), "ZR650/T Varnel");

    stop();
    EXPECT_EQ(MForm, nullptr);
    EXPECT_EQ(PortForm, nullptr);
    EXPECT_EQ(Modem, nullptr);
    EXPECT_EQ(ModemComPort, nullptr);
    EXPECT_EQ(LoadingForm, nullptr);
    EXPECT_EQ(Adjust, nullptr);
    EXPECT_EQ(AboutBox, nullptr);
}

struct LanguageCase {
    const char* stored;
    std::uint8_t index;
    const char* writtenBack;
};

class StoredLanguageTest : public ShellTest, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(StoredLanguageTest, LowByteSelectsTheLanguageAndIsWrittenBackNormalised)
{
    const LanguageCase& c = GetParam();
    addPort(1);
    writeConfig(std::string("[Language]\nvalue=") + c.stored + "\n");
    start();

    EXPECT_EQ(LanguageIndex, c.index);
    EXPECT_EQ(PortForm->caption(), c.index == 1 ? "串口配置" : "Serial Port Configure");
    EXPECT_EQ(LanguageTexts.TextOpen, c.index == 1 ? "打开" : "Open");

    MForm->userClose();
    ASSERT_TRUE(toolkit().terminated());
    const std::vector<std::string> lines = configLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "[Language]");
    EXPECT_EQ(lines[1], std::string("value=") + c.writtenBack);
}

INSTANTIATE_TEST_SUITE_P(Values, StoredLanguageTest,
                         ::testing::Values(LanguageCase{"0", 0, "0"}, LanguageCase{"1", 1, "1"},
                                           LanguageCase{"2", 1, "1"}, LanguageCase{"256", 0, "0"},
                                           LanguageCase{"257", 1, "1"}, LanguageCase{"-1", 1, "1"},
                                           LanguageCase{"Chinese", 0, "0"}, LanguageCase{"", 0, "0"}));

TEST_F(StartUpTest, StoredPortNameMatchesWithoutRegardToCase)
{
    addPort(1);
    addPort(3);
    writeConfig("[COMPort]\nPort=com3\n[COMPort2]\nPort=com3\n");
    start();

    EXPECT_EQ(SelectedText(PortForm->ComName1), "COM3");
    EXPECT_EQ(MForm->ComPort1.fGetPort(), 3);
    EXPECT_TRUE(MForm->ComPort1.fGetActive());
    EXPECT_EQ(SelectedText(ModemComPort->ComName12), "COM3");
    EXPECT_EQ(Modem->Label5.caption(), "Transmit,COM3");
}

TEST_F(StartUpTest, StoredPortThatIsAbsentLeavesTheFirstEntry)
{
    addPort(2);
    addPort(5);
    writeConfig("[COMPort]\nPort=COM9\n[COMPort3]\nPort=LPT1\n");
    start();

    EXPECT_EQ(SelectedText(PortForm->ComName1), "COM2");
    EXPECT_EQ(SelectedText(ModemComPort->ComName13), "COM2");
    EXPECT_TRUE(messages().empty());
}

TEST_F(StartUpTest, RadioBaudRateThatIsNoItemSelectsNothingAndIsSavedEmpty)
{
    addPort(1);
    writeConfig("[COMPort]\nBaudrate=4800\n");
    start();

    EXPECT_EQ(PortForm->BaudRate1.itemIndex(), -1);
    EXPECT_EQ(MForm->ComPort1.fGetBaud(), TBaudRate::br9600);
    EXPECT_TRUE(MForm->ComPort1.fGetActive());

    MForm->userClose();
    const std::vector<std::string> lines = configLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Baudrate="), lines.end());
}

TEST_F(StartUpTest, StoredLineSettingsReachTheComponents)
{
    addPort(1);
    addPort(2);
    writeConfig("[COMPort]\nBaudrate=1200\nDataBits=7\nParity=Even\nStopBits=2\n"
                "[COMPort2]\nBaudrate=4800\nParity=none\nStopBits=1.5\n"
                "[COMPort3]\nBaudrate=600\nDataBits=5\nParity=Space\n");
    start();

    const TQzCommDevice& radio = MForm->ComPort1;
    EXPECT_EQ(radio.fGetBaud(), TBaudRate::br1200);
    EXPECT_EQ(radio.fGetByteSize(), 7);
    EXPECT_EQ(radio.fGetParity(), TParity::ptEvenParity);
    EXPECT_EQ(radio.fGetStopBits(), TStopBits::sbTwoStopBit);
    EXPECT_TRUE(radio.fGetActive()) << "the port opens after all keys are applied";

    // Lower-case "none" is no item; the preset "None" stays.
    EXPECT_EQ(SelectedText(ModemComPort->Parity12), "None");
    EXPECT_EQ(Modem->ComPort12.fGetBaud(), TBaudRate::br4800);
    EXPECT_EQ(Modem->ComPort12.fGetStopBits(), TStopBits::sbOne_5_StopBits);
    EXPECT_EQ(Modem->ComPort13.fGetBaud(), TBaudRate::br600);
    EXPECT_EQ(Modem->ComPort13.fGetByteSize(), 5);
    EXPECT_EQ(Modem->ComPort13.fGetParity(), TParity::ptSpaceParity);
}

TEST_F(StartUpTest, ClosingThroughTheFrameSavesEverythingInOrderAndClosesThePorts)
{
    addPort(1);
    addPort(2);
    start();
    Modem->OpenReceivePort();
    ASSERT_TRUE(Modem->ComPort13.fGetActive());

    MForm->userClose();

    EXPECT_TRUE(toolkit().terminated());
    const std::vector<std::string> expected{
        "[Language]", "value=0",
        "[COMPort]", "Port=COM1", "Baudrate=9600", "DataBits=8", "Parity=None", "StopBits=1",
        "[COMPort2]", "Port=COM1", "Baudrate=2400", "DataBits=8", "Parity=None", "StopBits=1",
        "[COMPort3]", "Port=COM2", "Baudrate=2400", "DataBits=8", "Parity=None", "StopBits=1",
    };
    EXPECT_EQ(configLines(), expected);
    EXPECT_FALSE(MForm->ComPort1.fGetActive());
    EXPECT_FALSE(Modem->ComPort12.fGetActive());
    EXPECT_FALSE(Modem->ComPort13.fGetActive());
}

TEST_F(StartUpTest, SavingKeepsTheOtherLinesOfTheFile)
{
    addPort(1);
    addPort(4);
    writeConfig("; written by hand\n[COMPort]\nPort=COM4\nNote=keep me\n[Other]\nx=1\n");
    start();
    MForm->userClose();

    const std::string text = readConfig().value_or("");
    EXPECT_NE(text.find("; written by hand"), std::string::npos);
    EXPECT_NE(text.find("Note=keep me"), std::string::npos);
    EXPECT_NE(text.find("[Other]\nx=1"), std::string::npos);
    EXPECT_NE(text.find("Port=COM4"), std::string::npos);
}

TEST_F(StartUpTest, FileCloseAndTheCloseToolButtonEndAtOnceWithoutWriting)
{
    addPort(1);
    addPort(2);
    const std::string stored = "[COMPort]\nPort=COM1\n";
    for (const char* command : {"Close1", "RzToolButton2"}) {
        SCOPED_TRACE(command);
        writeConfig(stored);
        start();
        MForm->RzToolButton6.userClick();
        PortForm->ComName1.userSelect(1);
        ASSERT_EQ(MForm->ComPort1.fGetPort(), 2);
        MForm->child<tk::Control>(command).userClick();
        EXPECT_TRUE(toolkit().terminated());
        EXPECT_TRUE(MForm->ComPort1.fGetActive()) << "no close handler ran";
        EXPECT_EQ(readConfig(), stored);
        stop();
    }
}

TEST_F(StartUpTest, ChineseChosenThenCloseButtonNextStartIsChineseOnTheOldPort)
{
    addPort(1);
    addPort(2);
    start();
    MForm->N1.userClick();
    MForm->RzToolButton6.userClick();
    PortForm->ComName1.userSelect(1);
    ASSERT_EQ(MForm->ComPort1.fGetPort(), 2);
    MForm->RzToolButton2.userClick();

    restart();
    EXPECT_EQ(LanguageIndex, 1);
    EXPECT_EQ(SelectedText(PortForm->ComName1), "COM1");
    EXPECT_EQ(MForm->ComPort1.fGetPort(), 1);
}

TEST_F(StartUpTest, EnglishChosenThenFileCloseNextStartIsChineseAgain)
{
    addPort(1);
    writeConfig("[Language]\nvalue=1\n");
    start();
    ASSERT_EQ(LanguageIndex, 1);
    MForm->English1.userClick();
    EXPECT_EQ(LanguageIndex, 0);
    MForm->Close1.userClick();

    restart();
    EXPECT_EQ(LanguageIndex, 1);
}

TEST_F(StartUpTest, SwitchingLanguageTwiceKeepsOneVersionSuffix)
{
    addPort(1);
    start();
    MForm->N1.userClick();
    EXPECT_EQ(Modem->Label5.caption(), "发送,COM1");
    EXPECT_EQ(PortForm->Button1.caption(), "关闭");
    EXPECT_EQ(AboutBox->caption(), "关于 ZR650/T Varnel");
    MForm->English1.userClick();
    MForm->English1.userClick();
    EXPECT_EQ(MForm->caption(), "ZR650/T Varnel V3.8");
    EXPECT_EQ(Modem->caption(), "ZR650/T Varnel V3.8");
    EXPECT_EQ(Modem->Label5.caption(), "Transmit,COM1");
    EXPECT_EQ(PortForm->Button1.caption(), "Close");
}

TEST_F(StartUpTest, WriteProtectedSettingsFileKeepsTheWindowOpen)
{
    addPort(1);
    const std::string stored = "[Language]\nvalue=0\n";
    writeConfig(stored);
    ::chmod(configPath().c_str(), 0444);
    start();

    MForm->userClose();

    EXPECT_FALSE(toolkit().terminated());
    EXPECT_TRUE(MForm->visible());
    EXPECT_TRUE(MForm->ComPort1.fGetActive()) << "the handler stops at the key it could not write";
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0], "Unable to write to " + configPath().string());
    EXPECT_EQ(readConfig(), stored);

    MForm->Close1.userClick();
    EXPECT_TRUE(toolkit().terminated());
}

TEST_F(StartUpTest, RadioPortThatCannotBeOpenedIsReportedAndStartUpGoesOn)
{
    addPort(1);
    addDeadPort(3);
    writeConfig("[COMPort]\nPort=COM3\n");
    start();

    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0], "Can't open the serial port COM3,please check it again or choose another");
    EXPECT_FALSE(MForm->ComPort1.fGetActive());
    EXPECT_FALSE(PortForm->iLedRound1.lit());
    EXPECT_EQ(PortForm->Button1.caption(), "Open");
    EXPECT_NE(ModemComPort, nullptr) << "the remaining windows are still created";
    EXPECT_NE(AboutBox, nullptr);
}

TEST_F(StartUpTest, PortNamedAtStartReplacesTheStoredOne)
{
    addPort(1);
    addPort(6);
    writeConfig("[COMPort]\nPort=COM1\n");
    options.radioPort = "COM6";
    start();

    EXPECT_EQ(SelectedText(PortForm->ComName1), "COM6");
    EXPECT_EQ(MForm->ComPort1.fGetPort(), 6);
    EXPECT_TRUE(MForm->ComPort1.fGetActive());
}

TEST_F(StartUpTest, OpenAndSaveCommandsAskForAProfileFile)
{
    addPort(1);
    start();
    MForm->RzToolButton1.userClick();
    MForm->Savetoconfigurationfile1.userClick();
    const auto& dialogs = backend().fileDialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_FALSE(dialogs[0].save);
    EXPECT_TRUE(dialogs[1].save);
    EXPECT_TRUE(messages().empty()) << "both dialogs were cancelled";
}

struct VersionCase {
    const char* productVersion;
    const char* tag;
};

class VersionTagTest : public ShellTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(VersionTagTest, CaptionsCarryTheTagAndTheAboutWindowTheWholeVersion)
{
    const VersionCase& c = GetParam();
    addPort(1);
    start(VersionProbe(c.productVersion));

    EXPECT_EQ(VersionTag, c.tag);
    EXPECT_EQ(MForm->caption(), std::string("ZR650/T Varnel ") + c.tag);
    EXPECT_EQ(Modem->caption(), std::string("ZR650/T Varnel ") + c.tag);
    EXPECT_EQ(AboutBox->Label2.caption(), std::string("Version ") + c.productVersion);
    EXPECT_EQ(AboutBox->caption(), "About ZR650/T Varnel");
    EXPECT_EQ(AboutBox->Label1.caption(), "ZR650/T Varnel");
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionTagTest,
                         ::testing::Values(VersionCase{"3.8.1", "V3.8"}, VersionCase{"10.12.3", "V10.12"},
                                           VersionCase{"5.2", "V5"}, VersionCase{"4", "V"},
                                           VersionCase{"", "V"}));

}  // namespace
}  // namespace varnel::test
