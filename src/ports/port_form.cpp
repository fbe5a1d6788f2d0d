#include "ports/port_form.h"

#include "app/application.h"
#include "app/instances.h"
#include "app/language_texts.h"
#include "app/settings.h"
#include "ports/dialog_layout.h"
#include "ports/port_changes.h"
#include "ports/port_settings.h"
#include "radio/mform.h"

namespace varnel {

namespace {

using tk::ComboBox;
namespace layout = ports::layout;

constexpr int GroupLeft = 16;
constexpr int GroupTop = 8;
constexpr int ControlsTop = GroupTop + layout::GroupHeight + 14;

// ComPort1 of the main window, while it exists.
ports::PortTarget radioTarget(const tk::Lamp& lamp)
{
    return {MForm != nullptr ? &MForm->ComPort1 : nullptr, lamp, [] { OpenComPort(); }};
}

}  // namespace

void OpenComPort()
{
    if (MForm == nullptr)
        return;
    ports::OpenPort(MForm->ComPort1);
    if (PortForm != nullptr)
        PortForm->ShowPortState(MForm->ComPort1.fGetActive());
}

void CloseComPort()
{
    if (MForm == nullptr || !MForm->ComPort1.fGetActive())
        return;
    try {
        MForm->ComPort1.fSetActive(false);
    } catch (...) {
        // The lamp must not claim an open port the engine gave up on.
        if (PortForm != nullptr)
            PortForm->ShowPortState(MForm->ComPort1.fGetActive());
        throw;
    }
    if (PortForm != nullptr)
        PortForm->ShowPortState(false);
}

TPortForm::TPortForm()
    : tk::Form("PortForm", {0, 0, ClientWidth, ClientHeight}),
      GroupBox1(add<tk::GroupBox>("GroupBox1", {GroupLeft, GroupTop, layout::GroupWidth, layout::GroupHeight})),
      Label3(GroupBox1.add<tk::Label>("Label3", layout::labelRow(0))),
      ComName1(GroupBox1.add<ComboBox>("ComName1", layout::boxRow(0), ComboBox::Style::DropDown)),
      Label4(GroupBox1.add<tk::Label>("Label4", layout::labelRow(1))),
      BaudRate1(GroupBox1.add<ComboBox>("BaudRate1", layout::boxRow(1), ComboBox::Style::DropDown)),
      Label5(GroupBox1.add<tk::Label>("Label5", layout::labelRow(2))),
      DataBits1(GroupBox1.add<ComboBox>("DataBits1", layout::boxRow(2), ComboBox::Style::DropDown)),
      Label6(GroupBox1.add<tk::Label>("Label6", layout::labelRow(3))),
      Parity1(GroupBox1.add<ComboBox>("Parity1", layout::boxRow(3), ComboBox::Style::DropDown)),
      Label7(GroupBox1.add<tk::Label>("Label7", layout::labelRow(4))),
      StopBits1(GroupBox1.add<ComboBox>("StopBits1", layout::boxRow(4), ComboBox::Style::DropDown)),
      iLedRound1(add<tk::Lamp>("iLedRound1", {GroupLeft + 14, ControlsTop + 4, layout::LampSize, layout::LampSize})),
      Button1(add<tk::Button>("Button1", {GroupLeft + 46, ControlsTop, layout::ButtonWidth, layout::ButtonHeight})),
      Button2(add<tk::Button>("Button2", {GroupLeft + layout::GroupWidth - layout::ButtonWidth, ControlsTop,
                                          layout::ButtonWidth, layout::ButtonHeight}))
{
    setBorderStyle(BorderStyle::Dialog);
    setBorderIcons({.systemMenu = true, .minimise = false, .maximise = false});
    setPosition(Position::MainFormCentre);

    BaudRate1.setItems(ports::RadioBaudItems);
    // Nothing selected until the settings file names a rate.
    BaudRate1.setDisplayText("9600");
    ports::SetupSettingBoxes(DataBits1, Parity1, StopBits1);
    // Shown as stored, not chosen here.
    DataBits1.setEnabled(false);
    Parity1.setEnabled(false);
    StopBits1.setEnabled(false);

    iLedRound1.setColours(tk::colours::lampGreen, tk::colours::lampOff);
    ApplyLanguage(LanguageEnglish);

    onCreate = [this](tk::Control& s) { FormCreate(s); };
    Button1.onClick = [this](tk::Control& s) { Button1Click(s); };
    Button2.onClick = [this](tk::Control& s) { Button2Click(s); };
    ComName1.onChange = [this](tk::Control& s) { ComName1Change(s); };
    BaudRate1.onChange = [this](tk::Control& s) { BaudRate1Change(s); };
    DataBits1.onChange = [this](tk::Control& s) { DataBits1Change(s); };
    Parity1.onChange = [this](tk::Control& s) { Parity1Change(s); };
    StopBits1.onChange = [this](tk::Control& s) { StopBits1Change(s); };
}

void TPortForm::FormCreate(tk::Control&)
{
    ComName1.setItems(app::PresentPorts());
    ComName1.setItemIndex(0);

    ports::ApplyPortSection(app::SettingsFile(), app::RadioPortSection,
                            {ComName1, BaudRate1, DataBits1, Parity1, StopBits1},
                            {[this] { ComName1Change(ComName1); }, [this] { BaudRate1Change(BaudRate1); },
                             [this] { DataBits1Change(DataBits1); }, [this] { Parity1Change(Parity1); },
                             [this] { StopBits1Change(StopBits1); }},
                            app::RadioPortOverride());

    OpenComPort();
    ApplyLanguage(LanguageIndex);
}

void TPortForm::ShowPortState(bool open)
{
    ports::ShowPortState(iLedRound1, Button1, open);
}

void TPortForm::Button1Click(tk::Control&)
{
    ports::TogglePort(MForm != nullptr ? &MForm->ComPort1 : nullptr, [] { OpenComPort(); }, [] { CloseComPort(); });
}

void TPortForm::Button2Click(tk::Control&)
{
    close();
}

void TPortForm::ComName1Change(tk::Control&)
{
    ports::ChangePortName(ComName1, radioTarget(iLedRound1));
}

void TPortForm::BaudRate1Change(tk::Control&)
{
    ports::ChangeBaudrate(BaudRate1, ports::RadioBaudRates, radioTarget(iLedRound1), ports::OnNoRate::Ignore);
}

void TPortForm::DataBits1Change(tk::Control&)
{
    ports::ChangeDataBits(DataBits1, radioTarget(iLedRound1));
}

void TPortForm::Parity1Change(tk::Control&)
{
    ports::ChangeParity(Parity1, radioTarget(iLedRound1));
}

void TPortForm::StopBits1Change(tk::Control&)
{
    ports::ChangeStopBits(StopBits1, radioTarget(iLedRound1));
}

}  // namespace varnel
