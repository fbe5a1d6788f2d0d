// The board's parameters: Read with the search over the send port's
// settings, Write in two steps, the replies and the reply timer.
#include <array>
#include <cstddef>
#include <optional>

#include "app/instances.h"
#include "app/language_texts.h"
#include "app/loading_form.h"
#include "modem/board_frames.h"
#include "modem/modem.h"
#include "ports/modem_com_port.h"
#include "ports/port_settings.h"

namespace varnel {

namespace {

// Parity list positions the search tries at each baud rate: None, Odd,
// Even (Mark and Space are no board settings).
constexpr int LastSearchedParity = 2;

// The selected position of a list whose codes are in a table of `size`.
std::optional<std::size_t> selected(const tk::ComboBox& box, std::size_t size)
{
    const int index = box.itemIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= size)
        return std::nullopt;
    return static_cast<std::size_t>(index);
}

}  // namespace

void TModem::StartReplyTimer()
{
    Timer1.setInterval(ReplyInterval);
    Timer1.setEnabled(true);
}

void TModem::BeginOperation()
{
    if (LoadingForm != nullptr)
        LoadingForm->show();
}

void TModem::EndOperation()
{
    setEnabled(true);
    if (LoadingForm != nullptr)
        LoadingForm->close();
}

void TModem::RzToolButton4Click(tk::Control&)
{
    if (!ComPort12.fGetActive()) {
        ports::ShowMessage(LanguageTexts.TextPortNotOpen);
        return;
    }
    BeginOperation();
    ComboBox1.setItemIndex(-1);
    ComboBox2.setItemIndex(-1);
    ComboBox3.setItemIndex(-1);
    SendFrame(modem::ReadBoardRequest());
    StartReplyTimer();
    step_ = TModemStep::msReadFirst;
    setEnabled(false);
}

void TModem::RzToolButton5Click(tk::Control&)
{
    if (!ComPort12.fGetActive()) {
        ports::ShowMessage(LanguageTexts.TextPortNotOpen);
        return;
    }
    const auto airRate = selected(ComboBox3, modem::AirRateCodes.size());
    if (!selected(ComboBox2, modem::ParityCodes.size()) || !selected(ComboBox1, modem::BaudCodes.size()) || !airRate)
        return;
    BeginOperation();
    SendFrame(modem::AirRateRequest(modem::AirRateCodes[*airRate]));
    StartReplyTimer();
    step_ = TModemStep::msWriteAirRate;
    setEnabled(false);
}

void TModem::ComPort12Package(TObject*, TCommNotifyType)
{
    std::array<std::uint8_t, SendPortReadSize> buffer{};
    const long taken = ComPort12.ReadPackage(buffer.data(), static_cast<unsigned long>(buffer.size()));
    const std::size_t n = taken > 0 ? static_cast<std::size_t>(taken) : 0;
    RxByteCount.add(n);
    UpdateRxPane();
    if (n < 3)
        return;
    const std::span<const std::uint8_t> package(buffer.data(), n);
    if (package[0] == link::kPreamble1 && package[1] == link::kPreamble2)
        HandleBoardReply(package);
    else if (package[0] == modem::TestFrameStart)
        HandleTestEcho(package);
}

