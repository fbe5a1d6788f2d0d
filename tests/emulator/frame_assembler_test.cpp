#include "radio_sim/frame_assembler.h"

#include "emulator/wire_bytes.h"

#include <gtest/gtest.h>

#include <string>

namespace varnel::radio_sim {
namespace {

using testing::B;
using testing::Hex;

std::vector<std::string> Texts(const std::vector<StreamItem>& items)
{
    std::vector<std::string> out;
    for (const auto& item : items)
        out.push_back((item.kind == ItemKind::TestFrame ? "T " : "R ") + Hex(item.bytes));
    return out;
}

using Texts_t = std::vector<std::string>;

TEST(FrameAssembler, FrameArrivingByteByByteIsRecognisedAtItsLastByte)
{
    FrameAssembler assembler;
    const Bytes frame = B("55 AA 0C 20 03 03 43 51 25 00 48 02 25 00 01 5A");
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) {
        ASSERT_TRUE(assembler.Feed(std::span(&frame[i], 1)).empty()) << i;
        EXPECT_TRUE(assembler.HasPartial());
    }
    EXPECT_EQ(Texts(assembler.Feed(std::span(&frame.back(), 1))), Texts_t{"R " + Hex(frame)});
    EXPECT_FALSE(assembler.HasPartial());
}

TEST(FrameAssembler, StreamCases)
{
    struct Case {
        const char* name;
        std::vector<const char*> pieces;
        Texts_t expected;
    };
    const Case cases[] = {
        {"garbage before a frame", {"00 13 FE 55 00 AA 55 AA 02 28 00 2A"}, {"R 55 AA 02 28 00 2A"}},
        {"two frames in one piece", {"55 AA 02 28 00 2A 55 AA 02 26 00 28"}, {"R 55 AA 02 28 00 2A", "R 55 AA 02 26 00 28"}},
        {"bad sum gives way to the frame behind it", {"55 AA 02 28 00 2B 55 AA 02 26 00 28"}, {"R 55 AA 02 26 00 28"}},
        {"LEN below 2 is no frame", {"55 AA 01 55 AA 02 24 00 26"}, {"R 55 AA 02 24 00 26"}},
        {"split across pieces", {"55", "AA 04 20", "14 03 00", "3B"}, {"R 55 AA 04 20 14 03 00 3B"}},
        {"preamble bytes inside data", {"55 AA 04 01 55 AA 01 04"}, {"R 55 AA 04 01 55 AA 01 04"}},
        {"test frames are garbage on a radio line", {"7E 03 41 42 55 AA 02 28 00 2A"}, {"R 55 AA 02 28 00 2A"}},
    };
    for (const auto& c : cases) {
        FrameAssembler assembler;
        Texts_t got;
        for (const char* piece : c.pieces) {
            for (const auto& text : Texts(assembler.Feed(B(piece))))
                got.push_back(text);
        }
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

TEST(FrameAssembler, TornFrameIsGivenUpWhenTheLineGoesQuiet)
{
    FrameAssembler assembler;
    // A frame head that never completes (LEN 0x0C), then a whole request.
    EXPECT_TRUE(assembler.Feed(B("55 AA 0C 20")).empty());
    EXPECT_TRUE(assembler.Feed(B("55 AA 02 28 00 2A")).empty()) << "still inside the first candidate";
    EXPECT_EQ(Texts(assembler.DropPartial()), Texts_t{"R 55 AA 02 28 00 2A"});
    EXPECT_FALSE(assembler.HasPartial());
    EXPECT_EQ(assembler.skippedBytes(), 4u);
}

TEST(FrameAssembler, ModemLineCutsTestFramesWhole)
{
    FrameAssembler assembler(true);
    // "Test string." and a text that itself looks like a request.
    EXPECT_EQ(Texts(assembler.Feed(B("7E 0D 54 65 73 74 20 73 74 72 69 6E 67 2E"))),
              Texts_t{"T 7E 0D 54 65 73 74 20 73 74 72 69 6E 67 2E"});
    EXPECT_EQ(Texts(assembler.Feed(B("7E 07 55 AA 02 28 00 2A"))), Texts_t{"T 7E 07 55 AA 02 28 00 2A"});
    // Requests and test frames mixed, in pieces.
    Texts_t got;
    for (const char* piece : {"55 AA 03 23 00", "00 26 7E", "03 41", "42 55 AA 03 28 31 00 5C"}) {
        for (const auto& t : Texts(assembler.Feed(B(piece))))
            got.push_back(t);
    }
    EXPECT_EQ(got, (Texts_t{"R 55 AA 03 23 00 00 26", "T 7E 03 41 42", "R 55 AA 03 28 31 00 5C"}));
    // The empty text is a 2-byte frame; a length byte of 0 is stray.
    EXPECT_EQ(Texts(assembler.Feed(B("7E 00 7E 01"))), Texts_t{"T 7E 01"});
}

TEST(FrameAssembler, LongestTestFrameIs256Bytes)
{
    FrameAssembler assembler(true);
    Bytes frame = {0x7E, 0xFF};
    frame.resize(256, 'x');
    const auto items = assembler.Feed(frame);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].bytes.size(), 256u);
}

TEST(FrameAssembler, SecondRadioLineTakesOnlyTestFrames)
{
    FrameAssembler assembler(true, false);
    EXPECT_EQ(Texts(assembler.Feed(B("55 AA 02 28 00 2A 7E 02 41"))), Texts_t{"T 7E 02 41"});
}

} // namespace
} // namespace varnel::radio_sim
