#include "radio_sim/radio_model.h"

#include "emulator/wire_bytes.h"

#include <gtest/gtest.h>

namespace varnel::radio_sim {
namespace {

using testing::B;
using testing::Hex;
using testing::Sealed;

struct ExchangeCase {
    const char* name;
    const char* request;
    const char* reply;
};

// A radio with known contents: channel 1 = 430/440 MHz at 2 W, channel 3 =
// 435.125/435.125 MHz at 3 W, squelch closed, 12.5 kHz, software control.
class RadioTest : public ::testing::Test {
protected:
    static RadioState KnownState()
    {
        RadioState s = DefaultRadioState(kUhfBand);
        s.id = 12345;
        s.channels[0] = {43000000, 44000000, 2};
        s.channels[2] = {43512500, 43512500, 3};
        s.currentChannel = 1;
        s.savedChannel = 1;
        s.running = s.channels[0];
        s.squelch = 0x55;
        s.bandwidth = 1;
        s.controlMethod = ControlMethod::Software;
        s.calibration.rxAdjust = 100;
        s.calibration.value5165 = 200;
        s.backup = s.calibration;
        return s;
    }

    std::string Exchange(const Bytes& request) { return Hex(radio.Handle(request)); }
    std::string Exchange(const std::string& hex) { return Exchange(B(hex)); }

