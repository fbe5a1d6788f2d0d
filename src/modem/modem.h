#pragma once

// The modem board window: the tool's second main window. It shares the
// serial line with the main window (the open port is handed over at each
// switch), reads and writes the board's three parameters through the send
// port ComPort12, and runs two tests: the data transmission test between
// ComPort12 and the receive port ComPort13 of a second radio, and the
// board's own transmit test, shown only after the access gate.
//
//   modem.cpp               frame, port routines, window switch
//   modem_language.cpp      window texts in both languages
//   modem_board.cpp         board Read and Write, replies, reply timer
//   modem_transmission.cpp  data transmission test, board transmit test

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "link/link_state.h"
#include "serial/qzcommdevice.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"

namespace varnel {

// The board exchange under way; kept until the next operation sets another.
enum class TModemStep : std::uint8_t {
    msNone,
    msReadFirst,     // Read: first request at the current port settings
    msReadScan,      // Read: searching the settings the board answers at
    msWriteAirRate,  // Write: air data rate request sent
    msWriteSerial,   // Write: serial port request sent
    msTestArm,       // board transmit test
    msTestRun,
    msTestStop,
};

class TModem : public tk::Form {
public:
    static constexpr int ClientWidth = 571;
    static constexpr int ClientHeight = 641;
    static constexpr int ReplyInterval = 1000;  // ms
    // Capacities a package of either port is read with.
    static constexpr std::size_t SendPortReadSize = 1024;
    static constexpr std::size_t ReceivePortReadSize = 2048;
    // Memo lines kept before a memo starts over.
    static constexpr std::size_t MemoLineLimit = 100;

    TModem();
    ~TModem() override;

    // ---- frame ----
    tk::MainMenu& MainMenu1;
    tk::MenuItem& File1;
    tk::MenuItem& Close1;
    tk::MenuItem& Program1;
    tk::MenuItem& Read1;
    tk::MenuItem& Write1;
    tk::MenuItem& Port1;
    tk::MenuItem& Window1;
    tk::MenuItem& ZR650TModem1;  // Radio Parameter Settings

    tk::ToolBar& RzToolbar1;
    tk::ToolButton& RzToolButton2;  // Close
    tk::ToolButton& RzToolButton4;  // Read
    tk::ToolButton& RzToolButton5;  // Write
    tk::ToolButton& RzToolButton6;  // Port
    tk::ToolButton& RzToolButton7;  // Radio Parameter Settings

    // ---- board parameters ----
    tk::GroupBox& GroupBox1;
    tk::Label& Label2;
    tk::ComboBox& ComboBox1;  // serial port baud rate
    tk::Label& Label3;
    tk::ComboBox& ComboBox2;  // serial port parity
    tk::Label& Label1;
    tk::ComboBox& ComboBox3;  // air data rate

    // ---- board transmit test, hidden until the access gate ----
    tk::GroupBox& GroupBox4;
    tk::Button& Button2;  // Transmit Test
    tk::Button& Button3;  // Stop Test

    // ---- data transmission test ----
    tk::GroupBox& GroupBox2;
    tk::Label& Label5;  // "Transmit," + "COM" + send port
    tk::Edit& Edit9;    // test text
    tk::Button& Button1;  // "Send" / "Stop"
    tk::Memo& Memo1;    // texts echoed to the send port
    tk::Label& Label7;
    tk::Edit& Edit2;    // frames sent
    tk::Label& Label4;
    tk::Edit& Edit10;   // bytes sent
    tk::Label& Label18;
    tk::Edit& Edit4;    // echoes equal to the test text
    tk::Label& Label8;
    tk::Edit& Edit11;   // all echoes
    tk::Label& Label9;
    tk::Edit& Edit12;   // bytes echoed
    tk::Label& Label19;
    tk::Edit& Edit5;    // success rate
    tk::Label& Label20;
    tk::Label& Label23;
    tk::Edit& Edit8;    // transmit time-out, ms
    tk::Label& Label24;
    tk::Label& Label6;  // "Recieve," + "COM" + receive port
    tk::Memo& Memo2;    // frames received on the receive port
    tk::Label& Label22;
    tk::Edit& Edit7;    // frames received on the receive port

    tk::StatusBar& RzStatusBar1;
    tk::StatusPane& RzStatusPane1;  // "Modem"
    tk::StatusPane& RzStatusPane2;  // "Tx:" count
    tk::StatusPane& RzStatusPane3;  // "Rx:" count
    tk::StatusPane& RzStatusPane4;  // result text
    tk::ClockPane& RzClockStatus1;

    tk::Timer& Timer1;  // reply timer of the board operations
    tk::Timer& Timer2;  // transmit time-out of the data test

    TQzCommDevice ComPort12;  // send port, also the board's working port
    TQzCommDevice ComPort13;  // receive port of the data test

    // This window's traffic on the send port, apart from the main window's.
    link::ByteCounter TxByteCount;
    link::ByteCounter RxByteCount;

    TModemStep Step() const noexcept { return step_; }
    // The data test handles echoes (set from its start until the echo or
    // time-out after a Stop).
    bool TestRunning() const noexcept { return testRunning_; }

    // ---- handlers ----
    void FormCreate(tk::Control& sender);
    // The close box: back to the main window with the line, as
    // RzToolButton7 does.
    void FormClose(tk::Control& sender, tk::CloseAction& action);
    void Close1Click(tk::Control& sender);
    void RzToolButton4Click(tk::Control& sender);  // Read
    void RzToolButton5Click(tk::Control& sender);  // Write
    void RzToolButton6Click(tk::Control& sender);  // Port
    void RzToolButton7Click(tk::Control& sender);  // back to the main window
    void Timer1Timer(tk::Control& sender);
    void ComPort12Package(TObject* sender, TCommNotifyType notifyType);
    void ComPort13Package(TObject* sender, TCommNotifyType notifyType);
    // A package from the send port that starts 55 AA.
    void HandleBoardReply(std::span<const std::uint8_t> package);

    void Button1Click(tk::Control& sender);  // Send / Stop
    void Timer2Timer(tk::Control& sender);
    void Button2Click(tk::Control& sender);  // Transmit Test
    void Button3Click(tk::Control& sender);  // Stop Test

    // The access gate of the main window shows the board transmit test; it
    // stays visible until the program ends.
    void RevealTransmitTest();

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

private:
    void BuildFrame();
    void BuildParameterGroup();
    void BuildTestGroups();
    void SwitchToMainWindow();

    // Writes a frame on the send port and counts it.
    void SendFrame(std::span<const std::uint8_t> frame);
    void UpdateTxPane();
    void UpdateRxPane();

    void StartReplyTimer();
    void BeginOperation();
    void EndOperation();
    // Send port to the given list positions of the dialog's baud rate and
    // parity lists, through their change handlers.
    void SelectSendPortSettings(int baudIndex, int parityIndex, bool changeBaud);
    void ReadScanTimedOut();

    void StartDataTest();
    void StopDataTest();
    void HandleTestEcho(std::span<const std::uint8_t> package);
    // The next frame of a running test from the current text; false (and
    // the test ended) when the text no longer fits a frame.
    bool SendNextTestFrame();
    void ShowSuccessRate();

    TModemStep step_ = TModemStep::msNone;
    bool testRunning_ = false;
};

}  // namespace varnel
