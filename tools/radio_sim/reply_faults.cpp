#include "radio_sim/reply_faults.h"

#include <iterator>
#include <utility>

namespace varnel::radio_sim {

FaultShaper::FaultShaper(FaultOptions options)
    : options_(options)
{
}

std::vector<Chunk> FaultShaper::Shape(Bytes reply)
{
    if (reply.empty())
        return {};
    ++count_;
    if (Hits(options_.dropEvery, count_))
        return {};
    if (Hits(options_.corruptEvery, count_))
        reply.back() = static_cast<std::uint8_t>(~reply.back());
    if (Hits(options_.garbageEvery, count_))
        reply.insert(reply.begin(), std::begin(kGarbage), std::end(kGarbage));
    if (Hits(options_.splitEvery, count_) && reply.size() >= 2) {
        const auto half = static_cast<std::ptrdiff_t>(reply.size() / 2);
        Chunk first{0, Bytes(reply.begin(), reply.begin() + half)};
        Chunk second{options_.splitPauseMs, Bytes(reply.begin() + half, reply.end())};
        return {std::move(first), std::move(second)};
    }
    return {Chunk{0, std::move(reply)}};
}

AirLink::AirLink(double lossRate, std::uint32_t seed)
    : lossRate_(lossRate)
    , rng_(seed)
{
}

bool AirLink::Carries()
{
    const bool lostNow = lossRate_ > 0.0 && dist_(rng_) < lossRate_;
    if (lostNow)
        ++lost_;
    else
        ++carried_;
    return !lostNow;
}

} // namespace varnel::radio_sim
