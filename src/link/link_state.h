// State of the main window's link to the radio: which multi-frame sequence the
// replies belong to, what a current-channel reply leads to, and the traffic
// counters of the status bar.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace varnel::link {

// Which multi-frame sequence a reply belongs to. Values 1, 4 and 7 are unused;
// the numbers are kept because the adjustment window and the tests speak them.
enum class TransferState : std::uint8_t {
    Idle = 0,
    ReadingTable = 2,
    WritingChannels = 3,
    WritingPowers = 5,
    Restoring = 6,
    WritingPowerTable = 8,
    WritingSTables = 9,
};

// What the next current-channel reply (0x24) leads to.
enum class PendingFollowUp : std::uint8_t {
    None = 0,
    ReadPower = 2,
    WritePower = 3,
};

// A running byte count for the "Tx:" and "Rx:" panes. It is never reset; a
// 64-bit count saturates instead of wrapping, so a very long session can
// never turn it negative or into undefined arithmetic.
class ByteCounter {
public:
    using value_type = std::int64_t;

    constexpr value_type value() const noexcept { return m_value; }

    constexpr void add(std::size_t bytes) noexcept
    {
        constexpr auto max = std::numeric_limits<value_type>::max();
        const auto room = static_cast<std::uint64_t>(max - m_value);
        m_value = bytes >= room ? max : m_value + static_cast<value_type>(bytes);
    }

    // For tests that start near the limit.
    constexpr void preset(value_type value) noexcept { m_value = value < 0 ? 0 : value; }

private:
    value_type m_value = 0;
};

// Value of EntryRejected after the channel-table validation refused a value.
inline constexpr std::uint8_t kEntryRejected = 3;

// The link state of the main window (one instance, alive for the whole run).
// Members carry the names the rest of the program knows them by.
struct LinkState {
    link::TransferState TransferState = link::TransferState::Idle;
    link::PendingFollowUp PendingFollowUp = link::PendingFollowUp::None;
    ByteCounter TxByteCount;
    ByteCounter RxByteCount;
    std::uint8_t WriteChannelIndex = 1; // channel of the record last sent in a table write
    std::uint8_t WritePowerIndex = 1;   // channel of the power last sent in a table write
    std::uint8_t EntryRejected = 0;     // kEntryRejected after a refused table value
};

} // namespace varnel::link
