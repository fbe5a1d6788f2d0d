// Reply faults, the air link, the command line, profiles and the state dump.
#include "radio_sim/profile_loader.h"
#include "radio_sim/reply_faults.h"
#include "radio_sim/sim_options.h"
#include "radio_sim/state_text.h"

#include "emulator/wire_bytes.h"

#include <gtest/gtest.h>

namespace varnel::radio_sim {
namespace {

using testing::B;
using testing::Hex;

const Bytes kReply = B("55 AA 05 28 20 40 21 00 AE");

bool SumOk(const Bytes& frame)
{
    unsigned sum = 0;
    for (std::size_t i = 2; i + 2 < frame.size(); ++i)
        sum += frame[i];
    return frame.size() >= 6 && frame[frame.size() - 2] * 256u + frame.back() == sum;
}

TEST(FaultShaper, WithoutFaultsSendsEachReplyInOneWrite)
{
    FaultShaper shaper;
    for (int i = 0; i < 5; ++i) {
        const auto chunks = shaper.Shape(kReply);
        ASSERT_EQ(chunks.size(), 1u);
        EXPECT_EQ(chunks[0].delayMs, 0u);
        EXPECT_EQ(chunks[0].bytes, kReply);
    }
    EXPECT_TRUE(shaper.Shape({}).empty()) << "nothing to send, nothing counted";
    EXPECT_EQ(shaper.repliesSeen(), 5u);
}

TEST(FaultShaper, DropsEveryNthReply)
{
    FaultShaper shaper(FaultOptions{.dropEvery = 3});
    std::vector<bool> sent;
    for (int i = 0; i < 7; ++i)
        sent.push_back(!shaper.Shape(kReply).empty());
    EXPECT_EQ(sent, (std::vector<bool>{true, true, false, true, true, false, true}));
}

TEST(FaultShaper, SplitsWithAPauseLongerThanThePackageInterval)
{
    FaultShaper shaper(FaultOptions{.splitEvery = 2, .splitPauseMs = 250});
    EXPECT_EQ(shaper.Shape(kReply).size(), 1u);
    const auto chunks = shaper.Shape(kReply);
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0].delayMs, 0u);
    EXPECT_EQ(chunks[1].delayMs, 250u);
    Bytes joined = chunks[0].bytes;
    joined.insert(joined.end(), chunks[1].bytes.begin(), chunks[1].bytes.end());
    EXPECT_EQ(joined, kReply);
    EXPECT_FALSE(chunks[0].bytes.empty());
    EXPECT_FALSE(chunks[1].bytes.empty());
}

TEST(FaultShaper, CorruptsTheSumAndAddsGarbage)
{
    FaultShaper corrupt(FaultOptions{.corruptEvery = 1});
    const auto bad = corrupt.Shape(kReply);
    ASSERT_EQ(bad.size(), 1u);
    EXPECT_EQ(bad[0].bytes.size(), kReply.size());
    EXPECT_FALSE(SumOk(bad[0].bytes));
    EXPECT_TRUE(std::equal(kReply.begin(), kReply.end() - 1, bad[0].bytes.begin()));

    FaultShaper garbage(FaultOptions{.garbageEvery = 1});
    const auto noisy = garbage.Shape(kReply);
    ASSERT_EQ(noisy.size(), 1u);
    EXPECT_EQ(Hex(noisy[0].bytes), "00 13 FE " + Hex(kReply));
}

TEST(AirLink, LosesTheConfiguredShareReproducibly)
{
    AirLink none(0.0, 7);
    AirLink all(1.0, 7);
    for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(none.Carries());
        EXPECT_FALSE(all.Carries());
    }

    AirLink a(0.3, 42);
    AirLink b(0.3, 42);
    std::vector<bool> runA, runB;
    for (int i = 0; i < 10000; ++i) {
        runA.push_back(a.Carries());
        runB.push_back(b.Carries());
    }
    EXPECT_EQ(runA, runB) << "same seed, same losses";
    EXPECT_NEAR(a.lost(), 3000, 250);
    EXPECT_EQ(a.lost() + a.carried(), 10000u);
}

// ---------------------------------------------------------------------------

TEST(SimOptions, DefaultsFollowTheToolsPortSettings)
{
    const auto parsed = ParseOptions({}, "/tmp/ports");
    ASSERT_EQ(parsed.error, "");
    const SimOptions& o = parsed.options;
    EXPECT_EQ(o.portDir, "/tmp/ports");
    EXPECT_EQ(o.radioCom, 1);
    EXPECT_EQ(o.boardCom, 1);
    EXPECT_EQ(o.secondCom, 2);
    EXPECT_EQ(o.radio.model, 0x20);
    EXPECT_EQ(o.radio.hardware, 0x40);
    EXPECT_EQ(o.board.line, (LineSettings{2400, Parity::None}));
    EXPECT_EQ(o.board.airRate, 0x00);
}

