// Frame layout and field codecs of the ZR650/T serial protocol.
//
//   55 AA LEN CMD DATA... SUMhi SUMlo
//
// LEN counts itself, CMD and the data bytes (2..255); the 16-bit sum covers the
// same LEN bytes and is sent high byte first. A frame is LEN + 4 bytes long.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace varnel::link {

inline constexpr std::uint8_t kPreamble1 = 0x55;
inline constexpr std::uint8_t kPreamble2 = 0xAA;
inline constexpr std::size_t kLenOffset = 2;
inline constexpr std::size_t kCommandOffset = 3;
inline constexpr std::size_t kDataOffset = 4;
inline constexpr std::size_t kMinFrameSize = 6;
inline constexpr std::size_t kMaxFrameSize = 259;
inline constexpr std::size_t kMaxDataSize = 253;

// Receive frequencies in channel records travel with this offset added
// (45.10000 MHz in units of 10 Hz). The current-channel block has no offset.
inline constexpr std::uint32_t RxFrequencyOffset = 4510000;

// Largest value the 8-digit frequency codec can carry.
inline constexpr std::uint32_t kMaxBcdUnits = 99999999;

using BcdBytes = std::array<std::uint8_t, 4>;

// Command codes toward the radio (and the modem board where noted).
namespace cmd {
inline constexpr std::uint8_t Item = 0x01;            // current block, control method, selected channel
inline constexpr std::uint8_t Channel = 0x20;         // channel record; also the positive acknowledgement
inline constexpr std::uint8_t Refused = 0x21;         // negative acknowledgement
inline constexpr std::uint8_t BoardParameters = 0x23; // modem board
inline constexpr std::uint8_t CurrentChannel = 0x24;
inline constexpr std::uint8_t ReadId = 0x26;
inline constexpr std::uint8_t Model = 0x28;           // modem board: set serial port
inline constexpr std::uint8_t WriteId = 0x32;
inline constexpr std::uint8_t SetRxAdjust = 0x33;
inline constexpr std::uint8_t ReadRxAdjust = 0x34;
inline constexpr std::uint8_t ControlMethodReport = 0x35;
inline constexpr std::uint8_t SelectedChannelReport = 0x37;
inline constexpr std::uint8_t SetBandwidth = 0x50;
inline constexpr std::uint8_t ReadBandwidth = 0x60;
inline constexpr std::uint8_t SetSquelch = 0x70;
inline constexpr std::uint8_t ReadSquelch = 0x80;
inline constexpr std::uint8_t Set5165 = 0x90;
inline constexpr std::uint8_t Read5165 = 0x91;
inline constexpr std::uint8_t ReadPower = 0x94;
inline constexpr std::uint8_t WritePower = 0x95;
inline constexpr std::uint8_t SetPowerTable = 0x96;
inline constexpr std::uint8_t ReadPowerTable = 0x97;
inline constexpr std::uint8_t SetSTables = 0x98;
inline constexpr std::uint8_t ReadSTables = 0x99;
inline constexpr std::uint8_t Restore = 0xA0;
inline constexpr std::uint8_t Backup = 0xA1;
inline constexpr std::uint8_t CheckBackup = 0xA2;
} // namespace cmd

// Sub-codes in byte 4 of command 0x20 toward the radio.
namespace channel_sub {
inline constexpr std::uint8_t Write = 0x03;
inline constexpr std::uint8_t Read = 0x14;
inline constexpr std::uint8_t Record = 0x24; // in replies
} // namespace channel_sub

// Item byte of command 0x01: bits 0-5 the item, bit 7 set = set, bit 6 in
// replies = data present (read) or carried out (set).
namespace item {
inline constexpr std::uint8_t CurrentBlock = 1;
inline constexpr std::uint8_t ControlMethod = 3;
inline constexpr std::uint8_t SelectedChannel = 4;
inline constexpr std::uint8_t SetBit = 0x80;
inline constexpr std::uint8_t ResultBit = 0x40;
inline constexpr std::uint8_t ItemMask = 0x3F;
} // namespace item

// Sum of `count` bytes as unsigned values; 255 bytes of 0xFF still fit.
constexpr std::uint16_t FrameSum(const std::uint8_t* bytes, std::size_t count) noexcept
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += bytes[i];
    return static_cast<std::uint16_t>(sum);
}

constexpr std::uint16_t FrameSum(std::span<const std::uint8_t> bytes) noexcept
{
    return FrameSum(bytes.data(), bytes.size());
}

// Writes the sum of the LEN bytes from offset 2 behind them and returns the
// frame's size (LEN + 4). Returns 0 and leaves the buffer alone when it is too
// short for the frame its LEN byte announces, or LEN is below 2.
constexpr std::size_t SealFrame(std::span<std::uint8_t> frame) noexcept
{
    if (frame.size() < kMinFrameSize)
        return 0;
    const std::size_t len = frame[kLenOffset];
    if (len < 2 || len + 4 > frame.size())
        return 0;
    const std::uint16_t sum = FrameSum(frame.data() + kLenOffset, len);
    frame[len + 2] = static_cast<std::uint8_t>(sum >> 8);
    frame[len + 3] = static_cast<std::uint8_t>(sum & 0xFF);
    return len + 4;
}

