#pragma once

// The serial library's own modal dialog for the line settings of one device
// component: port, baud rate, parity, data bits, stop bits, flow control,
// auto-answer rings and the sizes of the two software queues.
//
// Its texts follow the serial library's language (THalvikFuncs::AppLang),
// not the application's. Enter walks the fields in their order and takes the
// settings from the last one; the settings are checked before any of them
// reaches the component, and a component that refuses them (a port that
// does not open) gets all its former values back.
//
// TQzCustomCommDevice::SettingsDialog opens it once InstallSettingsDialog
// has run.

#include <optional>
#include <string_view>

#include "serial/qzcommdevice.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace varnel {

// Registers the dialog as the one SettingsDialog shows (UI thread).
void InstallSettingsDialog();

// Text number `index` of the dialog's table for a serial-library language
// type (2 Simplified Chinese, 3 Traditional Chinese, anything else English),
// as UTF-8; empty for an index the table does not have.
std::string_view SettingsDialogText(int index, int langType);

class TForm_QzCommDevice_Settings : public tk::Form {
public:
    static constexpr int ClientWidth = 393;
    static constexpr int ClientHeight = 228;

    // Smallest queue size the dialog accepts.
    static constexpr long MinBufSize = 4096;

    // Text numbers of the table.
    enum TextIndex : int {
        txOK = 0,
        txCancel = 1,
        txCaption = 2,
        txPort = 3,
        txBaud = 4,
        txParity = 5,
        txByteSize = 6,
        txStopBits = 7,
        txFlow = 8,
        txNoParity = 9,
        txOdd = 10,
        txEven = 11,
        txMark = 12,
        txFlowNone = 13,
        txFlowRtsCts = 14,
        txFlowXonXoff = 15,
        txFlowBoth = 16,
        txNoPort = 17,
        txNoBaud = 18,
        txNoByteSize = 20,
        txNoParityChosen = 21,
        txNoStopBits = 22,
        txNoFlow = 23,
        txGroupPort = 26,
        txGroupModem = 27,
        txGroupBuffer = 28,
        txAutoAnswer = 29,
        txInBuf = 30,
        txOutBuf = 31,
        txBadAutoAnswer = 32,
        txBadInBuf = 33,
        txBadOutBuf = 34,
        txSpace = 35,
    };

    // owner: the control whose form the dialog belongs to (may be null).
    // openAfterwards: open the port after OK even if it was closed.
    TForm_QzCommDevice_Settings(tk::Control* owner, bool openAfterwards, TQzCustomCommDevice& device);

    // Creates the dialog, shows it modally and tells whether it ended with OK.
    static bool Execute(TQzCustomCommDevice& device, tk::Control* owner, bool openAfterwards);

    tk::GroupBox& GboxBase;
    tk::Label& lbPort;
    tk::ComboBox& CbPort;
    tk::Label& lbBaud;
    tk::ComboBox& CbSelBaud;
    tk::Label& lbCheck;
    tk::ComboBox& CbParity;
    tk::Label& lbBits;
    tk::ComboBox& CbByteSize;
    tk::Label& lbStops;
    tk::ComboBox& CbStopBits;

    tk::GroupBox& GBoxModem;
    tk::Label& lbFlow;
    tk::ComboBox& CbFlow;
    tk::Label& lbAAns;
    tk::Edit& EditAutoAns;

    tk::GroupBox& GBoxBuffer;
    tk::Label& lbInbs;
    tk::Edit& EditInBufSize;
    tk::Label& lbOutbs;
    tk::Edit& EditOutBufSize;

    tk::Button& BnOK;      // default button (Enter)
    tk::Button& BnCancel;  // cancel button (Escape)

    void FormShow(tk::Control& sender);
    void BnOKClick(tk::Control& sender);
    void BnCancelClick(tk::Control& sender);
    void InputKeyPress(tk::Control& sender, char32_t& key);

private:
    // The component's values when the dialog opened.
    struct TSettings {
        bool Active = false;
        int PortNo = 0;
        TBaudRate Baud = TBaudRate::br115200;
        int ByteSize = 8;
        TParity Parity = TParity::ptNoParity;
        TStopBits StopBits = TStopBits::sbOneStopBit;
        TFlowControl FlowControl = TFlowControl::fcNone;
        int AutoAnswer = 0;
        long InBufSize = 0;
        long OutBufSize = 0;
    };

    void LoadTexts();
    void ShowSettings();
    // The settings the fields ask for; at the first field that fails its
    // check, focuses it, shows the check's text and gives nothing.
    std::optional<TSettings> ReadFields();
    void Refuse(tk::Control& control, int text);
    void ApplySettings(const TSettings& settings);
    void RestoreSettings() noexcept;
    void ShowError(std::string_view message);
    std::string_view Text(int index) const;

    TQzCustomCommDevice& Device;
    bool OpenAfterwards;
    int LangType;
    TSettings Saved;
};

}  // namespace varnel
