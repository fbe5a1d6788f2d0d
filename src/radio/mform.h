// The main window: the frame with its menus, tool bar and status bar, the
// radio link on ComPort1 with its reply dispatcher and watchdog, the
// identity panel and the sixteen-channel table.
//
// Controls are members named as the window's components; their declaration
// order is their creation order, hence the child order that the table walks
// rely on (each channel's transmit box before its receive box, then the
// power boxes).
//
// The handlers are split by concern:
//   mform.cpp           construction and binding, ApplyLanguage
//   mform_shell.cpp     frame commands of the application shell
//   mform_link.cpp      SendFrame, ComPort1Package, DispatchReply, watchdog
//   mform_identity.cpp  identification and ID number
//   mform_table.cpp     channel table
//   mform_settings.cpp  single settings and adjustment replies
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "link/frame_codec.h"
#include "link/link_state.h"
#include "serial/qzcommdevice.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"

namespace varnel {

class TMForm : public tk::Form {
public:
    static constexpr int ClientWidth = 583;
    static constexpr int ClientHeight = 641;
    static constexpr int WatchdogInterval = 2000; // ms
    static constexpr int TagIdentification = 1;
    static constexpr int TagChannelTable = 2;
    static constexpr std::size_t ReceiveBufferSize = 1024;

    TMForm();
    ~TMForm() override;

    // ---- menu ------------------------------------------------------------
    tk::MainMenu& MainMenu1;
    tk::MenuItem& File1;
    tk::MenuItem& OpenConfigFile1;
    tk::MenuItem& Savetoconfigurationfile1;
    tk::MenuItem& N2;
    tk::MenuItem& Close1;
    tk::MenuItem& Program1;
    tk::MenuItem& Read1;
    tk::MenuItem& Write1;
    tk::MenuItem& Port1;
    tk::MenuItem& Language1;
    tk::MenuItem& English1;
    tk::MenuItem& N1;
    tk::MenuItem& Window1;
    tk::MenuItem& ZR650TModem1;
    tk::MenuItem& About1;

    // ---- tool bar --------------------------------------------------------
    tk::ToolBar& RzToolbar1;
    tk::ToolButton& RzToolButton1; // Open
    tk::ToolButton& RzToolButton3; // Save
    tk::ToolButton& RzToolButton2; // Close
    tk::ToolButton& RzToolButton4; // Read
    tk::ToolButton& RzToolButton5; // Write
    tk::ToolButton& RzToolButton6; // Port
    tk::ToolButton& RzToolButton7; // Modem Board Setting, hidden

    // ---- identity panel --------------------------------------------------
    tk::Panel& RzPanel1;
    tk::Label& Label1;
    tk::Edit& Edit1; // model
    tk::Label& Label77;
    tk::Edit& Edit56; // hardware version
    tk::Label& Label76;
    tk::Edit& Edit5; // firmware version
    tk::Label& Label2;
    tk::Edit& Edit2; // ID number, editable
    tk::Label& Label3;
    tk::Edit& Edit3; // frequency range
    tk::Label& Label4;
    tk::Edit& Edit4; // current channel