// True when the package starts with a complete frame whose sum is right.
// Bytes behind the first frame are ignored; nothing past `length` is read.
constexpr bool CheckFrame(const std::uint8_t* package, std::size_t length) noexcept
{
    if (package == nullptr || length < kMinFrameSize)
        return false;
    if (package[0] != kPreamble1 || package[1] != kPreamble2)
        return false;
    const std::size_t len = package[kLenOffset];
    // A LEN below 2 would put the sum inside the header; no valid frame has one.
    if (len < 2 || len + 4 > length)
        return false;
    const std::uint16_t sum = FrameSum(package + kLenOffset, len);
    const auto sent = static_cast<std::uint16_t>(package[len + 2] * 256 + package[len + 3]);
    return sum == sent;
}

constexpr bool CheckFrame(std::span<const std::uint8_t> package) noexcept
{
    return CheckFrame(package.data(), package.size());
}

// The parts of an accepted frame; `data` points into the package given.
struct FrameView {
    std::uint8_t command = 0;
    std::span<const std::uint8_t> data;
    std::size_t size = 0; // LEN + 4

    // Data byte i, or 0 when the frame is shorter: replies are read by
    // offset and a short one must not reach past what was received.
    constexpr std::uint8_t at(std::size_t i) const noexcept { return i < data.size() ? data[i] : 0; }
};

// The first frame of a package when CheckFrame accepts it.
constexpr std::optional<FrameView> ParseFrame(std::span<const std::uint8_t> package) noexcept
{
    if (!CheckFrame(package))
        return std::nullopt;
    const std::size_t len = package[kLenOffset];
    return FrameView{package[kCommandOffset], package.subspan(kDataOffset, len - 2), len + 4};
}

// A sealed frame of command and data; empty when the data exceed 253 bytes.
std::vector<std::uint8_t> BuildFrame(std::uint8_t command, std::span<const std::uint8_t> data);

// --- request templates -----------------------------------------------------
//
// Each request kind is a constant image with the preamble, LEN, CMD and its
// fixed data; the sender copies it, patches the variable bytes and seals it
// just before writing. The image's own sum bytes are never trusted.

template <std::size_t N>
using Frame = std::array<std::uint8_t, N>;

// Image of a frame with DataSize data bytes; sum bytes left zero.
template <std::size_t DataSize>
constexpr Frame<DataSize + kMinFrameSize> MakeTemplate(std::uint8_t command,
                                                       const std::array<std::uint8_t, DataSize>& data) noexcept
{
    static_assert(DataSize <= kMaxDataSize);
    Frame<DataSize + kMinFrameSize> frame{};
    frame[0] = kPreamble1;
    frame[1] = kPreamble2;
    frame[kLenOffset] = static_cast<std::uint8_t>(DataSize + 2);
    frame[kCommandOffset] = command;
    for (std::size_t i = 0; i < DataSize; ++i)
        frame[kDataOffset + i] = data[i];
    return frame;
}

// A sealed copy of a template: the whole image is the frame.
template <std::size_t N>
constexpr Frame<N> Sealed(Frame<N> frame) noexcept
{
    static_assert(N >= kMinFrameSize && N <= kMaxFrameSize);
    SealFrame(frame);
    return frame;
}

