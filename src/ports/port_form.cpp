#include "ports/port_form.h"

#include <cstddef>

#include "app/application.h"
#include "app/instances.h"
#include "app/language_texts.h"
#include "app/settings.h"
#include "ports/dialog_layout.h"
#include "ports/port_settings.h"
#include "radio/mform.h"

namespace varnel {

namespace {

using tk::ComboBox;
namespace layout = ports::layout;

constexpr int GroupLeft = 16;
constexpr int GroupTop = 8;
constexpr int ControlsTop = GroupTop + layout::GroupHeight + 14;

// Assignments to the component may raise (a close that fails); the
// dialog keeps going and the component keeps its former value.
template <typename F>
void ignoringErrors(F&& assign)
{
    try {
        assign();
    } catch (...) {
    }
}

}  // namespace

void OpenComPort()
{
    if (MForm == nullptr)
        return;
    TQzCommDevice& port = MForm->ComPort1;
    if (!port.fGetActive()) {
        try {
            port.fSetActive(true);
        } catch (...) {
            ports::ShowMessage(ports::CantOpenPortMessage(port.fGetPort()));
        }
    }
    if (PortForm != nullptr)
        PortForm->ShowPortState(port.fGetActive());
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
    DataBits1.setItems(ports::DataBitsItems);
    DataBits1.setItemIndex(3);
    Parity1.setItems(ports::ParityItems);
    Parity1.setItemIndex(0);
    StopBits1.setItems(ports::StopBitsItems);
    StopBits1.setItemIndex(0);
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
    iLedRound1.setLit(open);
    Button1.setCaption(open ? LanguageTexts.TextClose : LanguageTexts.TextOpen);
}

void TPortForm::Button1Click(tk::Control&)
{
    if (MForm != nullptr && MForm->ComPort1.fGetActive())
        CloseComPort();
    else
        OpenComPort();
}

void TPortForm::Button2Click(tk::Control&)
{
    close();
}

void TPortForm::ComName1Change(tk::Control&)
{
    if (MForm == nullptr)
        return;
    const int number = ports::SelectedPortNumber(ComName1);
    ignoringErrors([&] { MForm->ComPort1.fSetPort(number); });
    if (iLedRound1.lit())
        OpenComPort();
}

void TPortForm::BaudRate1Change(tk::Control&)
{
    const int index = BaudRate1.itemIndex();
    if (MForm == nullptr || index < 0 || index >= static_cast<int>(ports::RadioBaudRates.size()))
        return;
    ignoringErrors([&] { MForm->ComPort1.fSetBaud(ports::RadioBaudRates[static_cast<std::size_t>(index)]); });
    if (iLedRound1.lit())
        OpenComPort();
}

void TPortForm::DataBits1Change(tk::Control&)
{
    const int index = DataBits1.itemIndex();
    if (index < 0) {
        DataBits1.setFocus();
        return;
    }
    if (MForm == nullptr)
        return;
    MForm->ComPort1.fSetByteSize(index + ports::FirstDataBits);
    if (iLedRound1.lit())
        OpenComPort();
}

void TPortForm::Parity1Change(tk::Control&)
{
    const int index = Parity1.itemIndex();
    if (index < 0) {
        Parity1.setFocus();
        return;
    }
    if (MForm == nullptr)
        return;
    ignoringErrors([&] { MForm->ComPort1.fSetParity(static_cast<TParity>(index)); });
    if (iLedRound1.lit())
        OpenComPort();
}

void TPortForm::StopBits1Change(tk::Control&)
{
    const int index = StopBits1.itemIndex();
    if (index < 0) {
        StopBits1.setFocus();
        return;
    }
    if (MForm == nullptr)
        return;
    ignoringErrors([&] { MForm->ComPort1.fSetStopBits(static_cast<TStopBits>(index)); });
    if (iLedRound1.lit())
        OpenComPort();
}

}  // namespace varnel
