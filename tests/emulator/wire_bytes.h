// Hex text <-> bytes for tests that compare wire images literally, and a
// checksum written out independently of the codec under test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace varnel::radio_sim::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes B(const std::string& hex)
{
    Bytes out;
    std::istringstream in(hex);
    std::string token;
    while (in >> token) {
        if (token.size() != 2)
            throw std::invalid_argument("bad hex token " + token);
        out.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
    }
    return out;
}

inline std::string Hex(const Bytes& bytes)
{
    std::string out;
    char buf[4];
    for (const auto b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        out += buf;
    }
    if (!out.empty())
        out.pop_back();
    return out;
}

// "55 AA LEN CMD data..." plus the sum of everything from LEN, high byte first.
inline Bytes Sealed(const std::string& hexWithoutSum)
{
    Bytes frame = B(hexWithoutSum);
    unsigned sum = 0;
    for (std::size_t i = 2; i < frame.size(); ++i)
        sum += frame[i];
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    return frame;
}

} // namespace varnel::radio_sim::testing