namespace request {
using A0 = std::array<std::uint8_t, 0>;
using A1 = std::array<std::uint8_t, 1>;
using A2 = std::array<std::uint8_t, 2>;

// Fixed requests.
inline constexpr auto ReadModel = MakeTemplate(cmd::Model, A0{});
inline constexpr auto ReadId = MakeTemplate(cmd::ReadId, A0{});
inline constexpr auto ReadCurrentChannel = MakeTemplate(cmd::CurrentChannel, A0{});
inline constexpr auto ReadSquelch = MakeTemplate(cmd::ReadSquelch, A0{});
inline constexpr auto ReadBandwidth = MakeTemplate(cmd::ReadBandwidth, A0{});
inline constexpr auto ReadRxAdjust = MakeTemplate(cmd::ReadRxAdjust, A0{});
inline constexpr auto Read5165 = MakeTemplate(cmd::Read5165, A0{});
inline constexpr auto ReadPowerTable = MakeTemplate(cmd::ReadPowerTable, A0{});
inline constexpr auto ReadSTables = MakeTemplate(cmd::ReadSTables, A0{});
inline constexpr auto CheckBackup = MakeTemplate(cmd::CheckBackup, A0{});
inline constexpr auto Backup = MakeTemplate(cmd::Backup, A2{0x81, 0xAA});
inline constexpr auto Restore = MakeTemplate(cmd::Restore, A2{0xAA, 0x81});
inline constexpr auto ReadCurrentBlock = MakeTemplate(cmd::Item, A2{item::CurrentBlock, 0x00});
inline constexpr auto ReadControlMethod = MakeTemplate(cmd::Item, A1{item::ControlMethod});
inline constexpr auto ReadSelectedChannel = MakeTemplate(cmd::Item, A1{item::SelectedChannel});

// Patched requests; the offsets of their variable bytes follow each image.
inline constexpr auto ReadChannel = MakeTemplate(cmd::Channel, A2{channel_sub::Read, 0x00}); // [5] channel
inline constexpr auto WriteChannel = MakeTemplate(cmd::Channel, std::array<std::uint8_t, 10>{channel_sub::Write}); // [5] channel, [6..9] tx, [10..13] rx + offset
inline constexpr auto ReadPower = MakeTemplate(cmd::ReadPower, A1{0x00});          // [4] channel
inline constexpr auto WritePower = MakeTemplate(cmd::WritePower, A2{0x00, 0x00});  // [4] channel, [5] power index
inline constexpr auto WriteId = MakeTemplate(cmd::WriteId, A2{0x00, 0x00});        // [4] high, [5] low
inline constexpr auto SetSquelch = MakeTemplate(cmd::SetSquelch, A1{0x00});        // [4] level
inline constexpr auto SetBandwidth = MakeTemplate(cmd::SetBandwidth, A1{0x00});    // [4] bandwidth
inline constexpr auto SetRxAdjust = MakeTemplate(cmd::SetRxAdjust, A1{0x00});      // [4] value
inline constexpr auto Set5165 = MakeTemplate(cmd::Set5165, A1{0x00});              // [4] value
inline constexpr auto SetControlMethod = MakeTemplate(cmd::Item, A2{item::SetBit | item::ControlMethod, 0x00}); // [5] method
inline constexpr auto SetSelectedChannel = MakeTemplate(cmd::Item, std::array<std::uint8_t, 3>{item::SetBit | item::SelectedChannel}); // [5] save, [6] channel
inline constexpr auto SetCurrentBlock = MakeTemplate(cmd::Item, std::array<std::uint8_t, 12>{item::SetBit | item::CurrentBlock}); // [6] save, [7..10] tx, [11..14] rx, [15] power
inline constexpr auto SetSTables = MakeTemplate(cmd::SetSTables, std::array<std::uint8_t, 16>{});     // [4..19]
inline constexpr auto SetPowerTable = MakeTemplate(cmd::SetPowerTable, std::array<std::uint8_t, 40>{}); // [4..43]
} // namespace request

// --- field codecs --------------------------------------------------------

// Packed BCD, 8 digits, most significant first, in units of 10 Hz.
// Returns false and leaves `out` alone when units exceed 99999999.
constexpr bool UnitsToBcd(std::uint32_t units, std::span<std::uint8_t, 4> out) noexcept
{
    if (units > kMaxBcdUnits)
        return false;
    for (std::size_t k = 4; k-- > 0;) {
        const auto low = static_cast<std::uint8_t>(units % 10);
        units /= 10;
        const auto high = static_cast<std::uint8_t>(units % 10);
        units /= 10;
        out[k] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return true;
}

// Empty when units exceed 99999999.
constexpr std::optional<BcdBytes> UnitsToBcd(std::uint32_t units) noexcept
{
    BcdBytes out{};
    if (!UnitsToBcd(units, out))
        return std::nullopt;
    return out;
}

// Nibbles are not checked: 0xA..0xF count as the digit values 10..15, as the
// device's own arithmetic does.
constexpr std::uint32_t BcdToUnits(std::span<const std::uint8_t, 4> bytes) noexcept
{
    std::uint32_t value = 0;
    for (const std::uint8_t b : bytes)
        value = value * 100 + static_cast<std::uint32_t>((b >> 4) * 10 + (b & 0x0F));
    return value;
}

// hz / 10, the remainder dropped; false when the result does not fit 8 digits.
constexpr bool HzToBcd(std::uint64_t hz, std::span<std::uint8_t, 4> out) noexcept
{
    const std::uint64_t units = hz / 10;
    if (units > kMaxBcdUnits)
        return false;
    return UnitsToBcd(static_cast<std::uint32_t>(units), out);
}

constexpr std::optional<BcdBytes> HzToBcd(std::uint64_t hz) noexcept
{
    BcdBytes out{};
    if (!HzToBcd(hz, out))
        return std::nullopt;
    return out;
}

constexpr std::uint64_t BcdToHz(std::span<const std::uint8_t, 4> bytes) noexcept
{
    return std::uint64_t{BcdToUnits(bytes)} * 10;
}

// "major.minor" from the two nibbles: 0x40 -> "4.0", 0x4A -> "4.10".
std::string VersionText(std::uint8_t version);

} // namespace varnel::link
