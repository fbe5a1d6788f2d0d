// Ring of fixed-size package records between exactly one storing thread and
// one taking thread. No lock: each side publishes only its own position, with
// release after its copy, and reads the other's with acquire. One slot always
// stays free, so a queue of N slots holds N - 1 records.
//
// Storing side: In(). Taking side: Out(), Read(), Clear(), Count().
// SetQueue() and fRemoveQueue() replace the storage and need both sides idle.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace HalvikComm32 {

class TCommPackageQueue {
public:
    static constexpr std::int32_t MinItemCount = 2;
    static constexpr std::int32_t MinItemSize = 32;

    TCommPackageQueue(unsigned long count, unsigned long size);
    virtual ~TCommPackageQueue();

    TCommPackageQueue(const TCommPackageQueue&) = delete;
    TCommPackageQueue& operator=(const TCommPackageQueue&) = delete;

    // Count is raised to 2 and size to 32 bytes; the queue is left empty.
    // Without memory for the slots the queue stays without storage.
    void SetQueue(long count, long size);
    void fRemoveQueue();
    // Bytes of storage SetQueue(count, size) needs; 0 when that is more than
    // can be addressed.
    static std::size_t StorageSize(long count, long size);
    // SetQueue with storage of StorageSize(count, size) bytes the caller
    // obtained beforehand, so that a lack of memory can be found out before
    // anything is changed.
    void Adopt(long count, long size, std::unique_ptr<std::byte[]> storage);

    // Copies ItemSize() bytes into the next slot; 0 without storage or when full.
    int In(const void* record);
    // Copies the oldest record out and removes it; 0 when there is none.
    int Out(void* record);
    // Copies the record `index` places after the oldest, removing nothing.
    int Read(void* record, unsigned long index) const;
    // Drops every record held (taking side).
    void Clear();

    unsigned long Count() const;
    bool HasStorage() const { return m_buffer != nullptr; }
    std::int32_t ItemCount() const { return m_itemCount; }
    std::int32_t ItemSize() const { return m_itemSize; }

private:
    static void normalise(long count, long size, std::int32_t& itemCount, std::int32_t& itemSize);
    std::byte* slot(std::uint32_t index) const;

    std::unique_ptr<std::byte[]> m_buffer;
    std::atomic<std::uint32_t> m_readPos{0};
    std::atomic<std::uint32_t> m_writePos{0};
    std::int32_t m_itemCount = MinItemCount;
    std::int32_t m_itemSize = MinItemSize;
};

}  // namespace HalvikComm32
