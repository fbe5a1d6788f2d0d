#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <thread>

#include "serial/comm32.h"

namespace HalvikComm32 {

// An In/Out/Count call in progress; refused while a resize or clear runs.
class TCommQueue::TUse {
public:
    explicit TUse(const TCommQueue& q) : Queue(q), Granted(q.BeginUse()) {}
    TUse(const TUse&) = delete;
    TUse& operator=(const TUse&) = delete;
    ~TUse()
    {
        if (Granted)
            Queue.EndUse();
    }
    explicit operator bool() const { return Granted; }

private:
    const TCommQueue& Queue;
    bool Granted;
};

// A resize or clear: no In/Out/Count call runs until it ends.
class TCommQueue::TExclusive {
public:
    explicit TExclusive(TCommQueue& q) : Queue(q) { Queue.BeginExclusive(); }
    TExclusive(const TExclusive&) = delete;
    TExclusive& operator=(const TExclusive&) = delete;
    ~TExclusive() { Queue.EndExclusive(); }

private:
    TCommQueue& Queue;
};

namespace {

// Bytes from position from up to position to around a ring of size bytes,
// less reserve.
std::int64_t RingGap(std::int64_t from, std::int64_t to, std::int64_t reserve, std::int64_t size)
{
    return (to - from - reserve + size) % size;
}

}  // namespace


TCommQueue::TCommQueue(long size)
    : BufSize(static_cast<std::int32_t>(
        std::clamp<long>(size, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max())))
{
    try {
        fSetBufSize(size);
    } catch (const EComm32Error&) {
        // Left without storage; Open reports it (codes 2 and 3).
    }
}

TCommQueue::~TCommQueue() { Buffer.reset(); }

// The user count is raised before the exclusive flag is read, and the flag is
// raised before the count is read (all sequentially consistent), so either the
// user sees the flag and backs off, or the exclusive side waits for it.
bool TCommQueue::BeginUse() const
{
    Users.fetch_add(1, std::memory_order_seq_cst);
    if (Exclusive.load(std::memory_order_seq_cst)) {
        Users.fetch_sub(1, std::memory_order_release);
        return false;
    }
    return true;
}

void TCommQueue::EndUse() const { Users.fetch_sub(1, std::memory_order_release); }

void TCommQueue::BeginExclusive()
{
    bool expected = false;
    while (!Exclusive.compare_exchange_weak(expected, true, std::memory_order_seq_cst)) {
        expected = false;
        std::this_thread::yield();
    }
    // Calls under way copy at most a few kilobytes; wait for them.
    while (Users.load(std::memory_order_seq_cst) != 0)
        std::this_thread::yield();
}

void TCommQueue::EndExclusive() { Exclusive.store(false, std::memory_order_seq_cst); }

void TCommQueue::fSetBufSize(long size)
{
    TExclusive exclusive{*this};
    ReadPos.store(0, std::memory_order_relaxed);
    WritePos.store(0, std::memory_order_relaxed);
    if (size <= 0) {
        Buffer.reset();
        return;
    }
    if (size > std::numeric_limits<std::int32_t>::max())
        throw EComm32Error(EComm32Error::ecOutOfMemory);
    std::unique_ptr<char[]> storage(new (std::nothrow) char[static_cast<std::size_t>(size)]);
    if (!storage)
        throw EComm32Error(EComm32Error::ecOutOfMemory);
    Buffer = std::move(storage);
    BufSize = static_cast<std::int32_t>(size);
}

template <typename Read>
auto TCommQueue::ReadWhenGranted(Read read) const
{
    for (;;) {
        if (TUse use{*this})
            return read();
        std::this_thread::yield();
    }
}

long TCommQueue::fGetBufSize() const
{
    return ReadWhenGranted([this] { return static_cast<long>(BufSize); });
}

bool TCommQueue::HasBuffer() const
{
    return ReadWhenGranted([this] { return Buffer != nullptr; });
}

void TCommQueue::Clear()
{
    TExclusive exclusive{*this};
    ReadPos.store(0, std::memory_order_relaxed);
    WritePos.store(0, std::memory_order_relaxed);
}

long TCommQueue::In(const char* p) { return In(p, 1); }

long TCommQueue::Out(char* p) { return Out(p, 1); }

template <typename Copy>
long TCommQueue::Transfer(std::atomic<std::int32_t>& own, const std::atomic<std::int32_t>& other,
                          std::int64_t reserve, long n, Copy copy)
{
    TUse use{*this};
    if (!use || !Buffer)
        return 0;
    const std::int64_t size = BufSize;
    const std::int32_t mine = own.load(std::memory_order_relaxed);
    const std::int32_t theirs = other.load(std::memory_order_acquire);
    const std::int64_t count = std::min<std::int64_t>(n, RingGap(mine, theirs, reserve, size));
    if (count <= 0)
        return 0;
    const std::int64_t first = std::min<std::int64_t>(count, size - mine);
    copy(mine, std::int64_t{0}, first);
    copy(std::int64_t{0}, first, count - first);
    own.store(static_cast<std::int32_t>((mine + count) % size), std::memory_order_release);
    return static_cast<long>(count);
}

long TCommQueue::In(const char* p, long n)
{
    if (p == nullptr || n <= 0)
        return 0;
    // One byte stays free so that a full ring differs from an empty one.
    return Transfer(WritePos, ReadPos, 1, n, [&](std::int64_t ring, std::int64_t done, std::int64_t len) {
        std::memcpy(Buffer.get() + ring, p + done, static_cast<std::size_t>(len));
    });
}

long TCommQueue::Out(char* p, long n)
{
    if (p == nullptr || n <= 0)
        return 0;
    return Transfer(ReadPos, WritePos, 0, n, [&](std::int64_t ring, std::int64_t done, std::int64_t len) {
        std::memcpy(p + done, Buffer.get() + ring, static_cast<std::size_t>(len));
    });
}

long TCommQueue::Gap(bool room) const
{
    TUse use{*this};
    if (!use || !Buffer)
        return 0;
    const std::int64_t size = BufSize;
    const std::int64_t read = ReadPos.load(std::memory_order_acquire);
    const std::int64_t write = WritePos.load(std::memory_order_acquire);
    return static_cast<long>(room ? RingGap(write, read, 1, size) : RingGap(read, write, 0, size));
}

long TCommQueue::Count() const { return Gap(false); }

long TCommQueue::FreeRoom() const { return Gap(true); }

}  // namespace HalvikComm32
