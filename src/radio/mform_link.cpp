// The radio link: requests out through ComPort1, replies in through the
// package handler and the dispatcher, the watchdog of the multi-frame
// transfers and the overlay's cancel.
#include <array>
#include <string>

#include "app/instances.h"
#include "app/language_texts.h"
#include "app/loading_form.h"
#include "link/reply_route.h"
#include "radio/mform.h"
#include "toolkit/application.h"

namespace varnel {

using link::ReplyAction;
using link::TransferState;

void TMForm::SendFrame(const std::uint8_t* frame, std::size_t length)
{
    // The component's answer is not looked at: the count shows what was asked
    // to go out.
    ComPort1.WritePackage(frame, static_cast<unsigned long>(length));
    Link.TxByteCount.add(length);
    UpdateTxPane();
}

void TMForm::ComPort1Package(TObject* /*Sender*/, TCommNotifyType /*NotifyType*/)
{
    std::array<std::uint8_t, ReceiveBufferSize> buffer{};
    const long taken = ComPort1.ReadPackage(buffer.data(), static_cast<unsigned long>(buffer.size()));
    const std::size_t n = taken > 0 ? static_cast<std::size_t>(taken) : 0;
    Link.RxByteCount.add(n);
    UpdateRxPane();
    if (!link::CheckFrame(buffer.data(), n))
        return;
    DispatchReply(std::span<const std::uint8_t>(buffer.data(), n));
}

void TMForm::DispatchReply(std::span<const std::uint8_t> package)
{
    const auto view = link::ParseFrame(package);
    if (!view)
        return;
    const auto route = link::RouteReply(view->command, view->at(0), Link.TransferState);
    // Never read bytes that were not received: a reply too short for its
    // handling is dropped like a damaged one.
    if (!link::CarriesEnough(route, view->data.size()))
        return;
    Link.TransferState = route.stateAfter;

    const auto frame = package.first(view->size);
    switch (route.action) {
    case ReplyAction::Ignore:
    case ReplyAction::TableReadStopped:
        break;
    case ReplyAction::CurrentBlockRead: OnCurrentBlockRead(frame); break;
    case ReplyAction::CurrentBlockSet: OnCurrentBlockSet(frame); break;
    case ReplyAction::ControlMethodRead: OnControlMethodRead(frame); break;
    case ReplyAction::ControlMethodSet: OnControlMethodSet(frame); break;
    case ReplyAction::SelectedChannelRead: OnSelectedChannelRead(frame); break;
    case ReplyAction::SelectedChannelSet: OnSelectedChannelSet(frame); break;
    case ReplyAction::ControlMethodReport: OnControlMethodReport(frame); break;
    case ReplyAction::SelectedChannelReport: OnSelectedChannelReport(frame); break;

    case ReplyAction::TableRecord: OnTableRecord(frame); break;
    case ReplyAction::TablePower: OnTablePower(frame); break;
    case ReplyAction::NextChannelRecord: OnChannelRecordAcknowledged(); break;
    case ReplyAction::NextChannelPower: OnChannelPowerAcknowledged(); break;

    case ReplyAction::RestoreSucceeded: ShowMessage("Restore parameters success!", tk::Icon::Information); break;
    case ReplyAction::RestoreFailed: ShowMessage("Restore parameters failed!", tk::Icon::Information); break;
    case ReplyAction::TableWriteSucceeded: ShowMessage("Write success!", tk::Icon::Information); break;
    case ReplyAction::SingleWriteAcknowledged: RzStatusPane4.setCaption("Write success!"); break;

    case ReplyAction::ModelAndVersions: OnModelReply(frame); break;
    case ReplyAction::IdNumber: OnIdReply(frame); break;
    case ReplyAction::CurrentChannel: OnCurrentChannelReply(frame); break;

    case ReplyAction::Bandwidth:
        OnBandwidthReply(frame);
        RzStatusPane4.setCaption("Read success!");
        break;
    case ReplyAction::SquelchLevel:
        OnSquelchReply(frame);
        RzStatusPane4.setCaption("Read success!");
        break;
    case ReplyAction::CurrentChannelPower:
        OnCurrentChannelPowerReply(frame);
        RzStatusPane4.setCaption("Read success!");
        break;
    case ReplyAction::RxAdjustValue:
        OnRxAdjustReply(frame);
        RzStatusPane4.setCaption("Read success!");
        break;
    case ReplyAction::Value5165:
        On5165Reply(frame);
        RzStatusPane4.setCaption("Read success!");
        break;
    case ReplyAction::PowerTable:
        OnPowerTableReply(frame);
        RzStatusPane4.setCaption("Read success!");
        break;
    case ReplyAction::STables:
        OnSTablesReply(frame);
        RzStatusPane4.setCaption("Read success!");
        break;
    case ReplyAction::BackupCheck:
        ShowMessage(frame[link::kDataOffset] == 0xFF ? "valid" : "Invalid", tk::Icon::Information);
        break;
    }
}

void TMForm::Timer1Timer(tk::Control& /*Sender*/)
{
    if (Timer1.tag() == TagIdentification) {
        StopWatchdog();
        setEnabled(true);
        ShowMessage(LanguageTexts.TextCantConnect);
        if (LoadingForm != nullptr)
            LoadingForm->close();
    } else if (Timer1.tag() == TagChannelTable) {
        StopWatchdog();
        // Abandon the sequence before the message box: a reply that comes in
        // while it is up, or later, must not carry the sequence on with the
        // window unlocked.
        AbandonTransfer();
        ShowMessage(LanguageTexts.TextTimeout);
        setEnabled(true);
        if (LoadingForm != nullptr)
            LoadingForm->close();
    } else {
        StopWatchdog();
    }
}

bool TMForm::CancelTransfer()
{
    if (!Timer1.enabled())
        return false;
    StopWatchdog();
    if (Timer1.tag() == TagChannelTable)
        AbandonTransfer();
    setEnabled(true);
    RzProgressBar1.setVisible(false);
    RzStatusPane4.setCaption("Cancel");
    return true;
}

bool TMForm::CheckPortOpen()
{
    if (ComPort1.fGetActive())
        return true;
    ShowMessage(LanguageTexts.TextPortNotOpen);
    return false;
}

void TMForm::ShowLoading()
{
    if (LoadingForm != nullptr)
        LoadingForm->show();
}

void TMForm::CloseLoading()
{
    if (LoadingForm != nullptr)
        LoadingForm->close();
}

void TMForm::StartWatchdog(int tag)
{
    Timer1.setInterval(WatchdogInterval);
    Timer1.setEnabled(true);
    Timer1.setTag(tag);
}

void TMForm::StartTableTransfer(std::span<const std::uint8_t> firstRequest, link::TransferState state)
{
    Link.TransferState = state;
    SendFrame(firstRequest);
    ++transferGeneration_;
    StartWatchdog(TagChannelTable);
    RzStatusPane4.setCaption("");
    SetProgress(0);
    RzProgressBar1.setVisible(true);
}

void TMForm::EndTransfer(const char* result)
{
    StopWatchdog();
    CloseLoading();
    setEnabled(true);
    RzProgressBar1.setVisible(false);
    RzStatusPane4.setCaption(result);
    bringToFront();
}

void TMForm::UnlockWindow()
{
    StopWatchdog();
    CloseLoading();
    setEnabled(true);
}

void TMForm::AbandonTransfer()
{
    Link.TransferState = TransferState::Idle;
    ++transferGeneration_;
}

void TMForm::RestartWatchdog()
{
    Timer1.setEnabled(false);
    Timer1.setEnabled(true);
}

void TMForm::StopWatchdog() { Timer1.setEnabled(false); }

void TMForm::SetProgress(int percent) { RzProgressBar1.setPercent(percent); }

void TMForm::ShowMessage(const std::string& text, tk::Icon icon)
{
    const tk::Application* app = tk::Application::current();
    const std::string caption = app != nullptr && !app->title().empty() ? app->title() : std::string(ApplicationTitle);
    tk::messageBox(text, caption, icon);
}

void TMForm::UpdateTxPane() { RzStatusPane2.setCaption("Tx:" + std::to_string(Link.TxByteCount.value())); }

void TMForm::UpdateRxPane() { RzStatusPane3.setCaption("Rx:" + std::to_string(Link.RxByteCount.value())); }

} // namespace varnel
