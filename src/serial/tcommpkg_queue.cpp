#include "serial/tcommpkg_queue.h"

#include <climits>
#include <cstring>
#include <limits>
#include <new>

namespace HalvikComm32 {

namespace {

long clampToLong(unsigned long v)
{
    return v > static_cast<unsigned long>(LONG_MAX) ? LONG_MAX : static_cast<long>(v);
}

}  // namespace

TCommPackageQueue::TCommPackageQueue(unsigned long count, unsigned long size)
{
    SetQueue(clampToLong(count), clampToLong(size));
}

TCommPackageQueue::~TCommPackageQueue()
{
    fRemoveQueue();
}

void TCommPackageQueue::normalise(long count, long size, std::int32_t& itemCount, std::int32_t& itemSize)
{
    constexpr long maxInt = std::numeric_limits<std::int32_t>::max();
    itemCount = count <= MinItemCount ? MinItemCount : static_cast<std::int32_t>(count > maxInt ? maxInt : count);
    itemSize = size <= MinItemSize ? MinItemSize : static_cast<std::int32_t>(size > maxInt ? maxInt : size);
}

std::size_t TCommPackageQueue::StorageSize(long count, long size)
{
    std::int32_t itemCount = 0;
    std::int32_t itemSize = 0;
    normalise(count, size, itemCount, itemSize);
    const auto slots = static_cast<std::size_t>(itemCount);
    const auto bytesPerSlot = static_cast<std::size_t>(itemSize);
    if (slots > std::numeric_limits<std::size_t>::max() / bytesPerSlot)
        return 0;
    return slots * bytesPerSlot;
}

void TCommPackageQueue::SetQueue(long count, long size)
{
    m_buffer.reset();
    const std::size_t bytes = StorageSize(count, size);
    Adopt(count, size, std::unique_ptr<std::byte[]>(bytes == 0 ? nullptr : new (std::nothrow) std::byte[bytes]));
}

void TCommPackageQueue::Adopt(long count, long size, std::unique_ptr<std::byte[]> storage)
{
    normalise(count, size, m_itemCount, m_itemSize);
    m_readPos.store(0, std::memory_order_relaxed);
    m_writePos.store(0, std::memory_order_relaxed);
    m_buffer = std::move(storage);
}

void TCommPackageQueue::fRemoveQueue()
{
    m_buffer.reset();
    m_readPos.store(0, std::memory_order_relaxed);
    m_writePos.store(0, std::memory_order_relaxed);
}

std::byte* TCommPackageQueue::slot(std::uint32_t index) const
{
    return m_buffer.get() + static_cast<std::size_t>(index) * static_cast<std::size_t>(m_itemSize);
}

int TCommPackageQueue::In(const void* record)
{
    if (!m_buffer || record == nullptr)
        return 0;
    const std::uint32_t write = m_writePos.load(std::memory_order_relaxed);
    const std::uint32_t next = (write + 1) % static_cast<std::uint32_t>(m_itemCount);
    if (next == m_readPos.load(std::memory_order_acquire))
        return 0;
    std::memcpy(slot(write), record, static_cast<std::size_t>(m_itemSize));
    m_writePos.store(next, std::memory_order_release);
    return 1;
}

int TCommPackageQueue::Out(void* record)
{
    if (!m_buffer || record == nullptr)
        return 0;
    const std::uint32_t read = m_readPos.load(std::memory_order_relaxed);
    if (read == m_writePos.load(std::memory_order_acquire))
        return 0;
    std::memcpy(record, slot(read), static_cast<std::size_t>(m_itemSize));
    m_readPos.store((read + 1) % static_cast<std::uint32_t>(m_itemCount), std::memory_order_release);
    return 1;
}

int TCommPackageQueue::Read(void* record, unsigned long index) const
{
    if (!m_buffer || record == nullptr || index >= Count())
        return 0;
    const std::uint32_t read = m_readPos.load(std::memory_order_relaxed);
    const auto count = static_cast<std::uint32_t>(m_itemCount);
    const auto at = static_cast<std::uint32_t>((read + index) % count);
    std::memcpy(record, slot(at), static_cast<std::size_t>(m_itemSize));
    return 1;
}

void TCommPackageQueue::Clear()
{
    m_readPos.store(m_writePos.load(std::memory_order_acquire), std::memory_order_release);
}

unsigned long TCommPackageQueue::Count() const
{
    const std::uint32_t read = m_readPos.load(std::memory_order_acquire);
    const std::uint32_t write = m_writePos.load(std::memory_order_acquire);
    const auto count = static_cast<std::uint32_t>(m_itemCount);
    return (write + count - read) % count;
}

}  // namespace HalvikComm32
