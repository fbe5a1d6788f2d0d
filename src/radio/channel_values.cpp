#include "radio/channel_values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace varnel::radio {

namespace {

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F;
}

std::string_view SkipSign(std::string_view text, bool& negative)
{
    negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    return text;
}

} // namespace

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::optional<std::int32_t> TextToInt(std::string_view text)
{
    bool negative = false;
    const std::string_view digits = SkipSign(TrimBlanks(text), negative);
    if (digits.empty() || digits.front() < '0' || digits.front() > '9')
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc{} || end != digits.data() + digits.size())
        return std::nullopt;
    if (negative)
        value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<double> TextToFloat(std::string_view text)
{
    bool negative = false;
    const std::string_view number = SkipSign(TrimBlanks(text), negative);
    // from_chars would take "inf", "nan" and a second sign; only digits or a
    // point may start the number.
    if (number.empty() || !(number.front() == '.' || (number.front() >= '0' && number.front() <= '9')))
        return std::nullopt;
    double value = 0;
    const auto [end, ec] =
        std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    if (ec != std::errc{} || end != number.data() + number.size() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

std::string FormatMHz(double mhz)
{
    if (!std::isfinite(mhz))
        return {};
    char buffer[64];
    const double magnitude = std::fabs(mhz);
    const int n = std::snprintf(buffer, sizeof buffer, "%s%09.5f", mhz < 0 && magnitude >= 0.000005 ? "-" : "", magnitude);
    return n > 0 && static_cast<std::size_t>(n) < sizeof buffer ? std::string(buffer, static_cast<std::size_t>(n)) : std::string{};
}

std::string FormatId(std::int64_t value)
{
    char buffer[32];
    const auto raw = static_cast<unsigned long long>(value);
    const unsigned long long magnitude = value < 0 ? 0ULL - raw : raw;
    const int n = std::snprintf(buffer, sizeof buffer, "%s%05llu", value < 0 ? "-" : "", magnitude);
    return std::string(buffer, static_cast<std::size_t>(n));
}

double SnapToRaster(double units)
{
    const double a = std::trunc(units * 0.002 + 0.5) * 500;
    const double b = std::trunc(units * 0.0016 + 0.5) * 625;
    const double da = std::fabs(std::trunc(a - units));
    const double db = std::fabs(std::trunc(b - units));
    return db > da ? a : b;
}

FrequencyLimits LimitsForHardware(std::string_view hardwareVersion)
{
    if (hardwareVersion == "4.0")
        return {500.0, 420.0};
    return {174.0, 136.0};
}

std::optional<int> NumberAfter(std::string_view name, std::string_view word)
{
    const std::size_t at = name.find(word);
    if (at == std::string_view::npos)
        return std::nullopt;
    const std::string_view digits = name.substr(at + word.size());
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc{} || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

} // namespace varnel::radio
