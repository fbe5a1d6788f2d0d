// Routing of the radio's replies on the main window's link: which handling a
// checked reply gets, by its command code, its first data byte and the
// transfer state. Pure data so that every row can be tested on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "link/link_state.h"

namespace varnel::link {

enum class ReplyAction : std::uint8_t {
    Ignore,

    // 0x01 items: a read reply carries data, a set reply carries its result.
    CurrentBlockRead,
    CurrentBlockSet,
    ControlMethodRead,
    ControlMethodSet,
    SelectedChannelRead,
    SelectedChannelSet,

    // 0x20 by transfer state.
    TableRecord,         // ReadingTable, byte 4 = 0x24: fill the row, go on
    TableReadStopped,    // ReadingTable, any other 0x20: the read ends silently
    NextChannelRecord,   // WritingChannels
    NextChannelPower,    // WritingPowers
    RestoreSucceeded,    // Restoring
    TableWriteSucceeded, // WritingPowerTable, WritingSTables
    SingleWriteAcknowledged,

    RestoreFailed, // 0x21 while Restoring

    CurrentChannel,        // 0x24
    IdNumber,              // 0x26
    ModelAndVersions,      // 0x28
    RxAdjustValue,         // 0x34
    ControlMethodReport,   // 0x35
    SelectedChannelReport, // 0x37
    Bandwidth,             // 0x60
    SquelchLevel,          // 0x80
    Value5165,             // 0x91
    CurrentChannelPower,   // 0x94 while Idle
    TablePower,            // 0x94 while ReadingTable
    PowerTable,            // 0x97
    STables,               // 0x99
    BackupCheck,           // 0xA2
};

struct ReplyRoute {
    ReplyAction action = ReplyAction::Ignore;
    // Data bytes (from frame offset 4) the handling reads; a reply with fewer
    // is dropped rather than read past its end.
    std::size_t minDataSize = 0;
    // The transfer state after the reply when it is dispatched, before the
    // handling decides whether the sequence goes on.
    TransferState stateAfter = TransferState::Idle;

    friend constexpr bool operator==(const ReplyRoute&, const ReplyRoute&) = default;
};

// `item` is the first data byte (offset 4) or 0 when the reply has none.
ReplyRoute RouteReply(std::uint8_t code, std::uint8_t item, TransferState state) noexcept;

// True when a reply of `dataSize` data bytes carries what its handling reads.
constexpr bool CarriesEnough(const ReplyRoute& route, std::size_t dataSize) noexcept
{
    return route.action != ReplyAction::Ignore && dataSize >= route.minDataSize;
}

std::string_view ToString(ReplyAction action) noexcept;
std::string_view ToString(TransferState state) noexcept;

} // namespace varnel::link
