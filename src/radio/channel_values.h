// Number handling of the main window's entry boxes: text conversions, the
// "000.00000" and "00000" patterns, the frequency rasters and limits, and the
// numbering of the channel-table controls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnel::radio {

// Decimal integer with optional sign and surrounding blanks, in 32-bit range.
std::optional<std::int32_t> TextToInt(std::string_view text);

// Decimal floating-point number (sign, fraction, exponent) with optional
// surrounding blanks; no hexadecimal, infinity or NaN.
std::optional<double> TextToFloat(std::string_view text);

// Pattern "000.00000": at least three integer digits, exactly five decimals.
std::string FormatMHz(double mhz);

// Pattern "00000": at least five digits, sign in front of the zeros.
std::string FormatId(std::int64_t value);

// Spaces and control characters removed from both ends.
std::string_view TrimBlanks(std::string_view text);

// The nearer of the 5 kHz and 6.25 kHz rasters, in units of 10 Hz; a tie goes
// to 6.25 kHz. Kept in floating point, like the values the boxes hold.
double SnapToRaster(double units);

// Frequency limits of the channel table by the hardware version shown.
struct FrequencyLimits {
    double upperMHz;
    double lowerMHz;
};
FrequencyLimits LimitsForHardware(std::string_view hardwareVersion);

// Below this a frequency entry is refused as too small.
inline constexpr double kSmallestFrequencyMHz = 0.00005;

inline constexpr int kChannelCount = 16;

// The number after `word` in a control name ("Edit17" -> 17), when the name
// contains the word followed by digits only.
std::optional<int> NumberAfter(std::string_view name, std::string_view word);

// Channel of frequency box EditN, 1..16, or nothing outside the table.
inline std::optional<int> ChannelOfEdit(int n)
{
    if (n < 6 || n > 37)
        return std::nullopt;
    return (n - 4) / 2;
}
inline bool IsTransmitEdit(int n) { return n % 2 == 0; }
inline int TransmitEditOf(int channel) { return 2 * channel + 4; }
inline int ReceiveEditOf(int channel) { return 2 * channel + 5; }

// Channel of power box ComboBoxM, 1..16, or nothing outside the table.
inline std::optional<int> ChannelOfCombo(int m)
{
    if (m < 4 || m > 19)
        return std::nullopt;
    return m - 3;
}
inline int ComboOf(int channel) { return channel + 3; }

// Progress in percent after sending request `step` (1..32) of a table transfer.
inline int TransferProgress(int step) { return step * 100 / 32; }

} // namespace varnel::radio