    RadioModel radio{RadioConfig{}, KnownState()};
};

TEST_F(RadioTest, AnswersEveryReadWithItsReplyLayout)
{
    const ExchangeCase cases[] = {
        {"model and versions", "55 AA 02 28 00 2A", "55 AA 05 28 20 40 21 00 AE"},
        {"ID high byte first", "55 AA 02 26 00 28", "55 AA 04 26 30 39 00 93"},
        {"current channel", "55 AA 02 24 00 26", "55 AA 03 24 01 00 28"},
        {"channel 3 record with rx offset", "55 AA 04 20 14 03 00 3B",
         "55 AA 0C 20 24 03 43 51 25 00 48 02 25 00 01 7B"},
        {"channel 3 power", "55 AA 03 94 03 00 9A", "55 AA 04 94 03 03 00 9E"},
        {"squelch closed", "55 AA 02 80 00 82", "55 AA 03 80 55 00 D8"},
        {"bandwidth 12.5k", "55 AA 02 60 00 62", "55 AA 03 60 01 00 64"},
        {"control method item 3", "55 AA 03 01 03 00 07", "55 AA 04 01 43 55 00 9D"},
        {"selected channel item 4", "55 AA 03 01 04 00 08", "55 AA 04 01 44 01 00 4A"},
        {"current block item 1, rx without offset", "55 AA 04 01 01 00 00 06",
         "55 AA 0D 01 41 01 43 00 00 00 44 00 00 00 02 00 D9"},
        {"rx adjust", "55 AA 02 34 00 36", "55 AA 03 34 64 00 9B"},
        {"5165", "55 AA 02 91 00 93", "55 AA 03 91 C8 01 5C"},
        {"backup valid", "55 AA 02 A2 00 A4", "55 AA 03 A2 FF 01 A4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Exchange(c.request), c.reply) << c.name;
    EXPECT_EQ(radio.revision(), 0u) << "reads change nothing";
}

TEST_F(RadioTest, TableReadsReturnEveryByte)
{
    auto& cal = radio.mutableState().calibration;
    for (std::size_t i = 0; i < 16; ++i)
        cal.sTables[i] = static_cast<std::uint8_t>(i + 1);
    for (std::size_t i = 0; i < 40; ++i)
        cal.powerTable[i] = static_cast<std::uint8_t>(0xC0 + i);

    const Bytes s = radio.Handle(B("55 AA 02 99 00 9B"));
    ASSERT_EQ(s.size(), 22u);
    EXPECT_EQ(Hex(s), Hex(Sealed("55 AA 12 99 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10")));

    const Bytes p = radio.Handle(B("55 AA 02 97 00 99"));
    ASSERT_EQ(p.size(), 46u);
    EXPECT_EQ(p[2], 0x2A);
    EXPECT_EQ(p[4], 0xC0) << "box Edit60 comes from byte 4";
    EXPECT_EQ(p[43], 0xE7) << "box Edit99 comes from byte 43";
}

TEST_F(RadioTest, WritesAreAcknowledgedAndTakeEffect)
{
    const ExchangeCase cases[] = {
        {"ID 12345 -> 4660", "55 AA 04 32 12 34 00 7C", "55 AA 03 20 32 00 55"},
        {"channel 3 435.125/435.125", "55 AA 0C 20 03 03 43 51 25 00 48 02 25 00 01 5A", "55 AA 03 20 20 00 43"},
        {"power of channel 3 := 5", "55 AA 04 95 03 05 00 A1", "55 AA 03 20 95 00 B8"},
        {"squelch level 2", "55 AA 03 70 02 00 75", "55 AA 03 20 70 00 93"},
        {"bandwidth 25k", "55 AA 03 50 00 00 53", "55 AA 03 20 50 00 73"},
        {"control method hardware", "55 AA 04 01 83 00 00 88", "55 AA 03 01 C3 00 C7"},
        {"rx adjust 100 -> -1", "55 AA 03 33 FF 01 35", "55 AA 03 20 33 00 56"},
        {"5165 200 -> 0", "55 AA 03 90 00 00 93", "55 AA 03 20 90 00 B3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Exchange(c.request), c.reply) << c.name;

    const RadioState& s = radio.state();
    EXPECT_EQ(s.id, 0x1234);
    EXPECT_EQ(s.channels[2], (Channel{43512500, 43512500, 5}));
    EXPECT_EQ(s.squelch, 2);
    EXPECT_EQ(s.bandwidth, 0);
    EXPECT_EQ(s.controlMethod, ControlMethod::Hardware);
    EXPECT_EQ(s.calibration.rxAdjust, 0xFF);
    EXPECT_EQ(s.calibration.value5165, 0);

    EXPECT_EQ(Exchange("55 AA 02 26 00 28"), "55 AA 04 26 12 34 00 70");
    EXPECT_EQ(Exchange("55 AA 02 80 00 82"), "55 AA 03 80 02 00 85");
    EXPECT_EQ(Exchange("55 AA 03 01 03 00 07"), "55 AA 04 01 43 00 00 48");
}

TEST_F(RadioTest, ToolRequestImagesAreCarriedOut)
{
    // Request images exactly as the tool sends them.
    EXPECT_EQ(Exchange("55 AA 03 70 55 00 C8"), "55 AA 03 20 70 00 93");
    EXPECT_EQ(radio.state().squelch, 0x55);
    EXPECT_EQ(Exchange("55 AA 03 50 01 00 54"), "55 AA 03 20 50 00 73");
    EXPECT_EQ(radio.state().bandwidth, 1);
    EXPECT_EQ(Exchange("55 AA 04 01 83 55 00 DD"), "55 AA 03 01 C3 00 C7");
    EXPECT_EQ(radio.state().controlMethod, ControlMethod::Software);
    EXPECT_EQ(Exchange("55 AA 03 33 64 00 9A"), "55 AA 03 20 33 00 56");
    EXPECT_EQ(radio.state().calibration.rxAdjust, 100);
    EXPECT_EQ(Exchange("55 AA 03 90 C8 01 5B"), "55 AA 03 20 90 00 B3");
    EXPECT_EQ(radio.state().calibration.value5165, 200);
    EXPECT_EQ(Exchange(Sealed("55 AA 12 98 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00")), "55 AA 03 20 98 00 BB");
    EXPECT_EQ(radio.state().calibration.sTables, (std::array<std::uint8_t, 16>{}));
}

TEST_F(RadioTest, WritingAllChannelsReadsBackTheSameRecords)
{
    for (unsigned c = 1; c <= 16; ++c) {
        // 420.00000 + c MHz transmit, 499.00000 - c MHz receive, on-air + 45.1 MHz.
        const unsigned tx = 42000000 + c * 100000;
        const unsigned rxOnAir = 49900000 - c * 100000 + 4510000;
        char hex[128];
        std::snprintf(hex, sizeof hex, "55 AA 0C 20 03 %02X %02u %02u %02u %02u %02u %02u %02u %02u", c, tx / 1000000,
                      tx / 10000 % 100, tx / 100 % 100, tx % 100, rxOnAir / 1000000, rxOnAir / 10000 % 100,
                      rxOnAir / 100 % 100, rxOnAir % 100);
        // BCD bytes are written as decimal pairs: a "%02u" pair reads as hex.
        ASSERT_EQ(Exchange(Sealed(hex)), "55 AA 03 20 20 00 43") << c;
        std::snprintf(hex, sizeof hex, "55 AA 04 95 %02X %02X", c, (c - 1) % 5 + 1);
        ASSERT_EQ(Exchange(Sealed(hex)), "55 AA 03 20 95 00 B8") << c;
    }
    for (unsigned c = 1; c <= 16; ++c) {
        const unsigned tx = 42000000 + c * 100000;
        const unsigned rxOnAir = 49900000 - c * 100000 + 4510000;
        char req[64], rec[128], pw[64];
        std::snprintf(req, sizeof req, "55 AA 04 20 14 %02X", c);
        std::snprintf(rec, sizeof rec, "55 AA 0C 20 24 %02X %02u %02u %02u %02u %02u %02u %02u %02u", c,
                      tx / 1000000, tx / 10000 % 100, tx / 100 % 100, tx % 100, rxOnAir / 1000000,
                      rxOnAir / 10000 % 100, rxOnAir / 100 % 100, rxOnAir % 100);
        EXPECT_EQ(Exchange(Sealed(req)), Hex(Sealed(rec))) << c;
        std::snprintf(req, sizeof req, "55 AA 03 94 %02X", c);
        std::snprintf(pw, sizeof pw, "55 AA 04 94 %02X %02X", c, (c - 1) % 5 + 1);
        EXPECT_EQ(Exchange(Sealed(req)), Hex(Sealed(pw))) << c;
    }
}

TEST_F(RadioTest, RefusesWhatItCannotHold)
{
    const RadioState before = radio.state();
    const ExchangeCase cases[] = {
        {"channel 17 record", "55 AA 0C 20 03 11 43 51 25 00 48 02 25 00 01 68", "55 AA 03 21 20 00 44"},
        {"channel 0 read", "55 AA 04 20 14 00 00 38", "55 AA 03 21 20 00 44"},
        {"tx 501 MHz on UHF", "55 AA 0C 20 03 03 50 10 00 00 48 02 25 00 01 01", "55 AA 03 21 20 00 44"},
        {"tx 419.99 MHz on UHF", "55 AA 0C 20 03 03 41 99 90 00 48 02 25 00 02 0B", "55 AA 03 21 20 00 44"},
        {"rx on air below the offset", "55 AA 0C 20 03 03 43 51 25 00 00 00 00 00 00 EB", "55 AA 03 21 20 00 44"},
        {"non-decimal BCD nibble", "55 AA 0C 20 03 03 43 5A 25 00 48 02 25 00 01 63", "55 AA 03 21 20 00 44"},
        {"unknown channel sub-code", "55 AA 04 20 15 03 00 3C", "55 AA 03 21 20 00 44"},
        {"power 0", "55 AA 04 95 03 00 00 9C", "55 AA 03 21 95 00 B9"},
        {"power 6", "55 AA 04 95 03 06 00 A2", "55 AA 03 21 95 00 B9"},
        {"power of channel 17", "55 AA 04 95 11 01 00 AB", "55 AA 03 21 95 00 B9"},
        {"read power of channel 0", "55 AA 03 94 00 00 97", "55 AA 03 21 94 00 B8"},
        {"squelch 0", "55 AA 03 70 00 00 73", "55 AA 03 21 70 00 94"},
        {"squelch 6", "55 AA 03 70 06 00 79", "55 AA 03 21 70 00 94"},
        {"bandwidth 2", "55 AA 03 50 02 00 55", "55 AA 03 21 50 00 74"},
        {"ID write without data", "55 AA 02 32 00 34", "55 AA 03 21 32 00 56"},
        {"S tables one byte short", "55 AA 11 98 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 A9",
         "55 AA 03 21 98 00 BC"},
        {"backup with the wrong key", "55 AA 04 A1 AA 81 01 D0", "55 AA 03 21 A1 00 C5"},
        {"unknown command", "55 AA 02 42 00 44", "55 AA 03 21 42 00 66"},
        {"selected channel 17", "55 AA 05 01 84 01 11 00 9C", "55 AA 03 01 84 00 88"},
        {"control method 0x12", "55 AA 04 01 83 12 00 9A", "55 AA 03 01 83 00 87"},
        {"current block at 136 MHz on UHF",
         "55 AA 0E 01 81 00 01 13 60 00 00 43 51 25 00 03 01 C0", "55 AA 03 01 81 00 85"},
        {"current block with power 0",
         "55 AA 0E 01 81 00 01 43 51 25 00 43 51 25 00 00 02 03", "55 AA 03 01 81 00 85"},
        {"set of an unknown item", "55 AA 04 01 85 00 00 8A", "55 AA 03 01 85 00 89"},
        // Bit 6 clear on a read: the tool ignores it.
        {"read of an unknown item", "55 AA 03 01 05 00 09", "55 AA 03 01 05 00 09"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Exchange(c.request), c.reply) << c.name;
    EXPECT_EQ(radio.state().channels, before.channels);
    EXPECT_EQ(radio.state().squelch, before.squelch);
    EXPECT_EQ(radio.state().id, before.id);
    EXPECT_EQ(radio.state().currentChannel, before.currentChannel);
    EXPECT_EQ(radio.state().calibration, before.calibration);
    EXPECT_EQ(radio.revision(), 0u);
}

TEST_F(RadioTest, NotAFrameGetsNoReply)
{
    EXPECT_TRUE(radio.Handle(B("55 AA 02 28 00 2B")).empty());
    EXPECT_TRUE(radio.Handle(B("55 AA 02 28 00")).empty());
    EXPECT_TRUE(radio.Handle({}).empty());
}

TEST_F(RadioTest, SelectedChannelWithoutSaveChangesOnlyTheRunningChannel)
{
    // CH7 with "Without save" ticked.
    EXPECT_EQ(Exchange("55 AA 05 01 84 00 07 00 91"), "55 AA 03 01 C4 00 C8");
    EXPECT_EQ(radio.state().currentChannel, 7);
    EXPECT_EQ(radio.state().savedChannel, 1);
    EXPECT_EQ(radio.state().running, radio.state().channels[6]);
    EXPECT_EQ(Exchange("55 AA 02 24 00 26"), "55 AA 03 24 07 00 2E");
    EXPECT_EQ(Exchange("55 AA 03 01 04 00 08"), "55 AA 04 01 44 07 00 50");

    // CH3 with save.
    EXPECT_EQ(Exchange("55 AA 05 01 84 01 03 00 8E"), "55 AA 03 01 C4 00 C8");
    EXPECT_EQ(radio.state().currentChannel, 3);
    EXPECT_EQ(radio.state().savedChannel, 3);
}

TEST_F(RadioTest, CurrentBlockWithoutSaveLeavesTheTableAlone)
{
    const Channel stored = radio.state().channels[0];
    // 435.12500 / 435.12500 MHz, 3 W, "Without save" ticked (save byte 0).
    EXPECT_EQ(Exchange("55 AA 0E 01 81 00 00 43 51 25 00 43 51 25 00 03 02 05"), "55 AA 03 01 C1 00 C5");
    EXPECT_EQ(radio.state().channels[0], stored);
    EXPECT_EQ(radio.state().running, (Channel{43512500, 43512500, 3}));
    EXPECT_EQ(Exchange("55 AA 04 01 01 00 00 06"), "55 AA 0D 01 41 01 43 51 25 00 43 51 25 00 03 01 C5");
    // The channel record still holds what was stored.
    EXPECT_EQ(Exchange("55 AA 04 20 14 01 00 39"), "55 AA 0C 20 24 01 43 00 00 00 48 51 00 00 01 2D");

    // Going back to the channel takes its stored values again.
    EXPECT_EQ(Exchange("55 AA 05 01 84 00 01 00 8B"), "55 AA 03 01 C4 00 C8");
    EXPECT_EQ(radio.state().running, stored);
}

TEST_F(RadioTest, CurrentBlockWithSaveWritesTheChannelInUse)
{
    // The tool's example: 435.125/435.125 MHz, "3W", "Without save" clear.
    EXPECT_EQ(Exchange("55 AA 0E 01 81 00 01 43 51 25 00 43 51 25 00 03 02 06"), "55 AA 03 01 C1 00 C5");
    EXPECT_EQ(radio.state().channels[0], (Channel{43512500, 43512500, 3}));
    EXPECT_EQ(Exchange("55 AA 04 20 14 01 00 39"), "55 AA 0C 20 24 01 43 51 25 00 48 02 25 00 01 79");
}

TEST_F(RadioTest, WritingTheChannelInUseRetunesIt)
{
    // Channel 1 := 435.125/435.125, power 4.
    EXPECT_EQ(Exchange("55 AA 0C 20 03 01 43 51 25 00 48 02 25 00 01 58"), "55 AA 03 20 20 00 43");
    EXPECT_EQ(Exchange("55 AA 04 95 01 04 00 9E"), "55 AA 03 20 95 00 B8");
    EXPECT_EQ(radio.state().running, (Channel{43512500, 43512500, 4}));
}

TEST_F(RadioTest, BackupCheckAndRestore)
{
    const Calibration original = radio.state().calibration;
    EXPECT_EQ(Exchange("55 AA 04 A1 81 AA 01 D0"), "55 AA 03 20 A1 00 C4");
    EXPECT_EQ(Exchange("55 AA 03 33 01 00 37"), "55 AA 03 20 33 00 56");
    EXPECT_EQ(Exchange(Sealed("55 AA 12 98 09 09 09 09 09 09 09 09 09 09 09 09 09 09 09 09")), "55 AA 03 20 98 00 BB");
    EXPECT_NE(radio.state().calibration, original);

    EXPECT_EQ(Exchange("55 AA 02 A2 00 A4"), "55 AA 03 A2 FF 01 A4");
    EXPECT_EQ(Exchange("55 AA 04 A0 AA 81 01 CF"), "55 AA 03 20 A0 00 C3");
    EXPECT_EQ(radio.state().calibration, original);
}

TEST(RadioWithoutBackup, ReportsInvalidAndRefusesRestore)
{
    RadioState state = DefaultRadioState(kUhfBand);
    state.backup.reset();
    RadioModel radio(RadioConfig{}, state);
    EXPECT_EQ(Hex(radio.Handle(B("55 AA 02 A2 00 A4"))), "55 AA 03 A2 00 00 A5");
    EXPECT_EQ(Hex(radio.Handle(B("55 AA 04 A0 AA 81 01 CF"))), "55 AA 03 21 A0 00 C4");
    EXPECT_EQ(Hex(radio.Handle(B("55 AA 04 A1 81 AA 01 D0"))), "55 AA 03 20 A1 00 C4");
    EXPECT_EQ(Hex(radio.Handle(B("55 AA 02 A2 00 A4"))), "55 AA 03 A2 FF 01 A4");
}

TEST(RadioRefusingWrites, RefusesEveryWriteButStillReads)
{
    RadioConfig config;
    config.refuseWrites = true;
    RadioModel radio(config);
    const RadioState before = radio.state();
    const std::pair<const char*, const char*> cases[] = {
        {"55 AA 04 32 30 39 00 9F", "55 AA 03 21 32 00 56"},
        {"55 AA 0C 20 03 03 43 51 25 00 48 02 25 00 01 5A", "55 AA 03 21 20 00 44"},
        {"55 AA 04 95 03 05 00 A1", "55 AA 03 21 95 00 B9"},
        {"55 AA 03 70 55 00 C8", "55 AA 03 21 70 00 94"},
        {"55 AA 03 50 01 00 54", "55 AA 03 21 50 00 74"},
        {"55 AA 03 33 64 00 9A", "55 AA 03 21 33 00 57"},
        {"55 AA 03 90 C8 01 5B", "55 AA 03 21 90 00 B4"},
        {"55 AA 04 A1 81 AA 01 D0", "55 AA 03 21 A1 00 C5"},
        {"55 AA 04 A0 AA 81 01 CF", "55 AA 03 21 A0 00 C4"},
        {"55 AA 04 01 83 55 00 DD", "55 AA 03 01 83 00 87"},
        {"55 AA 05 01 84 00 07 00 91", "55 AA 03 01 84 00 88"},
        {"55 AA 0E 01 81 00 01 43 51 25 00 43 51 25 00 03 02 06", "55 AA 03 01 81 00 85"},
    };
    for (const auto& [request, reply] : cases)
        EXPECT_EQ(Hex(radio.Handle(B(request))), reply) << request;
    EXPECT_EQ(radio.state().channels, before.channels);
    EXPECT_EQ(radio.state().id, before.id);
    EXPECT_EQ(Hex(radio.Handle(B("55 AA 02 28 00 2A"))), "55 AA 05 28 20 40 21 00 AE");
}

TEST(RadioVhf, UsesTheVhfBandOfHardware31)
{
    RadioConfig config;
    config.hardware = 0x31;
    RadioModel radio(config);
    EXPECT_EQ(Hex(radio.Handle(B("55 AA 02 28 00 2A"))), "55 AA 05 28 20 31 21 00 9F");
    for (const auto& ch : radio.state().channels) {
        EXPECT_TRUE(kVhfBand.Contains(ch.txUnits));
        EXPECT_TRUE(kVhfBand.Contains(ch.rxUnits));
    }
    // 150.00000 MHz accepted, 435.12500 refused.
    EXPECT_EQ(Hex(radio.Handle(Sealed("55 AA 0C 20 03 02 15 00 00 00 19 51 00 00"))), "55 AA 03 20 20 00 43");
    EXPECT_EQ(Hex(radio.Handle(B("55 AA 0C 20 03 03 43 51 25 00 48 02 25 00 01 5A"))), "55 AA 03 21 20 00 44");
    // Band edges are inside: 136.00000 and 174.00000 MHz.
    EXPECT_EQ(Hex(radio.Handle(Sealed("55 AA 0C 20 03 02 13 60 00 00 21 91 00 00"))), "55 AA 03 20 20 00 43");
}

TEST(RadioOtherModel, ReportsItsModelByte)
{
    RadioConfig config;
    config.model = 0x21;
    RadioModel radio(config);
    EXPECT_EQ(Hex(radio.Handle(B("55 AA 02 28 00 2A"))), "55 AA 05 28 21 40 21 00 AF");
}

TEST_F(RadioTest, UnsolicitedReportsCarryTheCurrentValues)
{
    EXPECT_EQ(Hex(radio.ControlMethodReport()), "55 AA 03 35 55 00 8D");
    EXPECT_EQ(Hex(radio.SelectedChannelReport()), "55 AA 03 37 01 00 3B");
    radio.Handle(B("55 AA 04 01 83 00 00 88"));
    radio.Handle(B("55 AA 05 01 84 00 07 00 91"));
    EXPECT_EQ(Hex(radio.ControlMethodReport()), "55 AA 03 35 00 00 38");
    EXPECT_EQ(Hex(radio.SelectedChannelReport()), "55 AA 03 37 07 00 41");
}

TEST(DefaultRadio, HoldsDistinctInBandChannels)
{
    for (const Band band : {kUhfBand, kVhfBand}) {
        const RadioState s = DefaultRadioState(band);
        for (std::size_t k = 0; k < kChannelCount; ++k) {
            EXPECT_TRUE(band.Contains(s.channels[k].txUnits)) << k;
            EXPECT_TRUE(band.Contains(s.channels[k].rxUnits)) << k;
            EXPECT_EQ(s.channels[k].txUnits % 625, 0u) << "on the tool's raster";
            if (k > 0) {
                EXPECT_NE(s.channels[k].txUnits, s.channels[k - 1].txUnits);
            }
        }
        EXPECT_TRUE(s.backup.has_value());
    }
}

} // namespace
} // namespace varnel::radio_sim
