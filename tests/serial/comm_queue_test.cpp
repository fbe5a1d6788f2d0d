#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "engine_test_support.h"
#include "serial/comm32.h"

namespace {

using HalvikComm32::EComm32Error;
using HalvikComm32::TCommQueue;
using varnel::serial_engine_test::Bytes;
using varnel::serial_engine_test::Pattern;

long Put(TCommQueue& q, const Bytes& bytes)
{
    return q.In(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

Bytes Take(TCommQueue& q, long n)
{
    Bytes out(static_cast<std::size_t>(std::max(n, 0L)));
    const long got = q.Out(reinterpret_cast<char*>(out.data()), n);
    out.resize(static_cast<std::size_t>(std::max(got, 0L)));
    return out;
}

TEST(CommQueueTest, EightKilobyteQueueHoldsAtMost8191Bytes)
{
    TCommQueue q(8192);
    EXPECT_EQ(q.fGetBufSize(), 8192);
    EXPECT_EQ(q.FreeRoom(), 8191);
    const Bytes data = Pattern(10000);
    EXPECT_EQ(Put(q, data), 8191);
    EXPECT_EQ(q.Count(), 8191);
    EXPECT_EQ(q.FreeRoom(), 0);
    char one = 'x';
    EXPECT_EQ(q.In(&one), 0);
    EXPECT_EQ(Take(q, 10000), Bytes(data.begin(), data.begin() + 8191));
    EXPECT_EQ(q.Count(), 0);
    EXPECT_EQ(q.Out(&one), 0);
}

// Positions walk around the ring; every split of a copy at the end of the
// storage must give back the bytes in order.
TEST(CommQueueTest, CopiesAcrossTheEndOfTheRingKeepOrder)
{
    struct Case {
        long Size;
        long Offset;  // bytes stored and taken first to move the positions
        long Length;
    };
    const Case cases[] = {
        {16, 0, 15}, {16, 10, 6}, {16, 10, 15}, {16, 15, 1}, {16, 15, 15}, {16, 8, 8}, {2, 1, 1}, {7, 3, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.Size << "/" << c.Offset << "/" << c.Length);
        TCommQueue q(c.Size);
        ASSERT_EQ(Put(q, Pattern(static_cast<std::size_t>(c.Offset), 7)), c.Offset);
        ASSERT_EQ(Take(q, c.Offset).size(), static_cast<std::size_t>(c.Offset));
        const Bytes data = Pattern(static_cast<std::size_t>(c.Length), 9);
        EXPECT_EQ(Put(q, data), c.Length);
        EXPECT_EQ(q.Count(), c.Length);
        EXPECT_EQ(q.FreeRoom(), c.Size - 1 - c.Length);
        EXPECT_EQ(Take(q, c.Length), data);
    }
}

TEST(CommQueueTest, PartialTakesLeaveTheRest)
{
    TCommQueue q(32);
    const Bytes data = Pattern(20);
    Put(q, data);
    EXPECT_EQ(Take(q, 5), Bytes(data.begin(), data.begin() + 5));
    char c = 0;
    EXPECT_EQ(q.Out(&c), 1);
    EXPECT_EQ(static_cast<std::uint8_t>(c), data[5]);
    EXPECT_EQ(Take(q, 100), Bytes(data.begin() + 6, data.end()));
}

TEST(CommQueueTest, NullPointersAndNonPositiveCountsDoNothing)
{
    TCommQueue q(16);
    char buf[4] = {1, 2, 3, 4};
    EXPECT_EQ(q.In(nullptr), 0);
    EXPECT_EQ(q.In(nullptr, 4), 0);
    EXPECT_EQ(q.In(buf, 0), 0);
    EXPECT_EQ(q.In(buf, -5), 0);
    EXPECT_EQ(q.Count(), 0);
    q.In(buf, 4);
    EXPECT_EQ(q.Out(nullptr, 4), 0);
    EXPECT_EQ(q.Out(buf, 0), 0);
    EXPECT_EQ(q.Out(buf, -1), 0);
    EXPECT_EQ(q.Count(), 4);
}

TEST(CommQueueTest, ResizingEmptiesAndReleasingKeepsTheSize)
{
    TCommQueue q(16);
    Put(q, Pattern(10));
    q.fSetBufSize(64);
    EXPECT_EQ(q.Count(), 0);
    EXPECT_EQ(q.fGetBufSize(), 64);
    EXPECT_EQ(Put(q, Pattern(100)), 63);

    q.fSetBufSize(0);
    EXPECT_FALSE(q.HasBuffer());
    EXPECT_EQ(q.fGetBufSize(), 64);
    EXPECT_EQ(Put(q, Pattern(4)), 0);
    EXPECT_EQ(q.Count(), 0);
    EXPECT_EQ(q.FreeRoom(), 0);
    char c = 0;
    EXPECT_EQ(q.Out(&c), 0);

    q.fSetBufSize(-1);
    EXPECT_FALSE(q.HasBuffer());
    q.fSetBufSize(8);
    EXPECT_TRUE(q.HasBuffer());
    EXPECT_EQ(Put(q, Pattern(8)), 7);
}

TEST(CommQueueTest, QueueOfOneByteStoresNothing)
{
    TCommQueue q(1);
    EXPECT_TRUE(q.HasBuffer());
    char c = 'a';
    EXPECT_EQ(q.In(&c), 0);
}

TEST(CommQueueTest, ConstructedWithoutSizeHasNoStorage)
{
    TCommQueue q(0);
    EXPECT_FALSE(q.HasBuffer());
    EXPECT_EQ(q.fGetBufSize(), 0);
}

TEST(CommQueueTest, SizeBeyondMemoryRaisesCode1AndKeepsTheOldStorage)
{
    // Sizes beyond what the queue's 32-bit size holds are refused before any
    // memory is asked for.
    for (const long size : {1L << 40, 2147483648L}) {
        SCOPED_TRACE(size);
        TCommQueue q(16);
        try {
            q.fSetBufSize(size);
            ADD_FAILURE() << "no error";
        } catch (const EComm32Error& e) {
            EXPECT_EQ(e.ErrorCode, EComm32Error::ecOutOfMemory);
        }
        EXPECT_TRUE(q.HasBuffer());
        EXPECT_EQ(q.fGetBufSize(), 16);
        EXPECT_EQ(Put(q, Pattern(20)), 15);
    }

    // The constructor swallows the failure and leaves the queue without storage.
    TCommQueue huge(1L << 40);
    EXPECT_FALSE(huge.HasBuffer());
}

// One storing and one taking thread: every byte arrives once, in order.
TEST(CommQueueTest, OneProducerOneConsumerLoseNothing)
{
    TCommQueue q(257);
    const Bytes data = Pattern(1 << 20, 3);
    Bytes received;
    received.reserve(data.size());
    std::thread consumer([&] {
        char buf[100];
        while (received.size() < data.size()) {
            const long n = q.Out(buf, sizeof buf);
            if (n == 0)
                std::this_thread::yield();
            received.insert(received.end(), buf, buf + n);
        }
    });
    std::size_t sent = 0;
    while (sent < data.size()) {
        const long n = q.In(reinterpret_cast<const char*>(data.data()) + sent,
                            static_cast<long>(std::min<std::size_t>(77, data.size() - sent)));
        if (n == 0)
            std::this_thread::yield();
        sent += static_cast<std::size_t>(n);
    }
    consumer.join();
    EXPECT_EQ(received, data);
}

// Resizing and clearing while both sides run must never hand out bytes that
// were not stored: the producer stores a rising counter, so whatever comes
// out is a run of consecutive values between resets.
TEST(CommQueueTest, ResizeAndClearWhileBothSidesRun)
{
    TCommQueue q(64);
    std::atomic<bool> stop{false};
    std::atomic<long> wrongBytes{0};
    std::atomic<long> taken{0};
    std::thread producer([&] {
        std::uint8_t next = 0;
        while (!stop.load()) {
            char b = static_cast<char>(next);
            if (q.In(&b) == 1)
                ++next;
        }
    });
    std::thread consumer([&] {
        char buf[32];
        while (!stop.load()) {
            const long n = q.Out(buf, sizeof buf);
            for (long i = 1; i < n; ++i) {
                // Inside one take the bytes were stored one after another,
                // unless a clear cut in between (then the take would have
                // been refused), so each follows its predecessor.
                if (static_cast<std::uint8_t>(buf[i]) != static_cast<std::uint8_t>(buf[i - 1] + 1))
                    wrongBytes.fetch_add(1);
            }
            taken.fetch_add(n);
        }
    });
    for (int i = 0; i < 2000; ++i) {
        if (i % 2 == 0)
            q.fSetBufSize(16 + (i % 7) * 16);
        else
            q.Clear();
        if (i % 100 == 0)
            std::this_thread::yield();
    }
    ASSERT_TRUE(varnel::serial_engine_test::Eventually([&] { return taken.load() > 1000; }));
    stop.store(true);
    producer.join();
    consumer.join();
    EXPECT_EQ(wrongBytes.load(), 0);
}

}  // namespace
