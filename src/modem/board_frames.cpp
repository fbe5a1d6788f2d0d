#include "modem/board_frames.h"

#include <cstddef>

namespace varnel::modem {

std::optional<int> AirRateIndex(std::uint8_t code) noexcept
{
    for (std::size_t i = 0; i < AirRateCodes.size(); ++i)
        if (AirRateCodes[i] == code)
            return static_cast<int>(i);
    return std::nullopt;
}

std::optional<BoardReply> ParseBoardReply(std::span<const std::uint8_t> package) noexcept
{
    constexpr std::size_t codeAt = link::kCommandOffset;
    constexpr std::size_t airRateAt = link::kDataOffset;
    if (package.size() <= codeAt || package[0] != link::kPreamble1 || package[1] != link::kPreamble2)
        return std::nullopt;
    BoardReply reply;
    reply.code = package[codeAt];
    if (reply.code == board::Parameters) {
        if (package.size() <= airRateAt)
            return std::nullopt;
        reply.airRate = package[airRateAt];
    }
    return reply;
}

std::optional<std::vector<std::uint8_t>> BuildTestFrame(std::string_view text)
{
    if (text.size() > MaxTestText)
        return std::nullopt;
    std::vector<std::uint8_t> frame;
    frame.reserve(text.size() + 2);
    frame.push_back(TestFrameStart);
    frame.push_back(static_cast<std::uint8_t>(text.size() + 1));
    for (const char c : text)
        frame.push_back(static_cast<std::uint8_t>(c));
    return frame;
}

std::string_view TestFrameText(std::span<const std::uint8_t> package) noexcept
{
    if (package.size() < 2)
        return {};
    const auto text = package.subspan(2);
    // Bytes of a package are the text's characters as they came.
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

}  // namespace varnel::modem
