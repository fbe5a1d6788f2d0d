#include "link/frame_codec.h"

#include <algorithm>

namespace varnel::link {

std::vector<std::uint8_t> BuildFrame(std::uint8_t command, std::span<const std::uint8_t> data)
{
    if (data.size() > kMaxDataSize)
        return {};
    std::vector<std::uint8_t> frame(data.size() + kMinFrameSize);
    frame[0] = kPreamble1;
    frame[1] = kPreamble2;
    frame[kLenOffset] = static_cast<std::uint8_t>(data.size() + 2);
    frame[kCommandOffset] = command;
    std::copy(data.begin(), data.end(), frame.begin() + kDataOffset);
    SealFrame(frame);
    return frame;
}

std::string VersionText(std::uint8_t version)
{
    return std::to_string(version >> 4) + '.' + std::to_string(version & 0x0F);
}

} // namespace varnel::link
