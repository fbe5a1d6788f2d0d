#pragma once

// The port dialog of the main window's radio link ComPort1, and the main
// window's open and close routines of that port.
//
// Every change of a selection goes to ComPort1 at once; a port that was
// open (lamp lit) is opened again with the new setting. The lamp and
// Button1 show the outcome of the last open or close routine.

#include <cstdint>

#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace varnel {

// Opens ComPort1 unless it is open; a failure shows "Can't open the serial
// port COM<n>,please check it again or choose another". Either way the
// port dialog's lamp and Button1 then show whether the port is open.
void OpenComPort();
// Closes ComPort1 if it is open, darkening the lamp; otherwise nothing.
void CloseComPort();

class TPortForm : public tk::Form {
public:
    static constexpr int ClientWidth = 264;
    static constexpr int ClientHeight = 226;

    TPortForm();

    tk::GroupBox& GroupBox1;
    tk::Label& Label3;
    tk::ComboBox& ComName1;
    tk::Label& Label4;
    tk::ComboBox& BaudRate1;
    tk::Label& Label5;
    tk::ComboBox& DataBits1;
    tk::Label& Label6;
    tk::ComboBox& Parity1;
    tk::Label& Label7;
    tk::ComboBox& StopBits1;
    tk::Lamp& iLedRound1;
    tk::Button& Button1;  // "Open" / "Close"
    tk::Button& Button2;  // "Exit"

    void FormCreate(tk::Control& sender);
    void Button1Click(tk::Control& sender);
    void Button2Click(tk::Control& sender);
    void ComName1Change(tk::Control& sender);
    void BaudRate1Change(tk::Control& sender);
    void DataBits1Change(tk::Control& sender);
    void Parity1Change(tk::Control& sender);
    void StopBits1Change(tk::Control& sender);
    // 0 English, 1 Simplified Chinese.
    void ApplyLanguage(std::uint8_t language);

    // Lamp and Button1 for an open or a closed port.
    void ShowPortState(bool open);
};

}  // namespace varnel
