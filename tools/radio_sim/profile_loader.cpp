#include "radio_sim/profile_loader.h"

#include "link/frame_codec.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace varnel::radio_sim {
namespace {

std::string Trim(const std::string& text)
{
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return {};
    const auto end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::optional<long long> ParseInteger(const std::string& text)
{
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0')
        return std::nullopt;
    return value;
}

// "tx12" -> 12 when the name is prefix + a number in 1..max.
std::optional<std::size_t> Numbered(const std::string& key, const std::string& prefix, std::size_t max)
{
    if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    const std::string digits = key.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return std::nullopt;
    const auto n = ParseInteger(digits);
    if (!n || *n < 1 || static_cast<std::size_t>(*n) > max)
        return std::nullopt;
    return static_cast<std::size_t>(*n);
}

} // namespace

std::string ApplyProfileText(const std::string& text, RadioState& state)
{
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    bool inParameter = false;
    while (std::getline(in, line)) {
        ++lineNo;
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#')
            continue;
        if (trimmed.front() == '[') {
            if (trimmed.back() != ']')
                return "line " + std::to_string(lineNo) + ": unterminated section header";
            inParameter = Lower(Trim(trimmed.substr(1, trimmed.size() - 2))) == "parameter";
            continue;
        }
        if (!inParameter)
            continue;
        const auto eq = trimmed.find('=');
        if (eq == std::string::npos)
            return "line " + std::to_string(lineNo) + ": expected key=value";
        const std::string key = Lower(Trim(trimmed.substr(0, eq)));
        const std::string value = Trim(trimmed.substr(eq + 1));
        if (value.empty())
            continue;
        static const char* const kPlainKeys[] = {"squelch level", "band control", "rx adjust parameter", "5165"};
        const bool known = Numbered(key, "tx", kChannelCount) || Numbered(key, "rx", kChannelCount) ||
                           Numbered(key, "power", kChannelCount) || Numbered(key, "rx s", 8) ||
                           Numbered(key, "5165 s", 8) || Numbered(key, "tx pt", 40) ||
                           std::find(std::begin(kPlainKeys), std::end(kPlainKeys), key) != std::end(kPlainKeys);
        if (!known)
            continue; // the tool's own keys, not the radio's
        const auto number = ParseInteger(value);
        const auto bad = [&](const std::string& why) {
            return "line " + std::to_string(lineNo) + ": " + key + "=" + value + ": " + why;
        };
        if (!number)
            return bad("not an integer");
        const long long v = *number;
        const auto asByte = [&]() { return static_cast<std::uint8_t>(v & 0xFF); };

        if (const auto k = Numbered(key, "tx", kChannelCount)) {
            if (v < 0 || v > link::kMaxBcdUnits)
                return bad("frequency out of range");
            state.channels[*k - 1].txUnits = static_cast<std::uint32_t>(v);
        } else if (const auto r = Numbered(key, "rx", kChannelCount)) {
            if (v < 0 || v > link::kMaxBcdUnits - link::RxFrequencyOffset)
                return bad("frequency out of range");
            state.channels[*r - 1].rxUnits = static_cast<std::uint32_t>(v);
        } else if (const auto p = Numbered(key, "power", kChannelCount)) {
            if (v == 0)
                continue; // no power chosen in the tool
            if (v < 1 || v > 5)
                return bad("power must be 1..5");
            state.channels[*p - 1].power = static_cast<std::uint8_t>(v);
        } else if (key == "squelch level") {
            if (v == -1)
                continue;
            if (v < 0 || v > 5)
                return bad("squelch index must be 0..5");
            state.squelch = v == 5 ? std::uint8_t{0x55} : static_cast<std::uint8_t>(v + 1);
        } else if (key == "band control") {
            if (v == -1)
                continue;
            if (v < 0 || v > 1)
                return bad("band index must be 0 (12.5k) or 1 (25k)");
            state.bandwidth = v == 0 ? 1 : 0;
        } else if (key == "rx adjust parameter") {
            state.calibration.rxAdjust = asByte();
        } else if (key == "5165") {
            state.calibration.value5165 = asByte();
        } else if (const auto s = Numbered(key, "rx s", 8)) {
            state.calibration.sTables[*s - 1] = asByte();
        } else if (const auto s5 = Numbered(key, "5165 s", 8)) {
            state.calibration.sTables[8 + *s5 - 1] = asByte();
        } else if (const auto t = Numbered(key, "tx pt", 40)) {
            state.calibration.powerTable[*t - 1] = asByte();
        }
    }
    state.running = state.channels[state.currentChannel - 1u];
    return {};
}

std::string LoadProfileFile(const std::string& path, RadioState& state)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return "cannot read profile " + path;
    std::ostringstream text;
    text << file.rdbuf();
    const std::string error = ApplyProfileText(text.str(), state);
    return error.empty() ? error : path + ": " + error;
}

} // namespace varnel::radio_sim
