#include "link/frame_codec.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace varnel::link {
namespace {

using Bytes = std::vector<std::uint8_t>;

template <std::size_t N>
Bytes ToBytes(const Frame<N>& frame)
{
    return Bytes(frame.begin(), frame.end());
}

std::string Hex(const Bytes& bytes)
{
    std::string out;
    char buf[4];
    for (const auto b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        out += buf;
    }
    if (!out.empty())
        out.pop_back();
    return out;
}

// ---------------------------------------------------------------------------
// Requests as they go on the wire, built from the templates.

struct RequestCase {
    const char* name;
    Bytes built;
    const char* wire;
};

template <std::size_t N, typename Patch>
Bytes Patched(Frame<N> image, Patch patch)
{
    patch(image);
    return ToBytes(Sealed(image));
}

template <std::size_t N>
Bytes Plain(const Frame<N>& image)
{
    return ToBytes(Sealed(image));
}

std::vector<RequestCase> RequestCases()
{
    using namespace request;
    std::vector<RequestCase> cases = {
        {"read model", Plain(ReadModel), "55 AA 02 28 00 2A"},
        {"read id", Plain(ReadId), "55 AA 02 26 00 28"},
        {"read current channel", Plain(ReadCurrentChannel), "55 AA 02 24 00 26"},
        {"read squelch", Plain(ReadSquelch), "55 AA 02 80 00 82"},
        {"read bandwidth", Plain(ReadBandwidth), "55 AA 02 60 00 62"},
        {"read rx adjust", Plain(ReadRxAdjust), "55 AA 02 34 00 36"},
        {"read 5165", Plain(Read5165), "55 AA 02 91 00 93"},
        {"read power table", Plain(ReadPowerTable), "55 AA 02 97 00 99"},
        {"read s tables", Plain(ReadSTables), "55 AA 02 99 00 9B"},
        {"check backup", Plain(CheckBackup), "55 AA 02 A2 00 A4"},
        {"backup carries into the high byte", Plain(Backup), "55 AA 04 A1 81 AA 01 D0"},
        {"restore", Plain(Restore), "55 AA 04 A0 AA 81 01 CF"},
        {"read current block", Plain(ReadCurrentBlock), "55 AA 04 01 01 00 00 06"},
        {"read control method", Plain(ReadControlMethod), "55 AA 03 01 03 00 07"},
        {"read selected channel", Plain(ReadSelectedChannel), "55 AA 03 01 04 00 08"},
        {"read channel 1", Patched(ReadChannel, [](auto& f) { f[5] = 1; }), "55 AA 04 20 14 01 00 39"},
        {"read channel 3", Patched(ReadChannel, [](auto& f) { f[5] = 3; }), "55 AA 04 20 14 03 00 3B"},
        {"read power 1", Patched(ReadPower, [](auto& f) { f[4] = 1; }), "55 AA 03 94 01 00 98"},
        {"write id 12345", Patched(WriteId, [](auto& f) { f[4] = 0x30; f[5] = 0x39; }), "55 AA 04 32 30 39 00 9F"},
        {"squelch close", Patched(SetSquelch, [](auto& f) { f[4] = 0x55; }), "55 AA 03 70 55 00 C8"},
        {"bandwidth 12.5k", Patched(SetBandwidth, [](auto& f) { f[4] = 1; }), "55 AA 03 50 01 00 54"},
        {"control software", Patched(SetControlMethod, [](auto& f) { f[5] = 0x55; }), "55 AA 04 01 83 55 00 DD"},
        {"CH7 without save", Patched(SetSelectedChannel, [](auto& f) { f[5] = 0; f[6] = 7; }), "55 AA 05 01 84 00 07 00 91"},
        {"rx adjust 100", Patched(SetRxAdjust, [](auto& f) { f[4] = 100; }), "55 AA 03 33 64 00 9A"},
        {"rx adjust -1", Patched(SetRxAdjust, [](auto& f) { f[4] = 0xFF; }), "55 AA 03 33 FF 01 35"},
        {"5165 200", Patched(Set5165, [](auto& f) { f[4] = 200; }), "55 AA 03 90 C8 01 5B"},
        {"write channel 3 435.125/435.125",
         Patched(WriteChannel,
                 [](auto& f) {
                     f[5] = 3;
                     ASSERT_TRUE(UnitsToBcd(43512500, std::span<std::uint8_t, 4>(f.data() + 6, 4)));
                     ASSERT_TRUE(UnitsToBcd(43512500 + RxFrequencyOffset, std::span<std::uint8_t, 4>(f.data() + 10, 4)));
                 }),
         "55 AA 0C 20 03 03 43 51 25 00 48 02 25 00 01 5A"},
        {"current block 435.125/435.125 3W",
         Patched(SetCurrentBlock,
                 [](auto& f) {
                     f[6] = 1;
                     ASSERT_TRUE(UnitsToBcd(43512500, std::span<std::uint8_t, 4>(f.data() + 7, 4)));
                     ASSERT_TRUE(UnitsToBcd(43512500, std::span<std::uint8_t, 4>(f.data() + 11, 4)));
                     f[15] = 3;
                 }),
         "55 AA 0E 01 81 00 01 43 51 25 00 43 51 25 00 03 02 06"},
        {"s tables of zeros",
         Plain(SetSTables),
         "55 AA 12 98 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 AA"},
        // The modem board's requests use the same layout.
        {"board read", ToBytes(Sealed(MakeTemplate(cmd::BoardParameters, A1{0x00}))), "55 AA 03 23 00 00 26"},
        {"board air rate 1200", ToBytes(Sealed(MakeTemplate(cmd::Channel, A2{0x05, 0x20}))), "55 AA 04 20 05 20 00 49"},
        {"board serial 4800 even", ToBytes(Sealed(MakeTemplate(cmd::Model, A1{0x31}))), "55 AA 03 28 31 00 5C"},
        {"board stop test", ToBytes(Sealed(MakeTemplate(cmd::Channel, A1{0x09}))), "55 AA 03 20 09 00 2C"},
    };
    return cases;
}

TEST(RequestTemplates, SealToTheWireBytes)
{
    for (const auto& c : RequestCases())
        EXPECT_EQ(Hex(c.built), c.wire) << c.name;
}

TEST(RequestTemplates, PowerTableRequestIs46Bytes)
{
    auto image = request::SetPowerTable;
    for (std::size_t i = 0; i < 40; ++i)
        image[4 + i] = 0xFF;
    const auto frame = Sealed(image);
    ASSERT_EQ(frame.size(), 46u);
    EXPECT_EQ(frame[2], 0x2A);
    // 0x2A + 0x96 + 40 * 0xFF = 10392 = 0x2898
    EXPECT_EQ(frame[44], 0x28);
    EXPECT_EQ(frame[45], 0x98);
    EXPECT_TRUE(CheckFrame(frame));
}

TEST(RequestTemplates, SealIgnoresStaleSumBytes)
{
    auto image = request::ReadModel;
    image[4] = 0x00;
    image[5] = 0x77; // leftover from a previous use
    EXPECT_EQ(Hex(ToBytes(Sealed(image))), "55 AA 02 28 00 2A");
}

// ---------------------------------------------------------------------------
// FrameSum and SealFrame

TEST(SealFrame, LongestFrameOfFFSumsTo65025)
{
    Bytes frame(kMaxFrameSize, 0xFF);
    frame[0] = 0x55;
    frame[1] = 0xAA;
    frame[2] = 0xFF;
    EXPECT_EQ(FrameSum(frame.data() + 2, 255), 65025);
    EXPECT_EQ(SealFrame(frame), kMaxFrameSize);
    EXPECT_EQ(frame[257], 0xFE);
    EXPECT_EQ(frame[258], 0x01);
    EXPECT_TRUE(CheckFrame(frame));
}

TEST(SealFrame, RefusesBuffersTooShortForTheirLen)
{
    struct Case {
        const char* name;
        Bytes buffer;
    };
    const Case cases[] = {
        {"empty", {}},
        {"five bytes", {0x55, 0xAA, 0x02, 0x28, 0x00}},
        {"len needs 12, 10 given", {0x55, 0xAA, 0x08, 0x20, 1, 2, 3, 4, 5, 6}},
        {"len 1", {0x55, 0xAA, 0x01, 0x28, 0x00, 0x00}},
        {"len 0", {0x55, 0xAA, 0x00, 0x28, 0x00, 0x00}},
    };
    for (const auto& c : cases) {
        Bytes copy = c.buffer;
        EXPECT_EQ(SealFrame(copy), 0u) << c.name;
        EXPECT_EQ(copy, c.buffer) << c.name << ": buffer must stay untouched";
    }
}

TEST(SealFrame, LeavesBytesBehindTheFrameAlone)
{
    Bytes buffer = {0x55, 0xAA, 0x02, 0x28, 0x00, 0x00, 0xEE, 0xEE};
    EXPECT_EQ(SealFrame(buffer), 6u);
    EXPECT_EQ(Hex(buffer), "55 AA 02 28 00 2A EE EE");
}

TEST(BuildFrame, SealsCommandAndData)
{
    const std::uint8_t data[] = {0x14, 0x03};
    EXPECT_EQ(Hex(BuildFrame(0x20, data)), "55 AA 04 20 14 03 00 3B");
    EXPECT_EQ(Hex(BuildFrame(0x28, {})), "55 AA 02 28 00 2A");
}

TEST(BuildFrame, LimitsDataTo253Bytes)
{
    const Bytes most(253, 0xFF);
    const auto frame = BuildFrame(0xFF, most);
    ASSERT_EQ(frame.size(), kMaxFrameSize);
    EXPECT_EQ(frame[257], 0xFE);
    EXPECT_EQ(frame[258], 0x01);

    const Bytes tooMany(254, 0x00);
    EXPECT_TRUE(BuildFrame(0x01, tooMany).empty());
}

// ---------------------------------------------------------------------------
// CheckFrame

struct CheckCase {
    const char* name;
    Bytes package;
    bool accepted;
};

const CheckCase kCheckCases[] = {
    {"smallest frame", {0x55, 0xAA, 0x02, 0x28, 0x00, 0x2A}, true},
    {"five bytes starting 55 AA", {0x55, 0xAA, 0x02, 0x28, 0x00}, false},
    {"five bytes that would be complete with LEN 1", {0x55, 0xAA, 0x01, 0x00, 0x01}, false},
    {"empty package", {}, false},
    {"wrong first preamble byte", {0x54, 0xAA, 0x02, 0x28, 0x00, 0x2A}, false},
    {"preambles swapped", {0xAA, 0x55, 0x02, 0x28, 0x00, 0x2A}, false},
    {"LEN 8 in a 10-byte package", {0x55, 0xAA, 0x08, 0x20, 1, 2, 3, 4, 5, 6}, false},
    {"trailing bytes ignored", {0x55, 0xAA, 0x04, 0x20, 0x14, 0x03, 0x00, 0x3B, 0x55, 0xAA, 0xFF}, true},
    {"sum bytes swapped", {0x55, 0xAA, 0x04, 0xA1, 0x81, 0xAA, 0xD0, 0x01}, false},
    {"sum off by one", {0x55, 0xAA, 0x02, 0x28, 0x00, 0x2B}, false},
    {"garbage before a frame", {0x00, 0x55, 0xAA, 0x02, 0x28, 0x00, 0x2A}, false},
    // 55 and AA are ordinary data bytes.
    {"preamble bytes inside data", {0x55, 0xAA, 0x04, 0x01, 0x55, 0xAA, 0x01, 0x04}, true},
    // LEN below 2 cannot hold a command; the sum would overlap the header.
    {"LEN 0 with a matching sum", {0x55, 0xAA, 0x00, 0x00, 0x00, 0x00}, false},
    {"LEN 1 with a matching sum", {0x55, 0xAA, 0x01, 0x00, 0x01, 0x00}, false},
};

TEST(CheckFrame, AcceptsOnlyCompleteFramesWithTheRightSum)
{
    for (const auto& c : kCheckCases)
        EXPECT_EQ(CheckFrame(c.package), c.accepted) << c.name;
}

TEST(CheckFrame, SwappedSumAcceptedWhenBothBytesAreEqual)
{
    // 03 + FE + 00 = 0x0101
    Bytes frame = {0x55, 0xAA, 0x03, 0xFE, 0x00, 0x00, 0x00};
    ASSERT_EQ(SealFrame(frame), 7u);
    ASSERT_EQ(frame[5], frame[6]);
    std::swap(frame[5], frame[6]);
    EXPECT_TRUE(CheckFrame(frame));
}

TEST(CheckFrame, NullPackageRejected)
{
    EXPECT_FALSE(CheckFrame(nullptr, 0));
    EXPECT_FALSE(CheckFrame(nullptr, 100));
}

// The package sits at the very end of a readable page with an inaccessible
// page behind it, so any read past `length` faults.
class GuardedBuffer : public ::testing::Test {
protected:
    void SetUp() override
    {
        pageSize_ = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        void* p = ::mmap(nullptr, 2 * pageSize_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(p, MAP_FAILED);
        base_ = static_cast<std::uint8_t*>(p);
        ASSERT_EQ(::mprotect(base_ + pageSize_, pageSize_, PROT_NONE), 0);
    }
    void TearDown() override
    {
        if (base_ != nullptr)
            ::munmap(base_, 2 * pageSize_);
    }
    const std::uint8_t* Place(const std::uint8_t* bytes, std::size_t length)
    {
        std::uint8_t* at = base_ + pageSize_ - length;
        if (length > 0)
            std::memcpy(at, bytes, length);
        return at;
    }

    std::size_t pageSize_ = 0;
    std::uint8_t* base_ = nullptr;
};

TEST_F(GuardedBuffer, CheckFrameStaysInsideShortAndTruncatedPackages)
{
    // Every prefix of a valid frame, and frames whose LEN promises more.
    const Bytes frame = {0x55, 0xAA, 0x0C, 0x20, 0x24, 0x03, 0x43, 0x51, 0x25, 0x00, 0x48, 0x02, 0x25, 0x00, 0x01, 0x7B};
    for (std::size_t n = 0; n <= frame.size(); ++n)
        EXPECT_EQ(CheckFrame(Place(frame.data(), n), n), n == frame.size() && CheckFrame(frame)) << n;

    for (int len = 0; len <= 255; ++len) {
        const Bytes head = {0x55, 0xAA, static_cast<std::uint8_t>(len), 0x20, 0x00, 0x00};
        EXPECT_FALSE(CheckFrame(Place(head.data(), head.size()), head.size())) << len;
    }
}

TEST_F(GuardedBuffer, CheckFrameOnRandomGarbageNeverFaults)
{
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> size(0, 300);
    Bytes buffer;
    for (int round = 0; round < 20000; ++round) {
        buffer.resize(size(rng));
        for (auto& b : buffer)
            b = static_cast<std::uint8_t>(byte(rng));
        if (buffer.size() >= 2 && round % 2 == 0) {
            buffer[0] = 0x55;
            buffer[1] = 0xAA;
        }
        const bool accepted = CheckFrame(Place(buffer.data(), buffer.size()), buffer.size());
        if (accepted) {
            // Anything accepted must really be a sealed frame.
            const std::size_t len = buffer[2];
            Bytes copy(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(len + 4));
            Bytes resealed = copy;
            ASSERT_EQ(SealFrame(resealed), len + 4);
            EXPECT_EQ(resealed, copy);
        }
    }
}

TEST(ParseFrame, ExposesCommandAndDataOfTheFirstFrame)
{
    const Bytes package = {0x55, 0xAA, 0x05, 0x28, 0x20, 0x40, 0x21, 0x00, 0xAE, 0x99};
    const auto view = ParseFrame(package);
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(view->command, 0x28);
    EXPECT_EQ(view->size, 9u);
    ASSERT_EQ(view->data.size(), 3u);
    EXPECT_EQ(view->at(0), 0x20);
    EXPECT_EQ(view->at(1), 0x40);
    EXPECT_EQ(view->at(2), 0x21);
    EXPECT_EQ(view->at(3), 0x00) << "bytes past the data read as zero";

    const Bytes bad = {0x55, 0xAA, 0x05, 0x28, 0x20, 0x40, 0x21, 0x00, 0xAF};
    EXPECT_FALSE(ParseFrame(bad).has_value());
}

// ---------------------------------------------------------------------------
// Frequency codec

struct BcdCase {
    std::uint32_t units;
    BcdBytes bytes;
};

const BcdCase kBcdCases[] = {
    {13600000, {0x13, 0x60, 0x00, 0x00}}, // 136.00000 MHz
    {50000000, {0x50, 0x00, 0x00, 0x00}}, // 500.00000 MHz
    {999999, {0x00, 0x99, 0x99, 0x99}},   // 9.99999 MHz
    {43512500, {0x43, 0x51, 0x25, 0x00}}, // 435.12500 MHz
    {48022500, {0x48, 0x02, 0x25, 0x00}}, // 435.12500 MHz + receive offset
    {54510000, {0x54, 0x51, 0x00, 0x00}}, // largest value the tool sends
    {0, {0x00, 0x00, 0x00, 0x00}},
    {99999999, {0x99, 0x99, 0x99, 0x99}},
    {12345678, {0x12, 0x34, 0x56, 0x78}},
};

TEST(FrequencyCodec, EncodesAndDecodesTheWorkedValues)
{
    for (const auto& c : kBcdCases) {
        const auto encoded = UnitsToBcd(c.units);
        ASSERT_TRUE(encoded.has_value()) << c.units;
        EXPECT_EQ(*encoded, c.bytes) << c.units;
        EXPECT_EQ(BcdToUnits(c.bytes), c.units) << c.units;
        EXPECT_EQ(BcdToHz(c.bytes), std::uint64_t{c.units} * 10) << c.units;
    }
    static_assert(RxFrequencyOffset == 4510000);
    EXPECT_EQ(43512500 + RxFrequencyOffset, 48022500u);
}

TEST(FrequencyCodec, RefusesValuesBeyondEightDigits)
{
    BcdBytes out = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_FALSE(UnitsToBcd(100000000, out));
    EXPECT_FALSE(UnitsToBcd(0xFFFFFFFF, out));
    EXPECT_EQ(out, (BcdBytes{0xEE, 0xEE, 0xEE, 0xEE}));
    EXPECT_FALSE(UnitsToBcd(100000000).has_value());
    EXPECT_FALSE(HzToBcd(std::uint64_t{1000000000}).has_value());
    EXPECT_TRUE(HzToBcd(std::uint64_t{999999999}).has_value());
    // hz / 10 above 2^32 must not wrap into a small value.
    EXPECT_FALSE(HzToBcd(std::uint64_t{42949672960ULL + 100}).has_value());
}

TEST(FrequencyCodec, HzDropsTheLastDigit)
{
    EXPECT_EQ(HzToBcd(std::uint64_t{435125005}), (BcdBytes{0x43, 0x51, 0x25, 0x00}));
    EXPECT_EQ(HzToBcd(std::uint64_t{435125009}), (BcdBytes{0x43, 0x51, 0x25, 0x00}));
    EXPECT_EQ(HzToBcd(std::uint64_t{136000000}), (BcdBytes{0x13, 0x60, 0x00, 0x00}));
    EXPECT_EQ(BcdToHz(BcdBytes{0x50, 0x00, 0x00, 0x00}), 500000000u);
}

TEST(FrequencyCodec, NonDecimalNibblesCountAsTenToFifteen)
{
    EXPECT_EQ(BcdToUnits(BcdBytes{0x00, 0x00, 0x00, 0x0A}), 10u);
    EXPECT_EQ(BcdToUnits(BcdBytes{0x00, 0x00, 0x00, 0xA0}), 100u);
    EXPECT_EQ(BcdToUnits(BcdBytes{0xFF, 0xFF, 0xFF, 0xFF}), 165u * 1000000 + 165u * 10000 + 165u * 100 + 165u);
}

TEST(FrequencyCodec, RoundTripsEveryStepOfARaster)
{
    for (std::uint32_t units = 13600000; units <= 54510000; units += 625) {
        const auto bytes = UnitsToBcd(units);
        ASSERT_TRUE(bytes.has_value());
        for (const auto b : *bytes)
            ASSERT_TRUE((b >> 4) <= 9 && (b & 0x0F) <= 9) << units;
        ASSERT_EQ(BcdToUnits(*bytes), units);
    }
}

TEST(FrequencyCodec, WorksAtCompileTime)
{
    constexpr auto bytes = UnitsToBcd(43512500);
    static_assert(bytes.has_value() && (*bytes)[0] == 0x43 && (*bytes)[3] == 0x00);
    static_assert(BcdToUnits(BcdBytes{0x48, 0x02, 0x25, 0x00}) - RxFrequencyOffset == 43512500);
    static_assert(Sealed(request::ReadModel)[5] == 0x2A);
    SUCCEED();
}

// ---------------------------------------------------------------------------

TEST(VersionText, RendersBothNibblesInDecimal)
{
    const std::pair<std::uint8_t, const char*> cases[] = {
        {0x40, "4.0"}, {0x31, "3.1"}, {0x21, "2.1"}, {0x41, "4.1"},
        {0x4A, "4.10"}, {0x00, "0.0"}, {0xFF, "15.15"}, {0xA0, "10.0"},
    };
    for (const auto& [byte, text] : cases)
        EXPECT_EQ(VersionText(byte), text) << int{byte};
}

} // namespace
} // namespace varnel::link
