#pragma once

// The modem board's requests and replies, and the test frames of the data
// transmission test.
//
// Board requests use the radio's frame layout (55 AA LEN CMD DATA SUMhi
// SUMlo) with the board's own commands; replies are read by code only:
//   0x20 carried out, 0x21 refused, 0x23 parameters (byte 4: air rate code).
// Test frames are 7E, text length + 1, the text's bytes; no checksum.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "link/frame_codec.h"

namespace varnel::modem {

namespace board {
inline constexpr std::uint8_t ReadParameters = 0x23;
inline constexpr std::uint8_t WriteRegister = 0x20;
inline constexpr std::uint8_t SetSerialPort = 0x28;

inline constexpr std::uint8_t AirRateRegister = 0x05;
inline constexpr std::uint8_t TransmitTestRegister = 0x08;
inline constexpr std::uint8_t StopTestRegister = 0x09;

// Reply codes.
inline constexpr std::uint8_t Done = 0x20;
inline constexpr std::uint8_t Refused = 0x21;
inline constexpr std::uint8_t Parameters = 0x23;
}  // namespace board

// Wire codes by list position: the baud rate list "600" .. "9600", the
// parity list "None", "Odd", "Even", the air rate list "1200", "2400".
inline constexpr std::array<std::uint8_t, 5> BaudCodes{4, 3, 2, 1, 0};
inline constexpr std::array<std::uint8_t, 3> ParityCodes{0, 2, 3};
inline constexpr std::array<std::uint8_t, 2> AirRateCodes{0x20, 0x00};

// List position of an air rate code read from the board; none for a code
// the list does not offer.
std::optional<int> AirRateIndex(std::uint8_t code) noexcept;

// The serial settings byte: parity code in the high nibble, baud code low.
constexpr std::uint8_t SerialSettingsByte(std::uint8_t parityCode, std::uint8_t baudCode) noexcept
{
    return static_cast<std::uint8_t>((parityCode & 0x0F) << 4 | (baudCode & 0x0F));
}

namespace request {
using A1 = std::array<std::uint8_t, 1>;
using A2 = std::array<std::uint8_t, 2>;

inline constexpr auto ReadBoard = link::MakeTemplate(board::ReadParameters, A1{0x00});
inline constexpr auto SetAirRate = link::MakeTemplate(board::WriteRegister, A2{board::AirRateRegister, 0x00});  // [5] code
inline constexpr auto SetSerialPort = link::MakeTemplate(board::SetSerialPort, A1{0x00});  // [4] settings byte
inline constexpr auto TransmitTest = link::MakeTemplate(board::WriteRegister, A2{board::TransmitTestRegister, 0x00});  // [5] 0 arm, 1 run
inline constexpr auto StopTest = link::MakeTemplate(board::WriteRegister, A1{board::StopTestRegister});
}  // namespace request

// Sealed requests, ready to write.
constexpr link::Frame<7> ReadBoardRequest() noexcept { return link::Sealed(request::ReadBoard); }

constexpr link::Frame<8> AirRateRequest(std::uint8_t code) noexcept
{
    auto frame = request::SetAirRate;
    frame[5] = code;
    return link::Sealed(frame);
}

constexpr link::Frame<7> SerialPortRequest(std::uint8_t settingsByte) noexcept
{
    auto frame = request::SetSerialPort;
    frame[4] = settingsByte;
    return link::Sealed(frame);
}

constexpr link::Frame<8> TransmitTestRequest(std::uint8_t value) noexcept
{
    auto frame = request::TransmitTest;
    frame[5] = value;
    return link::Sealed(frame);
}

constexpr link::Frame<7> StopTestRequest() noexcept { return link::Sealed(request::StopTest); }

// What the window takes from a board reply.
struct BoardReply {
    std::uint8_t code = 0;
    std::uint8_t airRate = 0;  // parameters replies only
};

// The reply in a package that starts 55 AA. Neither length byte nor sum is
// looked at, but a package too short for the bytes its code is read by
// (4 bytes, 5 for a parameters reply) gives none.
std::optional<BoardReply> ParseBoardReply(std::span<const std::uint8_t> package) noexcept;

// ---- data transmission test ---------------------------------------------------

inline constexpr std::uint8_t TestFrameStart = 0x7E;
// Longest text a frame carries: its length byte holds length + 1, so the
// frame stays within 256 bytes.
inline constexpr std::size_t MaxTestText = 254;
// Shortest package either side takes for a test frame.
inline constexpr std::size_t MinTestPackage = 3;

// The frame of a text (its bytes as they are); none when the text is longer
// than MaxTestText bytes.
std::optional<std::vector<std::uint8_t>> BuildTestFrame(std::string_view text);

// The text a received test frame carries: its bytes from the third on.
std::string_view TestFrameText(std::span<const std::uint8_t> package) noexcept;

}  // namespace varnel::modem
