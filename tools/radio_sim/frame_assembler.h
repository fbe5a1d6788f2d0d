// Cuts request frames (and, on a modem board's line, 0x7E test frames) out of
// a byte stream that may arrive in any pieces and carry stray bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace varnel::radio_sim {

using Bytes = std::vector<std::uint8_t>;

enum class ItemKind { Request, TestFrame };

struct StreamItem {
    ItemKind kind = ItemKind::Request;
    Bytes bytes;
};

class FrameAssembler {
public:
    // acceptTestFrames: also cut 0x7E frames (0x7E, text length + 1, text).
    // acceptRequests: cut 0x55 0xAA frames; a test-frame-only line skips them.
    explicit FrameAssembler(bool acceptTestFrames = false, bool acceptRequests = true);

    // Every complete item the bytes finish, in order. Bytes that cannot start
    // an item are skipped; a 0x55 0xAA candidate whose sum is wrong gives up
    // its first byte so that a real frame behind it is still found.
    std::vector<StreamItem> Feed(std::span<const std::uint8_t> bytes);

    // The line went quiet with an unfinished item: treat its first byte as
    // stray and look again (a torn frame must not hide the next request).
    std::vector<StreamItem> DropPartial();

    bool HasPartial() const { return !buffer_.empty(); }
    std::size_t skippedBytes() const { return skipped_; }

private:
    std::vector<StreamItem> Scan();
    void Skip(std::size_t count);

    bool acceptTestFrames_;
    bool acceptRequests_;
    Bytes buffer_;
    std::size_t skipped_ = 0;
};

} // namespace varnel::radio_sim
