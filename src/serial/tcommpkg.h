// Package layer on a serial engine: cuts the received byte stream into
// packages and sends whole packages.
//
// Framings:
//  - cptFrameHeadTail / cptCompatiblePkg: packages are marked by a head and a
//    tail byte; a control byte makes the next byte literal. Sent as
//    head [head] data-with-escapes tail [tail] (doubled with DoubleFrameMark).
//  - cptFrameTimeout: a package is the run of bytes that ends with one
//    PackageInterval of silence on the line; sent as it is.
// cptCompatiblePkg callers pass whole records (TCommPackageHead followed by
// PackageSize data bytes); the other types pass plain data with a length.
//
// Threads: the engine's reader runs the marker receiver and the send step on
// transmit-empty; the layer's own timer thread cuts time-out packages; the
// owner calls everything else, and a package handler running on the reader
// or the timer thread (no synchronised delivery) may read and write packages
// too. Received packages travel through a lock-free queue (one storing, one
// taking thread). Three mutexes keep the sides apart: the receive state
// (storing side of the received packages), the taking side with its scratch
// record, and the send side (the queue of packages to send, its scratch record
// and the send step, which the owner's WritePackage, a handler's and the
// reader's transmit-empty all run). The owner's setters take all three.
//
// Changing the package or queue size obtains all new storage first and
// changes nothing when there is not enough (EComm32Error code 1).
//
// The layer chains itself into the engine's OnCommNotify for its lifetime:
// create and destroy it while the engine is closed.
#pragma once

#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "serial/comm_object.h"
#include "serial/tcommpkg_queue.h"

namespace HalvikComm32 {

class TComm32;

enum class TCommPackageType : std::uint8_t {
    cptCompatiblePkg = 0,
    cptFrameHeadTail = 1,
    cptFrameTimeout = 2,
};

// Layout of a package record: the length, then the data bytes.
struct TCommPackageHead {
    std::uint32_t Length;
    // Data bytes follow.
};
inline constexpr std::size_t PackageHeadSize = sizeof(TCommPackageHead);

class TCommPackage : public TObject {
public:
    static constexpr std::uint8_t DefaultFrameHead = 0xEB;
    static constexpr std::uint8_t DefaultFrameTail = 0xEE;
    static constexpr std::uint8_t DefaultFrameCtrl = 0xEC;
    static constexpr unsigned long DefaultQueueSize = 16;
    static constexpr unsigned long DefaultPackageSize = 4096;
    static constexpr unsigned long DefaultPackageInterval = 50;
    // The record size and the doubled encoded size must fit their types;
    // larger package sizes are cut to this.
    static constexpr unsigned long MaxPackageSize = (static_cast<unsigned long>(INT32_MAX) - 8) / 2;

    explicit TCommPackage(TComm32* comm);
    TCommPackage(const TCommPackage&) = delete;
    TCommPackage& operator=(const TCommPackage&) = delete;
    ~TCommPackage() override;

    // Marker and time-out types: copies the oldest package (at most size bytes,
    // the rest of it is lost) and returns its length; with size 0 or no
    // buffer returns the oldest package's length and leaves it queued.
    // cptCompatiblePkg: copies the oldest record whole (PackageSize + 4 bytes,
    // or only the first size bytes when 0 < size < that) and returns 1.
    // 0 while inactive or when nothing is waiting. One taking thread at a time.
    virtual long ReadPackage(void* buf, unsigned long size);
    // Queues one package (data cut to PackageSize) and runs a send step;
    // returns the data bytes queued (1 for a cptCompatiblePkg record), 0 while
    // inactive or when the queue is full. One storing thread at a time.
    virtual long WritePackage(const void* buf, unsigned long size);
    virtual void PurgeRead();
    virtual void PurgeWrite();
    virtual void CallNotify(int NotifyType);

    bool fGetActive() const { return Active; }
    void fSetActive(bool value);
    unsigned long fGetQSize() const { return QueueSize; }
    // Raises EComm32Error code 1 and keeps everything as it was when the new
    // queues cannot be had.
    void fSetQSize(unsigned long n);
    unsigned long fGetPkgSz() const { return PackageSize; }
    // Sizes above MaxPackageSize are cut to it. Raises EComm32Error code 1 and
    // keeps the old size, queues and records when the new ones cannot be had.
    void fSetPkgSz(unsigned long n);
    TCommPackageType fGetPkgType() const { return PackageType; }
    void fSetPkgType(TCommPackageType type);
    unsigned long fGetPkgInterval() const { return PackageInterval; }
    void fSetPkgInterval(unsigned long ms);
    bool fGetDblFrameMark() const { return DoubleFrameMark; }
    void fSetDblFrameMark(bool value);
    std::uint8_t fGetFrameHead() const { return FrameHead; }
    void fSetFrameHead(std::uint8_t value);
    std::uint8_t fGetFrameTail() const { return FrameTail; }
    void fSetFrameTail(std::uint8_t value);
    std::uint8_t fGetFrameCtrl() const { return FrameCtrl; }
    void fSetFrameCtrl(std::uint8_t value);

