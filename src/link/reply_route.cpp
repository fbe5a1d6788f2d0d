#include "link/reply_route.h"

#include "link/frame_codec.h"

namespace varnel::link {

namespace {

constexpr ReplyRoute Keep(ReplyAction action, std::size_t minData, TransferState state) noexcept
{
    return ReplyRoute{action, minData, state};
}

constexpr ReplyRoute ToIdle(ReplyAction action, std::size_t minData) noexcept
{
    return ReplyRoute{action, minData, TransferState::Idle};
}

ReplyRoute RouteItem(std::uint8_t itemByte, TransferState state) noexcept
{
    const bool set = (itemByte & item::SetBit) != 0;
    const bool result = (itemByte & item::ResultBit) != 0;
    // A read reply without its result bit carries nothing.
    if (!set && !result)
        return Keep(ReplyAction::Ignore, 0, state);
    switch (itemByte & item::ItemMask) {
    case item::CurrentBlock:
        // channel, tx(4), rx(4), power behind the item byte
        return set ? Keep(ReplyAction::CurrentBlockSet, 1, state) : Keep(ReplyAction::CurrentBlockRead, 11, state);
    case item::ControlMethod:
        return set ? Keep(ReplyAction::ControlMethodSet, 1, state) : Keep(ReplyAction::ControlMethodRead, 2, state);
    case item::SelectedChannel:
        return set ? Keep(ReplyAction::SelectedChannelSet, 1, state) : Keep(ReplyAction::SelectedChannelRead, 2, state);
    default:
        return Keep(ReplyAction::Ignore, 0, state);
    }
}

ReplyRoute RouteChannelReply(std::uint8_t itemByte, TransferState state) noexcept
{
    switch (state) {
    case TransferState::ReadingTable:
        // sub-code, channel, record(8)
        return itemByte == channel_sub::Record ? ToIdle(ReplyAction::TableRecord, 10)
                                               : ToIdle(ReplyAction::TableReadStopped, 0);
    case TransferState::WritingChannels:
        return ToIdle(ReplyAction::NextChannelRecord, 0);
    case TransferState::WritingPowers:
        return ToIdle(ReplyAction::NextChannelPower, 0);
    case TransferState::Restoring:
        return ToIdle(ReplyAction::RestoreSucceeded, 0);
    case TransferState::WritingPowerTable:
    case TransferState::WritingSTables:
        return ToIdle(ReplyAction::TableWriteSucceeded, 0);
    case TransferState::Idle:
        break;
    }
    // Also any state value outside the enumeration. A channel record here is
    // a late reply of a read that timed out or was cancelled, not the
    // acknowledgement of a write: reporting "Write success!" for it would be
    // wrong.
    if (itemByte == channel_sub::Record)
        return Keep(ReplyAction::Ignore, 0, state);
    return Keep(ReplyAction::SingleWriteAcknowledged, 0, state);
}

} // namespace

ReplyRoute RouteReply(std::uint8_t code, std::uint8_t itemByte, TransferState state) noexcept
{
    switch (code) {
    case cmd::Item:
        return RouteItem(itemByte, state);
    case cmd::Channel:
        return RouteChannelReply(itemByte, state);
    case cmd::Refused:
        return state == TransferState::Restoring ? ToIdle(ReplyAction::RestoreFailed, 0)
                                                 : Keep(ReplyAction::Ignore, 0, state);
    case cmd::CurrentChannel:
        return Keep(ReplyAction::CurrentChannel, 1, state);
    case cmd::ReadId:
        return Keep(ReplyAction::IdNumber, 2, state);
    case cmd::Model:
        return Keep(ReplyAction::ModelAndVersions, 3, state);
    case cmd::ReadRxAdjust:
        return Keep(ReplyAction::RxAdjustValue, 1, state);
    case cmd::ControlMethodReport:
        return Keep(ReplyAction::ControlMethodReport, 1, state);
    case cmd::SelectedChannelReport:
        return Keep(ReplyAction::SelectedChannelReport, 1, state);
    case cmd::ReadBandwidth:
        return Keep(ReplyAction::Bandwidth, 1, state);
    case cmd::ReadSquelch:
        return Keep(ReplyAction::SquelchLevel, 1, state);
    case cmd::Read5165:
        return Keep(ReplyAction::Value5165, 1, state);
    case cmd::ReadPower:
        // channel, power index
        if (state == TransferState::Idle)
            return Keep(ReplyAction::CurrentChannelPower, 2, state);
        if (state == TransferState::ReadingTable)
            return ToIdle(ReplyAction::TablePower, 2);
        return Keep(ReplyAction::Ignore, 0, state);
    case cmd::ReadPowerTable:
        return Keep(ReplyAction::PowerTable, 40, state);
    case cmd::ReadSTables:
        return Keep(ReplyAction::STables, 16, state);
    case cmd::CheckBackup:
        return Keep(ReplyAction::BackupCheck, 1, state);
    default:
        return Keep(ReplyAction::Ignore, 0, state);
    }
}

std::string_view ToString(ReplyAction action) noexcept
{
    switch (action) {
    case ReplyAction::Ignore: return "Ignore";
    case ReplyAction::CurrentBlockRead: return "CurrentBlockRead";
    case ReplyAction::CurrentBlockSet: return "CurrentBlockSet";
    case ReplyAction::ControlMethodRead: return "ControlMethodRead";
    case ReplyAction::ControlMethodSet: return "ControlMethodSet";
    case ReplyAction::SelectedChannelRead: return "SelectedChannelRead";
    case ReplyAction::SelectedChannelSet: return "SelectedChannelSet";
    case ReplyAction::TableRecord: return "TableRecord";
    case ReplyAction::TableReadStopped: return "TableReadStopped";
    case ReplyAction::NextChannelRecord: return "NextChannelRecord";
    case ReplyAction::NextChannelPower: return "NextChannelPower";
    case ReplyAction::RestoreSucceeded: return "RestoreSucceeded";
    case ReplyAction::TableWriteSucceeded: return "TableWriteSucceeded";
    case ReplyAction::SingleWriteAcknowledged: return "SingleWriteAcknowledged";
    case ReplyAction::RestoreFailed: return "RestoreFailed";
    case ReplyAction::CurrentChannel: return "CurrentChannel";
    case ReplyAction::IdNumber: return "IdNumber";
    case ReplyAction::ModelAndVersions: return "ModelAndVersions";
    case ReplyAction::RxAdjustValue: return "RxAdjustValue";
    case ReplyAction::ControlMethodReport: return "ControlMethodReport";
    case ReplyAction::SelectedChannelReport: return "SelectedChannelReport";
    case ReplyAction::Bandwidth: return "Bandwidth";
    case ReplyAction::SquelchLevel: return "SquelchLevel";
    case ReplyAction::Value5165: return "Value5165";
    case ReplyAction::CurrentChannelPower: return "CurrentChannelPower";
    case ReplyAction::TablePower: return "TablePower";
    case ReplyAction::PowerTable: return "PowerTable";
    case ReplyAction::STables: return "STables";
    case ReplyAction::BackupCheck: return "BackupCheck";
    }
    return "?";
}

std::string_view ToString(TransferState state) noexcept
{
    switch (state) {
    case TransferState::Idle: return "Idle";
    case TransferState::ReadingTable: return "ReadingTable";
    case TransferState::WritingChannels: return "WritingChannels";
    case TransferState::WritingPowers: return "WritingPowers";
    case TransferState::Restoring: return "Restoring";
    case TransferState::WritingPowerTable: return "WritingPowerTable";
    case TransferState::WritingSTables: return "WritingSTables";
    }
    return "?";
}

} // namespace varnel::link
