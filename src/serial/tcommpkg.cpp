#include "serial/tcommpkg.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "serial/comm32.h"
#include "serial/comm32_error.h"

namespace HalvikComm32 {

namespace {

constexpr long DrainBlock = 2048;
// Idle polling never spins, even with an interval of 0.
constexpr auto MinPollPeriod = std::chrono::milliseconds(1);

long toLong(unsigned long v)
{
    return v > static_cast<unsigned long>(LONG_MAX) ? LONG_MAX : static_cast<long>(v);
}

}  // namespace

// --- Record ---------------------------------------------------------------

std::size_t TCommPackage::Record::sizeFor(std::size_t dataCapacity)
{
    // Room for the queue's slot size, which is never below its minimum.
    return std::max(dataCapacity + PackageHeadSize, static_cast<std::size_t>(TCommPackageQueue::MinItemSize));
}

void TCommPackage::Record::assign(std::unique_ptr<std::byte[]> bytes)
{
    bytes_ = std::move(bytes);
    setLength(0);
}

std::uint32_t TCommPackage::Record::length() const
{
    std::uint32_t n = 0;
    std::memcpy(&n, raw(), sizeof n);
    return n;
}

void TCommPackage::Record::setLength(std::uint32_t n)
{
    std::memcpy(raw(), &n, sizeof n);
}

// --- construction ---------------------------------------------------------

TCommPackage::TCommPackage(TComm32* comm)
    : CommEngine(comm)
    , ReadQueue(0, 0)
    , WriteQueue(0, 0)
{
    Storage storage = ObtainStorage(static_cast<long>(DefaultQueueSize),
                                    static_cast<long>(DefaultPackageSize + PackageHeadSize), true, DefaultPackageSize);
    AdoptStorage(storage);
    if (CommEngine != nullptr) {
        OldCommNotify = CommEngine->OnCommNotify.Get();
        CommEngine->OnCommNotify = [this](TObject* sender, int notifyType) { fNewCommNotify(sender, notifyType); };
    }
    TimerThread = std::thread([this] { _TimerThread(); });
}

TCommPackage::~TCommPackage()
{
    if (CommEngine != nullptr)
        CommEngine->OnCommNotify = OldCommNotify;
    {
        std::lock_guard lock(WakeMutex);
        TimerRun = false;
        TimerWake = true;
    }
    WakeCondition.notify_all();
    if (TimerThread.joinable())
        TimerThread.join();
}

std::unique_ptr<std::byte[]> TCommPackage::AllocateStorage(std::size_t bytes)
{
    return std::unique_ptr<std::byte[]>(new (std::nothrow) std::byte[bytes]);
}

TCommPackage::Storage TCommPackage::ObtainStorage(long count, long size, bool records, unsigned long packageSize)
{
    Storage storage;
    storage.ItemCount = count;
    storage.ItemSize = size;
    storage.WithRecords = records;
    auto obtain = [this](std::size_t bytes) {
        std::unique_ptr<std::byte[]> block = bytes == 0 ? nullptr : AllocateStorage(bytes);
        if (!block)
            throw EComm32Error(EComm32Error::ecOutOfMemory);
        return block;
    };
    const std::size_t slots = TCommPackageQueue::StorageSize(count, size);
    storage.ReadSlots = obtain(slots);
    storage.WriteSlots = obtain(slots);
    if (records) {
        const std::size_t record = Record::sizeFor(packageSize);
        storage.Recv = obtain(record);
        storage.Staging = obtain(record);
        storage.Encoded = obtain(Record::sizeFor(2 * static_cast<std::size_t>(packageSize) + 4));
        storage.ReadScratch = obtain(record);
        storage.WriteScratch = obtain(record);
    }
    return storage;
}

void TCommPackage::AdoptStorage(Storage& storage)
{
    ReadQueue.Adopt(storage.ItemCount, storage.ItemSize, std::move(storage.ReadSlots));
    WriteQueue.Adopt(storage.ItemCount, storage.ItemSize, std::move(storage.WriteSlots));
    if (storage.WithRecords) {
        RecvBuffer.assign(std::move(storage.Recv));
        StagingBuffer.assign(std::move(storage.Staging));
        EncodedBuffer.assign(std::move(storage.Encoded));
        ReadScratch.assign(std::move(storage.ReadScratch));
        WriteScratch.assign(std::move(storage.WriteScratch));
    }
}

// --- settings -------------------------------------------------------------

void TCommPackage::ResetLocked()
{
    InFrame = false;
    EscapePending = false;
    RecvBuffer.setLength(0);
    SentCount = 0;
    EncodedBuffer.setLength(0);
    ReadQueue.Clear();
    WriteQueue.Clear();
}

void TCommPackage::DiscardEngineInput()
{
    if (CommEngine == nullptr)
        return;
    std::array<char, DrainBlock> scratch{};
    while (CommEngine->Read(scratch.data(), DrainBlock) > 0) {
    }
}

void TCommPackage::fSetActive(bool value)
{
    {
        std::scoped_lock lock(ReadMutex, RxMutex, TxMutex);
        Active = value;
        ResetLocked();
        // Bytes left from before the activation would be glued to the front
        // of the first time-out package.
        if (value && PackageType == TCommPackageType::cptFrameTimeout)
            DiscardEngineInput();
    }
    WakeTimer();
}

void TCommPackage::Reconfigure(const std::function<void()>& change)
{
    const bool wasActive = Active;
    if (wasActive)
        fSetActive(false);
    {
        std::scoped_lock lock(ReadMutex, RxMutex, TxMutex);
        change();
    }
    if (wasActive)
        fSetActive(true);
    else
        WakeTimer();
}

void TCommPackage::fSetQSize(unsigned long n)
{
    Storage storage = ObtainStorage(toLong(n), ReadQueue.ItemSize(), false, PackageSize);
    Reconfigure([&] {
        QueueSize = n;
        AdoptStorage(storage);
    });
}

void TCommPackage::fSetPkgSz(unsigned long n)
{
    n = std::min(n, MaxPackageSize);
    Storage storage = ObtainStorage(ReadQueue.ItemCount(), toLong(n + PackageHeadSize), true, n);
    Reconfigure([&] {
        PackageSize = n;
        AdoptStorage(storage);
    });
}

void TCommPackage::fSetPkgType(TCommPackageType type)
{
    Reconfigure([&] { PackageType = type; });
}

void TCommPackage::fSetPkgInterval(unsigned long ms)
{
    PackageInterval = ms;
    WakeTimer();
}

void TCommPackage::fSetDblFrameMark(bool value)
{
    std::lock_guard lock(TxMutex);
    DoubleFrameMark = value;
}

void TCommPackage::fSetFrameHead(std::uint8_t value)
{
    std::scoped_lock lock(RxMutex, TxMutex);
    FrameHead = value;
}

void TCommPackage::fSetFrameTail(std::uint8_t value)
{
    std::scoped_lock lock(RxMutex, TxMutex);
    FrameTail = value;
}

void TCommPackage::fSetFrameCtrl(std::uint8_t value)
{
    std::scoped_lock lock(RxMutex, TxMutex);
    FrameCtrl = value;
}

// --- owner operations -----------------------------------------------------

long TCommPackage::ReadPackage(void* buf, unsigned long size)
{
    if (!Active)
        return 0;
    auto* out = static_cast<std::uint8_t*>(buf);
    std::lock_guard lock(ReadMutex);
    if (!Active)
        return 0;

    if (PackageType == TCommPackageType::cptCompatiblePkg) {
        if (out == nullptr || !ReadQueue.Out(ReadScratch.raw()))
            return 0;
        const std::size_t recordSize = RecordSize();
        std::memcpy(out, ReadScratch.raw(), size == 0 ? recordSize : std::min<std::size_t>(size, recordSize));
        return 1;
    }

    if (out == nullptr || size == 0) {
        if (!ReadQueue.Read(ReadScratch.raw(), 0))
            return 0;
        return static_cast<long>(ReadScratch.length());
    }
    if (!ReadQueue.Out(ReadScratch.raw()))
        return 0;
    const std::size_t n = std::min<std::size_t>(ReadScratch.length(), size);
    std::memcpy(out, ReadScratch.data(), n);
    return static_cast<long>(n);
}

long TCommPackage::WritePackage(const void* buf, unsigned long size)
{
    if (!Active || buf == nullptr)
        return 0;
    const auto* in = static_cast<const std::uint8_t*>(buf);
    long result = 0;
    std::lock_guard lock(TxMutex);
    if (!Active)
        return 0;

    if (PackageType == TCommPackageType::cptCompatiblePkg) {
        // A whole record, or only the first size bytes of one.
        const std::size_t recordSize = RecordSize();
        const std::size_t given = size == 0 ? recordSize : std::min<std::size_t>(size, recordSize);
        if (given < PackageHeadSize)
            return 0;
        std::fill_n(WriteScratch.raw(), recordSize, std::uint8_t{0});
        std::memcpy(WriteScratch.raw(), in, given);
        const std::size_t dataGiven = given - PackageHeadSize;
        WriteScratch.setLength(static_cast<std::uint32_t>(std::min<std::size_t>(WriteScratch.length(), dataGiven)));
        result = 1;
    } else {
        if (size == 0)
            return 0;
        const std::size_t n = std::min<std::size_t>(size, PackageSize);
        WriteScratch.setLength(static_cast<std::uint32_t>(n));
        std::memcpy(WriteScratch.data(), in, n);
        result = static_cast<long>(n);
    }

    if (!WriteQueue.In(WriteScratch.raw()))
        return 0;
    _WritePackage();
    return result;
}

void TCommPackage::PurgeRead()
{
    if (!Active)
        return;
    if (CommEngine != nullptr)
        CommEngine->PurgeRead(false);
    std::scoped_lock lock(ReadMutex, RxMutex);
    InFrame = false;
    EscapePending = false;
    RecvBuffer.setLength(0);
    ReadQueue.Clear();
}

void TCommPackage::PurgeWrite()
{
    if (!Active)
        return;
    {
        std::lock_guard lock(TxMutex);
        WriteQueue.Clear();
    }
    if (CommEngine != nullptr)
        CommEngine->PurgeWrite(false);
}

void TCommPackage::CallNotify(int NotifyType)
{
    OnPackage(this, NotifyType);
}

void TCommPackage::NotifyDroppingErrors(int NotifyType)
{
    // A handler's exception must neither end the timer thread nor cut the
    // engine's notification chain.
    try {
        CallNotify(NotifyType);
    } catch (...) {
    }
}

// --- engine side ----------------------------------------------------------

void TCommPackage::fNewCommNotify(TObject* sender, int NotifyType)
{
    if (Active) {
        int out = NotifyType & ~(EV_RXCHAR | EV_TXEMPTY);
        if ((NotifyType & EV_RXCHAR) != 0) {
            if (PackageType == TCommPackageType::cptFrameTimeout) {
                WakeTimer();
            } else {
                std::lock_guard lock(RxMutex);
                if (Active) {
                    _ReadHeadTailPackage();
                    if (ReadQueue.Count() > 0)
                        out |= EV_RXCHAR;
                }
            }
        }
        if ((NotifyType & EV_TXEMPTY) != 0) {
            std::lock_guard lock(TxMutex);
            if (Active) {
                _WritePackage();
                if (WriteQueue.Count() == 0)
                    out |= EV_TXEMPTY;
            }
        }
        if (out != 0)
            NotifyDroppingErrors(out);
    }
    if (OldCommNotify)
        OldCommNotify(sender, NotifyType);
}

void TCommPackage::_ReadHeadTailPackage()
{
    std::array<std::uint8_t, DrainBlock> block{};
    for (;;) {
        const long got = CommEngine->Read(block.data(), DrainBlock);
        if (got <= 0)
            return;
        for (long i = 0; i < got; ++i) {
            const std::uint8_t b = block[static_cast<std::size_t>(i)];
            if (!EscapePending && b == FrameHead) {
                RecvBuffer.setLength(0);  // a head always starts afresh
                InFrame = true;
                continue;
            }
            if (!InFrame) {
                EscapePending = !EscapePending && b == FrameCtrl;
                continue;
            }
            if (!EscapePending && b == FrameCtrl) {
                EscapePending = true;
                continue;
            }
            if (!EscapePending && b == FrameTail) {
                ReadQueue.In(RecvBuffer.raw());  // dropped when full
                RecvBuffer.setLength(0);
                InFrame = false;
                continue;
            }
            EscapePending = false;
            const std::uint32_t length = RecvBuffer.length();
            if (length < PackageSize) {
                RecvBuffer.data()[length] = b;
                RecvBuffer.setLength(length + 1);
            }
        }
    }
}

bool TCommPackage::_ReadTimeoutPackage()
{
    std::array<std::uint8_t, DrainBlock> block{};
    bool any = false;
    for (;;) {
        const long got = CommEngine->Read(block.data(), DrainBlock);
        if (got <= 0)
            return any;
        any = true;
        const std::uint32_t length = RecvBuffer.length();
        const std::size_t room = PackageSize - length;
        const std::size_t keep = std::min(static_cast<std::size_t>(got), room);
        std::memcpy(RecvBuffer.data() + length, block.data(), keep);
        RecvBuffer.setLength(length + static_cast<std::uint32_t>(keep));
    }
}

unsigned long TCommPackage::_EncodePackage(Record& out, const Record& in) const
{
    const std::vector<std::uint8_t> line =
        EncodeFrame(in.data(), std::min<std::size_t>(in.length(), PackageSize), FrameHead, FrameTail, FrameCtrl,
                    DoubleFrameMark);
    std::memcpy(out.data(), line.data(), line.size());
    out.setLength(static_cast<std::uint32_t>(line.size()));
    return static_cast<unsigned long>(line.size());
}

std::vector<std::uint8_t> TCommPackage::EncodeFrame(const std::uint8_t* data, std::size_t length, std::uint8_t head,
                                                    std::uint8_t tail, std::uint8_t ctrl, bool doubleMark)
{
    std::vector<std::uint8_t> line;
    line.reserve(2 * length + 4);
    line.push_back(head);
    if (doubleMark)
        line.push_back(head);
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t b = data[i];
        if (b == head || b == tail || b == ctrl)
            line.push_back(ctrl);
        line.push_back(b);
    }
    line.push_back(tail);
    if (doubleMark)
        line.push_back(tail);
    return line;
}

