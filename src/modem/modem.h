#pragma once

// The modem board window: the second main window, sharing the serial line
// with the main window. This holds its frame, its two ports and their open
// and close routines, the port labels and the switch back to the main
// window; the board operations and the data tests build on it.

#include <cstdint>

#include "serial/qzcommdevice.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"

namespace varnel {

class TModem : public tk::Form {
public:
    static constexpr int ClientWidth = 571;
    static constexpr int ClientHeight = 641;
    static constexpr int ReplyInterval = 1000;  // ms

    TModem();
    ~TModem() override;

    tk::ToolBar& RzToolbar1;
    tk::ToolButton& RzToolButton2;  // Close
    tk::ToolButton& RzToolButton6;  // Port
    tk::ToolButton& RzToolButton7;  // Radio Parameter Settings

    tk::GroupBox& GroupBox2;  // Data Transmission Test
    tk::Label& Label5;        // "Transmit," + "COM" + send port
    tk::Label& Label6;        // "Recieve," + "COM" + receive port

    tk::StatusBar& RzStatusBar1;
    tk::StatusPane& RzStatusPane1;  // "Modem"
    tk::StatusPane& RzStatusPane2;  // "Tx:" count
    tk::StatusPane& RzStatusPane3;  // "Rx:" count
    tk::StatusPane& RzStatusPane4;  // result text
    tk::ClockPane& RzClockStatus1;

    // Reply timer of the board operations.
    tk::Timer& Timer1;

    TQzCommDevice ComPort12;  // send port, also the board's working port
    TQzCommDevice ComPort13;  // receive port of the data test

    void FormCreate(tk::Control& sender);
    void FormClose(tk::Control& sender, tk::CloseAction& action);
    void Close1Click(tk::Control& sender);
    void RzToolButton6Click(tk::Control& sender);
    // Back to the main window, handing the open send port over to ComPort1.
    void RzToolButton7Click(tk::Control& sender);

    // The two-port dialog's routines; each refreshes that dialog's lamp and
    // button. A failed open shows the port's "Can't open" message.
    void OpenSendPort();
    void CloseSendPort();
    void OpenReceivePort();
    void CloseReceivePort();

    // Label5 / Label6 from the current port numbers and language texts.
    void ShowSendPortLabel();
    void ShowReceivePortLabel();

    // 0 English, 1 Simplified Chinese.
    void ApplyLanguage(std::uint8_t language);
};

}  // namespace varnel
