// The main window as built: frame, controls in child order, link settings.
#include "radio/mform_fixture.h"

#include "radio/channel_values.h"

namespace varnel::test {
namespace {

using MFormFrame = MFormTest;

TEST_F(MFormFrame, FixedWhiteClientAreaWithoutMaximise)
{
    EXPECT_EQ(form->clientWidth(), 583);
    EXPECT_EQ(form->clientHeight(), 641);
    EXPECT_EQ(form->colour(), tk::colours::white);
    EXPECT_FALSE(form->borderIcons().maximise);
    EXPECT_TRUE(form->borderIcons().minimise);
    EXPECT_EQ(form->position(), tk::Form::Position::ScreenCentre);
}

TEST_F(MFormFrame, EveryVisibleControlLiesInsideTheClientArea)
{
    // Only the current-channel power group is placed out of sight.
    const std::function<void(const tk::Control&, int, int)> check = [&](const tk::Control& parent, int x, int y) {
        for (const tk::Control& c : parent.children()) {
            if (c.kind() == tk::Kind::MenuItem || c.kind() == tk::Kind::MainMenu || c.kind() == tk::Kind::Timer ||
                c.name() == "GroupBox7")
                continue;
            const int left = x + c.left();
            const int top = y + c.top();
            EXPECT_GE(left, 0) << c.name();
            EXPECT_GE(top, 0) << c.name();
            EXPECT_LE(left + c.width(), TMForm::ClientWidth) << c.name();
            EXPECT_LE(top + c.height(), TMForm::ClientHeight) << c.name();
            check(c, left, top);
        }
    };
    check(*form, 0, 0);
    EXPECT_GE(form->GroupBox7.left(), 583);
}

TEST_F(MFormFrame, MenusToolButtonsAndHints)
{
    struct Expected {
        const tk::Control* control;
        const char* caption;
        const char* hint;
    };
    const Expected cases[] = {
        {&form->File1, "&File", ""},
        {&form->OpenConfigFile1, "Open configuration file", ""},
        {&form->Savetoconfigurationfile1, "Save to configuration file", ""},
        {&form->N2, "-", ""},
        {&form->Close1, "Close", ""},
        {&form->Program1, "&Program", ""},
        {&form->Read1, "Read", "Read from ZR650/T"},
        {&form->Write1, "Write", "Write to ZR650/T"},
        {&form->Port1, "P&ort", ""},
        {&form->Language1, "&Language", ""},
        {&form->English1, "English", ""},
        {&form->N1, "Chinese(Simplified)", ""},
        {&form->Window1, "&Window", ""},
        {&form->ZR650TModem1, "Modem Board Setting", ""},
        {&form->About1, "&About", ""},
        {&form->RzToolButton1, "Open", "Open configuration file"},
        {&form->RzToolButton3, "Save", "Save to configuration file"},
        {&form->RzToolButton2, "Close", "Terminate application"},
        {&form->RzToolButton4, "Read", "Read model,serial,current channel"},
        {&form->RzToolButton5, "Write", "Write serial"},
        {&form->RzToolButton6, "Port", "Config the serial port"},
        {&form->RzToolButton7, "Modem Board Setting", "Modem Board Setting"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.control->caption(), c.caption) << c.control->name();
        EXPECT_EQ(c.control->hint(), c.hint) << c.control->name();
    }
    EXPECT_FALSE(form->RzToolButton7.visible());
    EXPECT_EQ(form->File1.children().size(), 4U);
    EXPECT_EQ(&form->File1.children()[2], &form->N2);
}

TEST_F(MFormFrame, StatusBarStartsWithModelAndZeroCounters)
{
    EXPECT_EQ(form->RzStatusPane1.caption(), "ZR650/T");
    EXPECT_EQ(form->RzStatusPane2.caption(), "Tx:0");
    EXPECT_EQ(form->RzStatusPane3.caption(), "Rx:0");
    EXPECT_EQ(form->RzStatusPane4.caption(), "");
    EXPECT_FALSE(form->RzProgressBar1.visible());
    // The progress bar lies over the result pane.
    EXPECT_GE(form->RzProgressBar1.left(), form->RzStatusPane4.left());
    EXPECT_LE(form->RzProgressBar1.left() + form->RzProgressBar1.width(),
              form->RzStatusPane4.left() + form->RzStatusPane4.width());
}

TEST_F(MFormFrame, IdentityBoxesAreShownOnlyExceptTheId)
{
    for (const tk::Edit* box : {&form->Edit1, &form->Edit56, &form->Edit5, &form->Edit3, &form->Edit4}) {
        EXPECT_FALSE(box->enabled()) << box->name();
        EXPECT_TRUE(box->readOnly()) << box->name();
        EXPECT_EQ(box->parent(), &form->RzPanel1);
    }
    EXPECT_TRUE(form->Edit2.enabled());
    EXPECT_FALSE(form->Edit2.readOnly());
}

TEST_F(MFormFrame, TableChildOrderPutsEachTransmitBoxBeforeItsReceiveBoxThenThePowers)
{
    std::vector<std::string> walked;
    for (const tk::Control& c : form->GroupBox1.children())
        if (c.name().find("Edit") != std::string::npos || c.name().find("ComboBox") != std::string::npos)
            walked.push_back(c.name());
    std::vector<std::string> expected;
    for (int n = 6; n <= 37; ++n)
        expected.push_back("Edit" + std::to_string(n));
    for (int m = 4; m <= 19; ++m)
        expected.push_back("ComboBox" + std::to_string(m));
    EXPECT_EQ(walked, expected);

    for (int c = 1; c <= 16; ++c) {
        const tk::Edit* tx = form->TransmitBox(c);
        const tk::Edit* rx = form->ReceiveBox(c);
        ASSERT_NE(tx, nullptr);
        ASSERT_NE(rx, nullptr);
        EXPECT_EQ(tx->name(), "Edit" + std::to_string(2 * c + 4));
        EXPECT_EQ(rx->name(), "Edit" + std::to_string(2 * c + 5));
        EXPECT_EQ(tx->maxLength(), 9);
        EXPECT_EQ(tx->top(), rx->top());
        EXPECT_LT(tx->left(), rx->left());
        const tk::ComboBox* power = form->PowerBox(c);
        ASSERT_NE(power, nullptr);
        EXPECT_EQ(power->name(), "ComboBox" + std::to_string(c + 3));
        EXPECT_EQ(power->items(), (std::vector<std::string>{"1W", "2W", "3W", "4W", "5W"}));
        EXPECT_EQ(power->itemIndex(), -1);
    }
    EXPECT_EQ(form->TransmitBox(0), nullptr);
    EXPECT_EQ(form->PowerBox(17), nullptr);
    EXPECT_EQ(form->Label5.caption(), "Channel");
    EXPECT_EQ(form->Label71.caption(), "TX Freqency");
    EXPECT_EQ(form->Label72.caption(), "RX Freqency");
    EXPECT_EQ(form->Label73.caption(), "TX Power");
    EXPECT_EQ(form->Button12.caption(), "Read");
    EXPECT_EQ(form->Button13.caption(), "Write");
}

TEST_F(MFormFrame, WatchdogAndPortSettings)
{
    EXPECT_FALSE(form->Timer1.enabled());
    EXPECT_EQ(form->Timer1.interval(), 2000);
    const TQzCommDevice& port = form->ComPort1;
    EXPECT_EQ(port.fGetPort(), 2);
    EXPECT_EQ(port.fGetBaud(), TBaudRate::br9600);
    EXPECT_EQ(port.fGetByteSize(), 8);
    EXPECT_EQ(port.fGetInBufSize(), 8192);
    EXPECT_EQ(port.fGetOutBufSize(), 8192);
    EXPECT_EQ(port.fGetHwInSize(), 1200);
    EXPECT_EQ(port.fGetHwOutSize(), 1200);
    EXPECT_EQ(port.fGetQSize(), 16);
    EXPECT_EQ(port.fGetPkgSz(), 4096);
    EXPECT_EQ(port.fGetPkgType(), TCommPackageType::cptFrameTimeout);
    EXPECT_EQ(port.fGetPkgInterval(), 100);
    EXPECT_TRUE(port.fGetUsePackage());
    EXPECT_TRUE(static_cast<bool>(port.OnPackage));
    EXPECT_FALSE(port.fGetActive());
}

TEST_F(MFormFrame, ApplyLanguageSwitchesTextsWithoutRepeatingTheSuffix)
{
    VersionTag = "V3.8";
    form->ApplyLanguage(LanguageChinese);
    EXPECT_EQ(form->caption(), "ZR650/T Varnel V3.8");
    EXPECT_EQ(form->File1.caption(), "文件(&F)");
    EXPECT_EQ(form->Label5.caption(), "频道 ");
    EXPECT_EQ(LanguageTexts.TextTimeout, "读/写超时！");
    form->ApplyLanguage(LanguageEnglish);
    EXPECT_EQ(form->caption(), "ZR650/T Varnel V3.8");
    EXPECT_EQ(form->File1.caption(), "&File");
    EXPECT_EQ(LanguageTexts.TextTimeout, "Read/Write Timeout!");
    VersionTag.clear();
}

} // namespace
} // namespace varnel::test
