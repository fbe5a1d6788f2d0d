#pragma once

// The two-port dialog of the modem board window: the send port ComPort12 on
// the left, the receive port ComPort13 (used only to receive in the data
// test) on the right. Each selection goes to its component at once; an
// open port (lamp lit) is opened again with the new setting. The ports are
// opened and closed by the modem window's routines (OpenSendPort, ...).

#include <cstdint>

#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace varnel {

class TModemComPort : public tk::Form {
public:
    static constexpr int ClientWidth = 512;
    static constexpr int ClientHeight = 252;
    static constexpr int DesignedLeft = 260;
    static constexpr int DesignedTop = 180;

    TModemComPort();

    tk::GroupBox& GroupBox1;  // send port
    tk::Label& Label3;
    tk::ComboBox& ComName12;
    tk::Label& Label4;
    tk::ComboBox& BaudRate12;
    tk::Label& Label5;
    tk::ComboBox& DataBits12;
    tk::Label& Label6;
    tk::ComboBox& Parity12;
    tk::Label& Label7;
    tk::ComboBox& StopBits12;

    tk::Label& Label11;       // "Just for recieve test:"
    tk::GroupBox& GroupBox2;  // receive port
    tk::Label& Label1;
    tk::ComboBox& ComName13;
    tk::Label& Label2;
    tk::ComboBox& BaudRate13;
    tk::Label& Label8;
    tk::ComboBox& DataBits13;
    tk::Label& Label9;
    tk::ComboBox& Parity13;
    tk::Label& Label10;
    tk::ComboBox& StopBits13;

    tk::Lamp& iLedRound1;
    tk::Button& Button1;  // send port "Open" / "Close"
    tk::Button& Button3;  // "Exit"
    tk::Lamp& iLedRound2;
    tk::Button& Button2;  // receive port "Open" / "Close"

    void FormCreate(tk::Control& sender);
    void Button1Click(tk::Control& sender);
    void Button2Click(tk::Control& sender);
    void Button3Click(tk::Control& sender);
    void ComName12Change(tk::Control& sender);
    void BaudRate12Change(tk::Control& sender);
    void DataBits12Change(tk::Control& sender);
    void Parity12Change(tk::Control& sender);
    void StopBits12Change(tk::Control& sender);
    void ComName13Change(tk::Control& sender);
    void BaudRate13Change(tk::Control& sender);
    void DataBits13Change(tk::Control& sender);
    void Parity13Change(tk::Control& sender);
    void StopBits13Change(tk::Control& sender);
    // 0 English, 1 Simplified Chinese.
    void ApplyLanguage(std::uint8_t language);

    // Lamp and button of either port for an open or a closed port.
    void ShowSendPortState(bool open);
    void ShowReceivePortState(bool open);
};

}  // namespace varnel
