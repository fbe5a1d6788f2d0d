#include "serial/comm32.h"

#include <poll.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <mutex>
#include <thread>

#include "serial/port_path.h"
#include "serial/tty_port.h"

namespace HalvikComm32 {
namespace detail {

struct TThreadSlot {
    std::thread Thread;
    std::atomic<bool> Run{false};
    std::atomic<bool> Alive{false};

    bool IsCurrent() const { return Thread.joinable() && Thread.get_id() == std::this_thread::get_id(); }
};

struct TEngineRuntime {
    std::unique_ptr<TTtyPort> Port;
    std::unique_ptr<TEvent> ReaderStop;
    std::unique_ptr<TEvent> TimerStop;
    std::unique_ptr<TEvent> TxWatch;  // writer -> reader: bytes were handed to the driver
    // Write and Command may come from a package handler on another thread
    // while the owner opens or closes: the wake-up is created and released
    // under this mutex and signalled under it.
    std::mutex KickMutex;
    std::unique_ptr<TEvent> WriterKick;
    std::unique_ptr<TEvent> WriterStop;
    TThreadSlot Reader;
    TThreadSlot Writer;
    TThreadSlot Timer;
    // Settings the threads work with, fixed for the life of the open port.
    TDCB Applied;
    long Rx80Threshold = 0;
    std::atomic<bool> PortLost{false};
    std::atomic<bool> ModemLinesKnown{false};
};

}  // namespace detail

namespace {

using detail::TEngineRuntime;
using detail::TEvent;
using detail::TThreadSlot;
using detail::TTtyPort;

constexpr long kReadChunk = 2048;
constexpr long kWriteChunk = 256;
constexpr int kCloseWaitSteps = 100;
constexpr auto kCloseWaitStep = std::chrono::milliseconds(5);
// Pause after a pass that read nothing although the port was reported
// readable, so that a device in a strange state cannot make the reader spin.
constexpr int kReadErrorPauseMs = 10;
constexpr int kNiceOfReader = -5;
constexpr int kMaxTxPollMs = 100;

// The device is gone: hang-up, unplugged, or a pty whose master was closed.
bool IsGone(int err) { return err == EIO || err == ENXIO || err == ENODEV || err == EBADF; }

// Best effort: lowering the nice value needs a privilege the process may lack.
void RaiseReaderPriority()
{
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    (void)::setpriority(PRIO_PROCESS, tid, kNiceOfReader);
}

int PollRetrying(pollfd* fds, nfds_t count, int timeoutMs)
{
    int rc;
    do {
        rc = ::poll(fds, count, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    return rc;
}

// Time the driver needs to send queued bytes, as a poll time-out.
int DrainMilliseconds(long queued, const TDCB& dcb)
{
    const long bitsPerChar = 1 + dcb.ByteSize + (dcb.Parity != NOPARITY ? 1 : 0) + (dcb.StopBits != ONESTOPBIT ? 2 : 1);
    const long baud = std::max<long>(dcb.BaudRate, 1);
    const long ms = queued * bitsPerChar * 1000 / baud + 1;
    return static_cast<int>(std::clamp<long>(ms, 1, kMaxTxPollMs));
}

struct TAliveClear {
    std::atomic<bool>& Alive;
    ~TAliveClear() { Alive.store(false, std::memory_order_release); }
};

}  // namespace

TComm32::TComm32()
    : InQueue(std::make_unique<TCommQueue>(8192)),
      OutQueue(std::make_unique<TCommQueue>(8192)),
      Runtime(std::make_unique<TEngineRuntime>())
{
}

TComm32::~TComm32()
{
    try {
        Close();
    } catch (const std::exception&) {
        // The port is closed all the same.
    }
}

std::string TComm32::FormatPortName(int n) { return "\\\\.\\COM" + std::to_string(n); }

// ---- data path

long TComm32::Read(void* buf, long n) { return InQueue->Out(static_cast<char*>(buf), n); }

long TComm32::Write(const void* buf, long n)
{
    if (DisableWrite.load(std::memory_order_acquire))
        return 0;
    const long stored = OutQueue->In(static_cast<const char*>(buf), n);
    KickWriter();
    return stored;
}

long TComm32::Command(const char* s)
{
    if (s == nullptr)
        return 0;
    const long stored = OutQueue->In(s, static_cast<long>(std::strlen(s)));
    KickWriter();
    return stored;
}

void TComm32::KickWriter()
{
    std::lock_guard lock(Runtime->KickMutex);
    if (Runtime->WriterKick)
        Runtime->WriterKick->Set();
}

void TComm32::PurgeRead(bool abort)
{
    (void)abort;  // reads never block here, there is nothing to abort
    if (!Active.load(std::memory_order_acquire))
        return;
    Runtime->Port->Purge(true, false);
    InQueue->Clear();
}

void TComm32::PurgeWrite(bool abort)
{
    (void)abort;
    if (!Active.load(std::memory_order_acquire))
        return;
    Runtime->Port->Purge(false, true);
    OutQueue->Clear();
}

long TComm32::ResetModem() { return Command(Str_ResetModem); }

long TComm32::InitModem()
{
    // Fmt_InitModem with the flow-control value and AutoAnswer.
    const std::string command = "ATE0&K" + std::to_string(fGetFCtrl()) + "S0=" + std::to_string(AutoAnswer) + "\r";
    return Command(command.c_str());
}

bool TComm32::EscapeCommFunction(unsigned long f)
{
    if (!Active.load(std::memory_order_acquire) || !Runtime->Port)
        return false;
    TTtyPort& port = *Runtime->Port;
    switch (f) {
    case 1: return port.SetXoff(true);    // SETXOFF
    case 2: return port.SetXoff(false);   // SETXON
    case 8: return port.SetBreak(true);   // SETBREAK
    case 9: return port.SetBreak(false);  // CLRBREAK
    case SETRTS:
    case CLRRTS:
        if (!port.SetRts(f == SETRTS))
            return false;
        RTS = f == SETRTS;
        return true;
    case SETDTR:
    case CLRDTR:
        if (!port.SetDtr(f == SETDTR))
            return false;
        DTR = f == SETDTR;
        return true;
    default:
        return false;
    }
}

// ---- settings

TComm32::TFlowControl TComm32::fGetFCtrl() const
{
    if (DCB.fOutxCtsFlow != 0 && DCB.fOutX != 0)
        return 6;
    if (DCB.fOutxCtsFlow != 0)
        return 3;
    if (DCB.fOutX != 0)
        return 4;
    return 0;
}

void TComm32::fSetFCtrl(TFlowControl value)
{
    Close();
    const bool cts = value == 3 || value == 6;
    const bool xonXoff = value == 4 || value == 5 || value == 6;
    DCB.fDtrControl = DTR_CONTROL_ENABLE;
    DCB.fOutxDsrFlow = 0;
    DCB.fOutxCtsFlow = cts ? 1 : 0;
    DCB.fRtsControl = cts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    DCB.fOutX = xonXoff ? 1 : 0;
    DCB.fInX = xonXoff ? 1 : 0;
}

bool TComm32::fGetDTR() const { return Active.load(std::memory_order_acquire) && DTR; }

void TComm32::fSetDTR(bool on)
{
    if (Active.load(std::memory_order_acquire))
        EscapeCommFunction(on ? SETDTR : CLRDTR);
    else
        DTR = on;
}

bool TComm32::fGetRTS() const { return Active.load(std::memory_order_acquire) && RTS; }

void TComm32::fSetRTS(bool on)
{
    if (Active.load(std::memory_order_acquire))
        EscapeCommFunction(on ? SETRTS : CLRRTS);
    else
        RTS = on;
}

bool TComm32::fGetPortLost() const { return Runtime->PortLost.load(std::memory_order_acquire); }

bool TComm32::QueryModemStatus(std::uint32_t& status)
{
    if (!Runtime->Port)
        return false;
    const auto lines = Runtime->Port->ModemStatus();
    if (!lines)
        return false;
    status = *lines;
    return true;
}

bool TComm32::WriterHeldByCts() const
{
    // Only a line that reports its modem lines can hold the writer; on one
    // without them (a pseudo-terminal) CTS would read as off for ever.
    return Runtime->Applied.fOutxCtsFlow != 0 && Runtime->ModemLinesKnown.load(std::memory_order_acquire)
        && (ModemStatus.load(std::memory_order_acquire) & MS_CTS_ON) == 0;
}

// ---- notifications

void TComm32::CommNotify(int NotifyType)
{
    try {
        OnCommNotify(this, NotifyType);
    } catch (...) {
        // A handler's failure must not take an engine thread down.
    }
}

void TComm32::CommAfterOpen()
{
    try {
        AfterOpen(this);
    } catch (...) {
    }
}

void TComm32::CommBeforeClose()
{
    try {
        BeforeClose(this);
    } catch (...) {
    }
}

// ---- open and close

void TComm32::Open()
{
    if (Active.load(std::memory_order_acquire))
        return;
    TEngineRuntime& rt = *Runtime;
    auto code = EComm32Error::ecNone;
    auto fail = [&code](EComm32Error::TErrorCode c) {
        if (code == EComm32Error::ecNone)
            code = c;
    };

    TickCount.store(0, std::memory_order_relaxed);
    rt.PortLost.store(false, std::memory_order_release);
    rt.ModemLinesKnown.store(false, std::memory_order_release);

    if (!InQueue->HasBuffer())
        fail(EComm32Error::ecInitReadBuffer);
    else if (!OutQueue->HasBuffer())
        fail(EComm32Error::ecInitWriteBuffer);

    if (code == EComm32Error::ecNone) {
        std::optional<std::string> path = PortName;
        if (const auto number = varnel::serial::PortNumberFromName(PortName))
            path = varnel::serial::DevicePathForPort(*number);
        TTtyPort::TOpenError openError{};
        if (path)
            rt.Port = TTtyPort::Open(*path, openError);
        if (!rt.Port)
            fail(EComm32Error::ecOpenPort);
        else
            Handle = rt.Port->Fd();
    }
    // The comm mask has no counterpart here: the reader always watches
    // everything it can report.
    if (code == EComm32Error::ecNone && (HwInSize < 0 || HwOutSize < 0))
        fail(EComm32Error::ecSetBufferSize);
    if (code == EComm32Error::ecNone) {
        if (DCB.fDtrControl != DTR_CONTROL_HANDSHAKE)
            DCB.fDtrControl = DTR ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
        if (DCB.fRtsControl != RTS_CONTROL_HANDSHAKE && DCB.fRtsControl != RTS_CONTROL_TOGGLE)
            DCB.fRtsControl = RTS ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
        rt.Applied = DCB;
        rt.Rx80Threshold = (HwInSize > 0 ? HwInSize : 4096) * 8L / 10;
        if (!rt.Port->Apply(DCB))
            fail(EComm32Error::ecSetPortParams);
    }
    // Bytes that came while the port was closed (a late reply, an unsolicited
    // report) would read as answers to the new owner's first request. Only
    // the system's buffer goes; the engine's queues start as they are.
    if (code == EComm32Error::ecNone)
        rt.Port->Purge(true, false);
    if (code == EComm32Error::ecNone) {
        rt.ReaderStop = TEvent::Create();
        rt.TimerStop = TEvent::Create();
        rt.TxWatch = TEvent::Create();
        if (!rt.ReaderStop || !rt.TimerStop || !rt.TxWatch)
            fail(EComm32Error::ecCreateReadEvent);
    }
    if (code == EComm32Error::ecNone) {
        {
            std::lock_guard lock(rt.KickMutex);
            rt.WriterKick = TEvent::Create();
        }
        rt.WriterStop = TEvent::Create();
        if (!rt.WriterKick || !rt.WriterStop)
            fail(EComm32Error::ecCreateWriteEvent);
    }
    auto start = [this](TThreadSlot& slot, void (*body)(TComm32*)) {
        slot.Run.store(true, std::memory_order_release);
        slot.Alive.store(true, std::memory_order_release);
        try {
            slot.Thread = std::thread(body, this);
            return true;
        } catch (const std::system_error&) {
            slot.Run.store(false, std::memory_order_release);
            slot.Alive.store(false, std::memory_order_release);
            return false;
        }
    };
    if (code == EComm32Error::ecNone && !start(rt.Reader, &TComm32::ReadThreadProc))
        fail(EComm32Error::ecCreateReadThread);
    if (code == EComm32Error::ecNone && !start(rt.Timer, &TComm32::TimerThreadProc))
        fail(EComm32Error::ecCreateReadThread);
    if (code == EComm32Error::ecNone && !start(rt.Writer, &TComm32::WriteThreadProc))
        fail(EComm32Error::ecCreateWriteThread);

    if (code != EComm32Error::ecNone) {
        try {
            Close();
        } catch (const EComm32Error&) {
            // The open failure is the one to report.
        }
        throw EComm32Error(code);
    }

    Active.store(true, std::memory_order_release);
    DisableWrite.store(false, std::memory_order_release);
    std::uint32_t status = 0;
    if (QueryModemStatus(status)) {
        ModemStatus.store(status, std::memory_order_release);
        rt.ModemLinesKnown.store(true, std::memory_order_release);
    }
    DTR = DCB.fDtrControl != DTR_CONTROL_DISABLE;
    RTS = DCB.fRtsControl != RTS_CONTROL_DISABLE;
    // Bytes written while closed go out now.
    if (OutQueue->Count() > 0)
        KickWriter();
    CommNotify(EV_MODEMLINES);
    CommAfterOpen();
}

void TComm32::Close()
{
    TEngineRuntime& rt = *Runtime;
    // A handler on one of the engine's threads cannot wait for that thread.
    if (rt.Reader.IsCurrent() || rt.Timer.IsCurrent())
        throw EComm32Error(EComm32Error::ecCloseReadThread);
    if (rt.Writer.IsCurrent())
        throw EComm32Error(EComm32Error::ecCloseWriteThread);

    const bool wasActive = Active.load(std::memory_order_acquire);
    if (wasActive)
        CommBeforeClose();

    for (TThreadSlot* slot : {&rt.Reader, &rt.Writer, &rt.Timer})
        slot->Run.store(false, std::memory_order_release);
    for (TEvent* event : {rt.ReaderStop.get(), rt.WriterStop.get(), rt.TimerStop.get()})
        if (event != nullptr)
            event->Set();

    auto anyAlive = [&rt] {
        return rt.Reader.Alive.load(std::memory_order_acquire) || rt.Writer.Alive.load(std::memory_order_acquire)
            || rt.Timer.Alive.load(std::memory_order_acquire);
    };
    for (int step = 0; step < kCloseWaitSteps && anyAlive(); ++step)
        std::this_thread::sleep_for(kCloseWaitStep);

    auto code = EComm32Error::ecNone;
    if (rt.Reader.Alive.load(std::memory_order_acquire) || rt.Timer.Alive.load(std::memory_order_acquire))
        code = EComm32Error::ecCloseReadThread;
    if (rt.Writer.Alive.load(std::memory_order_acquire))
        code = EComm32Error::ecCloseWriteThread;

    // A thread that overran the wait is still joined: it is inside a handler
    // and uses this engine, so it must end before the port and the events go.
    for (TThreadSlot* slot : {&rt.Reader, &rt.Writer, &rt.Timer})
        if (slot->Thread.joinable())
            slot->Thread.join();

    rt.ReaderStop.reset();
    rt.TimerStop.reset();
    rt.TxWatch.reset();
    {
        std::lock_guard lock(rt.KickMutex);
        rt.WriterKick.reset();
    }
    rt.WriterStop.reset();
    rt.Port.reset();
    Handle = -1;

    DTR = DCB.fDtrControl != DTR_CONTROL_DISABLE;
    RTS = DCB.fRtsControl != RTS_CONTROL_DISABLE;
    if (wasActive) {
        Active.store(false, std::memory_order_release);
        ModemStatus.store(0, std::memory_order_release);
        CommNotify(EV_MODEMLINES);
    }
    if (code != EComm32Error::ecNone)
        throw EComm32Error(code);
}

// ---- threads

void TComm32::ReadThreadProc(TComm32* comm)
{
    TEngineRuntime& rt = *comm->Runtime;
    TAliveClear aliveClear{rt.Reader.Alive};
    RaiseReaderPriority();

    TTtyPort& port = *rt.Port;
    const TDCB& dcb = rt.Applied;
    std::array<char, kReadChunk> buffer{};
    std::optional<detail::TLineErrorCounts> errorCounts = port.LineErrors();
    bool portPolled = true;  // false once the device has gone
    bool txPending = false;
    int txTimeout = -1;
    long lastQueued = 0;
    bool pause = false;

    while (rt.Reader.Run.load(std::memory_order_acquire)) {
        std::array<pollfd, 3> fds{{
            {rt.ReaderStop->Fd(), POLLIN, 0},
            {rt.TxWatch->Fd(), POLLIN, 0},
            {portPolled && !pause ? port.Fd() : -1, POLLIN, 0},
        }};
        int timeout = txPending ? txTimeout : -1;
        if (pause)
            timeout = timeout < 0 ? kReadErrorPauseMs : std::min(timeout, kReadErrorPauseMs);
        pause = false;
        if (PollRetrying(fds.data(), fds.size(), timeout) < 0) {
            rt.ReaderStop->Wait(kReadErrorPauseMs);
            continue;
        }
        if ((fds[0].revents & POLLIN) != 0 || !rt.Reader.Run.load(std::memory_order_acquire))
            break;

        int mask = 0;
        bool gone = false;
        if ((fds[1].revents & POLLIN) != 0) {
            rt.TxWatch->Reset();
            txPending = true;
        }

        const short events = fds[2].revents;
        if ((events & POLLIN) != 0) {
            const long waiting = port.InputCount();
            if (rt.Rx80Threshold > 0 && waiting >= rt.Rx80Threshold)
                mask |= EV_RX80FULL;
            long left = waiting > 0 ? waiting : kReadChunk;
            bool readAny = false;
            while (left > 0) {
                const ssize_t got = port.Read(buffer.data(), static_cast<std::size_t>(std::min(left, kReadChunk)));
                if (got > 0) {
                    readAny = true;
                    // What does not fit is lost, as on a real line with a full buffer.
                    comm->InQueue->In(buffer.data(), static_cast<long>(got));
                    mask |= EV_RXCHAR;
                    if (std::memchr(buffer.data(), dcb.EvtChar, static_cast<std::size_t>(got)) != nullptr)
                        mask |= EV_RXFLAG;
                    left -= static_cast<long>(got);
                    continue;
                }
                if (got < 0 && errno == EINTR)
                    continue;
                if (got < 0 && IsGone(errno))
                    gone = true;
                break;
            }
            if (!readAny && !gone)
                pause = true;
            if (errorCounts) {
                const auto now = port.LineErrors();
                if (now && *now != *errorCounts) {
                    mask |= EV_ERR;
                    errorCounts = now;
                }
            }
        }
        if ((events & (POLLHUP | POLLERR | POLLNVAL)) != 0)
            gone = true;
        if (gone && portPolled) {
            // Nothing more will come from this descriptor; a hung-up tty would
            // report POLLHUP for ever.
            portPolled = false;
            rt.PortLost.store(true, std::memory_order_release);
            comm->ModemStatus.store(0, std::memory_order_release);
            mask |= EV_MODEMLINES;
        }

        if (txPending) {
            const long queued = portPolled ? port.OutputCount() : 0;
            if (queued <= 0) {
                txPending = false;
                lastQueued = 0;
                mask |= EV_TXEMPTY;
            } else {
                // A line held by flow control drains nothing: look less often.
                txTimeout = queued >= lastQueued && lastQueued > 0
                    ? std::min(std::max(txTimeout * 2, DrainMilliseconds(queued, dcb)), kMaxTxPollMs)
                    : DrainMilliseconds(queued, dcb);
                lastQueued = queued;
            }
        }
        if ((mask & EV_TXEMPTY) != 0 && !comm->WriterHeldByCts()) {
            if (comm->OutQueue->Count() > 0)
                mask &= ~EV_TXEMPTY;
            comm->KickWriter();
        }

        // No pause after an empty pass: every wait above blocks until there is
        // something to do, and a port readable without data pauses by itself.
        if (mask != 0)
            comm->CommNotify(mask);
    }
}

void TComm32::WriteThreadProc(TComm32* comm)
{
    TEngineRuntime& rt = *comm->Runtime;
    TAliveClear aliveClear{rt.Writer.Alive};
    TTtyPort& port = *rt.Port;
    std::array<char, kWriteChunk> chunk{};
    long length = 0;
    long sent = 0;

    auto writeRest = [&]() -> ssize_t {
        ssize_t written;
        do {
            written = port.Write(chunk.data() + sent, static_cast<std::size_t>(length - sent));
        } while (written < 0 && errno == EINTR);
        if (written > 0) {
            sent += static_cast<long>(written);
            rt.TxWatch->Set();
        }
        return written;
    };

    while (rt.Writer.Run.load(std::memory_order_acquire)) {
        std::array<pollfd, 2> wake{{{rt.WriterStop->Fd(), POLLIN, 0}, {rt.WriterKick->Fd(), POLLIN, 0}}};
        if (PollRetrying(wake.data(), wake.size(), -1) < 0) {
            rt.WriterStop->Wait(kReadErrorPauseMs);
            continue;
        }
        if ((wake[0].revents & POLLIN) != 0 || !rt.Writer.Run.load(std::memory_order_acquire))
            break;
        rt.WriterKick->Reset();

        if (sent < length) {
            // The driver's buffer may be full: wait until it takes more.
            int fruitless = 0;
            while (writeRest() < 0 && errno == EAGAIN) {
                std::array<pollfd, 2> room{{{rt.WriterStop->Fd(), POLLIN, 0}, {port.Fd(), POLLOUT, 0}}};
                if (PollRetrying(room.data(), room.size(), -1) < 0)
                    break;
                if ((room[0].revents & POLLIN) != 0 || !rt.Writer.Run.load(std::memory_order_acquire))
                    return;
                if ((room[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
                    break;
                // Room reported but none taken: do not chase it at full speed.
                if (++fruitless > 2)
                    rt.WriterStop->Wait(1);
            }
            // A failed write leaves the rest for the next wake-up.
            std::this_thread::yield();
        } else {
            const long taken = comm->OutQueue->Out(chunk.data(), kWriteChunk);
            if (taken > 0) {
                length = taken;
                sent = 0;
                rt.WriterKick->Set();
            }
        }
    }
}

void TComm32::TimerThreadProc(TComm32* comm)
{
    TEngineRuntime& rt = *comm->Runtime;
    TAliveClear aliveClear{rt.Timer.Alive};
    while (rt.Timer.Run.load(std::memory_order_acquire)) {
        const std::uint32_t period = comm->TimerPeriod.load(std::memory_order_relaxed);
        const int timeout = static_cast<int>(std::clamp<std::uint32_t>(period, 1, INT_MAX));
        if (rt.TimerStop->Wait(timeout) || !rt.Timer.Run.load(std::memory_order_acquire))
            break;
        comm->fmsgCommTimer();
    }
}

void TComm32::fmsgCommTimer()
{
    std::uint32_t fresh = 0;
    if (!QueryModemStatus(fresh))
        return;
    Runtime->ModemLinesKnown.store(true, std::memory_order_release);

    // Modem line changes are watched here: the tty has no event for them that
    // the reader could wait on beside the data.
    constexpr std::uint32_t kLines = MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON;
    const std::uint32_t old = ModemStatus.load(std::memory_order_acquire);
    const std::uint32_t changed = (fresh ^ old) & kLines;
    if (changed != 0) {
        int mask = 0;
        if ((changed & MS_CTS_ON) != 0)
            mask |= EV_CTS;
        if ((changed & MS_DSR_ON) != 0)
            mask |= EV_DSR;
        if ((changed & MS_RLSD_ON) != 0)
            mask |= EV_RLSD;
        ModemStatus.store((old & ~kLines) | (fresh & kLines), std::memory_order_release);
        if ((mask & EV_RLSD) != 0)
            TickCount.store(0, std::memory_order_relaxed);
        // CTS back under CTS flow control releases a held writer.
        if ((mask & EV_CTS) != 0 && Runtime->Applied.fOutxCtsFlow != 0 && (fresh & MS_CTS_ON) != 0)
            mask |= EV_TXEMPTY;
        if ((mask & EV_TXEMPTY) != 0 && !WriterHeldByCts()) {
            if (OutQueue->Count() > 0)
                mask &= ~EV_TXEMPTY;
            KickWriter();
        }
        CommNotify(mask);
    }

    const std::uint32_t ticks = TickCount.load(std::memory_order_relaxed);
    if (ticks < RingTicks.load(std::memory_order_relaxed)) {
        TickCount.store(ticks + 1, std::memory_order_relaxed);
        return;
    }
    if ((ModemStatus.load(std::memory_order_acquire) & MS_RLSD_ON) == 0 && (fresh & MS_RING_ON) != 0) {
        TickCount.store(0, std::memory_order_relaxed);
        CommNotify(EV_RING);
    }
}

}  // namespace HalvikComm32
