// Time-out packages on a real pseudo-terminal: a package is what arrives
// until the line has been quiet for one PackageInterval.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "package_test_support.h"
#include "serial/comm32.h"
#include "serial/tcommpkg.h"

namespace {

using namespace HalvikComm32;
using namespace std::chrono_literals;
using varnel::serial_test::Bytes;
using varnel::serial_test::NotificationLog;
using varnel::serial_test::PortDirectory;
using varnel::serial_test::Pty;
using varnel::serial_test::sequence;
using varnel::serial_test::SteadyClock;

// Slack for a loaded machine; the benchmark reports the real figures.
constexpr auto kLateBy = 150ms;

class TimeoutPackages : public ::testing::Test {
protected:
    void open(unsigned long intervalMs)
    {
        interval = std::chrono::milliseconds(intervalMs);
        ports.publish(7, pty);
        comm.PortNo = 7;
        comm.PortName = TComm32::FormatPortName(7);
        comm.OnCommNotify = [this](TObject*, int type) { chained.record(type); };
        layer = std::make_unique<TCommPackage>(&comm);
        layer->OnPackage = [this](TObject*, int type) { notified.record(type); };
        layer->fSetPkgType(TCommPackageType::cptFrameTimeout);
        layer->fSetPkgInterval(intervalMs);
        comm.Open();
        layer->fSetActive(true);
    }

    void TearDown() override
    {
        if (layer)
            layer->fSetActive(false);
        comm.Close();
        layer.reset();
    }

    Bytes readPackage()
    {
        Bytes buf(8192);
        const long n = layer->ReadPackage(buf.data(), buf.size());
        return Bytes(buf.begin(), buf.begin() + std::max(n, 0L));
    }

    // Writes and gives the moment just before and just after.
    std::pair<SteadyClock::time_point, SteadyClock::time_point> send(const Bytes& bytes)
    {
        const auto before = SteadyClock::now();
        pty.write(bytes);
        return {before, SteadyClock::now()};
    }

    // No further package within two intervals and a margin.
    void expectNoMorePackages(std::size_t seen)
    {
        EXPECT_FALSE(notified.waitFor(EV_RXCHAR, seen + 1, 2 * interval + 50ms));
    }