void TModem::HandleBoardReply(std::span<const std::uint8_t> package)
{
    // A reply too short for the bytes its code is read by is dropped: the
    // board never sends one, and nothing not received is ever read.
    const auto reply = modem::ParseBoardReply(package);
    if (!reply)
        return;

    switch (reply->code) {
    case modem::board::Parameters: {
        if (ModemComPort != nullptr) {
            // The board does not report its serial settings: those the
            // send port answered at are its settings.
            ComboBox1.setItemIndex(ModemComPort->BaudRate12.itemIndex());
            ComboBox2.setItemIndex(ModemComPort->Parity12.itemIndex());
        }
        ComboBox3.setItemIndex(modem::AirRateIndex(reply->airRate).value_or(-1));
        EndOperation();
        RzStatusPane4.setCaption("Read success!");
        Timer1.setEnabled(false);
        break;
    }
    case modem::board::Done:
        Timer1.setEnabled(false);
        switch (step_) {
        case TModemStep::msWriteAirRate: {
            RzStatusPane4.setCaption("Set air data rate success!");
            const auto baud = selected(ComboBox1, modem::BaudCodes.size());
            const auto parity = selected(ComboBox2, modem::ParityCodes.size());
            if (!baud || !parity) {
                // A late acknowledgement after the lists were emptied: no
                // setting to send.
                EndOperation();
                break;
            }
            SendFrame(modem::SerialPortRequest(
                modem::SerialSettingsByte(modem::ParityCodes[*parity], modem::BaudCodes[*baud])));
            step_ = TModemStep::msWriteSerial;
            StartReplyTimer();
            break;
        }
        case TModemStep::msWriteSerial:
            EndOperation();
            RzStatusPane4.setCaption("Write success!");
            // The board listens at its new settings now; the send port follows.
            SelectSendPortSettings(ComboBox1.itemIndex(), ComboBox2.itemIndex(), true);
            break;
        case TModemStep::msTestArm:
            SendFrame(modem::TransmitTestRequest(1));
            step_ = TModemStep::msTestRun;
            break;
        case TModemStep::msTestRun:
            RzStatusPane4.setCaption("Transmit test...");
            break;
        default:
            break;
        }
        break;
    case modem::board::Refused:
        if (step_ == TModemStep::msWriteAirRate || step_ == TModemStep::msWriteSerial) {
            EndOperation();
            Timer1.setEnabled(false);
            RzStatusPane4.setCaption(step_ == TModemStep::msWriteAirRate ? "Set air data rate failed!"
                                                                         : "Set serial port failed!");
        }
        break;
    default:
        break;
    }
}

void TModem::SelectSendPortSettings(int baudIndex, int parityIndex, bool changeBaud)
{
    if (ModemComPort == nullptr)
        return;
    TModemComPort& dialog = *ModemComPort;
    if (changeBaud)
        dialog.BaudRate12.setItemIndex(baudIndex);
    dialog.Parity12.setItemIndex(parityIndex);
    if (changeBaud)
        dialog.BaudRate12Change(dialog.BaudRate12);
    dialog.Parity12Change(dialog.Parity12);
}

void TModem::Timer1Timer(tk::Control&)
{
    Timer1.setEnabled(false);
    switch (step_) {
    case TModemStep::msReadFirst:
        SelectSendPortSettings(0, 0, true);
        SendFrame(modem::ReadBoardRequest());
        step_ = TModemStep::msReadScan;
        StartReplyTimer();
        break;
    case TModemStep::msReadScan:
        ReadScanTimedOut();
        break;
    case TModemStep::msWriteAirRate:
    case TModemStep::msWriteSerial:
        setEnabled(true);
        ports::ShowMessage(LanguageTexts.TextCantConnect);
        if (LoadingForm != nullptr)
            LoadingForm->close();
        break;
    default:
        break;
    }
}

void TModem::ReadScanTimedOut()
{
    if (ModemComPort == nullptr) {
        EndOperation();
        return;
    }
    const tk::ComboBox& baud = ModemComPort->BaudRate12;
    const int parity = ModemComPort->Parity12.itemIndex();
    if (parity < LastSearchedParity) {
        SelectSendPortSettings(baud.itemIndex(), parity + 1, false);
    } else if (baud.itemIndex() < baud.itemCount() - 1) {
        SelectSendPortSettings(baud.itemIndex() + 1, 0, true);
    } else {
        // 9600 baud with even parity was the last try.
        setEnabled(true);
        ports::ShowMessage(LanguageTexts.TextCantConnect);
        if (LoadingForm != nullptr)
            LoadingForm->close();
        return;
    }
    SendFrame(modem::ReadBoardRequest());
    StartReplyTimer();
}

}  // namespace varnel
