#include "ports/modem_com_port.h"

#include <string>

#include "app/application.h"
#include "app/instances.h"
#include "app/language_texts.h"
#include "app/settings.h"
#include "modem/modem.h"
#include "ports/dialog_layout.h"
#include "ports/port_changes.h"
#include "ports/port_settings.h"

namespace varnel {

namespace {

using tk::ComboBox;
namespace layout = ports::layout;

constexpr int LeftGroupLeft = 16;
constexpr int RightGroupLeft = LeftGroupLeft + layout::GroupWidth + 16;
constexpr int GroupTop = 28;
constexpr int ControlsTop = GroupTop + layout::GroupHeight + 14;

void setupBoxes(ComboBox& baudrate, ComboBox& dataBits, ComboBox& parity, ComboBox& stopBits)
{
    baudrate.setItems(ports::ModemBaudItems);
    baudrate.setItemIndex(4);
    ports::SetupSettingBoxes(dataBits, parity, stopBits);
}

// Only while the modem window exists.
ports::PortTarget sendTarget(const tk::Lamp& lamp)
{
    return {&Modem->ComPort12, lamp, [] { Modem->OpenSendPort(); }};
}

ports::PortTarget receiveTarget(const tk::Lamp& lamp)
{
    return {&Modem->ComPort13, lamp, [] { Modem->OpenReceivePort(); }};
}

}  // namespace

TModemComPort::TModemComPort()
    : tk::Form("ModemComPort", {DesignedLeft, DesignedTop, ClientWidth, ClientHeight}),
      GroupBox1(add<tk::GroupBox>("GroupBox1", {LeftGroupLeft, GroupTop, layout::GroupWidth, layout::GroupHeight})),
      Label3(GroupBox1.add<tk::Label>("Label3", layout::labelRow(0))),
      ComName12(GroupBox1.add<ComboBox>("ComName12", layout::boxRow(0), ComboBox::Style::DropDown)),
      Label4(GroupBox1.add<tk::Label>("Label4", layout::labelRow(1))),
      BaudRate12(GroupBox1.add<ComboBox>("BaudRate12", layout::boxRow(1), ComboBox::Style::DropDown)),
      Label5(GroupBox1.add<tk::Label>("Label5", layout::labelRow(2))),
      DataBits12(GroupBox1.add<ComboBox>("DataBits12", layout::boxRow(2), ComboBox::Style::DropDown)),
      Label6(GroupBox1.add<tk::Label>("Label6", layout::labelRow(3))),
      Parity12(GroupBox1.add<ComboBox>("Parity12", layout::boxRow(3), ComboBox::Style::DropDown)),
      Label7(GroupBox1.add<tk::Label>("Label7", layout::labelRow(4))),
      StopBits12(GroupBox1.add<ComboBox>("StopBits12", layout::boxRow(4), ComboBox::Style::DropDown)),
      Label11(add<tk::Label>("Label11", {RightGroupLeft, 8, layout::GroupWidth, 18})),
      GroupBox2(add<tk::GroupBox>("GroupBox2", {RightGroupLeft, GroupTop, layout::GroupWidth, layout::GroupHeight})),
      Label1(GroupBox2.add<tk::Label>("Label1", layout::labelRow(0))),
      ComName13(GroupBox2.add<ComboBox>("ComName13", layout::boxRow(0), ComboBox::Style::DropDown)),
      Label2(GroupBox2.add<tk::Label>("Label2", layout::labelRow(1))),
      BaudRate13(GroupBox2.add<ComboBox>("BaudRate13", layout::boxRow(1), ComboBox::Style::DropDown)),
      Label8(GroupBox2.add<tk::Label>("Label8", layout::labelRow(2))),
      DataBits13(GroupBox2.add<ComboBox>("DataBits13", layout::boxRow(2), ComboBox::Style::DropDown)),
      Label9(GroupBox2.add<tk::Label>("Label9", layout::labelRow(3))),
      Parity13(GroupBox2.add<ComboBox>("Parity13", layout::boxRow(3), ComboBox::Style::DropDown)),
      Label10(GroupBox2.add<tk::Label>("Label10", layout::labelRow(4))),
      StopBits13(GroupBox2.add<ComboBox>("StopBits13", layout::boxRow(4), ComboBox::Style::DropDown)),
      iLedRound1(add<tk::Lamp>("iLedRound1",
                               {LeftGroupLeft + 14, ControlsTop + 4, layout::LampSize, layout::LampSize})),
      Button1(add<tk::Button>("Button1", {LeftGroupLeft + 46, ControlsTop, layout::ButtonWidth, layout::ButtonHeight})),
      Button3(add<tk::Button>("Button3", {(ClientWidth - layout::ButtonWidth) / 2, ControlsTop, layout::ButtonWidth,
                                          layout::ButtonHeight})),
      iLedRound2(add<tk::Lamp>("iLedRound2", {RightGroupLeft + layout::GroupWidth - layout::ButtonWidth - 32,
                                              ControlsTop + 4, layout::LampSize, layout::LampSize})),
      Button2(add<tk::Button>("Button2", {RightGroupLeft + layout::GroupWidth - layout::ButtonWidth, ControlsTop,
                                          layout::ButtonWidth, layout::ButtonHeight}))
{
    setBorderStyle(BorderStyle::Dialog);
    setBorderIcons({.systemMenu = true, .minimise = false, .maximise = false});
    setPosition(Position::Designed);

    setupBoxes(BaudRate12, DataBits12, Parity12, StopBits12);
    setupBoxes(BaudRate13, DataBits13, Parity13, StopBits13);
    ApplyLanguage(LanguageEnglish);

    onCreate = [this](tk::Control& s) { FormCreate(s); };
    Button1.onClick = [this](tk::Control& s) { Button1Click(s); };
    Button2.onClick = [this](tk::Control& s) { Button2Click(s); };
    Button3.onClick = [this](tk::Control& s) { Button3Click(s); };
    ComName12.onChange = [this](tk::Control& s) { ComName12Change(s); };
    BaudRate12.onChange = [this](tk::Control& s) { BaudRate12Change(s); };
    DataBits12.onChange = [this](tk::Control& s) { DataBits12Change(s); };
    Parity12.onChange = [this](tk::Control& s) { Parity12Change(s); };
    StopBits12.onChange = [this](tk::Control& s) { StopBits12Change(s); };
    ComName13.onChange = [this](tk::Control& s) { ComName13Change(s); };
    BaudRate13.onChange = [this](tk::Control& s) { BaudRate13Change(s); };
    DataBits13.onChange = [this](tk::Control& s) { DataBits13Change(s); };
    Parity13.onChange = [this](tk::Control& s) { Parity13Change(s); };
    StopBits13.onChange = [this](tk::Control& s) { StopBits13Change(s); };
}

void TModemComPort::FormCreate(tk::Control&)
{
    const std::vector<std::string> present = app::PresentPorts();
    ComName12.setItems(present);
    ComName12.setItemIndex(0);
    ComName13.setItems(present);
    ComName13.setItemIndex(0);

    ApplyLanguage(LanguageIndex);

    const platform::ProfileFile settings = app::SettingsFile();
    ports::ApplyPortSection(settings, app::ModemSendPortSection,
                            {ComName12, BaudRate12, DataBits12, Parity12, StopBits12},
                            {[this] { ComName12Change(ComName12); }, [this] { BaudRate12Change(BaudRate12); },
                             [this] { DataBits12Change(DataBits12); }, [this] { Parity12Change(Parity12); },
                             [this] { StopBits12Change(StopBits12); }});
    ports::ApplyPortSection(settings, app::ModemReceivePortSection,
                            {ComName13, BaudRate13, DataBits13, Parity13, StopBits13},
                            {[this] { ComName13Change(ComName13); }, [this] { BaudRate13Change(BaudRate13); },
                             [this] { DataBits13Change(DataBits13); }, [this] { Parity13Change(Parity13); },
                             [this] { StopBits13Change(StopBits13); }});
}

void TModemComPort::ShowSendPortState(bool open)
{
    ports::ShowPortState(iLedRound1, Button1, open);
}

void TModemComPort::ShowReceivePortState(bool open)
{
    ports::ShowPortState(iLedRound2, Button2, open);
}

void TModemComPort::Button1Click(tk::Control&)
{
    if (Modem != nullptr)
        ports::TogglePort(&Modem->ComPort12, [] { Modem->OpenSendPort(); }, [] { Modem->CloseSendPort(); });
}

void TModemComPort::Button2Click(tk::Control&)
{
    if (Modem != nullptr)
        ports::TogglePort(&Modem->ComPort13, [] { Modem->OpenReceivePort(); }, [] { Modem->CloseReceivePort(); });
}

void TModemComPort::Button3Click(tk::Control&)
{
    close();
}

void TModemComPort::ComName12Change(tk::Control&)
{
    if (Modem != nullptr)
        ports::ChangePortName(ComName12, sendTarget(iLedRound1), [] { Modem->ShowSendPortLabel(); });
}

void TModemComPort::ComName13Change(tk::Control&)
{
    if (Modem != nullptr)
        ports::ChangePortName(ComName13, receiveTarget(iLedRound2), [] { Modem->ShowReceivePortLabel(); });
}

void TModemComPort::BaudRate12Change(tk::Control&)
{
    if (Modem != nullptr)
        ports::ChangeBaudrate(BaudRate12, ports::ModemBaudRates, sendTarget(iLedRound1), ports::OnNoRate::Focus);
}

void TModemComPort::DataBits12Change(tk::Control&)
{
    if (Modem != nullptr)
        ports::ChangeDataBits(DataBits12, sendTarget(iLedRound1));
}

void TModemComPort::Parity12Change(tk::Control&)
{
    if (Modem != nullptr)
        ports::ChangeParity(Parity12, sendTarget(iLedRound1));
}

void TModemComPort::StopBits12Change(tk::Control&)
{
    if (Modem != nullptr)
        ports::ChangeStopBits(StopBits12, sendTarget(iLedRound1));
}

void TModemComPort::BaudRate13Change(tk::Control&)
{
    if (Modem != nullptr)
        ports::ChangeBaudrate(BaudRate13, ports::ModemBaudRates, receiveTarget(iLedRound2), ports::OnNoRate::Focus);
}

void TModemComPort::DataBits13Change(tk::Control&)
{
    if (Modem != nullptr)
        ports::ChangeDataBits(DataBits13, receiveTarget(iLedRound2));
}

void TModemComPort::Parity13Change(tk::Control&)
{
    if (Modem != nullptr)
        ports::ChangeParity(Parity13, receiveTarget(iLedRound2));
}

void TModemComPort::StopBits13Change(tk::Control&)
{
    if (Modem != nullptr)
        ports::ChangeStopBits(StopBits13, receiveTarget(iLedRound2));
}

}  // namespace varnel
