// The radio's optional modem board: serial settings, air data rate and the
// transmit test registers. It only hears requests sent at its own serial
// settings; the host checks that with LineMatches before calling Handle.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace varnel::radio_sim {

using Bytes = std::vector<std::uint8_t>;

enum class Parity { None, Odd, Even, Mark, Space };

const char* ParityName(Parity parity);
std::optional<Parity> ParseParity(const std::string& text);

// What the host sees of the line the configuration tool has set up.
struct LineSettings {
    unsigned baud = 9600;
    Parity parity = Parity::None;
    // A Linux pty keeps no PARENB: a line without any other trace of parity
    // may be even as well as none (see PtyPort::Line).
    bool mayBeEven = false;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// Wire codes of the board's serial settings byte: parity << 4 | baud.
std::optional<unsigned> BaudForCode(std::uint8_t code);
std::optional<std::uint8_t> CodeForBaud(unsigned baud);
std::optional<Parity> ParityForCode(std::uint8_t code);

namespace board_reg {
inline constexpr std::uint8_t AirRate = 0x05;
inline constexpr std::uint8_t TransmitTest = 0x08;
inline constexpr std::uint8_t StopTest = 0x09;
} // namespace board_reg

// Air data rate codes the board accepts; 0x20 = 1200, 0x00 = 2400 bit/s.
bool ValidAirRate(std::uint8_t code);

enum class TransmitTest { Off, Armed, Running };
const char* TransmitTestName(TransmitTest test);

struct BoardState {
    LineSettings line{2400, Parity::None};
    std::uint8_t airRate = 0x00;
    TransmitTest transmitTest = TransmitTest::Off;
};

class BoardModel {
public:
    explicit BoardModel(BoardState state = {}, bool refuseWrites = false);

    // True when a byte sent at `line` reaches the board intact.
    bool LineMatches(const LineSettings& line) const;

    // One reply for one request frame. A serial-port change is acknowledged
    // first and takes effect for every byte after the reply.
    Bytes Handle(std::span<const std::uint8_t> request);

    const BoardState& state() const { return state_; }
    std::uint64_t revision() const { return revision_; }

private:
    Bytes Ack(std::uint8_t command);
    static Bytes Refuse(std::uint8_t command);

    BoardState state_;
    bool refuseWrites_ = false;
    std::uint64_t revision_ = 0;
};

// On a line shared by the radio and its board: true for the board's requests
// (0x23, 0x28 with a settings byte, 0x20 with a board register).
bool IsBoardRequest(std::span<const std::uint8_t> frame);

} // namespace varnel::radio_sim
