#include "radio_sim/board_model.h"

#include "link/frame_codec.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace varnel::radio_sim {
namespace {

constexpr std::uint8_t kAck = 0x20;
constexpr std::uint8_t kRefused = 0x21;
constexpr std::uint8_t kReadBoard = 0x23;
constexpr std::uint8_t kSetSerial = 0x28;

struct BaudCode {
    std::uint8_t code;
    unsigned baud;
};
constexpr std::array<BaudCode, 5> kBaudCodes = {{{4, 600}, {3, 1200}, {2, 2400}, {1, 4800}, {0, 9600}}};

} // namespace

const char* ParityName(Parity parity)
{
    switch (parity) {
    case Parity::None: return "none";
    case Parity::Odd: return "odd";
    case Parity::Even: return "even";
    case Parity::Mark: return "mark";
    case Parity::Space: return "space";
    }
    return "none";
}

std::optional<Parity> ParseParity(const std::string& text)
{
    std::string lower;
    for (const char c : text)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const Parity p : {Parity::None, Parity::Odd, Parity::Even, Parity::Mark, Parity::Space}) {
        if (lower == ParityName(p))
            return p;
    }
    return std::nullopt;
}

std::optional<unsigned> BaudForCode(std::uint8_t code)
{
    for (const auto& entry : kBaudCodes) {
        if (entry.code == code)
            return entry.baud;
    }
    return std::nullopt;
}

std::optional<std::uint8_t> CodeForBaud(unsigned baud)
{
    for (const auto& entry : kBaudCodes) {
        if (entry.baud == baud)
            return entry.code;
    }
    return std::nullopt;
}

std::optional<Parity> ParityForCode(std::uint8_t code)
{
    switch (code) {
    case 0: return Parity::None;
    case 2: return Parity::Odd;
    case 3: return Parity::Even;
    default: return std::nullopt;
    }
}

bool ValidAirRate(std::uint8_t code)
{
    return code == 0x00 || code == 0x20 || code == 0x30 || code == 0x40 || code == 0x80;
}

const char* TransmitTestName(TransmitTest test)
{
    switch (test) {
    case TransmitTest::Off: return "off";
    case TransmitTest::Armed: return "armed";
    case TransmitTest::Running: return "running";
    }
    return "off";
}

BoardModel::BoardModel(BoardState state, bool refuseWrites)
    : state_(std::move(state))
    , refuseWrites_(refuseWrites)
{
}

bool BoardModel::LineMatches(const LineSettings& line) const
{
    if (line.baud != state_.line.baud)
        return false;
    if (line.parity == state_.line.parity)
        return true;
    return line.mayBeEven && line.parity == Parity::None && state_.line.parity == Parity::Even;
}

Bytes BoardModel::Ack(std::uint8_t command)
{
    ++revision_;
    return link::BuildFrame(kAck, std::array<std::uint8_t, 1>{command});
}

Bytes BoardModel::Refuse(std::uint8_t command)
{
    return link::BuildFrame(kRefused, std::array<std::uint8_t, 1>{command});
}

Bytes BoardModel::Handle(std::span<const std::uint8_t> request)
{
    const auto frame = link::ParseFrame(request);
    if (!frame)
        return {};
    const auto data = frame->data;
    switch (frame->command) {
    case kReadBoard:
        return link::BuildFrame(kReadBoard, std::array<std::uint8_t, 1>{state_.airRate});

    case kSetSerial: {
        if (data.empty() || refuseWrites_)
            return Refuse(kSetSerial);
        const auto baud = BaudForCode(static_cast<std::uint8_t>(data[0] & 0x0F));
        const auto parity = ParityForCode(static_cast<std::uint8_t>(data[0] >> 4));
        if (!baud || !parity)
            return Refuse(kSetSerial);
        Bytes reply = Ack(kSetSerial);
        state_.line = LineSettings{*baud, *parity};
        return reply;
    }

    case kAck: { // register write
        if (data.empty() || refuseWrites_)
            return Refuse(kAck);
        const std::uint8_t reg = data[0];
        if (reg == board_reg::StopTest) {
            state_.transmitTest = TransmitTest::Off;
            return Ack(kAck);
        }
        if (data.size() < 2)
            return Refuse(kAck);
        const std::uint8_t value = data[1];
        if (reg == board_reg::AirRate && ValidAirRate(value)) {
            state_.airRate = value;
            return Ack(kAck);
        }
        if (reg == board_reg::TransmitTest && value <= 1) {
            state_.transmitTest = value == 0 ? TransmitTest::Armed : TransmitTest::Running;
            return Ack(kAck);
        }
        return Refuse(kAck);
    }

    default:
        return Refuse(frame->command);
    }
}

bool IsBoardRequest(std::span<const std::uint8_t> frame)
{
    const auto view = link::ParseFrame(frame);
    if (!view)
        return false;
    switch (view->command) {
    case kReadBoard:
        return true;
    case kSetSerial:
        return !view->data.empty();
    case kAck: {
        const std::uint8_t reg = view->at(0);
        return !view->data.empty() &&
               (reg == board_reg::AirRate || reg == board_reg::TransmitTest || reg == board_reg::StopTest);
    }
    default:
        return false;
    }
}

} // namespace varnel::radio_sim