    // ---- channel table ---------------------------------------------------
    tk::GroupBox& GroupBox1;
    tk::Label& Label5;  // "Channel"
    tk::Label& Label71; // "TX Freqency"
    tk::Label& Label72; // "RX Freqency"
    tk::Label& Label73; // "TX Power"
    tk::Edit& Edit6;  // channel 1 transmit
    tk::Edit& Edit7;  // channel 1 receive
    tk::Edit& Edit8;  // channel 2 transmit
    tk::Edit& Edit9;  // channel 2 receive
    tk::Edit& Edit10;  // channel 3 transmit
    tk::Edit& Edit11;  // channel 3 receive
    tk::Edit& Edit12;  // channel 4 transmit
    tk::Edit& Edit13;  // channel 4 receive
    tk::Edit& Edit14;  // channel 5 transmit
    tk::Edit& Edit15;  // channel 5 receive
    tk::Edit& Edit16;  // channel 6 transmit
    tk::Edit& Edit17;  // channel 6 receive
    tk::Edit& Edit18;  // channel 7 transmit
    tk::Edit& Edit19;  // channel 7 receive
    tk::Edit& Edit20;  // channel 8 transmit
    tk::Edit& Edit21;  // channel 8 receive
    tk::Edit& Edit22;  // channel 9 transmit
    tk::Edit& Edit23;  // channel 9 receive
    tk::Edit& Edit24;  // channel 10 transmit
    tk::Edit& Edit25;  // channel 10 receive
    tk::Edit& Edit26;  // channel 11 transmit
    tk::Edit& Edit27;  // channel 11 receive
    tk::Edit& Edit28;  // channel 12 transmit
    tk::Edit& Edit29;  // channel 12 receive
    tk::Edit& Edit30;  // channel 13 transmit
    tk::Edit& Edit31;  // channel 13 receive
    tk::Edit& Edit32;  // channel 14 transmit
    tk::Edit& Edit33;  // channel 14 receive
    tk::Edit& Edit34;  // channel 15 transmit
    tk::Edit& Edit35;  // channel 15 receive
    tk::Edit& Edit36;  // channel 16 transmit
    tk::Edit& Edit37;  // channel 16 receive
    tk::ComboBox& ComboBox4;  // channel 1 power
    tk::ComboBox& ComboBox5;  // channel 2 power
    tk::ComboBox& ComboBox6;  // channel 3 power
    tk::ComboBox& ComboBox7;  // channel 4 power
    tk::ComboBox& ComboBox8;  // channel 5 power
    tk::ComboBox& ComboBox9;  // channel 6 power
    tk::ComboBox& ComboBox10;  // channel 7 power
    tk::ComboBox& ComboBox11;  // channel 8 power
    tk::ComboBox& ComboBox12;  // channel 9 power
    tk::ComboBox& ComboBox13;  // channel 10 power
    tk::ComboBox& ComboBox14;  // channel 11 power
    tk::ComboBox& ComboBox15;  // channel 12 power
    tk::ComboBox& ComboBox16;  // channel 13 power
    tk::ComboBox& ComboBox17;  // channel 14 power
    tk::ComboBox& ComboBox18;  // channel 15 power
    tk::ComboBox& ComboBox19;  // channel 16 power
    tk::Bevel& Bevel1;
    tk::Button& Button12; // Read
    tk::Button& Button13; // Write

    // ---- single settings -----------------------------------------------------
    tk::GroupBox& GroupBox2;   // Squelch Level
    tk::GroupBox& GroupBox3;   // Band Control
    tk::GroupBox& GroupBox4;   // Channel Control
    tk::GroupBox& RzGroupBox2; // Current Channel block
    tk::Label& RzLabel2;       // its channel number
    tk::GroupBox& GroupBox7;   // Current Channel power, out of sight at x = 616
    tk::Label& CurrentChannel;

    // The groups' contents are created here, in child (and tab) order, and
    // placed by BuildSingleSettingGroups (mform_settings.cpp).
    tk::ComboBox& ComboBox2 = GroupBox2.add<tk::ComboBox>("ComboBox2", {}, tk::ComboBox::Style::DropDownList);
    tk::Button& Button3 = GroupBox2.add<tk::Button>("Button3"); // Read squelch
    tk::Button& Button4 = GroupBox2.add<tk::Button>("Button4"); // Set squelch

    tk::ComboBox& ComboBox3 = GroupBox3.add<tk::ComboBox>("ComboBox3", {}, tk::ComboBox::Style::DropDownList);
    tk::Button& Button5 = GroupBox3.add<tk::Button>("Button5"); // Read bandwidth
    tk::Button& Button6 = GroupBox3.add<tk::Button>("Button6"); // Set bandwidth

