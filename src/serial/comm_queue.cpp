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
    struct TRelease {
        TCommQueue& Queue;
        ~TRelease() { Queue.EndExclusive(); }
    };
    BeginExclusive();
    TRelease release{*this};
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

long TCommQueue::fGetBufSize() const
{
    for (;;) {
        if (TUse use{*this})
            return BufSize;
        std::this_thread::yield();
    }
}

bool TCommQueue::HasBuffer() const
{
    for (;;) {
        if (TUse use{*this})
            return Buffer != nullptr;
        std::this_thread::yield();
    }
}

void TCommQueue::Clear()
{
    struct TRelease {
        TCommQueue& Queue;
        ~TRelease() { Queue.EndExclusive(); }
    };
    BeginExclusive();
    TRelease release{*this};
    ReadPos.store(0, std::memory_order_relaxed);
    WritePos.store(0, std::memory_order_relaxed);
}

long TCommQueue::In(const char* p) { return In(p, 1); }

long TCommQueue::Out(char* p) { return Out(p, 1); }

long TCommQueue::In(const char* p, long n)
{
    if (p == nullptr || n <= 0)
        return 0;
    TUse use{*this};
    if (!use || !Buffer)
        return 0;
    const std::int64_t size = BufSize;
    const std::int32_t write = WritePos.load(std::memory_order_relaxed);
    const std::int32_t read = ReadPos.load(std::memory_order_acquire);
    const std::int64_t room = (read - write - 1 + size) % size;
    const std::int64_t count = std::min<std::int64_t>(n, room);
    if (count <= 0)
        return 0;
    const std::int64_t first = std::min<std::int64_t>(count, size - write);
    std::memcpy(Buffer.get() + write, p, static_cast<std::size_t>(first));
    std::memcpy(Buffer.get(), p + first, static_cast<std::size_t>(count - first));
    WritePos.store(static_cast<std::int32_t>((write + count) % size), std::memory_order_release);
    return static_cast<long>(count);
}

long TCommQueue::Out(char* p, long n)
{
    if (p == nullptr || n <= 0)
        return 0;
    TUse use{*this};
    if (!use || !Buffer)
        return 0;
    const std::int64_t size = BufSize;
    const std::int32_t read = ReadPos.load(std::memory_order_relaxed);
    const std::int32_t write = WritePos.load(std::memory_order_acquire);
    const std::int64_t held = (write - read + size) % size;
    const std::int64_t count = std::min<std::int64_t>(n, held);
    if (count <= 0)
        return 0;
    const std::int64_t first = std::min<std::int64_t>(count, size - read);
    std::memcpy(p, Buffer.get() + read, static_cast<std::size_t>(first));
    std::memcpy(p + first, Buffer.get(), static_cast<std::size_t>(count - first));
    ReadPos.store(static_cast<std::int32_t>((read + count) % size), std::memory_order_release);
    return static_cast<long>(count);
}

long TCommQueue::Count() const
{
    TUse use{*this};
    if (!use || !Buffer)
        return 0;
    const std::int64_t size = BufSize;
    const std::int64_t read = ReadPos.load(std::memory_order_acquire);
    const std::int64_t write = WritePos.load(std::memory_order_acquire);
    return static_cast<long>((write - read + size) % size);
}

long TCommQueue::FreeRoom() const
{
    TUse use{*this};
    if (!use || !Buffer)
        return 0;
    const std::int64_t size = BufSize;
    const std::int64_t read = ReadPos.load(std::memory_order_acquire);
    const std::int64_t write = WritePos.load(std::memory_order_acquire);
    return static_cast<long>((read - write - 1 + size) % size);
}

}  // namespace HalvikComm32
