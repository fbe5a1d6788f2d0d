// Marker framing, the send step and the package queues, driven through a
// closed engine: bytes are put into its receive queue and announced as the
// reader would, and what the layer sends is taken from its transmit queue.

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <random>
#include <thread>

#include "package_test_support.h"
#include "serial/comm32.h"
#include "serial/tcommpkg.h"
#include "serial/tcommpkg_queue.h"

namespace {

using namespace HalvikComm32;
using varnel::serial_test::Bytes;
using varnel::serial_test::NotificationLog;
using varnel::serial_test::sequence;

class PackageOnIdleEngine : public ::testing::Test {
protected:
    void SetUp() override
    {
        comm.OnCommNotify = [this](TObject* sender, int type) {
            EXPECT_EQ(sender, &comm);
            chained.record(type);
        };
        layer = std::make_unique<TCommPackage>(&comm);
        layer->OnPackage = [this](TObject* sender, int type) {
            EXPECT_EQ(sender, layer.get());
            notified.record(type);
        };
        layer->fSetPkgType(TCommPackageType::cptFrameHeadTail);
        layer->fSetActive(true);
    }

    void TearDown() override { layer.reset(); }

    void receive(const Bytes& bytes)
    {
        ASSERT_EQ(comm.InQueue->In(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size())),
                  static_cast<long>(bytes.size()));
        comm.CommNotify(EV_RXCHAR);
    }

    // Everything the layer handed the engine so far.
    Bytes sent()
    {
        Bytes out;
        char c = 0;
        while (comm.OutQueue->Out(&c) == 1)
            out.push_back(static_cast<std::uint8_t>(c));
        return out;
    }

    // Every waiting package, oldest first.
    std::vector<Bytes> packages()
    {
        std::vector<Bytes> out;
        Bytes buf(8192);
        while (layer->ReadQueueCount() > 0) {
            const long n = layer->ReadPackage(buf.data(), buf.size());
            out.emplace_back(buf.begin(), buf.begin() + n);
        }
        return out;
    }

    TComm32 comm;
    std::unique_ptr<TCommPackage> layer;
    NotificationLog notified;
    NotificationLog chained;
};

