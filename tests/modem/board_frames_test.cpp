// The board's requests byte for byte, the reply reading, and the test
// frames at their length limits.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "modem/board_frames.h"
#include "modem/modem_fixture.h"

namespace varnel::test {
namespace {

using namespace varnel::modem;

template <std::size_t N>
Bytes Of(const std::array<std::uint8_t, N>& frame)
{
    return {frame.begin(), frame.end()};
}

TEST(BoardFrames, RequestsCarryTheirFixedBytesAndSum)
{
    struct Case {
        const char* name;
        Bytes frame;
        Bytes wire;
    } const cases[] = {
        {"read board", Of(ReadBoardRequest()), B({0x55, 0xAA, 0x03, 0x23, 0x00, 0x00, 0x26})},
        {"air rate 1200", Of(AirRateRequest(AirRateCodes[0])), B({0x55, 0xAA, 0x04, 0x20, 0x05, 0x20, 0x00, 0x49})},
        {"air rate 2400", Of(AirRateRequest(AirRateCodes[1])), B({0x55, 0xAA, 0x04, 0x20, 0x05, 0x00, 0x00, 0x29})},
        {"9600 no parity", Of(SerialPortRequest(SerialSettingsByte(ParityCodes[0], BaudCodes[4]))),
         B({0x55, 0xAA, 0x03, 0x28, 0x00, 0x00, 0x2B})},
        {"4800 even parity", Of(SerialPortRequest(SerialSettingsByte(ParityCodes[2], BaudCodes[3]))),
         B({0x55, 0xAA, 0x03, 0x28, 0x31, 0x00, 0x5C})},
        {"arm transmit test", Of(TransmitTestRequest(0)), B({0x55, 0xAA, 0x04, 0x20, 0x08, 0x00, 0x00, 0x2C})},
        {"run transmit test", Of(TransmitTestRequest(1)), B({0x55, 0xAA, 0x04, 0x20, 0x08, 0x01, 0x00, 0x2D})},
        {"stop transmit test", Of(StopTestRequest()), B({0x55, 0xAA, 0x03, 0x20, 0x09, 0x00, 0x2C})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Hex(c.frame), Hex(c.wire)) << c.name;
}

TEST(BoardFrames, EverySerialSettingPacksParityHighAndBaudLow)
{
    for (std::size_t parity = 0; parity < ParityCodes.size(); ++parity) {
        for (std::size_t baud = 0; baud < BaudCodes.size(); ++baud) {
            const std::uint8_t p = SerialSettingsByte(ParityCodes[parity], BaudCodes[baud]);
            EXPECT_EQ(p, ParityCodes[parity] * 16 + BaudCodes[baud]);
            const auto frame = SerialPortRequest(p);
            EXPECT_EQ(frame[4], p);
            EXPECT_EQ(frame[5], 0x00) << "the sum of a board request stays below 0x100";
            EXPECT_EQ(frame[6], 0x2B + p);
        }
    }
}

TEST(BoardFrames, RepliesAreReadOnlyWhereTheyHaveTheBytes)
{
    struct Case {
        Bytes package;
        std::optional<std::uint8_t> code;
        std::uint8_t airRate;
    } const cases[] = {
        {B({0x55, 0xAA, 0x03, 0x23, 0x20, 0x00, 0x46}), 0x23, 0x20},
        {B({0x55, 0xAA, 0x04, 0x23, 0x00}), 0x23, 0x00},  // neither length nor sum is looked at
        {B({0x55, 0xAA, 0x04, 0x23}), std::nullopt, 0},   // no air rate byte
        {B({0x55, 0xAA, 0x23}), std::nullopt, 0},
        {B({0x55, 0xAA, 0x02, 0x20}), 0x20, 0},
        {B({0x55, 0xAA, 0x02, 0x21, 0x00, 0x23}), 0x21, 0},
        {B({0x55, 0xAB, 0x02, 0x20}), std::nullopt, 0},
    };
    for (const Case& c : cases) {
        const auto reply = ParseBoardReply(c.package);
        ASSERT_EQ(reply.has_value(), c.code.has_value()) << Hex(c.package);
        if (reply) {
            EXPECT_EQ(reply->code, *c.code) << Hex(c.package);
            EXPECT_EQ(reply->airRate, c.airRate) << Hex(c.package);
        }
    }
}

TEST(BoardFrames, AirRateCodesMapToTheListAndOthersToNothing)
{
    EXPECT_EQ(AirRateIndex(0x20), 0);
    EXPECT_EQ(AirRateIndex(0x00), 1);
    for (const int other : {0x30, 0x40, 0x80, 0xFF})
        EXPECT_FALSE(AirRateIndex(static_cast<std::uint8_t>(other)).has_value()) << other;
}

TEST(TestFrames, LengthByteCountsTheTextAndItselfUpTo256Bytes)
{
    const auto empty = BuildTestFrame("");
    ASSERT_TRUE(empty);
    EXPECT_EQ(Hex(*empty), "7E 01");

    const auto text = BuildTestFrame("Test string.");
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, TestFrame("Test string."));
    EXPECT_EQ((*text)[1], 13);

    const auto longest = BuildTestFrame(std::string(254, 'x'));
    ASSERT_TRUE(longest);
    EXPECT_EQ(longest->size(), 256u);
    EXPECT_EQ((*longest)[1], 0xFF);

    EXPECT_FALSE(BuildTestFrame(std::string(255, 'x')));
}

TEST(TestFrames, LimitIsInBytesSoWideCharactersNeverOverflowTheLengthByte)
{
    // 85 three-byte characters are 255 bytes: one too many for the length byte.
    std::string wide;
    for (int i = 0; i < 84; ++i)
        wide += "测";
    const auto fits = BuildTestFrame(wide);
    ASSERT_TRUE(fits);
    EXPECT_EQ((*fits)[1], 253);
    EXPECT_FALSE(BuildTestFrame(wide + "测"));
}

TEST(TestFrames, ReceivedTextIsEverythingFromTheThirdByte)
{
    const Bytes frame = TestFrame("abc");
    EXPECT_EQ(TestFrameText(frame), "abc");
    const Bytes shortOne = B({0x7E, 0x05, 'a'});
    EXPECT_EQ(TestFrameText(shortOne), "a") << "the length byte is not trusted";
    EXPECT_EQ(TestFrameText(B({0x7E})), "");
}

}  // namespace
}  // namespace varnel::test
