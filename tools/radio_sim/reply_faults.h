// Faults put on the device's replies for tests of the tool's error paths.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace varnel::radio_sim {

using Bytes = std::vector<std::uint8_t>;

struct FaultOptions {
    unsigned dropEvery = 0;     // every Nth reply is never sent
    unsigned splitEvery = 0;    // every Nth reply goes out in two halves...
    unsigned splitPauseMs = 250; // ...with this pause between them
    unsigned corruptEvery = 0;  // every Nth reply has its low sum byte inverted
    unsigned garbageEvery = 0;  // every Nth reply is preceded by stray bytes
};

// Stray bytes put before a reply; none of them can start a frame.
inline constexpr std::uint8_t kGarbage[] = {0x00, 0x13, 0xFE};

struct Chunk {
    unsigned delayMs = 0; // pause before this chunk, after the previous one
    Bytes bytes;
};

class FaultShaper {
public:
    explicit FaultShaper(FaultOptions options = {});

    // The writes that carry one reply: one chunk normally, none when the
    // reply is dropped, two when it is split.
    std::vector<Chunk> Shape(Bytes reply);

    unsigned repliesSeen() const { return count_; }

private:
    static bool Hits(unsigned every, unsigned count) { return every != 0 && count % every == 0; }

    FaultOptions options_;
    unsigned count_ = 0;
};

// The radio path of the data transmission test: loses frames at a given rate
// with a seeded generator, so a test run can be repeated exactly.
class AirLink {
public:
    AirLink(double lossRate, std::uint32_t seed);

    bool Carries();

    unsigned carried() const { return carried_; }
    unsigned lost() const { return lost_; }

private:
    double lossRate_;
    std::mt19937 rng_;
    std::uniform_real_distribution<double> dist_{0.0, 1.0};
    unsigned carried_ = 0;
    unsigned lost_ = 0;
};

} // namespace varnel::radio_sim