TEST_F(PackageOnIdleEngine, HeadTailDecoding)
{
    struct Case {
        const char* what;
        Bytes line;
        std::vector<Bytes> expected;
    };
    const Case cases[] = {
        {"escaped tail inside", {0xEB, 0x01, 0xEC, 0xEE, 0x02, 0xEE}, {{0x01, 0xEE, 0x02}}},
        {"escaped head outside starts nothing", {0xEC, 0xEB, 0x05, 0xEE}, {}},
        {"doubled marks", {0xEB, 0xEB, 0x10, 0xEE, 0xEE}, {{0x10}}},
        {"empty package", {0xEB, 0xEE}, {{}}},
        {"head restarts a partial package", {0xEB, 0x01, 0x02, 0xEB, 0x03, 0xEE}, {{0x03}}},
        {"escaped escape", {0xEB, 0x01, 0xEC, 0xEC, 0x02, 0xEE}, {{0x01, 0xEC, 0x02}}},
        {"escaped head is data", {0xEB, 0xEC, 0xEB, 0xEE}, {{0xEB}}},
        {"noise between packages", {0x11, 0xEE, 0xEB, 0x01, 0xEE, 0x22, 0xEB, 0x02, 0xEE}, {{0x01}, {0x02}}},
        {"double escape outside cancels", {0xEC, 0xEC, 0xEB, 0x07, 0xEE}, {{0x07}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        layer->fSetActive(true);  // fresh receive state
        receive(c.line);
        EXPECT_EQ(packages(), c.expected);
    }
}

TEST_F(PackageOnIdleEngine, PackageSplitOverSeveralReads)
{
    receive({0xEB, 0x01, 0xEC});
    EXPECT_EQ(layer->ReadQueueCount(), 0U);
    receive({0xEE, 0x02});
    receive({0xEE});
    EXPECT_EQ(packages(), (std::vector<Bytes>{{0x01, 0xEE, 0x02}}));
}

TEST_F(PackageOnIdleEngine, OwnMarkerBytes)
{
    layer->fSetFrameHead(0x02);
    layer->fSetFrameTail(0x03);
    layer->fSetFrameCtrl(0x10);
    receive({0xEB, 0x02, 0x41, 0x10, 0x03, 0xEE, 0x03});
    EXPECT_EQ(packages(), (std::vector<Bytes>{{0x41, 0x03, 0xEE}}));

    ASSERT_EQ(layer->WritePackage(Bytes{0x02, 0xEB}.data(), 2), 2);
    EXPECT_EQ(sent(), (Bytes{0x02, 0x02, 0x10, 0x02, 0xEB, 0x03, 0x03}));
}

TEST_F(PackageOnIdleEngine, HeadTailEncoding)
{
    struct Case {
        Bytes data;
        bool doubleMark;
        Bytes line;
    };
    const Case cases[] = {
        {{0x01, 0xEB, 0x02}, true, {0xEB, 0xEB, 0x01, 0xEC, 0xEB, 0x02, 0xEE, 0xEE}},
        {{0x01, 0xEB, 0x02}, false, {0xEB, 0x01, 0xEC, 0xEB, 0x02, 0xEE}},
        {{0xEE, 0xEC}, true, {0xEB, 0xEB, 0xEC, 0xEE, 0xEC, 0xEC, 0xEE, 0xEE}},
        {{0x00}, false, {0xEB, 0x00, 0xEE}},
    };
    for (const Case& c : cases) {
        layer->fSetDblFrameMark(c.doubleMark);
        ASSERT_EQ(layer->WritePackage(c.data.data(), c.data.size()), static_cast<long>(c.data.size()));
        EXPECT_EQ(sent(), c.line);
        comm.CommNotify(EV_TXEMPTY);  // let the next package go
    }
}

TEST_F(PackageOnIdleEngine, EncodedPackagesDecodeToWhatWasSent)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> length(0, 300);
    // Marker bytes are frequent so every escape path is crossed.
    const std::uint8_t alphabet[] = {0xEB, 0xEE, 0xEC, 0x00, 0x55, 0xAA, 0xFF, 0x01};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 1);
    std::uniform_int_distribution<int> anyByte(0, 255);

    for (int round = 0; round < 200; ++round) {
        layer->fSetDblFrameMark(round % 2 == 0);
        Bytes data(static_cast<std::size_t>(length(random)));
        for (auto& b : data)
            b = round % 3 == 0 ? static_cast<std::uint8_t>(anyByte(random)) : alphabet[pick(random)];
        if (data.empty())
            continue;  // a time-out-free empty write is refused; covered elsewhere
        ASSERT_EQ(layer->WritePackage(data.data(), data.size()), static_cast<long>(data.size()));
        receive(sent());
        comm.CommNotify(EV_TXEMPTY);
        ASSERT_EQ(packages(), std::vector<Bytes>{data}) << "round " << round;
    }
}

TEST_F(PackageOnIdleEngine, PackagesAreCutToPackageSize)
{
    layer->fSetPkgSz(4);
    // Up to the size a package passes whole; from one byte more it is cut.
    for (std::size_t length : {3U, 4U, 5U, 6U}) {
        SCOPED_TRACE(length);
        const Bytes data = sequence(length, 1);
        const Bytes kept(data.begin(), data.begin() + static_cast<long>(std::min<std::size_t>(length, 4)));
        Bytes line = {0xEB};
        line.insert(line.end(), data.begin(), data.end());
        line.push_back(0xEE);
        receive(line);
        EXPECT_EQ(packages(), (std::vector<Bytes>{kept}));

        EXPECT_EQ(layer->WritePackage(data.data(), data.size()), static_cast<long>(kept.size()));
        EXPECT_EQ(sent(), TCommPackage::EncodeFrame(kept.data(), kept.size(), 0xEB, 0xEE, 0xEC, true));
        comm.CommNotify(EV_TXEMPTY);  // let the next package go
    }
}

// A layer whose memory runs out after a given number of blocks.
class ScarceMemoryPackage : public TCommPackage {
public:
    using TCommPackage::TCommPackage;
    int BlocksLeft = -1;  // negative: no shortage
    std::vector<std::size_t> Asked;

protected:
    std::unique_ptr<std::byte[]> AllocateStorage(std::size_t bytes) override
    {
        Asked.push_back(bytes);
        if (BlocksLeft == 0)
            return nullptr;
        if (BlocksLeft > 0)
            --BlocksLeft;
        return TCommPackage::AllocateStorage(bytes);
    }
};

