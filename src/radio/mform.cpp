#include "radio/mform.h"

#include <string>

#include "app/language_texts.h"
#include "radio/channel_values.h"

namespace varnel {

namespace {

// Channel-table grid inside GroupBox1.
constexpr int kHeadingTop = 18;
constexpr int kFirstRowTop = 38;
constexpr int kRowPitch = 26;
constexpr int kRowHeight = 21;
constexpr int kChannelLeft = 10;
constexpr int kTxLeft = 44;
constexpr int kRxLeft = 162;
constexpr int kBoxWidth = 80;
constexpr int kUnitWidth = 30;
constexpr int kPowerLeft = 280;
constexpr int kPowerWidth = 60;

int RowTop(int channel) { return kFirstRowTop + (channel - 1) * kRowPitch; }

tk::Rect FrequencyBoxBounds(int n)
{
    const int channel = *radio::ChannelOfEdit(n);
    return {radio::IsTransmitEdit(n) ? kTxLeft : kRxLeft, RowTop(channel), kBoxWidth, kRowHeight};
}

tk::Rect PowerBoxBounds(int m)
{
    return {kPowerLeft, RowTop(*radio::ChannelOfCombo(m)), kPowerWidth, kRowHeight};
}

constexpr int kButtonTop = kFirstRowTop + 16 * kRowPitch + 12;

// Frame geometry of the client area.
constexpr int kToolBarHeight = 42;
constexpr int kPanelTop = kToolBarHeight;
constexpr int kPanelHeight = 74;
constexpr int kGroupTop = kPanelTop + kPanelHeight + 4;
constexpr int kStatusHeight = 20;
constexpr int kStatusTop = TMForm::ClientHeight - kStatusHeight;
constexpr int kTableHeight = kButtonTop + 25 + 9;
constexpr int kSideLeft = 366;
constexpr int kSideWidth = TMForm::ClientWidth - kSideLeft - 6;

// Status panes, left to right.
constexpr int kModelPaneWidth = 70;
constexpr int kCountPaneWidth = 90;
constexpr int kClockPaneWidth = 130;
constexpr int kResultPaneLeft = kModelPaneWidth + 2 * kCountPaneWidth;
constexpr int kResultPaneWidth = TMForm::ClientWidth - kResultPaneLeft - kClockPaneWidth;

tk::Rect ToolButtonBounds(int position) { return {2 + position * 62, 2, 60, 38}; }

} // namespace

TMForm::TMForm()
    : tk::Form("MForm", {0, 0, ClientWidth, ClientHeight})
    , MainMenu1(add<tk::MainMenu>("MainMenu1"))
    , File1(MainMenu1.add<tk::MenuItem>("File1"))
    , OpenConfigFile1(File1.add<tk::MenuItem>("OpenConfigFile1"))
    , Savetoconfigurationfile1(File1.add<tk::MenuItem>("Savetoconfigurationfile1"))
    , N2(File1.add<tk::MenuItem>("N2"))
    , Close1(File1.add<tk::MenuItem>("Close1"))
    , Program1(MainMenu1.add<tk::MenuItem>("Program1"))
    , Read1(Program1.add<tk::MenuItem>("Read1"))
    , Write1(Program1.add<tk::MenuItem>("Write1"))
    , Port1(MainMenu1.add<tk::MenuItem>("Port1"))
    , Language1(MainMenu1.add<tk::MenuItem>("Language1"))
    , English1(Language1.add<tk::MenuItem>("English1"))
    , N1(Language1.add<tk::MenuItem>("N1"))
    , Window1(MainMenu1.add<tk::MenuItem>("Window1"))
    , ZR650TModem1(Window1.add<tk::MenuItem>("ZR650TModem1"))
    , About1(MainMenu1.add<tk::MenuItem>("About1"))
    , RzToolbar1(add<tk::ToolBar>("RzToolbar1", {0, 0, ClientWidth, kToolBarHeight}))
    , RzToolButton1(RzToolbar1.add<tk::ToolButton>("RzToolButton1", ToolButtonBounds(0)))
    , RzToolButton3(RzToolbar1.add<tk::ToolButton>("RzToolButton3", ToolButtonBounds(1)))
    , RzToolButton2(RzToolbar1.add<tk::ToolButton>("RzToolButton2", ToolButtonBounds(2)))
    , RzToolButton4(RzToolbar1.add<tk::ToolButton>("RzToolButton4", ToolButtonBounds(3)))
    , RzToolButton5(RzToolbar1.add<tk::ToolButton>("RzToolButton5", ToolButtonBounds(4)))
    , RzToolButton6(RzToolbar1.add<tk::ToolButton>("RzToolButton6", ToolButtonBounds(5)))
    , RzToolButton7(RzToolbar1.add<tk::ToolButton>("RzToolButton7", {2 + 6 * 62, 2, 120, 38}))
    , RzPanel1(add<tk::Panel>("RzPanel1", {0, kPanelTop, ClientWidth, kPanelHeight}))
    , Label1(RzPanel1.add<tk::Label>("Label1", {8, 13, 70, 16}))
    , Edit1(RzPanel1.add<tk::Edit>("Edit1", {80, 10, 110, 21}))
    , Label77(RzPanel1.add<tk::Label>("Label77", {200, 13, 110, 16}))
    , Edit56(RzPanel1.add<tk::Edit>("Edit56", {312, 10, 60, 21}))
    , Label76(RzPanel1.add<tk::Label>("Label76", {384, 13, 110, 16}))
    , Edit5(RzPanel1.add<tk::Edit>("Edit5", {496, 10, 60, 21}))
    , Label2(RzPanel1.add<tk::Label>("Label2", {8, 45, 70, 16}))
    , Edit2(RzPanel1.add<tk::Edit>("Edit2", {80, 42, 110, 21}))
    , Label3(RzPanel1.add<tk::Label>("Label3", {200, 45, 110, 16}))
    , Edit3(RzPanel1.add<tk::Edit>("Edit3", {312, 42, 110, 21}))
    , Label4(RzPanel1.add<tk::Label>("Label4", {430, 45, 96, 16}))
    , Edit4(RzPanel1.add<tk::Edit>("Edit4", {526, 42, 40, 21}))
    , GroupBox1(add<tk::GroupBox>("GroupBox1", {6, kGroupTop, 352, kTableHeight}))
    // The column titles stand over the middle of their boxes, which leaves
    // "Channel" room to the left of the transmit column.
    , Label5(GroupBox1.add<tk::Label>("Label5", {kChannelLeft - 8, kHeadingTop, 52, 16}))
    , Label71(GroupBox1.add<tk::Label>("Label71", {kTxLeft + 10, kHeadingTop, kBoxWidth + kUnitWidth - 10, 16}))
    , Label72(GroupBox1.add<tk::Label>("Label72", {kRxLeft + 10, kHeadingTop, kBoxWidth + kUnitWidth - 10, 16}))
    , Label73(GroupBox1.add<tk::Label>("Label73", {kPowerLeft, kHeadingTop, kPowerWidth + 10, 16}))
    , Edit6(GroupBox1.add<tk::Edit>("Edit6", FrequencyBoxBounds(6)))
    , Edit7(GroupBox1.add<tk::Edit>("Edit7", FrequencyBoxBounds(7)))
    , Edit8(GroupBox1.add<tk::Edit>("Edit8", FrequencyBoxBounds(8)))
    , Edit9(GroupBox1.add<tk::Edit>("Edit9", FrequencyBoxBounds(9)))
    , Edit10(GroupBox1.add<tk::Edit>("Edit10", FrequencyBoxBounds(10)))
    , Edit11(GroupBox1.add<tk::Edit>("Edit11", FrequencyBoxBounds(11)))
    , Edit12(GroupBox1.add<tk::Edit>("Edit12", FrequencyBoxBounds(12)))
    , Edit13(GroupBox1.add<tk::Edit>("Edit13", FrequencyBoxBounds(13)))
    , Edit14(GroupBox1.add<tk::Edit>("Edit14", FrequencyBoxBounds(14)))
    , Edit15(GroupBox1.add<tk::Edit>("Edit15", FrequencyBoxBounds(15)))
    , Edit16(GroupBox1.add<tk::Edit>("Edit16", FrequencyBoxBounds(16)))
    , Edit17(GroupBox1.add<tk::Edit>("Edit17", FrequencyBoxBounds(17)))
    , Edit18(GroupBox1.add<tk::Edit>("Edit18", FrequencyBoxBounds(18)))
    , Edit19(GroupBox1.add<tk::Edit>("Edit19", FrequencyBoxBounds(19)))
    , Edit20(GroupBox1.add<tk::Edit>("Edit20", FrequencyBoxBounds(20)))
    , Edit21(GroupBox1.add<tk::Edit>("Edit21", FrequencyBoxBounds(21)))
    , Edit22(GroupBox1.add<tk::Edit>("Edit22", FrequencyBoxBounds(22)))
    , Edit23(GroupBox1.add<tk::Edit>("Edit23", FrequencyBoxBounds(23)))
    , Edit24(GroupBox1.add<tk::Edit>("Edit24", FrequencyBoxBounds(24)))
    , Edit25(GroupBox1.add<tk::Edit>("Edit25", FrequencyBoxBounds(25)))
    , Edit26(GroupBox1.add<tk::Edit>("Edit26", FrequencyBoxBounds(26)))
    , Edit27(GroupBox1.add<tk::Edit>("Edit27", FrequencyBoxBounds(27)))
    , Edit28(GroupBox1.add<tk::Edit>("Edit28", FrequencyBoxBounds(28)))
    , Edit29(GroupBox1.add<tk::Edit>("Edit29", FrequencyBoxBounds(29)))
    , Edit30(GroupBox1.add<tk::Edit>("Edit30", FrequencyBoxBounds(30)))
    , Edit31(GroupBox1.add<tk::Edit>("Edit31", FrequencyBoxBounds(31)))
    , Edit32(GroupBox1.add<tk::Edit>("Edit32", FrequencyBoxBounds(32)))
    , Edit33(GroupBox1.add<tk::Edit>("Edit33", FrequencyBoxBounds(33)))
    , Edit34(GroupBox1.add<tk::Edit>("Edit34", FrequencyBoxBounds(34)))
    , Edit35(GroupBox1.add<tk::Edit>("Edit35", FrequencyBoxBounds(35)))
    , Edit36(GroupBox1.add<tk::Edit>("Edit36", FrequencyBoxBounds(36)))
    , Edit37(GroupBox1.add<tk::Edit>("Edit37", FrequencyBoxBounds(37)))
    , ComboBox4(GroupBox1.add<tk::ComboBox>("ComboBox4", PowerBoxBounds(4), tk::ComboBox::Style::DropDownList))
    , ComboBox5(GroupBox1.add<tk::ComboBox>("ComboBox5", PowerBoxBounds(5), tk::ComboBox::Style::DropDownList))
    , ComboBox6(GroupBox1.add<tk::ComboBox>("ComboBox6", PowerBoxBounds(6), tk::ComboBox::Style::DropDownList))
    , ComboBox7(GroupBox1.add<tk::ComboBox>("ComboBox7", PowerBoxBounds(7), tk::ComboBox::Style::DropDownList))
    , ComboBox8(GroupBox1.add<tk::ComboBox>("ComboBox8", PowerBoxBounds(8), tk::ComboBox::Style::DropDownList))
    , ComboBox9(GroupBox1.add<tk::ComboBox>("ComboBox9", PowerBoxBounds(9), tk::ComboBox::Style::DropDownList))
    , ComboBox10(GroupBox1.add<tk::ComboBox>("ComboBox10", PowerBoxBounds(10), tk::ComboBox::Style::DropDownList))
    , ComboBox11(GroupBox1.add<tk::ComboBox>("ComboBox11", PowerBoxBounds(11), tk::ComboBox::Style::DropDownList))
    , ComboBox12(GroupBox1.add<tk::ComboBox>("ComboBox12", PowerBoxBounds(12), tk::ComboBox::Style::DropDownList))
    , ComboBox13(GroupBox1.add<tk::ComboBox>("ComboBox13", PowerBoxBounds(13), tk::ComboBox::Style::DropDownList))
    , ComboBox14(GroupBox1.add<tk::ComboBox>("ComboBox14", PowerBoxBounds(14), tk::ComboBox::Style::DropDownList))
    , ComboBox15(GroupBox1.add<tk::ComboBox>("ComboBox15", PowerBoxBounds(15), tk::ComboBox::Style::DropDownList))
    , ComboBox16(GroupBox1.add<tk::ComboBox>("ComboBox16", PowerBoxBounds(16), tk::ComboBox::Style::DropDownList))
    , ComboBox17(GroupBox1.add<tk::ComboBox>("ComboBox17", PowerBoxBounds(17), tk::ComboBox::Style::DropDownList))
    , ComboBox18(GroupBox1.add<tk::ComboBox>("ComboBox18", PowerBoxBounds(18), tk::ComboBox::Style::DropDownList))
    , ComboBox19(GroupBox1.add<tk::ComboBox>("ComboBox19", PowerBoxBounds(19), tk::ComboBox::Style::DropDownList))
    , Bevel1(GroupBox1.add<tk::Bevel>("Bevel1", {6, kButtonTop - 6, 340, 2}))
    , Button12(GroupBox1.add<tk::Button>("Button12", {90, kButtonTop, 75, 25}))
    , Button13(GroupBox1.add<tk::Button>("Button13", {190, kButtonTop, 75, 25}))
    , GroupBox2(add<tk::GroupBox>("GroupBox2", {kSideLeft, kGroupTop, kSideWidth, 58}))
    , GroupBox3(add<tk::GroupBox>("GroupBox3", {kSideLeft, kGroupTop + 64, kSideWidth, 58}))
    , GroupBox4(add<tk::GroupBox>("GroupBox4", {kSideLeft, kGroupTop + 128, kSideWidth, 120}))
    , RzGroupBox2(add<tk::GroupBox>("RzGroupBox2", {kSideLeft, kGroupTop + 254, kSideWidth, 178}))
    , RzLabel2(RzGroupBox2.add<tk::Label>("RzLabel2", {70, 22, 50, 16}))
    , GroupBox7(add<tk::GroupBox>("GroupBox7", {616, kGroupTop, 200, 110}))
    , CurrentChannel(GroupBox7.add<tk::Label>("CurrentChannel", {80, 22, 40, 16}))
    , RzStatusBar1(add<tk::StatusBar>("RzStatusBar1", {0, kStatusTop, ClientWidth, kStatusHeight}))
    , RzStatusPane1(RzStatusBar1.add<tk::StatusPane>("RzStatusPane1", {0, 0, kModelPaneWidth, kStatusHeight}))
    , RzStatusPane2(RzStatusBar1.add<tk::StatusPane>("RzStatusPane2",
                                                     {kModelPaneWidth, 0, kCountPaneWidth, kStatusHeight}))
    , RzStatusPane3(RzStatusBar1.add<tk::StatusPane>(
          "RzStatusPane3", {kModelPaneWidth + kCountPaneWidth, 0, kCountPaneWidth, kStatusHeight}))
    , RzStatusPane4(RzStatusBar1.add<tk::StatusPane>("RzStatusPane4",
                                                     {kResultPaneLeft, 0, kResultPaneWidth, kStatusHeight}))
    , RzClockStatus1(RzStatusBar1.add<tk::ClockPane>(
          "RzClockStatus1", {kResultPaneLeft + kResultPaneWidth, 0, kClockPaneWidth, kStatusHeight}))
    , RzProgressBar1(RzStatusBar1.add<tk::ProgressBar>("RzProgressBar1",
                                                       {kResultPaneLeft + 2, 2, kResultPaneWidth - 4, kStatusHeight - 4}))
    , Timer1(add<tk::Timer>("Timer1"))
{
    setColour(tk::colours::white);
    setPosition(Position::ScreenCentre);
    setBorderStyle(BorderStyle::Single);
    setBorderIcons({.systemMenu = true, .minimise = true, .maximise = false});
    setCaption(ApplicationTitle);

    BuildFrame();
    BuildIdentityPanel();
    BuildChannelTable();
    BuildSingleSettingGroups();
    BuildLink();
    ApplyControlTexts(LanguageEnglish);
}

TMForm::~TMForm()
{
    // Replies must not reach a window being torn down.
    ComPort1.OnPackage = nullptr;
    Timer1.setEnabled(false);
}

void TMForm::BuildFrame()
{
    N2.setCaption("-");
    Read1.setHint("Read from ZR650/T");
    Write1.setHint("Write to ZR650/T");
    RzToolButton7.setVisible(false);

    onCreate = [this](tk::Control& s) { FormCreate(s); };
    onClose = [this](tk::Control& s, tk::CloseAction& a) { FormClose(s, a); };

    OpenConfigFile1.onClick = [this](tk::Control& s) { RzToolButton1Click(s); };
    RzToolButton1.onClick = [this](tk::Control& s) { RzToolButton1Click(s); };
    Savetoconfigurationfile1.onClick = [this](tk::Control& s) { RzToolButton3Click(s); };
    RzToolButton3.onClick = [this](tk::Control& s) { RzToolButton3Click(s); };
    Close1.onClick = [this](tk::Control& s) { Close1Click(s); };
    RzToolButton2.onClick = [this](tk::Control& s) { RzToolButton2Click(s); };
    Read1.onClick = [this](tk::Control& s) { RzToolButton4Click(s); };
    RzToolButton4.onClick = [this](tk::Control& s) { RzToolButton4Click(s); };
    Write1.onClick = [this](tk::Control& s) { RzToolButton5Click(s); };
    RzToolButton5.onClick = [this](tk::Control& s) { RzToolButton5Click(s); };
    Port1.onClick = [this](tk::Control& s) { Port1Click(s); };
    RzToolButton6.onClick = [this](tk::Control& s) { RzToolButton6Click(s); };
    English1.onClick = [this](tk::Control& s) { English1Click(s); };
    N1.onClick = [this](tk::Control& s) { N1Click(s); };
    ZR650TModem1.onClick = [this](tk::Control& s) { ZR650TModem1Click(s); };
    RzToolButton7.onClick = [this](tk::Control& s) { ZR650TModem1Click(s); };
    About1.onClick = [this](tk::Control& s) { About1Click(s); };

    RzStatusPane1.setCaption("ZR650/T");
    RzStatusPane2.setCaption("Tx:0");
    RzStatusPane3.setCaption("Rx:0");
    RzProgressBar1.setVisible(false);
    RzStatusPane2.onDblClick = [this](tk::Control& s) { RzStatusPane2DblClick(s); };
    RzStatusPane3.onDblClick = [this](tk::Control& s) { RzStatusPane3DblClick(s); };
}

void TMForm::BuildIdentityPanel()
{
    for (tk::Edit* shown : {&Edit1, &Edit56, &Edit5, &Edit3, &Edit4}) {
        shown->setEnabled(false);
        shown->setReadOnly(true);
    }
    Edit2.onChange = [this](tk::Control& s) { Edit2Change(s); };
    Edit2.onExit = [this](tk::Control& s) { Edit2Exit(s); };
}

void TMForm::BuildChannelTable()
{
    for (int channel = 1; channel <= radio::kChannelCount; ++channel) {
        const int top = RowTop(channel);
        auto& number = GroupBox1.add<tk::Label>("ChannelNumber" + std::to_string(channel),
                                                {kChannelLeft, top + 3, 28, 16});
        number.setCaption(std::to_string(channel));
        GroupBox1.add<tk::Label>("TxUnit" + std::to_string(channel), {kTxLeft + kBoxWidth + 3, top + 3, kUnitWidth, 16})
            .setCaption("MHz");
        GroupBox1.add<tk::Label>("RxUnit" + std::to_string(channel), {kRxLeft + kBoxWidth + 3, top + 3, kUnitWidth, 16})
            .setCaption("MHz");
    }
    for (tk::Control& control : GroupBox1.children()) {
        if (auto* box = dynamic_cast<tk::Edit*>(&control); box != nullptr && radio::NumberAfter(box->name(), "Edit")) {
            box->setMaxLength(9);
            box->onChange = [this](tk::Control& s) { CheckValue(s); };
            box->onExit = [this](tk::Control& s) { Edit7Exit(s); };
        } else if (auto* power = dynamic_cast<tk::ComboBox*>(&control)) {
            power->setItems({"1W", "2W", "3W", "4W", "5W"});
        }
    }
    Button12.onClick = [this](tk::Control& s) { Button12Click(s); };
    Button13.onClick = [this](tk::Control& s) { Button13Click(s); };
}

void TMForm::BuildLink()
{
    Timer1.setEnabled(false);
    Timer1.setInterval(WatchdogInterval);
    Timer1.onTimer = [this](tk::Control& s) { Timer1Timer(s); };

    ComPort1.fSetPort(2);
    ComPort1.fSetBaud(TBaudRate::br9600);
    ComPort1.fSetByteSize(8);
    ComPort1.fSetInBufSize(8192);
    ComPort1.fSetOutBufSize(8192);
    ComPort1.fSetHwInSize(1200);
    ComPort1.fSetHwOutSize(1200);
    ComPort1.fSetQSize(16);
    ComPort1.fSetPkgSz(4096);
    ComPort1.fSetPkgType(TCommPackageType::cptFrameTimeout);
    ComPort1.fSetPkgInterval(100);
    ComPort1.fSetUsePackage(true);
    ComPort1.OnPackage = [this](TObject* sender, TCommNotifyType notifyType) { ComPort1Package(sender, notifyType); };
}

} // namespace varnel
