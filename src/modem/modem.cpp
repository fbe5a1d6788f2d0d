#include "modem/modem.h"

#include <string>

#include "app/instances.h"
#include "app/language_texts.h"
#include "ports/modem_com_port.h"
#include "ports/port_form.h"
#include "ports/port_settings.h"
#include "radio/mform.h"
#include "toolkit/application.h"

namespace varnel {

namespace {

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

// Opens the port unless it is open; a failure shows the port's message.
void openPort(TQzCommDevice& port)
{
    if (port.fGetActive())
        return;
    try {
        port.fSetActive(true);
    } catch (...) {
        ports::ShowMessage(ports::CantOpenPortMessage(port.fGetPort()));
    }
}

}  // namespace

TModem::TModem()
    : tk::Form("Modem", {0, 0, ClientWidth, ClientHeight}),
      RzToolbar1(add<tk::ToolBar>("RzToolbar1", {0, 0, ClientWidth, 44})),
      RzToolButton2(RzToolbar1.add<tk::ToolButton>("RzToolButton2", {0, 0, 60, 40})),
      RzToolButton6(RzToolbar1.add<tk::ToolButton>("RzToolButton6", {0, 0, 60, 40})),
      RzToolButton7(RzToolbar1.add<tk::ToolButton>("RzToolButton7", {0, 0, 170, 40})),
      GroupBox2(add<tk::GroupBox>("GroupBox2", {12, 60, ClientWidth - 24, 120})),
      Label5(GroupBox2.add<tk::Label>("Label5", {16, 28, 200, 18})),
      Label6(GroupBox2.add<tk::Label>("Label6", {16, 56, 200, 18})),
      RzStatusBar1(add<tk::StatusBar>("RzStatusBar1", {0, ClientHeight - 22, ClientWidth, 22})),
      RzStatusPane1(RzStatusBar1.add<tk::StatusPane>("RzStatusPane1", {0, 0, 70, 22})),
      RzStatusPane2(RzStatusBar1.add<tk::StatusPane>("RzStatusPane2", {0, 0, 80, 22})),
      RzStatusPane3(RzStatusBar1.add<tk::StatusPane>("RzStatusPane3", {0, 0, 80, 22})),
      RzStatusPane4(RzStatusBar1.add<tk::StatusPane>("RzStatusPane4", {0, 0, 0, 22})),
      RzClockStatus1(RzStatusBar1.add<tk::ClockPane>("RzClockStatus1", {0, 0, 140, 22})),
      Timer1(add<tk::Timer>("Timer1"))
{
    Timer1.setEnabled(false);
    Timer1.setInterval(ReplyInterval);

    setBorderStyle(BorderStyle::Single);
    setBorderIcons({.systemMenu = true, .minimise = true, .maximise = false});
    // Placed over the main window at each switch.
    setPosition(Position::Designed);
    setColour(tk::colours::white);

    RzStatusPane1.setCaption("Modem");
    RzStatusPane2.setCaption("Tx:0");
    RzStatusPane3.setCaption("Rx:0");

    setUpPort(ComPort12);
    setUpPort(ComPort13);
    ApplyLanguage(LanguageEnglish);

    onCreate = [this](tk::Control& s) { FormCreate(s); };
    onClose = [this](tk::Control& s, tk::CloseAction& a) { FormClose(s, a); };
    RzToolButton2.onClick = [this](tk::Control& s) { Close1Click(s); };
    RzToolButton6.onClick = [this](tk::Control& s) { RzToolButton6Click(s); };
    RzToolButton7.onClick = [this](tk::Control& s) { RzToolButton7Click(s); };
}

TModem::~TModem()
{
    ComPort12.OnPackage = nullptr;
    ComPort13.OnPackage = nullptr;
}

void TModem::FormCreate(tk::Control&)
{
    ShowReceivePortLabel();
    ShowSendPortLabel();
    ApplyLanguage(LanguageIndex);
}

void TModem::ApplyLanguage(std::uint8_t language)
{
    const bool chinese = language == LanguageChinese;
    setCaption(std::string(ApplicationTitle) + " " + VersionTag);
    RzToolButton2.setCaption(chinese ? "关闭" : "Close");
    RzToolButton2.setHint(chinese ? "结束程序" : "Terminate application");
    RzToolButton6.setCaption(chinese ? "端口" : "Port");
    RzToolButton6.setHint(chinese ? "配置串口" : "Config the serial port");
    RzToolButton7.setCaption(chinese ? "电台参数设置" : "Radio Parameter Settings");
    RzToolButton7.setHint(chinese ? "电台参数设置" : "Radio Parameter Settings");
    GroupBox2.setCaption(chinese ? "数传测试" : "Data Transmission Test");
    LanguageTexts.TextSend = chinese ? "发送" : "Send";
    LanguageTexts.TextStop = chinese ? "停止" : "Stop";
    ShowReceivePortLabel();
    ShowSendPortLabel();
}

void TModem::ShowSendPortLabel()
{
    Label5.setCaption(LanguageTexts.TextTransmitPrefix + "COM" + std::to_string(ComPort12.fGetPort()));
}

void TModem::ShowReceivePortLabel()
{
    Label6.setCaption(LanguageTexts.TextReceivePrefix + "COM" + std::to_string(ComPort13.fGetPort()));
}

void TModem::OpenSendPort()
{
    openPort(ComPort12);
    if (ModemComPort != nullptr)
        ModemComPort->ShowSendPortState(ComPort12.fGetActive());
}

void TModem::CloseSendPort()
{
    if (!ComPort12.fGetActive())
        return;
    ComPort12.fSetActive(false);
    if (ModemComPort != nullptr)
        ModemComPort->ShowSendPortState(false);
}

void TModem::OpenReceivePort()
{
    openPort(ComPort13);
    if (ModemComPort != nullptr)
        ModemComPort->ShowReceivePortState(ComPort13.fGetActive());
}

void TModem::CloseReceivePort()
{
    if (!ComPort13.fGetActive())
        return;
    ComPort13.fSetActive(false);
    if (ModemComPort != nullptr)
        ModemComPort->ShowReceivePortState(false);
}

void TModem::FormClose(tk::Control&, tk::CloseAction&)
{
    if (MForm != nullptr)
        MForm->show();
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
    if (MForm == nullptr || PortForm == nullptr || ModemComPort == nullptr)
        return;
    MForm->show();
    hide();
    ModemComPort->hide();
    const int selected = ModemComPort->ComName12.itemIndex();
    if (ComPort12.fGetActive()) {
        ComPort12.fSetActive(false);
        ModemComPort->ShowSendPortState(false);
        PortForm->ComName1.setItemIndex(selected);
        PortForm->ComName1Change(PortForm->ComName1);
        OpenComPort();
    } else {
        PortForm->ComName1.setItemIndex(selected);
        PortForm->ComName1Change(PortForm->ComName1);
    }
}

}  // namespace varnel
