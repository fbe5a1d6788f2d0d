// Conversions, patterns, rasters and control numbering of the channel table.
#include "radio/channel_values.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace varnel::radio {
namespace {

struct RasterCase {
    double mhz;
    const char* shown;
};

TEST(SnapToRaster, NearerRasterWinsAndTiesGoTo6_25kHz)
{
    constexpr std::array cases{
        RasterCase{435.121, "435.12000"},  // 5 kHz nearer
        RasterCase{435.119, "435.11875"},  // 6.25 kHz nearer
        RasterCase{435.1234, "435.12500"}, // both agree
        RasterCase{419.999, "420.00000"},  // tie, both give 420
        RasterCase{450.0123, "450.01250"},
        RasterCase{136.0, "136.00000"},
        RasterCase{435.11875, "435.11875"}, // already on a raster: unchanged
        RasterCase{435.12, "435.12000"},
    };
    for (const auto& c : cases) {
        const double snapped = SnapToRaster(c.mhz * 100000) * 0.00001;
        EXPECT_EQ(FormatMHz(snapped), c.shown) << c.mhz;
    }
}

TEST(SnapToRaster, ResultIsAMultipleOfOneRaster)
{
    for (double mhz = 400.0; mhz < 400.1; mhz += 0.00037) {
        const double units = SnapToRaster(mhz * 100000);
        const auto whole = static_cast<long long>(std::llround(units));
        EXPECT_TRUE(whole % 500 == 0 || whole % 625 == 0) << mhz;
        EXPECT_LE(std::fabs(units - mhz * 100000), 313) << mhz;
    }
}

TEST(FormatMHz, ThreeIntegerDigitsAndFiveDecimals)
{
    EXPECT_EQ(FormatMHz(435.125), "435.12500");
    EXPECT_EQ(FormatMHz(5.0), "005.00000");
    EXPECT_EQ(FormatMHz(0.0), "000.00000");
    EXPECT_EQ(FormatMHz(0.00001), "000.00001");
    EXPECT_EQ(FormatMHz(42904.57296), "42904.57296");
    EXPECT_EQ(FormatMHz(-5.0), "-005.00000");
}

TEST(FormatId, FiveDigitsWithLeadingZeros)
{
    EXPECT_EQ(FormatId(12345), "12345");
    EXPECT_EQ(FormatId(7), "00007");
    EXPECT_EQ(FormatId(0), "00000");
    EXPECT_EQ(FormatId(65535), "65535");
    EXPECT_EQ(FormatId(123456), "123456");
    EXPECT_EQ(FormatId(-5), "-00005");
    EXPECT_EQ(FormatId(INT64_MIN), "-9223372036854775808");
}

TEST(TextToInt, PlatformIntegerSyntax)
{
    EXPECT_EQ(TextToInt("12345"), 12345);
    EXPECT_EQ(TextToInt(" 42 "), 42);
    EXPECT_EQ(TextToInt("+7"), 7);
    EXPECT_EQ(TextToInt("-5"), -5);
    EXPECT_EQ(TextToInt("2147483647"), 2147483647);
    EXPECT_EQ(TextToInt("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", " ", "12a", "a", "-", "+", "1 2", "1.5", "2147483648", "99999999999999999999", "--1",
                            "0x10"})
        EXPECT_FALSE(TextToInt(bad).has_value()) << '"' << bad << '"';
}

TEST(TextToFloat, PlatformFloatSyntax)
{
    EXPECT_DOUBLE_EQ(*TextToFloat("435.125"), 435.125);
    EXPECT_DOUBLE_EQ(*TextToFloat(" 1e2 "), 100.0);
    EXPECT_DOUBLE_EQ(*TextToFloat(".5"), 0.5);
    EXPECT_DOUBLE_EQ(*TextToFloat("5."), 5.0);
    EXPECT_DOUBLE_EQ(*TextToFloat("-3"), -3.0);
    EXPECT_DOUBLE_EQ(*TextToFloat("+3"), 3.0);
    for (const char* bad : {"", "a", "4a", "435,125", "inf", "nan", "-inf", "1e999", "+-1", "0x1p3", "."})
        EXPECT_FALSE(TextToFloat(bad).has_value()) << '"' << bad << '"';
}

TEST(TrimBlanks, SpacesAndControlCharacters)
{
    EXPECT_EQ(TrimBlanks("  435.1\t\r\n"), "435.1");
    EXPECT_EQ(TrimBlanks("\x01x\x7f"), "x");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks("a b"), "a b");
}

TEST(Limits, ByHardwareVersion)
{
    EXPECT_EQ(LimitsForHardware("4.0").upperMHz, 500.0);
    EXPECT_EQ(LimitsForHardware("4.0").lowerMHz, 420.0);
    for (const char* other : {"3.1", "4.1", "", "4.00"}) {
        EXPECT_EQ(LimitsForHardware(other).upperMHz, 174.0) << other;
        EXPECT_EQ(LimitsForHardware(other).lowerMHz, 136.0) << other;
    }
}

TEST(Numbering, ControlsAddressedByTheNumberInTheirNames)
{
    EXPECT_EQ(NumberAfter("Edit17", "Edit"), 17);
    EXPECT_EQ(NumberAfter("ComboBox19", "ComboBox"), 19);
    EXPECT_FALSE(NumberAfter("Edit", "Edit").has_value());
    EXPECT_FALSE(NumberAfter("Label5", "Edit").has_value());
    EXPECT_FALSE(NumberAfter("Edit6x", "Edit").has_value());

    for (int c = 1; c <= kChannelCount; ++c) {
        EXPECT_EQ(ChannelOfEdit(TransmitEditOf(c)), c);
        EXPECT_EQ(ChannelOfEdit(ReceiveEditOf(c)), c);
        EXPECT_TRUE(IsTransmitEdit(TransmitEditOf(c)));
        EXPECT_FALSE(IsTransmitEdit(ReceiveEditOf(c)));
        EXPECT_EQ(ChannelOfCombo(ComboOf(c)), c);
    }
    EXPECT_FALSE(ChannelOfEdit(5).has_value());
    EXPECT_FALSE(ChannelOfEdit(38).has_value());
    EXPECT_FALSE(ChannelOfCombo(3).has_value());
    EXPECT_FALSE(ChannelOfCombo(20).has_value());
}

TEST(Numbering, ProgressValues)
{
    constexpr std::array records{6, 9, 12, 15, 18, 21, 25, 28, 31, 34, 37, 40, 43, 46, 50};
    for (int c = 2; c <= 16; ++c)
        EXPECT_EQ(TransferProgress(c), records[static_cast<std::size_t>(c - 2)]) << c;
    EXPECT_EQ(TransferProgress(2 + 16), 56);
    EXPECT_EQ(TransferProgress(3 + 16), 59);
    EXPECT_EQ(TransferProgress(16 + 15), 96);
    EXPECT_EQ(TransferProgress(32), 100);
}

} // namespace
} // namespace varnel::radio
