// Every row of the reply dispatch table, as data.
#include "link/reply_route.h"

#include <gtest/gtest.h>

#include <array>
#include <ostream>

namespace varnel::link {

void PrintTo(const ReplyRoute& r, std::ostream* os)
{
    *os << ToString(r.action) << " min " << r.minDataSize << " -> " << ToString(r.stateAfter);
}

namespace {

using TS = TransferState;
using RA = ReplyAction;

constexpr std::array kAllStates{TS::Idle,     TS::ReadingTable,      TS::WritingChannels, TS::WritingPowers,
                                TS::Restoring, TS::WritingPowerTable, TS::WritingSTables};

struct RouteCase {
    const char* name;
    std::uint8_t code;
    std::uint8_t item;
    TS state;
    RA action;
    std::size_t minData;
    TS after;
};

void PrintTo(const RouteCase& c, std::ostream* os) { *os << c.name; }

class RouteTable : public testing::TestWithParam<RouteCase> {};

TEST_P(RouteTable, RoutesAsTheDispatchTableSays)
{
    const RouteCase& c = GetParam();
    EXPECT_EQ(RouteReply(c.code, c.item, c.state), (ReplyRoute{c.action, c.minData, c.after}));
}

// Rows whose result depends on the state or on byte 4.
INSTANTIATE_TEST_SUITE_P(
    StateDependent, RouteTable,
    testing::Values(
        RouteCase{"record_while_reading", 0x20, 0x24, TS::ReadingTable, RA::TableRecord, 10, TS::Idle},
        RouteCase{"other_0x20_while_reading_stops", 0x20, 0x03, TS::ReadingTable, RA::TableReadStopped, 0, TS::Idle},
        RouteCase{"empty_0x20_while_reading_stops", 0x20, 0x00, TS::ReadingTable, RA::TableReadStopped, 0, TS::Idle},
        RouteCase{"ack_while_writing_channels", 0x20, 0x00, TS::WritingChannels, RA::NextChannelRecord, 0, TS::Idle},
        RouteCase{"record_code_while_writing_channels", 0x20, 0x24, TS::WritingChannels, RA::NextChannelRecord, 0,
                  TS::Idle},
        RouteCase{"ack_while_writing_powers", 0x20, 0x00, TS::WritingPowers, RA::NextChannelPower, 0, TS::Idle},
        RouteCase{"ack_while_restoring", 0x20, 0x00, TS::Restoring, RA::RestoreSucceeded, 0, TS::Idle},
        RouteCase{"ack_power_table", 0x20, 0x00, TS::WritingPowerTable, RA::TableWriteSucceeded, 0, TS::Idle},
        RouteCase{"ack_s_tables", 0x20, 0x00, TS::WritingSTables, RA::TableWriteSucceeded, 0, TS::Idle},
        RouteCase{"ack_single_write", 0x20, 0x00, TS::Idle, RA::SingleWriteAcknowledged, 0, TS::Idle},
        RouteCase{"late_record_while_idle_is_ignored", 0x20, 0x24, TS::Idle, RA::Ignore, 0, TS::Idle},
        RouteCase{"ack_echoing_write_id", 0x20, 0x32, TS::Idle, RA::SingleWriteAcknowledged, 0, TS::Idle},
        RouteCase{"refusal_while_restoring", 0x21, 0x00, TS::Restoring, RA::RestoreFailed, 0, TS::Idle},
        RouteCase{"refusal_while_idle", 0x21, 0x00, TS::Idle, RA::Ignore, 0, TS::Idle},
        RouteCase{"refusal_while_writing_channels", 0x21, 0x00, TS::WritingChannels, RA::Ignore, 0,
                  TS::WritingChannels},
        RouteCase{"refusal_keeps_power_table_state", 0x21, 0x00, TS::WritingPowerTable, RA::Ignore, 0,
                  TS::WritingPowerTable},
        RouteCase{"power_while_idle", 0x94, 0x03, TS::Idle, RA::CurrentChannelPower, 2, TS::Idle},
        RouteCase{"power_while_reading", 0x94, 0x03, TS::ReadingTable, RA::TablePower, 2, TS::Idle},
        RouteCase{"power_while_writing_channels", 0x94, 0x03, TS::WritingChannels, RA::Ignore, 0,
                  TS::WritingChannels},
        RouteCase{"power_while_writing_powers", 0x94, 0x03, TS::WritingPowers, RA::Ignore, 0, TS::WritingPowers},
        RouteCase{"power_while_restoring", 0x94, 0x03, TS::Restoring, RA::Ignore, 0, TS::Restoring}),
    [](const auto& p) { return std::string(p.param.name); });

// The 0x01 items: bit 7 echoes set/read, bit 6 reports the result.
INSTANTIATE_TEST_SUITE_P(
    Items, RouteTable,
    testing::Values(RouteCase{"block_read", 0x01, 0x41, TS::Idle, RA::CurrentBlockRead, 11, TS::Idle},
                    RouteCase{"block_set_ok", 0x01, 0xC1, TS::Idle, RA::CurrentBlockSet, 1, TS::Idle},
                    RouteCase{"block_set_failed", 0x01, 0x81, TS::Idle, RA::CurrentBlockSet, 1, TS::Idle},
                    RouteCase{"method_read", 0x01, 0x43, TS::Idle, RA::ControlMethodRead, 2, TS::Idle},
                    RouteCase{"method_set_ok", 0x01, 0xC3, TS::Idle, RA::ControlMethodSet, 1, TS::Idle},
                    RouteCase{"method_set_failed", 0x01, 0x83, TS::Idle, RA::ControlMethodSet, 1, TS::Idle},
                    RouteCase{"channel_read", 0x01, 0x44, TS::Idle, RA::SelectedChannelRead, 2, TS::Idle},
                    RouteCase{"channel_set_ok", 0x01, 0xC4, TS::Idle, RA::SelectedChannelSet, 1, TS::Idle},
                    RouteCase{"channel_set_failed", 0x01, 0x84, TS::Idle, RA::SelectedChannelSet, 1, TS::Idle},
                    RouteCase{"read_without_result_bit", 0x01, 0x01, TS::Idle, RA::Ignore, 0, TS::Idle},
                    RouteCase{"method_without_result_bit", 0x01, 0x03, TS::Idle, RA::Ignore, 0, TS::Idle},
                    RouteCase{"unknown_item_2", 0x01, 0x42, TS::Idle, RA::Ignore, 0, TS::Idle},
                    RouteCase{"unknown_item_5", 0x01, 0xC5, TS::Idle, RA::Ignore, 0, TS::Idle},
                    RouteCase{"no_item_byte", 0x01, 0x00, TS::Idle, RA::Ignore, 0, TS::Idle},
                    RouteCase{"item_while_reading_keeps_state", 0x01, 0x43, TS::ReadingTable,
                              RA::ControlMethodRead, 2, TS::ReadingTable}),
    [](const auto& p) { return std::string(p.param.name); });

struct AnyStateCase {
    std::uint8_t code;
    RA action;
    std::size_t minData;
};

// Rows that hold whatever the transfer state is; they never change it.
TEST(RouteAnyState, CodesHandledInEveryState)
{
    constexpr std::array cases{
        AnyStateCase{0x24, RA::CurrentChannel, 1},      AnyStateCase{0x26, RA::IdNumber, 2},
        AnyStateCase{0x28, RA::ModelAndVersions, 3},    AnyStateCase{0x34, RA::RxAdjustValue, 1},
        AnyStateCase{0x35, RA::ControlMethodReport, 1}, AnyStateCase{0x37, RA::SelectedChannelReport, 1},
        AnyStateCase{0x60, RA::Bandwidth, 1},           AnyStateCase{0x80, RA::SquelchLevel, 1},
        AnyStateCase{0x91, RA::Value5165, 1},           AnyStateCase{0x97, RA::PowerTable, 40},
        AnyStateCase{0x99, RA::STables, 16},            AnyStateCase{0xA2, RA::BackupCheck, 1},
    };
    for (const auto& c : cases) {
        for (const TS state : kAllStates) {
            SCOPED_TRACE(testing::Message() << "code 0x" << std::hex << int{c.code} << " in " << ToString(state));
            EXPECT_EQ(RouteReply(c.code, 0x00, state), (ReplyRoute{c.action, c.minData, state}));
        }
    }
}

// Every code the table does not name is ignored in every state, without a
// state change; so are the request-only codes echoed back by a confused peer.
TEST(RouteAnyState, UnknownCodesAreIgnored)
{
    constexpr std::array handled{0x01, 0x20, 0x21, 0x24, 0x26, 0x28, 0x34, 0x35, 0x37,
                                 0x60, 0x80, 0x91, 0x94, 0x97, 0x99, 0xA2};
    for (int code = 0; code < 256; ++code) {
        bool isHandled = false;
        for (const int h : handled)
            isHandled = isHandled || h == code;
        if (isHandled)
            continue;
        for (const TS state : kAllStates) {
            const ReplyRoute r = RouteReply(static_cast<std::uint8_t>(code), 0x24, state);
            EXPECT_EQ(r.action, RA::Ignore) << "code " << code;
            EXPECT_EQ(r.stateAfter, state) << "code " << code;
        }
    }
}

TEST(RouteAnyState, AStateValueOutsideTheEnumerationActsAsIdleWithoutChange)
{
    const auto odd = static_cast<TS>(4);
    EXPECT_EQ(RouteReply(0x20, 0x32, odd).action, RA::SingleWriteAcknowledged);
    EXPECT_EQ(RouteReply(0x20, 0x32, odd).stateAfter, odd);
    EXPECT_EQ(RouteReply(0x20, 0x24, odd).action, RA::Ignore);
    EXPECT_EQ(RouteReply(0x94, 0x01, odd).action, RA::Ignore);
}

TEST(CarriesEnough, ShortRepliesAreRefusedAndIgnoredOnesNeverPass)
{
    const ReplyRoute record = RouteReply(0x20, 0x24, TS::ReadingTable);
    EXPECT_FALSE(CarriesEnough(record, 9)); // sub-code, channel and seven record bytes
    EXPECT_TRUE(CarriesEnough(record, 10));
    EXPECT_TRUE(CarriesEnough(RouteReply(0x20, 0x00, TS::WritingChannels), 0)); // bare acknowledgement
    EXPECT_FALSE(CarriesEnough(RouteReply(0x97, 0x00, TS::Idle), 39));
    EXPECT_FALSE(CarriesEnough(RouteReply(0x01, 0x41, TS::Idle), 10));
    EXPECT_FALSE(CarriesEnough(RouteReply(0x55, 0x00, TS::Idle), 255));
}

TEST(ByteCounter, SaturatesInsteadOfOverflowing)
{
    ByteCounter counter;
    counter.add(6);
    counter.add(8);
    EXPECT_EQ(counter.value(), 14);

    // Past the 32-bit range the count goes on.
    counter.preset(0x7FFFFFFF);
    counter.add(1);
    EXPECT_EQ(counter.value(), 0x80000000LL);

    constexpr auto max = std::numeric_limits<ByteCounter::value_type>::max();
    counter.preset(max - 3);
    counter.add(2);
    EXPECT_EQ(counter.value(), max - 1);
    counter.add(1024);
    EXPECT_EQ(counter.value(), max);
    counter.add(std::numeric_limits<std::size_t>::max());
    EXPECT_EQ(counter.value(), max);
}

} // namespace
} // namespace varnel::link
