// Replies of the single settings (squelch, bandwidth, channel control, the
// current channel) and of the adjustment window, and the status bar's access
// gate. The dispatcher already routes these replies here, checked for length,
// and sets the result texts its table names; the handling of each value comes
// with the settings and the adjustment window.
#include "radio/mform.h"

namespace varnel {

// ---- single settings --------------------------------------------------------

void TMForm::OnCurrentBlockRead(std::span<const std::uint8_t> /*frame*/) {}

void TMForm::OnCurrentBlockSet(std::span<const std::uint8_t> /*frame*/) {}

void TMForm::OnControlMethodRead(std::span<const std::uint8_t> /*frame*/) {}

void TMForm::OnControlMethodSet(std::span<const std::uint8_t> /*frame*/) {}

void TMForm::OnSelectedChannelRead(std::span<const std::uint8_t> /*frame*/) {}

void TMForm::OnSelectedChannelSet(std::span<const std::uint8_t> /*frame*/) {}

void TMForm::OnControlMethodReport(std::span<const std::uint8_t> /*frame*/) {}

void TMForm::OnSelectedChannelReport(std::span<const std::uint8_t> /*frame*/) {}

// "Read success!" is set by the dispatcher after these.
void TMForm::OnBandwidthReply(std::span<const std::uint8_t> /*frame*/) {}

void TMForm::OnSquelchReply(std::span<const std::uint8_t> /*frame*/) {}

void TMForm::OnCurrentChannelPowerReply(std::span<const std::uint8_t> /*frame*/) {}

// PendingFollowUp has already been consumed (set to None) when this runs.
void TMForm::OnCurrentChannelFollowUp(link::PendingFollowUp /*followUp*/, std::uint8_t /*channel*/) {}

// ---- adjustment window (through varnel::Adjust, which may be absent) ---------

void TMForm::OnRxAdjustReply(std::span<const std::uint8_t> /*frame*/) {}

void TMForm::On5165Reply(std::span<const std::uint8_t> /*frame*/) {}

void TMForm::OnPowerTableReply(std::span<const std::uint8_t> /*frame*/) {}

void TMForm::OnSTablesReply(std::span<const std::uint8_t> /*frame*/) {}

// ---- access gate ------------------------------------------------------------

void TMForm::RzStatusPane2DblClick(tk::Control& /*Sender*/) {}

void TMForm::RzStatusPane3DblClick(tk::Control& /*Sender*/) {}

} // namespace varnel
