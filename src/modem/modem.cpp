#include "modem/modem.h"

#include <string>

#include "app/instances.h"
#include "app/language_texts.h"
#include "modem/board_frames.h"
#include "ports/modem_com_port.h"
#include "ports/port_form.h"
#include "ports/port_settings.h"
#include "radio/mform.h"
#include "toolkit/application.h"

namespace varnel {

namespace {

constexpr int ToolBarHeight = 42;
constexpr int StatusHeight = 20;
constexpr int Margin = 8;

constexpr int ParameterTop = ToolBarHeight + 6;
constexpr int ParameterWidth = 360;
constexpr int ParameterHeight = 112;
constexpr int ParameterLabelWidth = 150;
constexpr int ParameterBoxLeft = 16 + ParameterLabelWidth + 8;
constexpr int ParameterBoxWidth = 120;
constexpr int ParameterRowTop = 24;
constexpr int ParameterRowPitch = 28;

constexpr int BoardTestLeft = Margin + ParameterWidth + Margin;
constexpr int BoardTestWidth = TModem::ClientWidth - BoardTestLeft - Margin;
constexpr int BoardTestButtonWidth = BoardTestWidth - 40;

constexpr int TestTop = ParameterTop + ParameterHeight + 8;
constexpr int TestWidth = TModem::ClientWidth - 2 * Margin;
constexpr int TestHeight = 372;
constexpr int ReceiveLeft = 372;
constexpr int ReceiveWidth = TestWidth - ReceiveLeft - 12;
constexpr int CountsTop = 238;
constexpr int CountsPitch = 30;
constexpr int CountLabelWidth = 104;
constexpr int CountBoxLeft = 12 + CountLabelWidth;

constexpr tk::Rect toolButton(int index, int width = 60)
{
    return {2 + index * 62, 2, width, ToolBarHeight - 4};
}

constexpr tk::Rect parameterLabel(int row)
{
    return {16, ParameterRowTop + row * ParameterRowPitch + 3, ParameterLabelWidth, 18};
}

constexpr tk::Rect parameterBox(int row)
{
    return {ParameterBoxLeft, ParameterRowTop + row * ParameterRowPitch, ParameterBoxWidth, 22};
}

constexpr tk::Rect countLabel(int row, int left = 12, int width = CountLabelWidth)
{
    return {left, CountsTop + row * CountsPitch + 3, width, 18};
}

constexpr tk::Rect countBox(int row, int left = CountBoxLeft, int width = 64)
{
    return {left, CountsTop + row * CountsPitch, width, 22};
}

void setUpPort(TQzCommDevice& port)
{
    port.fSetPort(2);
    port.fSetBaud(TBaudRate::br115200);
    port.fSetByteSize(8);
    port.fSetInBufSize(8192);
    port.fSetOutBufSize(8192);
    port.fSetHwInSize(1200);
    port.fSetHwOutSize(1200);
    port.fSetQSize(16);
    port.fSetPkgSz(4096);
    port.fSetPkgType(TCommPackageType::cptFrameTimeout);
    port.fSetUsePackage(true);
}

using ShowPortState = void (TModemComPort::*)(bool open);

// The port dialog's lamp and button of the port, while the dialog exists.
void showPortState(ShowPortState show, bool open)
{
    if (ModemComPort != nullptr)
        (ModemComPort->*show)(open);
}

void openPort(TQzCommDevice& port, ShowPortState show)
{
    ports::OpenPort(port);
    showPortState(show, port.fGetActive());
}

void closePort(TQzCommDevice& port, ShowPortState show)
{
    if (!port.fGetActive())
        return;
    port.fSetActive(false);
    showPortState(show, false);
}

}  // namespace

TModem::TModem()
    : tk::Form("Modem", {0, 0, ClientWidth, ClientHeight}),
      MainMenu1(add<tk::MainMenu>("MainMenu1")),
      File1(MainMenu1.add<tk::MenuItem>("File1")),
      Close1(File1.add<tk::MenuItem>("Close1")),
      Program1(MainMenu1.add<tk::MenuItem>("Program1")),
      Read1(Program1.add<tk::MenuItem>("Read1")),
      Write1(Program1.add<tk::MenuItem>("Write1")),
      Port1(MainMenu1.add<tk::MenuItem>("Port1")),
      Window1(MainMenu1.add<tk::MenuItem>("Window1")),
      ZR650TModem1(Window1.add<tk::MenuItem>("ZR650TModem1")),
      RzToolbar1(add<tk::ToolBar>("RzToolbar1", {0, 0, ClientWidth, ToolBarHeight})),
      RzToolButton2(RzToolbar1.add<tk::ToolButton>("RzToolButton2", toolButton(0))),
      RzToolButton4(RzToolbar1.add<tk::ToolButton>("RzToolButton4", toolButton(1))),
      RzToolButton5(RzToolbar1.add<tk::ToolButton>("RzToolButton5", toolButton(2))),
      RzToolButton6(RzToolbar1.add<tk::ToolButton>("RzToolButton6", toolButton(3))),
      RzToolButton7(RzToolbar1.add<tk::ToolButton>("RzToolButton7", toolButton(4, 170))),
      GroupBox1(add<tk::GroupBox>("GroupBox1", {Margin, ParameterTop, ParameterWidth, ParameterHeight})),
      Label2(GroupBox1.add<tk::Label>("Label2", parameterLabel(0))),
      ComboBox1(GroupBox1.add<tk::ComboBox>("ComboBox1", parameterBox(0), tk::ComboBox::Style::DropDownList)),
      Label3(GroupBox1.add<tk::Label>("Label3", parameterLabel(1))),
      ComboBox2(GroupBox1.add<tk::ComboBox>("ComboBox2", parameterBox(1), tk::ComboBox::Style::DropDownList)),
      Label1(GroupBox1.add<tk::Label>("Label1", parameterLabel(2))),
      ComboBox3(GroupBox1.add<tk::ComboBox>("ComboBox3", parameterBox(2), tk::ComboBox::Style::DropDownList)),
      GroupBox4(add<tk::GroupBox>("GroupBox4", {BoardTestLeft, ParameterTop, BoardTestWidth, ParameterHeight})),
      Button2(GroupBox4.add<tk::Button>("Button2", {20, 28, BoardTestButtonWidth, 28})),
      Button3(GroupBox4.add<tk::Button>("Button3", {20, 66, BoardTestButtonWidth, 28})),
      GroupBox2(add<tk::GroupBox>("GroupBox2", {Margin, TestTop, TestWidth, TestHeight})),
      Label5(GroupBox2.add<tk::Label>("Label5", {12, 22, 250, 18})),
      Edit9(GroupBox2.add<tk::Edit>("Edit9", {12, 42, 262, 22})),
      Button1(GroupBox2.add<tk::Button>("Button1", {282, 40, 74, 26})),
      Memo1(GroupBox2.add<tk::Memo>("Memo1", {12, 74, 344, 152})),
      Label7(GroupBox2.add<tk::Label>("Label7", countLabel(0))),
      Edit2(GroupBox2.add<tk::Edit>("Edit2", countBox(0))),
      Label4(GroupBox2.add<tk::Label>("Label4", countLabel(0, 190, 44))),
      Edit10(GroupBox2.add<tk::Edit>("Edit10", countBox(0, 236, 80))),
      Label18(GroupBox2.add<tk::Label>("Label18", countLabel(1))),
      Edit4(GroupBox2.add<tk::Edit>("Edit4", countBox(1))),
      Label8(GroupBox2.add<tk::Label>("Label8", countLabel(1, CountBoxLeft + 66, 10))),
      Edit11(GroupBox2.add<tk::Edit>("Edit11", countBox(1, CountBoxLeft + 78, 56))),
      Label9(GroupBox2.add<tk::Label>("Label9", countLabel(1, 252, 40))),
      Edit12(GroupBox2.add<tk::Edit>("Edit12", countBox(1, 292, 64))),
      Label19(GroupBox2.add<tk::Label>("Label19", countLabel(2))),
      Edit5(GroupBox2.add<tk::Edit>("Edit5", countBox(2, CountBoxLeft, 80))),
      Label20(GroupBox2.add<tk::Label>("Label20", countLabel(2, CountBoxLeft + 84, 16))),
      Label23(GroupBox2.add<tk::Label>("Label23", countLabel(3))),
      Edit8(GroupBox2.add<tk::Edit>("Edit8", countBox(3, CountBoxLeft, 80))),
      Label24(GroupBox2.add<tk::Label>("Label24", countLabel(3, CountBoxLeft + 84, 24))),
      Label6(GroupBox2.add<tk::Label>("Label6", {ReceiveLeft, 22, ReceiveWidth, 18})),
      Memo2(GroupBox2.add<tk::Memo>("Memo2", {ReceiveLeft, 42, ReceiveWidth, 244})),
      Label22(GroupBox2.add<tk::Label>("Label22", {ReceiveLeft, 299, 90, 18})),
      Edit7(GroupBox2.add<tk::Edit>("Edit7", {ReceiveLeft + 92, 296, ReceiveWidth - 92, 22})),
      RzStatusBar1(add<tk::StatusBar>("RzStatusBar1", {0, ClientHeight - StatusHeight, ClientWidth, StatusHeight})),
      RzStatusPane1(RzStatusBar1.add<tk::StatusPane>("RzStatusPane1", {0, 0, 70, StatusHeight})),
      RzStatusPane2(RzStatusBar1.add<tk::StatusPane>("RzStatusPane2", {0, 0, 90, StatusHeight})),
      RzStatusPane3(RzStatusBar1.add<tk::StatusPane>("RzStatusPane3", {0, 0, 90, StatusHeight})),
      RzStatusPane4(RzStatusBar1.add<tk::StatusPane>("RzStatusPane4", {0, 0, 0, StatusHeight})),
      RzClockStatus1(RzStatusBar1.add<tk::ClockPane>("RzClockStatus1", {0, 0, 130, StatusHeight})),
      Timer1(add<tk::Timer>("Timer1")),
      Timer2(add<tk::Timer>("Timer2"))
{
    setBorderStyle(BorderStyle::Single);
    setBorderIcons({.systemMenu = true, .minimise = true, .maximise = false});
    // Placed over the main window at each switch.
    setPosition(Position::Designed);
    setColour(tk::colours::white);

    BuildFrame();
    BuildParameterGroup();
    BuildTestGroups();

    setUpPort(ComPort12);
    setUpPort(ComPort13);
    ComPort12.OnPackage = [this](TObject* sender, TCommNotifyType type) { ComPort12Package(sender, type); };
    ComPort13.OnPackage = [this](TObject* sender, TCommNotifyType type) { ComPort13Package(sender, type); };

    ApplyLanguage(LanguageEnglish);
}

TModem::~TModem()
{
    // Nothing may reach a window being torn down.
    ComPort12.OnPackage = nullptr;
    ComPort13.OnPackage = nullptr;
    Timer1.setEnabled(false);
    Timer2.setEnabled(false);
}

void TModem::BuildFrame()
{
    onCreate = [this](tk::Control& s) { FormCreate(s); };
    onClose = [this](tk::Control& s, tk::CloseAction& a) { FormClose(s, a); };

    Close1.onClick = [this](tk::Control& s) { Close1Click(s); };
    RzToolButton2.onClick = [this](tk::Control& s) { Close1Click(s); };
    Read1.onClick = [this](tk::Control& s) { RzToolButton4Click(s); };
    RzToolButton4.onClick = [this](tk::Control& s) { RzToolButton4Click(s); };
    Write1.onClick = [this](tk::Control& s) { RzToolButton5Click(s); };
    RzToolButton5.onClick = [this](tk::Control& s) { RzToolButton5Click(s); };
    Port1.onClick = [this](tk::Control& s) { RzToolButton6Click(s); };
    RzToolButton6.onClick = [this](tk::Control& s) { RzToolButton6Click(s); };
    ZR650TModem1.onClick = [this](tk::Control& s) { RzToolButton7Click(s); };
    RzToolButton7.onClick = [this](tk::Control& s) { RzToolButton7Click(s); };

    RzStatusPane1.setCaption("Modem");
    UpdateTxPane();
    UpdateRxPane();

    Timer1.setEnabled(false);
    Timer1.setInterval(ReplyInterval);
    Timer1.onTimer = [this](tk::Control& s) { Timer1Timer(s); };
}

void TModem::BuildParameterGroup()
{
    ComboBox1.setItems({"600", "1200", "2400", "4800", "9600"});
    ComboBox2.setItems({"None", "Odd", "Even"});
    ComboBox3.setItems({"1200", "2400"});
}

void TModem::BuildTestGroups()
{
    GroupBox4.setVisible(false);
    Button2.onClick = [this](tk::Control& s) { Button2Click(s); };
    Button3.onClick = [this](tk::Control& s) { Button3Click(s); };

    Edit9.setText("Test string.");
    Edit8.setText("2000");
    Label8.setCaption("/");
    Label20.setCaption("%");
    Label24.setCaption("ms");
    // Every count box holds the program's own numbers only.
    for (tk::Edit* count : {&Edit2, &Edit10, &Edit4, &Edit11, &Edit12, &Edit5, &Edit7})
        count->setReadOnly(true);
    for (tk::Memo* memo : {&Memo1, &Memo2}) {
        memo->setReadOnly(true);
        memo->setScrollBars(tk::Memo::ScrollBars::Vertical);
    }
    Button1.onClick = [this](tk::Control& s) { Button1Click(s); };

    Timer2.setEnabled(false);
    Timer2.onTimer = [this](tk::Control& s) { Timer2Timer(s); };
}

void TModem::FormCreate(tk::Control&)
{
    ShowReceivePortLabel();
    ShowSendPortLabel();
    ApplyLanguage(LanguageIndex);
}

void TModem::ShowSendPortLabel()
{
    Label5.setCaption(LanguageTexts.TextTransmitPrefix + "COM" + std::to_string(ComPort12.fGetPort()));
}

void TModem::ShowReceivePortLabel()
{
    Label6.setCaption(LanguageTexts.TextReceivePrefix + "COM" + std::to_string(ComPort13.fGetPort()));
}

void TModem::UpdateTxPane()
{
    RzStatusPane2.setCaption("Tx:" + std::to_string(TxByteCount.value()));
}

void TModem::UpdateRxPane()
{
    RzStatusPane3.setCaption("Rx:" + std::to_string(RxByteCount.value()));
}

void TModem::SendFrame(std::span<const std::uint8_t> frame)
{
    // As in the main window, the count shows what was asked to go out.
    ComPort12.WritePackage(frame.data(), static_cast<unsigned long>(frame.size()));
    TxByteCount.add(frame.size());
    UpdateTxPane();
}

void TModem::RevealTransmitTest()
{
    GroupBox4.setVisible(true);
}

// ---- ports ---------------------------------------------------------------------

void TModem::OpenSendPort()
{
    openPort(ComPort12, &TModemComPort::ShowSendPortState);
}

void TModem::CloseSendPort()
{
    closePort(ComPort12, &TModemComPort::ShowSendPortState);
}

void TModem::OpenReceivePort()
{
    openPort(ComPort13, &TModemComPort::ShowReceivePortState);
}

void TModem::CloseReceivePort()
{
    closePort(ComPort13, &TModemComPort::ShowReceivePortState);
}

// ---- frame commands and the window switch ------------------------------------

void TModem::FormClose(tk::Control&, tk::CloseAction&)
{
    // The main window needs the line back, whichever way this one is left.
    SwitchToMainWindow();
}

void TModem::Close1Click(tk::Control&)
{
    tk::Application::instance().terminate();
}

void TModem::RzToolButton6Click(tk::Control&)
{
    if (ModemComPort != nullptr)
        ModemComPort->show();
}

void TModem::RzToolButton7Click(tk::Control&)
{
    SwitchToMainWindow();
}

void TModem::SwitchToMainWindow()
{
    if (MForm == nullptr || PortForm == nullptr || ModemComPort == nullptr)
        return;
    MForm->show();
    hide();
    ModemComPort->hide();
    const int selected = ModemComPort->ComName12.itemIndex();
    const bool handOver = ComPort12.fGetActive();
    if (handOver) {
        ComPort12.fSetActive(false);
        ModemComPort->ShowSendPortState(false);
    }
    PortForm->ComName1.setItemIndex(selected);
    PortForm->ComName1Change(PortForm->ComName1);
    if (handOver)
        OpenComPort();
}

}  // namespace varnel