TEST(SimOptions, ParsesEveryOption)
{
    const auto parsed = ParseOptions(
        {"--port-dir", "/x", "--radio-com=3", "--board-com", "4", "--second-com", "5", "--model", "0x21",
         "--hardware", "3.1", "--firmware=0x4A", "--band", "136-174.5", "--id", "65535", "--no-backup",
         "--profile", "p.ini", "--board-baud", "1200", "--board-parity", "Odd", "--air-rate", "1200",
         "--strict-parity", "--reply-delay", "15", "--drop-every", "2", "--split-every", "3", "--split-pause", "300",
         "--corrupt-every", "4", "--garbage-every", "5", "--refuse-writes", "--report-every", "100",
         "--air-loss", "0.25", "--air-delay", "7", "--seed", "99", "--state-file", "s.txt", "--verbose"},
        nullptr);
    ASSERT_EQ(parsed.error, "");
    const SimOptions& o = parsed.options;
    EXPECT_EQ(o.portDir, "/x");
    EXPECT_EQ(o.radioCom, 3);
    EXPECT_EQ(o.boardCom, 4);
    EXPECT_EQ(o.secondCom, 5);
    EXPECT_EQ(o.radio.model, 0x21);
    EXPECT_EQ(o.radio.hardware, 0x31);
    EXPECT_EQ(o.radio.firmware, 0x4A);
    ASSERT_TRUE(o.radio.band.has_value());
    EXPECT_EQ(o.radio.band->minUnits, 13600000u);
    EXPECT_EQ(o.radio.band->maxUnits, 17450000u);
    EXPECT_EQ(o.id, 65535);
    EXPECT_TRUE(o.noBackup);
    EXPECT_EQ(o.profilePath, "p.ini");
    EXPECT_EQ(o.board.line, (LineSettings{1200, Parity::Odd}));
    EXPECT_EQ(o.board.airRate, 0x20);
    EXPECT_TRUE(o.strictParity);
    EXPECT_EQ(o.replyDelayMs, 15u);
    EXPECT_EQ(o.faults.dropEvery, 2u);
    EXPECT_EQ(o.faults.splitEvery, 3u);
    EXPECT_EQ(o.faults.splitPauseMs, 300u);
    EXPECT_EQ(o.faults.corruptEvery, 4u);
    EXPECT_EQ(o.faults.garbageEvery, 5u);
    EXPECT_TRUE(o.radio.refuseWrites);
    EXPECT_EQ(o.reportEveryMs, 100u);
    EXPECT_DOUBLE_EQ(o.airLoss, 0.25);
    EXPECT_EQ(o.airDelayMs, 7u);
    EXPECT_EQ(o.seed, 99u);
    EXPECT_EQ(o.stateFile, "s.txt");
    EXPECT_TRUE(o.verbose);
}

TEST(SimOptions, RefusesBadCommandLines)
{
    struct Case {
        std::vector<std::string> args;
        const char* env;
        const char* errorPart;
    };
    const Case cases[] = {
        {{}, nullptr, "no port directory"},
        {{"--bogus"}, "/p", "unknown option '--bogus'"},
        {{"--radio-com"}, "/p", "needs a value"},
        {{"--radio-com", "x"}, "/p", "bad value 'x'"},
        {{"--radio-com", "-1"}, "/p", "bad value"},
        {{"--radio-com", "256"}, "/p", "bad value"},
        {{"--board-baud", "300"}, "/p", "bad value"},
        {{"--board-parity", "mark"}, "/p", "bad value"},
        {{"--hardware", "16.0"}, "/p", "bad value"},
        {{"--hardware", "4"}, "/p", "bad value"},
        {{"--id", "65536"}, "/p", "bad value"},
        {{"--air-loss", "1.5"}, "/p", "bad value"},
        {{"--air-rate", "0x10"}, "/p", "bad value"},
        {{"--band", "500-420"}, "/p", "bad value"},
        {{"--verbose=1"}, "/p", "takes no value"},
        {{"--second-com", "1"}, "/p", "second radio needs a port of its own"},
        {{"--radio-com", "0", "--board-com", "0", "--second-com", "0"}, "/p", "no port to serve"},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseOptions(c.args, c.env);
        EXPECT_NE(parsed.error.find(c.errorPart), std::string::npos)
            << (c.args.empty() ? std::string("(none)") : c.args[0]) << ": " << parsed.error;
    }
}

