// The two languages across the whole program on the headless backend: every
// control of the language tables, the message texts, the switching order,
// the caption suffix, the port buttons and labels, and the settings file.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "adjust/adjust.h"
#include "app/about_box.h"
#include "app/instances.h"
#include "app/language_tables.h"
#include "app/language_texts.h"
#include "app/shell_fixture.h"
#include "modem/modem.h"
#include "ports/modem_com_port.h"
#include "ports/port_form.h"
#include "radio/mform.h"

namespace varnel::test {
namespace {

using language::ControlText;
using language::Target;

constexpr const char* Title = "ZR650/T Varnel";
// The 3.8.1 version probe the shell fixture starts with.
constexpr const char* Version = "3.8.1";
constexpr const char* Tag = "V3.8";

// Name, caption and hint of a control and of everything under it.
std::vector<std::string> TreeTexts(const tk::Control& root)
{
    std::vector<std::string> texts{root.name() + "|" + root.caption() + "|" + root.hint()};
    for (const tk::Control& child : root.children()) {
        std::vector<std::string> more = TreeTexts(child);
        texts.insert(texts.end(), more.begin(), more.end());
    }
    return texts;
}

std::vector<std::pair<std::string, std::string>> Fields(const TLanguageTexts& t)
{
    return {{"TextOpen", t.TextOpen},
            {"TextClose", t.TextClose},
            {"TextCantOpenPort", t.TextCantOpenPort},
            {"TextCheckPort", t.TextCheckPort},
            {"TextPortNotOpen", t.TextPortNotOpen},
            {"TextCantConnect", t.TextCantConnect},
            {"TextUnknownDevice", t.TextUnknownDevice},
            {"TextTimeout", t.TextTimeout},
            {"TextEmptyInput", t.TextEmptyInput},
            {"TextSelectPower", t.TextSelectPower},
            {"TextReadVersionFirst", t.TextReadVersionFirst},
            {"TextTransmitPrefix", t.TextTransmitPrefix},
            {"TextReceivePrefix", t.TextReceivePrefix},
            {"TextFailed", t.TextFailed},
            {"TextSuccess", t.TextSuccess},
            {"TextFrequencyRange", t.TextFrequencyRange},
            {"TextNotice", t.TextNotice},
            {"TextSend", t.TextSend},
            {"TextStop", t.TextStop}};
}

class LanguageTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        addPort(1);
        addPort(2);
        addPort(3);
        addDeadPort(5);
        writeConfig("[COMPort2]\nPort=COM2\n[COMPort3]\nPort=COM3\n");
    }

    // The language menu, as the user picks it.
    static void Choose(std::uint8_t language)
    {
        if (language == LanguageChinese)
            MForm->N1.userClick();
        else
            MForm->English1.userClick();
    }

    // One window with its table and what follows the table's text on some
    // controls ("" is the window's caption).
    struct Window {
        const char* name;
        tk::Form* form;
        std::span<const ControlText> table;
        std::map<std::string, std::string> suffixes;
    };
    static std::vector<Window> Windows()
    {
        const std::string tagSuffix = std::string(" ") + Tag;
        return {{"main window", MForm, language::MainWindowTexts(), {{"", tagSuffix}}},
                {"modem window", Modem, language::ModemWindowTexts(), {{"", tagSuffix}}},
                {"port dialog", PortForm, language::PortDialogTexts(), {}},
                {"two-port dialog", ModemComPort, language::TwoPortDialogTexts(), {}},
                {"about window", AboutBox, language::AboutBoxTexts(), {{"", Title}, {"Label2", Version}}}};
    }

    // The value of [Language] in Config.ini, if any.
    std::optional<std::string> StoredLanguage() const
    {
        bool inSection = false;
        for (const std::string& line : configLines()) {
            if (!line.empty() && line.front() == '[')
                inSection = line == "[Language]";
            else if (inSection && line.rfind("value=", 0) == 0)
                return line.substr(6);
        }
        return std::nullopt;
    }

    // Every control named in every table shows its text for the language.
    static void ExpectAllTables(std::uint8_t language)
    {
        for (const Window& window : Windows()) {
            SCOPED_TRACE(window.name);
            ASSERT_NE(window.form, nullptr);
            for (const ControlText& row : window.table) {
                const std::string name(row.control);
                tk::Control* control = name.empty() ? window.form : window.form->findChild(name);
                if (control == nullptr) {
                    ADD_FAILURE() << "no control " << name << " for \"" << row.english << "\"";
                    continue;
                }
                std::string expected(row.pick(language));
                if (const auto suffix = window.suffixes.find(name); suffix != window.suffixes.end())
                    expected += suffix->second;
                const std::string& shown = row.target == Target::Caption ? control->caption() : control->hint();
                EXPECT_EQ(shown, expected) << (name.empty() ? "caption" : name)
                                           << (row.target == Target::Hint ? " hint" : "");
            }
        }
    }