// Whichever block of a size change cannot be had, the change raises the
// out-of-memory error and the layer carries on at its old sizes, with what
// it held.
TEST_F(PackageOnIdleEngine, SizeChangeWithoutMemoryRaisesAndKeepsTheOldSizes)
{
    struct Case {
        const char* what;
        void (*change)(TCommPackage&);
        int blocksBeforeShortage;
    };
    const auto packageSize = [](TCommPackage& l) { l.fSetPkgSz(64); };
    const auto queueSize = [](TCommPackage& l) { l.fSetQSize(32); };
    // A package size change needs both queues and five records, a queue size
    // change both queues.
    const Case cases[] = {
        {"package size, receive queue", packageSize, 0},  {"package size, send queue", packageSize, 1},
        {"package size, receive record", packageSize, 2}, {"package size, staging record", packageSize, 3},
        {"package size, encoded record", packageSize, 4}, {"package size, read scratch", packageSize, 5},
        {"package size, write scratch", packageSize, 6},  {"queue size, receive queue", queueSize, 0},
        {"queue size, send queue", queueSize, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        layer.reset();
        auto scarce = std::make_unique<ScarceMemoryPackage>(&comm);
        ScarceMemoryPackage& memory = *scarce;
        layer = std::move(scarce);
        layer->fSetPkgType(TCommPackageType::cptFrameHeadTail);
        layer->fSetPkgSz(8);
        layer->fSetQSize(4);
        layer->fSetActive(true);
        receive({0xEB, 0x42, 0xEE});

        memory.BlocksLeft = c.blocksBeforeShortage;
        try {
            c.change(*layer);
            ADD_FAILURE() << "no error";
        } catch (const EComm32Error& e) {
            EXPECT_EQ(e.ErrorCode, EComm32Error::ecOutOfMemory);
        }
        memory.BlocksLeft = -1;
        EXPECT_EQ(layer->fGetPkgSz(), 8U);
        EXPECT_EQ(layer->fGetQSize(), 4U);
        EXPECT_TRUE(layer->fGetActive());
        EXPECT_EQ(packages(), (std::vector<Bytes>{{0x42}})) << "what was waiting is still there";

        // Packages of the old size, in queues of the old size.
        const Bytes nine = sequence(9, 1);
        for (int i = 0; i < 4; ++i) {
            Bytes line = {0xEB};
            line.insert(line.end(), nine.begin(), nine.end());
            line.push_back(0xEE);
            receive(line);
        }
        EXPECT_EQ(packages(), (std::vector<Bytes>(3, Bytes(nine.begin(), nine.begin() + 8))));
        EXPECT_EQ(layer->WritePackage(nine.data(), nine.size()), 8);
        EXPECT_EQ(sent(), TCommPackage::EncodeFrame(nine.data(), 8, 0xEB, 0xEE, 0xEC, true));
        comm.CommNotify(EV_TXEMPTY);
    }
}

// The record and the doubled encoded record must fit their 32-bit sizes:
// larger package sizes are cut to the limit before any memory is asked for.
TEST_F(PackageOnIdleEngine, PackageSizesAboveTheLimitAreCut)
{
    struct Case {
        unsigned long asked;
        unsigned long used;
    };
    constexpr unsigned long limit = TCommPackage::MaxPackageSize;
    for (const Case c : {Case{limit - 1, limit - 1}, Case{limit, limit}, Case{limit + 1, limit},
                         Case{ULONG_MAX, limit}}) {
        SCOPED_TRACE(c.asked);
        ScarceMemoryPackage scarce(&comm);
        scarce.BlocksLeft = 0;  // nothing of that size is really allocated
        EXPECT_THROW(scarce.fSetPkgSz(c.asked), EComm32Error);
        ASSERT_FALSE(scarce.Asked.empty());
        EXPECT_EQ(scarce.Asked.front(),
                  TCommPackageQueue::StorageSize(16, static_cast<long>(c.used + PackageHeadSize)));
        EXPECT_EQ(scarce.fGetPkgSz(), TCommPackage::DefaultPackageSize);
    }
}

TEST_F(PackageOnIdleEngine, ReadPackageSizes)
{
    receive({0xEB, 1, 2, 3, 4, 5, 0xEE, 0xEB, 9, 0xEE});

    EXPECT_EQ(layer->ReadPackage(nullptr, 0), 5);
    Bytes buf(16, 0);
    EXPECT_EQ(layer->ReadPackage(buf.data(), 0), 5) << "size 0 only looks";
    EXPECT_EQ(layer->ReadQueueCount(), 2U);

    EXPECT_EQ(layer->ReadPackage(buf.data(), 3), 3);
    EXPECT_EQ(Bytes(buf.begin(), buf.begin() + 4), (Bytes{1, 2, 3, 0})) << "nothing written past the buffer";
    EXPECT_EQ(layer->ReadPackage(buf.data(), buf.size()), 1) << "the rest of the first package is gone";
    EXPECT_EQ(buf[0], 9);
    EXPECT_EQ(layer->ReadPackage(buf.data(), buf.size()), 0);
}

TEST_F(PackageOnIdleEngine, InactiveLayerNeitherReadsNorWrites)
{
    receive({0xEB, 1, 0xEE});
    const std::size_t notifiedWhileActive = notified.count(~0);
    layer->fSetActive(false);
    Bytes buf(16);
    EXPECT_EQ(layer->ReadPackage(buf.data(), buf.size()), 0);
    EXPECT_EQ(layer->WritePackage(buf.data(), 3), 0);
    EXPECT_TRUE(sent().empty());

    // While inactive the engine's bytes are left alone for its own readers.
    const Bytes line = {0xEB, 2, 0xEE};
    comm.InQueue->In(reinterpret_cast<const char*>(line.data()), 3);
    comm.CommNotify(EV_RXCHAR);
    EXPECT_EQ(comm.InQueue->Count(), 3);
    EXPECT_EQ(notified.count(~0), notifiedWhileActive);
    EXPECT_EQ(chained.count(EV_RXCHAR), 2U) << "the chain always sees the engine's bits";
}

TEST_F(PackageOnIdleEngine, ActivationDiscardsPartialAndQueuedPackages)
{
    receive({0xEB, 1, 0xEE, 0xEB, 2});
    ASSERT_EQ(layer->ReadQueueCount(), 1U);
    layer->fSetActive(true);
    EXPECT_EQ(layer->ReadQueueCount(), 0U);
    receive({3, 0xEE});
    EXPECT_TRUE(packages().empty()) << "the partial package did not survive";
}

TEST_F(PackageOnIdleEngine, FullReadQueueDropsTheNewest)
{
    struct Case {
        unsigned long queueSize;
        std::size_t held;
    };
    for (const Case c : {Case{16, 15}, Case{1, 1}, Case{2, 1}, Case{3, 2}, Case{4, 3}}) {
        SCOPED_TRACE(c.queueSize);
        layer->fSetQSize(c.queueSize);
        for (std::uint8_t i = 1; i <= 16; ++i)
            receive({0xEB, i, 0xEE});
        std::vector<Bytes> expected;
        for (std::uint8_t i = 1; i <= c.held; ++i)
            expected.push_back({i});
        EXPECT_EQ(packages(), expected);
    }
}

TEST_F(PackageOnIdleEngine, FullWriteQueueRefuses)
{
    comm.OutQueue->fSetBufSize(0);  // the engine takes nothing
    layer->fSetQSize(4);
    const Bytes data = {1, 2};
    // One package is taken out by the send step, three wait in the queue.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(layer->WritePackage(data.data(), data.size()), 2) << i;
    EXPECT_EQ(layer->WritePackage(data.data(), data.size()), 0);
    EXPECT_EQ(layer->WriteQueueCount(), 3U);
}

TEST_F(PackageOnIdleEngine, NotificationBits)
{
    // Bits other than receive and transmit pass unchanged, to both.
    comm.CommNotify(EV_RXFLAG | EV_CTS | EV_ERR);
    ASSERT_EQ(notified.entries().size(), 1U);
    EXPECT_EQ(notified.entries()[0].type, EV_RXFLAG | EV_CTS | EV_ERR);
    EXPECT_EQ(chained.entries().back().type, EV_RXFLAG | EV_CTS | EV_ERR);

    // Receiving: EV_RXCHAR only when a package is complete.
    receive({0xEB, 1});
    EXPECT_EQ(notified.entries().size(), 1U);
    receive({0xEE});
    EXPECT_EQ(notified.entries().back().type, EV_RXCHAR);

    // Sending: EV_TXEMPTY once no package waits in the queue any more.
    // The engine refuses at first, so the second package has to wait.
    comm.DisableWrite = true;
    const Bytes data = {7};
    layer->WritePackage(data.data(), 1);
    layer->WritePackage(data.data(), 1);
    comm.DisableWrite = false;
    comm.CommNotify(EV_TXEMPTY);
    EXPECT_EQ(notified.count(EV_TXEMPTY), 0U) << "one package still waited";
    comm.CommNotify(EV_TXEMPTY);
    EXPECT_EQ(notified.count(EV_TXEMPTY), 1U);
    EXPECT_EQ(sent(), (Bytes{0xEB, 0xEB, 7, 0xEE, 0xEE, 0xEB, 0xEB, 7, 0xEE, 0xEE}));

    for (const auto& e : chained.entries())
        EXPECT_NE(e.type, 0);
    EXPECT_EQ(chained.entries().size(), 5U);
}

TEST_F(PackageOnIdleEngine, HandlerExceptionDoesNotCutTheChain)
{
    layer->OnPackage = [](TObject*, int) { throw std::runtime_error("handler failed"); };
    comm.CommNotify(EV_CTS);
    EXPECT_EQ(chained.count(EV_CTS), 1U);
}

TEST_F(PackageOnIdleEngine, SendStepResumesWhereTheEngineStopped)
{
    comm.OutQueue->fSetBufSize(8);  // takes 7 bytes at a time
    const Bytes first = sequence(20, 1);
    const Bytes second = {0x30, 0x31};
    ASSERT_EQ(layer->WritePackage(first.data(), first.size()), 20);
    ASSERT_EQ(layer->WritePackage(second.data(), second.size()), 2);

    Bytes line = sent();
    EXPECT_EQ(line.size(), 7U);
    for (int step = 0; step < 20; ++step) {
        comm.CommNotify(EV_TXEMPTY);
        const Bytes more = sent();
        line.insert(line.end(), more.begin(), more.end());
    }
    Bytes expected = TCommPackage::EncodeFrame(first.data(), first.size(), 0xEB, 0xEE, 0xEC, true);
    const Bytes secondLine = TCommPackage::EncodeFrame(second.data(), second.size(), 0xEB, 0xEE, 0xEC, true);
    expected.insert(expected.end(), secondLine.begin(), secondLine.end());
    EXPECT_EQ(line, expected);
}

TEST_F(PackageOnIdleEngine, RefusedWriteIsRetried)
{
    comm.DisableWrite = true;
    const Bytes data = {5, 6};
    ASSERT_EQ(layer->WritePackage(data.data(), 2), 2);
    EXPECT_TRUE(sent().empty());
    comm.DisableWrite = false;
    comm.CommNotify(EV_TXEMPTY);
    EXPECT_EQ(sent(), (Bytes{0xEB, 0xEB, 5, 6, 0xEE, 0xEE}));
}

TEST_F(PackageOnIdleEngine, PurgeWriteDropsQueuedPackagesButFinishesTheCurrentOne)
{
    comm.OutQueue->fSetBufSize(4);
    const Bytes first = {1, 2, 3, 4};
    const Bytes second = {9};
    layer->WritePackage(first.data(), first.size());
    layer->WritePackage(second.data(), second.size());
    layer->PurgeWrite();
    Bytes line = sent();
    for (int step = 0; step < 10; ++step) {
        comm.CommNotify(EV_TXEMPTY);
        const Bytes more = sent();
        line.insert(line.end(), more.begin(), more.end());
    }
    EXPECT_EQ(line, TCommPackage::EncodeFrame(first.data(), first.size(), 0xEB, 0xEE, 0xEC, true));
}

TEST_F(PackageOnIdleEngine, TimeoutTypeSendsDataAsItIs)
{
    layer->fSetPkgType(TCommPackageType::cptFrameTimeout);
    const Bytes data = {0xEB, 0xEE, 0xEC, 0x00, 1, 2, 3};
    EXPECT_EQ(layer->WritePackage(data.data(), data.size()), 7);
    EXPECT_EQ(sent(), data);
    EXPECT_EQ(layer->WritePackage(data.data(), 0), 0);
    EXPECT_EQ(layer->WritePackage(nullptr, 3), 0);
}

TEST_F(PackageOnIdleEngine, CompatibleTypeMovesWholeRecords)
{
    layer->fSetPkgType(TCommPackageType::cptCompatiblePkg);
    layer->fSetPkgSz(8);
    const std::size_t recordSize = PackageHeadSize + 8;

    Bytes record(recordSize, 0);
    const std::uint32_t length = 3;
    std::memcpy(record.data(), &length, sizeof length);
    record[PackageHeadSize] = 0x41;
    record[PackageHeadSize + 1] = 0xEB;
    record[PackageHeadSize + 2] = 0x42;
    EXPECT_EQ(layer->WritePackage(record.data(), 0), 1);
    const Bytes line = sent();
    EXPECT_EQ(line, (Bytes{0xEB, 0xEB, 0x41, 0xEC, 0xEB, 0x42, 0xEE, 0xEE}));

    receive(line);
    Bytes got(recordSize + 4, 0x77);
    EXPECT_EQ(layer->ReadPackage(got.data(), 0), 1);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 7), Bytes(record.begin(), record.begin() + 7));
    EXPECT_EQ(got[recordSize], 0x77) << "exactly one record written";

    // A record cut short by its caller is not read past its end.
    Bytes shortRecord(PackageHeadSize + 1, 0);
    const std::uint32_t claimed = 8;
    std::memcpy(shortRecord.data(), &claimed, sizeof claimed);
    shortRecord[PackageHeadSize] = 0x55;
    comm.CommNotify(EV_TXEMPTY);
    EXPECT_EQ(layer->WritePackage(shortRecord.data(), shortRecord.size()), 1);
    EXPECT_EQ(sent(), (Bytes{0xEB, 0xEB, 0x55, 0xEE, 0xEE}));
}