TEST(SimOptions, HelpNeedsNoPortDirectoryAndListsTheOptions)
{
    const auto parsed = ParseOptions({"--help"}, nullptr);
    EXPECT_TRUE(parsed.help);
    EXPECT_EQ(parsed.error, "");
    const std::string usage = UsageText();
    for (const char* name : {"--port-dir", "--radio-com", "--board-com", "--second-com", "--hardware", "--profile",
                             "--reply-delay", "--drop-every", "--split-pause", "--corrupt-every", "--refuse-writes",
                             "--report-every", "--garbage-every", "--air-loss", "--state-file"})
        EXPECT_NE(usage.find(name), std::string::npos) << name;
}

TEST(SimOptions, VersionTexts)
{
    EXPECT_EQ(ParseVersion("4.0"), 0x40);
    EXPECT_EQ(ParseVersion("3.1"), 0x31);
    EXPECT_EQ(ParseVersion("4.10"), 0x4A);
    EXPECT_EQ(ParseVersion("0x41"), 0x41);
    EXPECT_FALSE(ParseVersion("4").has_value());
    EXPECT_FALSE(ParseVersion("4.16").has_value());
    EXPECT_FALSE(ParseVersion("a.b").has_value());
}

// ---------------------------------------------------------------------------

TEST(Profile, FillsTheTableAndSettings)
{
    RadioState state = DefaultRadioState(kUhfBand);
    const Channel untouched = state.channels[5];
    const std::string text =
        "[other]\n"
        "tx1=1\n"
        "[Parameter]\r\n"
        "tx1=43512500\r\n"
        "RX1 = 43511875\n"
        "power1=4\n"
        "tx16=50000000\n"
        "rx16=42000000\n"
        "power16=0\n"
        "tx6=\n"
        "Squelch Level=5\n"
        "Band Control=1\n"
        "RX Adjust Parameter=-1\n"
        "5165=200\n"
        "RX S1=11\n"
        "5165 S8=88\n"
        "TX PT40=240\n"
        "unrelated key=whatever\n";
    ASSERT_EQ(ApplyProfileText(text, state), "");
    EXPECT_EQ(state.channels[0], (Channel{43512500, 43511875, 4}));
    EXPECT_EQ(state.channels[15].txUnits, 50000000u);
    EXPECT_EQ(state.channels[15].rxUnits, 42000000u);
    EXPECT_EQ(state.channels[15].power, DefaultRadioState(kUhfBand).channels[15].power) << "0 = no power chosen";
    EXPECT_EQ(state.channels[5], untouched);
    EXPECT_EQ(state.squelch, 0x55);
    EXPECT_EQ(state.bandwidth, 0) << "index 1 is 25k";
    EXPECT_EQ(state.calibration.rxAdjust, 0xFF);
    EXPECT_EQ(state.calibration.value5165, 200);
    EXPECT_EQ(state.calibration.sTables[0], 11);
    EXPECT_EQ(state.calibration.sTables[15], 88);
    EXPECT_EQ(state.calibration.powerTable[39], 240);
    EXPECT_EQ(state.running, state.channels[0]) << "the channel in use follows the table";
}

TEST(Profile, ReportsBadValuesWithTheirLine)
{
    const std::pair<const char*, const char*> cases[] = {
        {"[parameter]\ntx1=435.125\n", "line 2: tx1=435.125: not an integer"},
        {"[parameter]\n\npower3=6\n", "line 3: power3=6"},
        {"[parameter]\nrx2=-5\n", "line 2: rx2=-5: frequency out of range"},
        {"[parameter]\nrx2=99999999\n", "frequency out of range"},
        {"[parameter\n", "line 1: unterminated section header"},
        {"[parameter]\njust text\n", "line 2: expected key=value"},
        {"[parameter]\nSquelch Level=6\n", "squelch index"},
    };
    for (const auto& [text, error] : cases) {
        RadioState state = DefaultRadioState(kUhfBand);
        EXPECT_NE(ApplyProfileText(text, state).find(error), std::string::npos) << text;
    }
    RadioState state;
    EXPECT_NE(LoadProfileFile("/nonexistent/profile.ini", state).find("cannot read"), std::string::npos);
}

TEST(StateText, ShowsTablesSettingsAndBoard)
{
    RadioState state = DefaultRadioState(kUhfBand);
    state.channels[2] = {43512500, 43511875, 3};
    state.id = 7;
    RadioModel radio(RadioConfig{}, state);
    BoardModel board(BoardState{{4800, Parity::Even}, 0x20, TransmitTest::Running});
    const std::string text = RenderState(radio, &board, {5, 2});
    for (const char* line : {"[radio]\n", "id=7\n", "hardware=4.0\n", "tx3=43512500\n", "rx3=43511875\n",
                             "power3=3\n", "[channels]\n", "[calibration]\n", "backup=valid\n", "baud=4800\n",
                             "parity=even\n", "air_rate=0x20\n", "transmit_test=running\n", "carried=5\n", "lost=2\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(RenderState(radio, nullptr, {}).find("[board]"), std::string::npos);
}

} // namespace
} // namespace varnel::radio_sim