    static void ExpectMessageTexts(std::uint8_t language)
    {
        EXPECT_EQ(Fields(LanguageTexts), Fields(LanguageTextsFor(language)));
    }
};

// How the program came to a language: switched to it from the other one, or
// started in it from the settings file.
struct Route {
    const char* what;
    std::uint8_t language;
    bool fromSettings;
};

class LanguageTableTest : public LanguageTest, public ::testing::WithParamInterface<Route> {};

TEST_P(LanguageTableTest, EveryControlOfTheTablesGetsItsText)
{
    const Route& route = GetParam();
    if (route.fromSettings) {
        writeConfig("[Language]\nvalue=" + std::to_string(route.language) +
                    "\n[COMPort2]\nPort=COM2\n[COMPort3]\nPort=COM3\n");
        start();
    } else {
        start();
        Choose(route.language == LanguageChinese ? LanguageEnglish : LanguageChinese);
        Choose(route.language);
    }
    ASSERT_EQ(LanguageIndex, route.language);
    ExpectAllTables(route.language);
    ExpectMessageTexts(route.language);
}

INSTANTIATE_TEST_SUITE_P(Routes, LanguageTableTest,
                         ::testing::Values(Route{"SwitchedToEnglish", LanguageEnglish, false},
                                           Route{"SwitchedToChinese", LanguageChinese, false},
                                           Route{"StartedInEnglish", LanguageEnglish, true},
                                           Route{"StartedInChinese", LanguageChinese, true}),
                         [](const ::testing::TestParamInfo<Route>& param) { return std::string(param.param.what); });

TEST(LanguageTablesTest, NoControlIsGivenTwoDifferentTexts)
{
    const std::pair<const char*, std::span<const ControlText>> tables[] = {
        {"main", language::MainWindowTexts()},       {"modem", language::ModemWindowTexts()},
        {"port", language::PortDialogTexts()},       {"two-port", language::TwoPortDialogTexts()},
        {"about", language::AboutBoxTexts()}};
    for (const auto& [name, table] : tables) {
        std::map<std::pair<std::string, Target>, const ControlText*> seen;
        for (const ControlText& row : table) {
            const auto [at, added] = seen.emplace(std::make_pair(std::string(row.control), row.target), &row);
            if (!added) {
                EXPECT_EQ(at->second->english, row.english) << name << ": " << row.control;
                EXPECT_EQ(at->second->chinese, row.chinese) << name << ": " << row.control;
            }
            EXPECT_FALSE(row.english.empty()) << name << ": " << row.control;
            EXPECT_FALSE(row.chinese.empty()) << name << ": " << row.control;
        }
    }
}

TEST_F(LanguageTest, TextsAsTheUserSeesThem)
{
    start();
    Choose(LanguageChinese);
    EXPECT_EQ(MForm->caption(), "ZR650/T Varnel V3.8");
    EXPECT_EQ(MForm->N1.caption(), "简体中文");
    EXPECT_EQ(MForm->Language1.caption(), "&Language");
    EXPECT_EQ(MForm->File1.caption(), "文件(&F)");
    EXPECT_EQ(MForm->RzToolButton4.hint(), "读型号、序列号、当前频道等");
    EXPECT_EQ(MForm->Label5.caption(), "频道 ");
    EXPECT_EQ(MForm->Label71.caption(), "发射频率  ");
    EXPECT_EQ(MForm->Label3.caption(), "频率范围: ");
    EXPECT_EQ(PortForm->caption(), "串口配置");
    EXPECT_EQ(PortForm->Button2.caption(), "退出");
    EXPECT_EQ(ModemComPort->Label11.caption(), "仅用于接收测试:");
    EXPECT_EQ(ModemComPort->Label10.caption(), "停止位:");
    EXPECT_EQ(AboutBox->caption(), "关于 ZR650/T Varnel");
    EXPECT_EQ(AboutBox->Label2.caption(), std::string("版本 ") + Version);
    EXPECT_EQ(LanguageTexts.TextCantConnect, "无法连接ZR650/T.\r\n请检查串口配置、电源、连线等。");
    EXPECT_EQ(LanguageTexts.TextCheckPort, "，请检查它或更改另外的串口");
    EXPECT_EQ(LanguageTexts.TextSend, "发送");
    EXPECT_EQ(LanguageTexts.TextStop, "停止");

    Choose(LanguageEnglish);
    EXPECT_EQ(MForm->N1.caption(), "Chinese(Simplified)");
    EXPECT_EQ(MForm->Label71.caption(), "TX Freqency");
    EXPECT_EQ(AboutBox->caption(), "About ZR650/T Varnel");
    EXPECT_EQ(AboutBox->Label2.caption(), std::string("Version ") + Version);
    EXPECT_EQ(LanguageTexts.TextUnknownDevice, "Unkown Device");
    EXPECT_EQ(LanguageTexts.TextReceivePrefix, "Recieve,");
}