void TCommPackage::_WritePackage()
{
    if (CommEngine == nullptr)
        return;
    const std::uint32_t encoded = EncodedBuffer.length();
    if (SentCount < encoded) {
        const long accepted = CommEngine->Write(EncodedBuffer.data() + SentCount, static_cast<long>(encoded - SentCount));
        if (accepted > 0)
            SentCount += static_cast<unsigned long>(accepted);
        return;
    }
    if (!WriteQueue.Out(StagingBuffer.raw()))
        return;
    if (PackageType == TCommPackageType::cptFrameTimeout) {
        const std::uint32_t n = std::min<std::uint32_t>(StagingBuffer.length(), static_cast<std::uint32_t>(PackageSize));
        std::memcpy(EncodedBuffer.data(), StagingBuffer.data(), n);
        EncodedBuffer.setLength(n);
    } else {
        _EncodePackage(EncodedBuffer, StagingBuffer);
    }
    const long accepted = CommEngine->Write(EncodedBuffer.data(), static_cast<long>(EncodedBuffer.length()));
    SentCount = accepted > 0 ? static_cast<unsigned long>(accepted) : 0;
}

// --- time-out receiver ----------------------------------------------------

void TCommPackage::WakeTimer()
{
    {
        std::lock_guard lock(WakeMutex);
        TimerWake = true;
    }
    WakeCondition.notify_one();
}