    tk::Label& Label55 = GroupBox4.add<tk::Label>("Label55"); // "Control Method:"
    tk::ComboBox& ComboBox1 = GroupBox4.add<tk::ComboBox>("ComboBox1", {}, tk::ComboBox::Style::DropDownList);
    tk::Button& Button1 = GroupBox4.add<tk::Button>("Button1"); // Read method
    tk::Button& Button8 = GroupBox4.add<tk::Button>("Button8"); // Set method
    tk::Label& Label6 = GroupBox4.add<tk::Label>("Label6"); // "Channel Set:"
    tk::ComboBox& ComboBox21 = GroupBox4.add<tk::ComboBox>("ComboBox21", {}, tk::ComboBox::Style::DropDownList);
    tk::CheckBox& RzCheckBox2 = GroupBox4.add<tk::CheckBox>("RzCheckBox2"); // "Without save"
    tk::Button& Button9 = GroupBox4.add<tk::Button>("Button9");   // Read selected channel
    tk::Button& Button10 = GroupBox4.add<tk::Button>("Button10"); // Set selected channel

    tk::Label& RzLabel1 = RzGroupBox2.add<tk::Label>("RzLabel1"); // "Channel:"
    tk::Label& RzLabel3 = RzGroupBox2.add<tk::Label>("RzLabel3"); // "Tx Freq:"
    tk::MaskEdit& RzMaskEdit3 = RzGroupBox2.add<tk::MaskEdit>("RzMaskEdit3", {}, std::string("!999.99999;1;0"));
    tk::Label& RzLabel6 = RzGroupBox2.add<tk::Label>("RzLabel6"); // "MHz"
    tk::Label& RzLabel4 = RzGroupBox2.add<tk::Label>("RzLabel4"); // "Rx Freq:"
    tk::MaskEdit& RzMaskEdit67 = RzGroupBox2.add<tk::MaskEdit>("RzMaskEdit67", {}, std::string("!999.99999;1;0"));
    tk::Label& RzLabel7 = RzGroupBox2.add<tk::Label>("RzLabel7"); // "MHz"
    tk::Label& RzLabel5 = RzGroupBox2.add<tk::Label>("RzLabel5"); // "Power:"
    tk::ComboBox& RzComboBox1 = RzGroupBox2.add<tk::ComboBox>("RzComboBox1", {}, tk::ComboBox::Style::DropDownList);
    tk::CheckBox& RzCheckBox1 = RzGroupBox2.add<tk::CheckBox>("RzCheckBox1"); // "Without save"
    tk::Button& RzButton3 = RzGroupBox2.add<tk::Button>("RzButton3"); // Read block
    tk::Button& RzButton4 = RzGroupBox2.add<tk::Button>("RzButton4"); // Set block
    // The design-time value list of RzComboBox1; nothing reads it.
    static constexpr std::array<const char*, 5> RzComboBox1Values{"1W", "3W", "5W", "7W", "10W"};

    tk::Label& Label74 = GroupBox7.add<tk::Label>("Label74"); // "Channel:"
    tk::Label& Label75 = GroupBox7.add<tk::Label>("Label75"); // "TX Power:"
    tk::ComboBox& ComboBox20 = GroupBox7.add<tk::ComboBox>("ComboBox20", {}, tk::ComboBox::Style::DropDownList);
    tk::Button& Button2 = GroupBox7.add<tk::Button>("Button2"); // Read current-channel power
    tk::Button& Button7 = GroupBox7.add<tk::Button>("Button7"); // Set current-channel power

    // ---- status bar ------------------------------------------------------
    tk::StatusBar& RzStatusBar1;
    tk::StatusPane& RzStatusPane1; // model name
    tk::StatusPane& RzStatusPane2; // "Tx:" count
    tk::StatusPane& RzStatusPane3; // "Rx:" count
    tk::StatusPane& RzStatusPane4; // result text
    tk::ClockPane& RzClockStatus1;
    tk::ProgressBar& RzProgressBar1; // over RzStatusPane4

    // ---- link --------------------------------------------------------------
    tk::Timer& Timer1; // watchdog; Tag 1 identification, 2 channel table
    TQzCommDevice ComPort1;
    link::LinkState Link;