TEST_F(LanguageTest, SwitchingAgainAndAgainKeepsOneSuffixOnEveryCaption)
{
    start();
    for (const std::uint8_t language : {LanguageChinese, LanguageChinese, LanguageEnglish, LanguageEnglish,
                                        LanguageChinese, LanguageEnglish}) {
        Choose(language);
        EXPECT_EQ(MForm->caption(), std::string(Title) + " " + Tag);
        EXPECT_EQ(Modem->caption(), std::string(Title) + " " + Tag);
        EXPECT_EQ(AboutBox->caption(), std::string(language == LanguageChinese ? "关于 " : "About ") + Title);
        EXPECT_EQ(AboutBox->Label2.caption(), std::string(language == LanguageChinese ? "版本 " : "Version ") + Version);
    }
}

TEST_F(LanguageTest, RadioPortButtonFollowsThePortInEitherLanguage)
{
    start();
    ASSERT_TRUE(MForm->ComPort1.fGetActive());
    EXPECT_EQ(PortForm->Button1.caption(), "Close");

    Choose(LanguageChinese);
    EXPECT_EQ(PortForm->Button1.caption(), "关闭");
    PortForm->show();
    PortForm->Button1.userClick();
    ASSERT_FALSE(MForm->ComPort1.fGetActive());
    EXPECT_EQ(PortForm->Button1.caption(), "打开");

    Choose(LanguageEnglish);
    EXPECT_EQ(PortForm->Button1.caption(), "Open");
    Choose(LanguageChinese);
    EXPECT_EQ(PortForm->Button1.caption(), "打开");
    PortForm->Button1.userClick();
    ASSERT_TRUE(MForm->ComPort1.fGetActive());
    EXPECT_EQ(PortForm->Button1.caption(), "关闭");
}

TEST_F(LanguageTest, ModemPortButtonsFollowTheirPortsInEitherLanguage)
{
    start();
    Modem->OpenReceivePort();
    ASSERT_TRUE(Modem->ComPort13.fGetActive());
    ASSERT_FALSE(Modem->ComPort12.fGetActive());

    Choose(LanguageChinese);
    EXPECT_EQ(ModemComPort->Button1.caption(), "打开");
    EXPECT_EQ(ModemComPort->Button2.caption(), "关闭");

    Modem->CloseReceivePort();
    EXPECT_EQ(ModemComPort->Button2.caption(), "打开");
    Modem->OpenSendPort();
    ASSERT_TRUE(Modem->ComPort12.fGetActive());
    EXPECT_EQ(ModemComPort->Button1.caption(), "关闭");

    Choose(LanguageEnglish);
    EXPECT_EQ(ModemComPort->Button1.caption(), "Close");
    EXPECT_EQ(ModemComPort->Button2.caption(), "Open");
}

TEST_F(LanguageTest, ModemPortLabelsChangeLanguageAtOnce)
{
    start();
    EXPECT_EQ(Modem->Label5.caption(), "Transmit,COM2");
    EXPECT_EQ(Modem->Label6.caption(), "Recieve,COM3");

    Choose(LanguageChinese);
    EXPECT_EQ(Modem->Label5.caption(), "发送,COM2");
    EXPECT_EQ(Modem->Label6.caption(), "接收,COM3");

    // A port chosen afterwards keeps the language.
    ModemComPort->show();
    ModemComPort->ComName12.userSelect(ModemComPort->ComName12.indexOf("COM1"));
    EXPECT_EQ(Modem->Label5.caption(), "发送,COM1");

    Choose(LanguageEnglish);
    EXPECT_EQ(Modem->Label5.caption(), "Transmit,COM1");
    EXPECT_EQ(Modem->Label6.caption(), "Recieve,COM3");
}

