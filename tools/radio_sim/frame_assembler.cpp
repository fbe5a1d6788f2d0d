#include "radio_sim/frame_assembler.h"

#include "link/frame_codec.h"

namespace varnel::radio_sim {
namespace {
constexpr std::uint8_t kTestFrameStart = 0x7E;
} // namespace

FrameAssembler::FrameAssembler(bool acceptTestFrames, bool acceptRequests)
    : acceptTestFrames_(acceptTestFrames)
    , acceptRequests_(acceptRequests)
{
}

std::vector<StreamItem> FrameAssembler::Feed(std::span<const std::uint8_t> bytes)
{
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return Scan();
}

std::vector<StreamItem> FrameAssembler::DropPartial()
{
    if (buffer_.empty())
        return {};
    Skip(1);
    return Scan();
}

void FrameAssembler::Skip(std::size_t count)
{
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(count));
    skipped_ += count;
}

std::vector<StreamItem> FrameAssembler::Scan()
{
    std::vector<StreamItem> items;
    while (!buffer_.empty()) {
        const std::uint8_t first = buffer_[0];
        if (acceptRequests_ && first == link::kPreamble1) {
            if (buffer_.size() < 2)
                break;
            if (buffer_[1] != link::kPreamble2) {
                Skip(1);
                continue;
            }
            if (buffer_.size() < 3)
                break;
            const std::size_t len = buffer_[link::kLenOffset];
            if (len < 2) {
                Skip(1);
                continue;
            }
            if (buffer_.size() < len + 4)
                break;
            if (!link::CheckFrame(buffer_.data(), len + 4)) {
                Skip(1);
                continue;
            }
            items.push_back({ItemKind::Request, Bytes(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(len + 4))});
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(len + 4));
            continue;
        }
        if (acceptTestFrames_ && first == kTestFrameStart) {
            if (buffer_.size() < 2)
                break;
            const std::size_t total = std::size_t{buffer_[1]} + 1;
            if (total < 2) { // length byte 0 cannot describe a frame
                Skip(1);
                continue;
            }
            if (buffer_.size() < total)
                break;
            items.push_back({ItemKind::TestFrame, Bytes(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(total))});
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(total));
            continue;
        }
        Skip(1);
    }
    return items;
}

} // namespace varnel::radio_sim