// The send step runs on the owner's thread (WritePackage) and on the reader's
// (transmit empty) at once; the line must still carry whole packages in order.
TEST_F(PackageOnIdleEngine, SendStepFromTwoThreadsKeepsPackagesWhole)
{
    // No logging here: the reader below notifies in a tight loop.
    layer.reset();
    comm.OnCommNotify = nullptr;
    layer = std::make_unique<TCommPackage>(&comm);
    layer->fSetPkgType(TCommPackageType::cptFrameHeadTail);
    layer->fSetPkgSz(16);
    layer->fSetActive(true);
    comm.OutQueue->fSetBufSize(64);
    constexpr int packageCount = 1500;
    std::atomic<bool> writing{true};
    Bytes line;
    std::thread reader([&] {
        char block[64];
        while (writing || comm.OutQueue->Count() > 0 || layer->WriteQueueCount() > 0) {
            const long n = comm.OutQueue->Out(block, sizeof block);
            line.insert(line.end(), block, block + n);
            comm.CommNotify(EV_TXEMPTY);
        }
        for (int i = 0; i < 100; ++i) {  // the last package's tail
            comm.CommNotify(EV_TXEMPTY);
            const long n = comm.OutQueue->Out(block, sizeof block);
            line.insert(line.end(), block, block + n);
        }
    });
    for (int i = 0; i < packageCount;) {
        const Bytes data = {static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i), 0xEB, 0xEE};
        if (layer->WritePackage(data.data(), data.size()) != 0)
            ++i;
        else
            std::this_thread::yield();
    }
    writing = false;
    reader.join();

    layer->fSetQSize(packageCount + 1);
    comm.InQueue->fSetBufSize(static_cast<long>(line.size()) + 1);
    receive(line);
    const std::vector<Bytes> got = packages();
    ASSERT_EQ(got.size(), static_cast<std::size_t>(packageCount));
    for (int i = 0; i < packageCount; ++i)
        ASSERT_EQ(got[static_cast<std::size_t>(i)],
                  (Bytes{static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i), 0xEB, 0xEE}));
}

}  // namespace