TEST_F(LanguageTest, RunningDataTestKeepsItsStopButtonInTheNewLanguage)
{
    start();
    Modem->OpenSendPort();
    ASSERT_TRUE(Modem->ComPort12.fGetActive());
    Modem->show();
    EXPECT_EQ(Modem->Button1.caption(), "Send");
    Modem->Button1.userClick();
    ASSERT_EQ(Modem->Button1.caption(), "Stop");

    Choose(LanguageChinese);
    EXPECT_EQ(Modem->Button1.caption(), "停止");
    Modem->Button1.userClick();
    EXPECT_EQ(Modem->Button1.caption(), "发送") << "the click still stops the test";

    Choose(LanguageEnglish);
    EXPECT_EQ(Modem->Button1.caption(), "Send");
}

TEST_F(LanguageTest, TextsOutsideTheTablesStayAsDesigned)
{
    start();
    const std::vector<std::string> adjust = TreeTexts(*Adjust);
    const std::vector<std::string> currentChannel = TreeTexts(MForm->RzGroupBox2);
    const std::string withoutSave = MForm->RzCheckBox2.caption();
    const std::string readHint = MForm->Read1.hint();

    Choose(LanguageChinese);
    EXPECT_EQ(TreeTexts(*Adjust), adjust);
    EXPECT_EQ(TreeTexts(MForm->RzGroupBox2), currentChannel);
    EXPECT_EQ(MForm->RzCheckBox2.caption(), withoutSave);
    EXPECT_EQ(MForm->Read1.hint(), readHint);
}

TEST_F(LanguageTest, MessagesOfOtherWindowsAreInTheChosenLanguage)
{
    start();
    Choose(LanguageChinese);

    PortForm->show();
    PortForm->ComName1.userSelect(PortForm->ComName1.indexOf("COM5"));
    ASSERT_FALSE(MForm->ComPort1.fGetActive());
    EXPECT_EQ(messages(), std::vector<std::string>{"无法打开串口 COM5，请检查它或更改另外的串口"});
    EXPECT_EQ(PortForm->Button1.caption(), "打开");

    backend().clearMessages();
    PortForm->hide();
    MForm->RzToolButton4.userClick();
    EXPECT_EQ(messages(), std::vector<std::string>{"操作前请打开串口。"});

    Choose(LanguageEnglish);
    backend().clearMessages();
    MForm->RzToolButton4.userClick();
    EXPECT_EQ(messages(), std::vector<std::string>{"Please open the serial port before this operation."});
}

TEST_F(LanguageTest, ChineseIsStoredAtOnceEnglishOnlyAtClose)
{
    start();
    EXPECT_EQ(StoredLanguage(), std::nullopt);

    Choose(LanguageChinese);
    EXPECT_EQ(StoredLanguage(), "1");
    const std::vector<std::string> afterChinese = configLines();

    Choose(LanguageEnglish);
    EXPECT_EQ(configLines(), afterChinese) << "the English command writes nothing";

    MForm->userClose();
    EXPECT_EQ(StoredLanguage(), "0");
}

struct EndingCase {
    const char* what;
    std::uint8_t startIn;
    std::uint8_t switchTo;
    std::uint8_t nextStart;
};

class LanguageEndingTest : public LanguageTest, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(LanguageEndingTest, FileCloseKeepsWhatWasStored)
{
    const EndingCase& c = GetParam();
    writeConfig("[Language]\nvalue=" + std::to_string(c.startIn) + "\n[COMPort2]\nPort=COM2\n[COMPort3]\nPort=COM3\n");
    start();
    ASSERT_EQ(LanguageIndex, c.startIn);
    Choose(c.switchTo);
    MForm->Close1.userClick();
    ASSERT_TRUE(toolkit().terminated());

    restart();
    EXPECT_EQ(LanguageIndex, c.nextStart);
    ExpectAllTables(c.nextStart);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, LanguageEndingTest,
    ::testing::Values(EndingCase{"ChineseChosenInEnglish", LanguageEnglish, LanguageChinese, LanguageChinese},
                      EndingCase{"EnglishChosenInChinese", LanguageChinese, LanguageEnglish, LanguageChinese},
                      EndingCase{"EnglishChosenInEnglish", LanguageEnglish, LanguageEnglish, LanguageEnglish}),
    [](const ::testing::TestParamInfo<EndingCase>& param) { return std::string(param.param.what); });

}  // namespace
}  // namespace varnel::test