    // Channel-table validation: the last accepted text of box EditN at N - 6.
    std::array<std::string, 32> LastAcceptedText;
    // The last accepted text of Edit2.
    std::string LastAcceptedId;

    // ---- frame commands (mform_shell.cpp) -----------------------------------
    void FormCreate(tk::Control& Sender);
    void FormClose(tk::Control& Sender, tk::CloseAction& Action);
    void Close1Click(tk::Control& Sender);
    void RzToolButton2Click(tk::Control& Sender);
    void Port1Click(tk::Control& Sender);
    void RzToolButton6Click(tk::Control& Sender);
    void About1Click(tk::Control& Sender);
    void English1Click(tk::Control& Sender);
    void N1Click(tk::Control& Sender);
    void ZR650TModem1Click(tk::Control& Sender);
    void RzToolButton1Click(tk::Control& Sender); // open a profile
    void RzToolButton3Click(tk::Control& Sender); // save a profile

    // Sets every text of the window for the language (0 English, 1 Chinese),
    // fills LanguageTexts and appends " " + VersionTag to the caption.
    void ApplyLanguage(std::uint8_t language);
    // The control texts of the language alone.
    void ApplyControlTexts(std::uint8_t language);

    // ---- link (mform_link.cpp) ----------------------------------------------
    // Writes a request through ComPort1 and counts it in the "Tx:" pane.
    void SendFrame(const std::uint8_t* frame, std::size_t length);
    void SendFrame(std::span<const std::uint8_t> frame) { SendFrame(frame.data(), frame.size()); }
    // OnPackage of ComPort1.
    void ComPort1Package(TObject* Sender, TCommNotifyType NotifyType);
    // A frame that passed CheckFrame (LEN + 4 bytes, trailing bytes ignored).
    void DispatchReply(std::span<const std::uint8_t> frame);
    void Timer1Timer(tk::Control& Sender);
    // The overlay's cancel, main-window side: stop the watchdog, unlock the
    // window, hide the progress bar, "Cancel"; the sequence is abandoned.
    // Returns false when no transfer was being watched.
    bool CancelTransfer();
    // True while ComPort1 is open; otherwise tells the user and gives false.
    bool CheckPortOpen();

    // ---- identification and ID (mform_identity.cpp) ------------------------
    void RzToolButton4Click(tk::Control& Sender); // also Read1
    void RzToolButton5Click(tk::Control& Sender); // also Write1
    void Edit2Change(tk::Control& Sender);
    void Edit2Exit(tk::Control& Sender);

    // ---- channel table (mform_table.cpp) --------------------------------------
    void Button12Click(tk::Control& Sender);
    void Button13Click(tk::Control& Sender);
    void CheckValue(tk::Control& Sender);
    void Edit7Exit(tk::Control& Sender);
    void ClearChannelTable();
    void FillChannelRow(int channel, std::span<const std::uint8_t, 8> record);
    bool BuildChannelFrequencies(int channel, std::span<std::uint8_t, 8> out);
    void SetChannelPower(int channel, int index);
    int GetChannelPower(int channel) const;
    tk::Edit* TransmitBox(int channel) const;
    tk::Edit* ReceiveBox(int channel) const;
    tk::ComboBox* PowerBox(int channel) const;

    // ---- single settings (mform_settings.cpp) ------------------------------------
    void Button3Click(tk::Control& Sender);  // read squelch
    void Button4Click(tk::Control& Sender);  // set squelch
    void Button5Click(tk::Control& Sender);  // read bandwidth
    void Button6Click(tk::Control& Sender);  // set bandwidth
    void Button1Click(tk::Control& Sender);  // read channel-control method
    void Button8Click(tk::Control& Sender);  // set channel-control method
    void Button9Click(tk::Control& Sender);  // read selected channel
    void Button10Click(tk::Control& Sender); // set selected channel
    void RzButton3Click(tk::Control& Sender); // read current-channel block
    void RzButton4Click(tk::Control& Sender); // set current-channel block
    void Button2Click(tk::Control& Sender);  // read current-channel power
    void Button7Click(tk::Control& Sender);  // set current-channel power
    // Checks the current-channel block, puts the rounded frequencies back into
    // the boxes and encodes tx(4), rx(4), power into `out`. A refusal focuses
    // the box, tells the user why and gives false.
    bool ValidateCurrentChannelEntry(tk::MaskEdit& transmit, tk::MaskEdit& receive, tk::ComboBox& power,
                                     std::span<std::uint8_t, 9> out);