    // Packages waiting to be read / to be sent.
    unsigned long ReadQueueCount() const { return ReadQueue.Count(); }
    unsigned long WriteQueueCount() const { return WriteQueue.Count(); }

    TComm32* Comm() const { return CommEngine; }

    // Line bytes for one package of the marker types with these settings.
    static std::vector<std::uint8_t> EncodeFrame(const std::uint8_t* data, std::size_t length,
                                                 std::uint8_t head, std::uint8_t tail, std::uint8_t ctrl,
                                                 bool doubleMark);

    // Called with the layer as sender and the notification bits: EV_RXCHAR
    // when packages are waiting, EV_TXEMPTY when none is waiting to be sent,
    // every other engine bit unchanged.
    TCommNotifyEvent OnPackage;

protected:
    // Storage for the layer's queues and records; null when there is no
    // memory for it. A subclass may stand in a smaller memory (the
    // constructor always uses this one).
    virtual std::unique_ptr<std::byte[]> AllocateStorage(std::size_t bytes);

private:
    using Clock = std::chrono::steady_clock;

    // A record of ItemSize bytes: Length then data.
    class Record {
    public:
        // Room for dataCapacity data bytes and at least one queue slot.
        static std::size_t sizeFor(std::size_t dataCapacity);
        void assign(std::unique_ptr<std::byte[]> bytes);
        std::uint32_t length() const;
        void setLength(std::uint32_t n);
        std::uint8_t* data() { return raw() + PackageHeadSize; }
        const std::uint8_t* data() const { return raw() + PackageHeadSize; }
        std::uint8_t* raw() { return reinterpret_cast<std::uint8_t*>(bytes_.get()); }
        const std::uint8_t* raw() const { return reinterpret_cast<const std::uint8_t*>(bytes_.get()); }

    private:
        std::unique_ptr<std::byte[]> bytes_;
    };

    // Everything a size change replaces, obtained before anything changes.
    struct Storage {
        long ItemCount = 0;
        long ItemSize = 0;
        std::unique_ptr<std::byte[]> ReadSlots;
        std::unique_ptr<std::byte[]> WriteSlots;
        bool WithRecords = false;
        std::unique_ptr<std::byte[]> Recv;
        std::unique_ptr<std::byte[]> Staging;
        std::unique_ptr<std::byte[]> Encoded;
        std::unique_ptr<std::byte[]> ReadScratch;
        std::unique_ptr<std::byte[]> WriteScratch;
    };
    // Queues of count slots of size bytes and, with records, the records for
    // packages of packageSize bytes; EComm32Error code 1 when any is missing.
    Storage ObtainStorage(long count, long size, bool records, unsigned long packageSize);
    void AdoptStorage(Storage& storage);

    void fNewCommNotify(TObject* sender, int NotifyType);
    void NotifyDroppingErrors(int NotifyType);
    void _ReadHeadTailPackage();
    bool _ReadTimeoutPackage();
    void _WritePackage();
    unsigned long _EncodePackage(Record& out, const Record& in) const;
    void _TimerThread();
    void ResetLocked();
    void DiscardEngineInput();
    void WakeTimer();
    std::size_t RecordSize() const { return PackageSize + PackageHeadSize; }
    void Reconfigure(const std::function<void()>& change);

    TComm32* CommEngine;
    TCommNotifyEvent::Function OldCommNotify;

    // Read by the engine's threads without a lock; changed under all three mutexes.
    std::atomic<bool> Active{false};
    std::atomic<TCommPackageType> PackageType{TCommPackageType::cptCompatiblePkg};
    std::atomic<unsigned long> PackageInterval{DefaultPackageInterval};
    // Changed by the owner under the mutex of each side that uses them.
    bool DoubleFrameMark = true;
    std::uint8_t FrameHead = DefaultFrameHead;
    std::uint8_t FrameTail = DefaultFrameTail;
    std::uint8_t FrameCtrl = DefaultFrameCtrl;
    unsigned long QueueSize = DefaultQueueSize;
    unsigned long PackageSize = DefaultPackageSize;

    TCommPackageQueue ReadQueue;
    TCommPackageQueue WriteQueue;

    // Receive side (rxMutex): marker state, the package being received.
    std::mutex RxMutex;
    bool InFrame = false;
    bool EscapePending = false;
    Record RecvBuffer;
    Clock::time_point LastByteTime{};

    // Send side (txMutex): the package being sent.
    std::mutex TxMutex;
    Record StagingBuffer;
    Record EncodedBuffer;
    unsigned long SentCount = 0;

    // Taking side (ReadMutex): ReadPackage's scratch record; the send side
    // (TxMutex) has WritePackage's.
    std::mutex ReadMutex;
    Record ReadScratch;
    Record WriteScratch;

    // Timer thread and its wake-up (an auto-reset event).
    std::mutex WakeMutex;
    std::condition_variable WakeCondition;
    bool TimerWake = false;
    bool TimerRun = true;
    std::thread TimerThread;
};

}  // namespace HalvikComm32