    PortDirectory ports;
    Pty pty;
    TComm32 comm;
    std::unique_ptr<TCommPackage> layer;
    NotificationLog notified;
    NotificationLog chained;
    std::chrono::milliseconds interval{};
};

TEST_F(TimeoutPackages, BytesArrivingTogetherBecomeOnePackageAfterOneInterval)
{
    open(100);
    const Bytes data = {0x55, 0xAA, 0x02, 0x26, 0x00, 0x28};
    const auto [before, after] = send(data);
    ASSERT_TRUE(notified.waitFor(EV_RXCHAR));
    const auto at = notified.first(EV_RXCHAR)->at;
    EXPECT_GE(at - before, interval) << "cut before the line was quiet for one interval";
    EXPECT_LT(at - after, interval + kLateBy);
    EXPECT_EQ(readPackage(), data);
    expectNoMorePackages(1);
}

TEST_F(TimeoutPackages, BurstLongerThanPackageSizeIsCut)
{
    open(100);
    const Bytes burst = sequence(5000, 1);
    send(burst);
    ASSERT_TRUE(notified.waitFor(EV_RXCHAR));
    EXPECT_EQ(readPackage(), Bytes(burst.begin(), burst.begin() + 4096));
    expectNoMorePackages(1);
    EXPECT_EQ(layer->ReadQueueCount(), 0U) << "the other 904 bytes are lost";
}

TEST_F(TimeoutPackages, PauseLongerThanTheIntervalSplits)
{
    open(50);
    send({1, 2, 3});
    ASSERT_TRUE(notified.waitFor(EV_RXCHAR, 1));
    send({4, 5});
    ASSERT_TRUE(notified.waitFor(EV_RXCHAR, 2));
    EXPECT_EQ(readPackage(), (Bytes{1, 2, 3}));
    EXPECT_EQ(readPackage(), (Bytes{4, 5}));
}

TEST_F(TimeoutPackages, QuietIsCountedFromTheLastByte)
{
    open(300);
    // Gaps far shorter than the interval keep one package open.
    SteadyClock::time_point lastBefore;
    for (std::uint8_t i = 1; i <= 5; ++i) {
        lastBefore = send({i}).first;
        std::this_thread::sleep_for(20ms);  // the gap in the stimulus, not a wait
    }
    ASSERT_TRUE(notified.waitFor(EV_RXCHAR));
    EXPECT_GE(notified.first(EV_RXCHAR)->at - lastBefore, interval);
    EXPECT_EQ(readPackage(), (Bytes{1, 2, 3, 4, 5}));
    expectNoMorePackages(1);
}

TEST_F(TimeoutPackages, EventCharacterIsAnnouncedBeforeThePackage)
{
    open(100);
    send({0x00, 0x01});
    ASSERT_TRUE(notified.waitFor(EV_RXCHAR));
    const auto flag = notified.first(EV_RXFLAG);
    ASSERT_TRUE(flag.has_value());
    EXPECT_LT(flag->at, notified.first(EV_RXCHAR)->at);
    EXPECT_EQ(flag->type & EV_RXCHAR, 0) << "EV_RXCHAR of a time-out package comes only from the cut";
    EXPECT_EQ(readPackage(), (Bytes{0x00, 0x01}));
}

TEST_F(TimeoutPackages, WrittenPackageGoesOutAsItIsAndTransmitEmptyFollows)
{
    open(100);
    const Bytes data = {0xEB, 1, 2, 3, 0xEE, 0xEC, 7};
    EXPECT_EQ(layer->WritePackage(data.data(), data.size()), 7);
    EXPECT_EQ(pty.read(data.size()), data);
    EXPECT_TRUE(notified.waitFor(EV_TXEMPTY));
    EXPECT_EQ(readPackage(), Bytes{}) << "nothing was received";
}

TEST_F(TimeoutPackages, FullQueueDropsThePackageButAnnouncesIt)
{
    open(50);
    layer->fSetQSize(1);  // two slots, one package
    send({1});
    ASSERT_TRUE(notified.waitFor(EV_RXCHAR, 1));
    send({2});
    ASSERT_TRUE(notified.waitFor(EV_RXCHAR, 2));
    EXPECT_EQ(readPackage(), (Bytes{1}));
    EXPECT_EQ(readPackage(), Bytes{});
}

TEST_F(TimeoutPackages, ShorterIntervalTakesEffectAtOnce)
{
    open(5000);
    layer->fSetPkgInterval(50);
    interval = 50ms;
    const auto after = send({9}).second;
    ASSERT_TRUE(notified.waitFor(EV_RXCHAR));
    EXPECT_LT(notified.first(EV_RXCHAR)->at - after, interval + kLateBy);
}

// An inactive layer leaves the engine's receive queue to the engine's own
// readers; an activation starts from a clean line.
TEST_F(TimeoutPackages, InactiveLayerLeavesBytesToTheEngine)
{
    open(50);
    layer->fSetActive(false);
    send({1, 2, 3});
    ASSERT_TRUE(chained.waitFor(EV_RXCHAR));
    EXPECT_FALSE(notified.waitFor(~0, 1, 3 * interval));
    char buf[8] = {};
    ASSERT_EQ(comm.Read(buf, sizeof buf), 3);
    EXPECT_EQ(buf[2], 3);

    send({4, 5});
    ASSERT_TRUE(chained.waitFor(EV_RXCHAR, 2));
    layer->fSetActive(true);  // the stale 4 5 are dropped
    send({6});
    ASSERT_TRUE(notified.waitFor(EV_RXCHAR));
    EXPECT_EQ(readPackage(), (Bytes{6}));
}

}  // namespace
