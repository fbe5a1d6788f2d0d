#include "radio_sim/board_model.h"

#include "emulator/wire_bytes.h"

#include <gtest/gtest.h>

namespace varnel::radio_sim {
namespace {

using testing::B;
using testing::Hex;

class BoardTest : public ::testing::Test {
protected:
    std::string Exchange(const std::string& hex) { return Hex(board.Handle(B(hex))); }

    BoardModel board{BoardState{{2400, Parity::None}, 0x00, TransmitTest::Off}};
};

TEST_F(BoardTest, ReadReportsTheAirDataRate)
{
    EXPECT_EQ(Exchange("55 AA 03 23 00 00 26"), "55 AA 03 23 00 00 26");
    // "1200" is code 0x20.
    EXPECT_EQ(Exchange("55 AA 04 20 05 20 00 49"), "55 AA 03 20 20 00 43");
    EXPECT_EQ(Exchange("55 AA 03 23 00 00 26"), "55 AA 03 23 20 00 46");
    // "2400" is code 0x00.
    EXPECT_EQ(Exchange("55 AA 04 20 05 00 00 29"), "55 AA 03 20 20 00 43");
    EXPECT_EQ(board.state().airRate, 0x00);
    // Codes the tool's lists do not offer are still held and reported.
    EXPECT_EQ(Exchange("55 AA 04 20 05 30 00 59"), "55 AA 03 20 20 00 43");
    EXPECT_EQ(Exchange("55 AA 03 23 00 00 26"), "55 AA 03 23 30 00 56");
}

TEST_F(BoardTest, SerialSettingsChangeAfterTheAcknowledgement)
{
    // 4800 with even parity: 0x31.
    EXPECT_EQ(Exchange("55 AA 03 28 31 00 5C"), "55 AA 03 20 28 00 4B");
    EXPECT_EQ(board.state().line, (LineSettings{4800, Parity::Even}));
    EXPECT_TRUE(board.LineMatches({4800, Parity::Even}));
    EXPECT_FALSE(board.LineMatches({2400, Parity::None}));
    EXPECT_FALSE(board.LineMatches({4800, Parity::Odd}));

    // 9600 with no parity: 0x00.
    EXPECT_EQ(Exchange("55 AA 03 28 00 00 2B"), "55 AA 03 20 28 00 4B");
    EXPECT_EQ(board.state().line, (LineSettings{9600, Parity::None}));
}

TEST_F(BoardTest, EverySettingOfTheToolsListsIsAccepted)
{
    const std::pair<unsigned, std::uint8_t> bauds[] = {{600, 4}, {1200, 3}, {2400, 2}, {4800, 1}, {9600, 0}};
    const std::pair<Parity, std::uint8_t> parities[] = {{Parity::None, 0}, {Parity::Odd, 2}, {Parity::Even, 3}};
    for (const auto& [baud, baudCode] : bauds) {
        for (const auto& [parity, parityCode] : parities) {
            const auto settings = static_cast<std::uint8_t>(parityCode * 16 + baudCode);
            Bytes frame = {0x55, 0xAA, 0x03, 0x28, settings, 0x00, static_cast<std::uint8_t>(0x2B + settings)};
            EXPECT_EQ(Hex(board.Handle(frame)), "55 AA 03 20 28 00 4B") << baud;
            EXPECT_EQ(board.state().line, (LineSettings{baud, parity}));
        }
    }
}

TEST_F(BoardTest, RefusesUnknownCodes)
{
    const LineSettings before = board.state().line;
    const std::pair<const char*, const char*> cases[] = {
        {"55 AA 03 28 06 00 31", "55 AA 03 21 28 00 4C"}, // baud code 6
        {"55 AA 03 28 12 00 3D", "55 AA 03 21 28 00 4C"}, // parity code 1
        {"55 AA 02 28 00 2A", "55 AA 03 21 28 00 4C"},    // no settings byte
        {"55 AA 04 20 05 10 00 39", "55 AA 03 21 20 00 44"}, // air rate 0x10
        {"55 AA 04 20 08 02 00 2E", "55 AA 03 21 20 00 44"}, // test register value 2
        {"55 AA 04 20 07 01 00 2C", "55 AA 03 21 20 00 44"}, // unknown register
        {"55 AA 03 20 05 00 28", "55 AA 03 21 20 00 44"},    // air rate without a value
        {"55 AA 02 26 00 28", "55 AA 03 21 26 00 4A"},       // a radio request
    };
    for (const auto& [request, reply] : cases)
        EXPECT_EQ(Exchange(request), reply) << request;
    EXPECT_EQ(board.state().line, before);
    EXPECT_EQ(board.state().airRate, 0x00);
    EXPECT_EQ(board.revision(), 0u);
}

TEST(BoardLine, LineWithoutAParityTraceMayBeEven)
{
    const BoardModel even(BoardState{{4800, Parity::Even}});
    const BoardModel none(BoardState{{4800, Parity::None}});
    const BoardModel odd(BoardState{{4800, Parity::Odd}});
    const LineSettings unclear{4800, Parity::None, true};
    const LineSettings plainNone{4800, Parity::None, false};
    EXPECT_TRUE(even.LineMatches(unclear));
    EXPECT_TRUE(none.LineMatches(unclear));
    EXPECT_FALSE(odd.LineMatches(unclear));
    EXPECT_FALSE(even.LineMatches(plainNone));
    EXPECT_TRUE(even.LineMatches({4800, Parity::Even}));
    EXPECT_FALSE(even.LineMatches({9600, Parity::None, true}));
}

TEST_F(BoardTest, TransmitTestRegisters)
{
    EXPECT_EQ(Exchange("55 AA 04 20 08 00 00 2C"), "55 AA 03 20 20 00 43");
    EXPECT_EQ(board.state().transmitTest, TransmitTest::Armed);
    EXPECT_EQ(Exchange("55 AA 04 20 08 01 00 2D"), "55 AA 03 20 20 00 43");
    EXPECT_EQ(board.state().transmitTest, TransmitTest::Running);
    EXPECT_EQ(Exchange("55 AA 03 20 09 00 2C"), "55 AA 03 20 20 00 43");
    EXPECT_EQ(board.state().transmitTest, TransmitTest::Off);
}

TEST(BoardRefusingWrites, RefusesSettingsButAnswersReads)
{
    BoardModel board(BoardState{}, true);
    EXPECT_EQ(Hex(board.Handle(B("55 AA 04 20 05 20 00 49"))), "55 AA 03 21 20 00 44");
    EXPECT_EQ(Hex(board.Handle(B("55 AA 03 28 31 00 5C"))), "55 AA 03 21 28 00 4C");
    EXPECT_EQ(Hex(board.Handle(B("55 AA 03 23 00 00 26"))), "55 AA 03 23 00 00 26");
    EXPECT_EQ(board.state().line, (LineSettings{2400, Parity::None}));
}

TEST(SharedLine, TellsBoardRequestsFromRadioRequests)
{
    const std::pair<const char*, bool> cases[] = {
        {"55 AA 03 23 00 00 26", true},                            // read board
        {"55 AA 03 28 31 00 5C", true},                            // set board serial port
        {"55 AA 02 28 00 2A", false},                              // read radio model
        {"55 AA 04 20 05 20 00 49", true},                         // air data rate
        {"55 AA 04 20 08 01 00 2D", true},                         // transmit test
        {"55 AA 03 20 09 00 2C", true},                            // stop test
        {"55 AA 04 20 14 03 00 3B", false},                        // read channel record
        {"55 AA 0C 20 03 03 43 51 25 00 48 02 25 00 01 5A", false}, // write channel record
        {"55 AA 02 26 00 28", false},
        {"55 AA 03 23 00 00 27", false},                           // not a frame
    };
    for (const auto& [frame, board] : cases)
        EXPECT_EQ(IsBoardRequest(B(frame)), board) << frame;
}

TEST(BoardCodes, MapBothWays)
{
    for (const unsigned baud : {600u, 1200u, 2400u, 4800u, 9600u}) {
        const auto code = CodeForBaud(baud);
        ASSERT_TRUE(code.has_value()) << baud;
        EXPECT_EQ(BaudForCode(*code), baud);
    }
    EXPECT_FALSE(CodeForBaud(19200).has_value());
    EXPECT_FALSE(BaudForCode(5).has_value());
    EXPECT_EQ(ParseParity("Even"), Parity::Even);
    EXPECT_EQ(ParseParity("NONE"), Parity::None);
    EXPECT_FALSE(ParseParity("evenish").has_value());
}

} // namespace
} // namespace varnel::radio_sim