    // ---- access gate (mform_settings.cpp) ----------------------------------------
    void RzStatusPane2DblClick(tk::Control& Sender);
    void RzStatusPane3DblClick(tk::Control& Sender);
    // The access code the "Rx:" pane asks for once armed.
    static constexpr const char* AccessCode = "mq47hx";

private:
    void BuildFrame();
    void BuildIdentityPanel();
    void BuildChannelTable();
    void BuildSingleSettingGroups();
    void BuildLink();

    void ShowLoading();
    void CloseLoading();
    void StartWatchdog(int tag);
    // First request of a channel-table transfer, with watchdog and progress.
    void StartTableTransfer(std::span<const std::uint8_t> firstRequest, link::TransferState state);
    // The channel-table transfer ended well: result text, window back.
    void EndTransfer(const char* result);
    // The overlay closed and the window unlocked after a sequence stopped early.
    void UnlockWindow();
    // A time-out or cancel: replies still to come are single replies.
    void AbandonTransfer();
    void RestartWatchdog();
    void StopWatchdog();
    void SetProgress(int percent);
    void ShowMessage(const std::string& text, tk::Icon icon = tk::Icon::None);
    void UpdateTxPane();
    void UpdateRxPane();

    // Reply handling; `frame` is the whole checked frame (offsets as sent).
    void OnModelReply(std::span<const std::uint8_t> frame);
    void OnIdReply(std::span<const std::uint8_t> frame);
    void OnCurrentChannelReply(std::span<const std::uint8_t> frame);
    void OnTableRecord(std::span<const std::uint8_t> frame);
    void OnTablePower(std::span<const std::uint8_t> frame);
    void OnChannelRecordAcknowledged();
    void OnChannelPowerAcknowledged();
    void AbortTableWrite();

    // Hooks of the single settings and the adjustment window, filled by their
    // own tasks (mform_settings.cpp).
    void OnCurrentBlockRead(std::span<const std::uint8_t> frame);
    void OnCurrentBlockSet(std::span<const std::uint8_t> frame);
    void OnControlMethodRead(std::span<const std::uint8_t> frame);
    void OnControlMethodSet(std::span<const std::uint8_t> frame);
    void OnSelectedChannelRead(std::span<const std::uint8_t> frame);
    void OnSelectedChannelSet(std::span<const std::uint8_t> frame);
    void OnControlMethodReport(std::span<const std::uint8_t> frame);
    void OnSelectedChannelReport(std::span<const std::uint8_t> frame);
    void OnBandwidthReply(std::span<const std::uint8_t> frame);
    void OnSquelchReply(std::span<const std::uint8_t> frame);
    void OnCurrentChannelPowerReply(std::span<const std::uint8_t> frame);
    void OnCurrentChannelFollowUp(link::PendingFollowUp followUp, std::uint8_t channel);
    void OnRxAdjustReply(std::span<const std::uint8_t> frame);
    void On5165Reply(std::span<const std::uint8_t> frame);
    void OnPowerTableReply(std::span<const std::uint8_t> frame);
    void OnSTablesReply(std::span<const std::uint8_t> frame);

    bool gateArmed_ = false; // access gate of the status bar
    // Changes whenever a table transfer starts or is abandoned, so a handler
    // that showed a message box can tell whether its sequence still runs.
    std::uint32_t transferGeneration_ = 0;
};

} // namespace varnel