void TCommPackage::_TimerThread()
{
    // What the last pass left: a package under way and when its last byte came.
    bool pending = false;
    Clock::time_point lastByte{};

    std::unique_lock wakeLock(WakeMutex);
    while (TimerRun) {
        const bool timed = Active && PackageType == TCommPackageType::cptFrameTimeout;
        const auto interval = std::chrono::milliseconds(PackageInterval.load());
        const auto woken = [this] { return TimerWake || !TimerRun; };
        if (!timed) {
            WakeCondition.wait(wakeLock, woken);
        } else if (pending) {
            // The cut is due one interval after the last byte, not at a poll.
            WakeCondition.wait_until(wakeLock, lastByte + interval, woken);
        } else {
            WakeCondition.wait_for(wakeLock, std::max<Clock::duration>(interval, MinPollPeriod), woken);
        }
        TimerWake = false;
        if (!TimerRun)
            break;
        wakeLock.unlock();

        bool cut = false;
        {
            std::lock_guard lock(RxMutex);
            if (Active && PackageType == TCommPackageType::cptFrameTimeout && CommEngine != nullptr) {
                const bool came = _ReadTimeoutPackage();
                const Clock::time_point now = Clock::now();
                if (came) {
                    LastByteTime = now;
                } else if (RecvBuffer.length() > 0
                           && now - LastByteTime >= std::chrono::milliseconds(PackageInterval.load())) {
                    ReadQueue.In(RecvBuffer.raw());  // dropped when full, announced all the same
                    RecvBuffer.setLength(0);
                    cut = true;
                }
                pending = RecvBuffer.length() > 0;
                lastByte = LastByteTime;
            } else {
                pending = false;
            }
        }
        if (cut)
            NotifyDroppingErrors(EV_RXCHAR);

        wakeLock.lock();
    }
}

}  // namespace HalvikComm32
