#pragma once

// The serial port engine: one port, a reader, a writer and a timer thread,
// decoupled from callers by two byte ring queues.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "serial/comm32_error.h"
#include "serial/comm_object.h"

namespace HalvikComm32 {

// Notification bits (NotifyType).
inline constexpr int EV_RXCHAR = 0x0001;     // bytes were moved into InQueue
inline constexpr int EV_RXFLAG = 0x0002;     // the event character arrived
inline constexpr int EV_TXEMPTY = 0x0004;    // transmitter ran empty, OutQueue empty
inline constexpr int EV_CTS = 0x0008;        // CTS changed
inline constexpr int EV_DSR = 0x0010;        // DSR changed
inline constexpr int EV_RLSD = 0x0020;       // carrier detect changed
inline constexpr int EV_BREAK = 0x0040;      // not raised
inline constexpr int EV_ERR = 0x0080;        // a line error occurred
inline constexpr int EV_RING = 0x0100;       // ring (timer only)
inline constexpr int EV_RX80FULL = 0x0400;   // driver input buffer 80 % full
// All modem lines may have changed: raised by Open, by Close and when the
// port goes away under an open engine.
inline constexpr int EV_MODEMLINES = EV_CTS | EV_DSR | EV_RLSD;

// Modem status bits (ModemStatus).
inline constexpr std::uint32_t MS_CTS_ON = 0x10;
inline constexpr std::uint32_t MS_DSR_ON = 0x20;
inline constexpr std::uint32_t MS_RING_ON = 0x40;
inline constexpr std::uint32_t MS_RLSD_ON = 0x80;

// Purge flags.
inline constexpr unsigned long PURGE_TXABORT = 1;
inline constexpr unsigned long PURGE_RXABORT = 2;
inline constexpr unsigned long PURGE_TXCLEAR = 4;
inline constexpr unsigned long PURGE_RXCLEAR = 8;

// EscapeCommFunction codes.
inline constexpr unsigned long SETRTS = 3;
inline constexpr unsigned long CLRRTS = 4;
inline constexpr unsigned long SETDTR = 5;
inline constexpr unsigned long CLRDTR = 6;

// DCB control values.
inline constexpr std::uint8_t DTR_CONTROL_DISABLE = 0;
inline constexpr std::uint8_t DTR_CONTROL_ENABLE = 1;
inline constexpr std::uint8_t DTR_CONTROL_HANDSHAKE = 2;
inline constexpr std::uint8_t RTS_CONTROL_DISABLE = 0;
inline constexpr std::uint8_t RTS_CONTROL_ENABLE = 1;
inline constexpr std::uint8_t RTS_CONTROL_HANDSHAKE = 2;
inline constexpr std::uint8_t RTS_CONTROL_TOGGLE = 3;

inline constexpr std::uint8_t NOPARITY = 0;
inline constexpr std::uint8_t ODDPARITY = 1;
inline constexpr std::uint8_t EVENPARITY = 2;
inline constexpr std::uint8_t MARKPARITY = 3;
inline constexpr std::uint8_t SPACEPARITY = 4;

inline constexpr std::uint8_t ONESTOPBIT = 0;
inline constexpr std::uint8_t ONE5STOPBITS = 1;
inline constexpr std::uint8_t TWOSTOPBITS = 2;

// Device path of port n (formatted by FormatPortName), modem strings.
inline constexpr const char* Fmt_COMn = "\\\\.\\COM%d";
inline constexpr const char* Fmt_InitModem = "ATE0&K%dS0=%d\r";
inline constexpr const char* Str_ResetModem = "ATZ\r";

// Line settings, applied whole at every Open. Flags hold 0 or 1, the control
// fields one of the *_CONTROL_* values.
struct TDCB {
    std::uint32_t DCBlength = 28;
    std::uint32_t BaudRate = 115200;
    std::uint8_t fBinary = 1;
    std::uint8_t fParity = 0;  // received parity is not checked while 0
    std::uint8_t fOutxCtsFlow = 0;
    std::uint8_t fOutxDsrFlow = 0;
    std::uint8_t fDtrControl = DTR_CONTROL_ENABLE;
    std::uint8_t fDsrSensitivity = 0;
    std::uint8_t fTXContinueOnXoff = 0;
    std::uint8_t fOutX = 0;
    std::uint8_t fInX = 0;
    std::uint8_t fErrorChar = 0;
    std::uint8_t fNull = 0;
    std::uint8_t fRtsControl = RTS_CONTROL_ENABLE;
    std::uint8_t fAbortOnError = 0;
    std::uint16_t XonLim = 2048;
    std::uint16_t XoffLim = 512;
    std::uint8_t ByteSize = 8;          // 5 to 8
    std::uint8_t Parity = NOPARITY;     // NOPARITY .. SPACEPARITY
    std::uint8_t StopBits = ONESTOPBIT; // ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
    char XonChar = 0x11;
    char XoffChar = 0x13;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
};

// Byte ring with one storing and one taking thread. One byte always stays
// free, so a queue of 8192 bytes holds at most 8191.
//
// The positions are atomics: each side copies its bytes and then publishes
// its own position with release; the other side reads it with acquire.
// fSetBufSize and Clear replace or reset both positions; they may be called
// while both sides are running: they hold off new In/Out calls (which then
// return 0) and wait for calls under way to finish before touching the
// storage, so no side ever copies from a buffer that is being replaced.
class TCommQueue {
public:
    explicit TCommQueue(long size);
    TCommQueue(const TCommQueue&) = delete;
    TCommQueue& operator=(const TCommQueue&) = delete;
    virtual ~TCommQueue();

    // Both positions 0; size > 0 reallocates (EComm32Error code 1 when there is
    // no memory, keeping the old storage); size <= 0 releases the storage and
    // keeps BufSize.
    void fSetBufSize(long size);
    long fGetBufSize() const;
    bool HasBuffer() const;

    long In(const char* p);           // 1 or 0
    long In(const char* p, long n);   // bytes stored, min(n, free room)
    long Out(char* p);                // 1 or 0
    long Out(char* p, long n);        // bytes taken, min(n, bytes held)

    long Count() const;     // bytes held
    long FreeRoom() const;  // bytes that can still be stored
    void Clear();           // empties the queue (both positions 0)

private:
    class TUse;
    class TExclusive;
    bool BeginUse() const;
    void EndUse() const;
    void BeginExclusive();
    void EndExclusive();
    // Runs read once a use is granted, waiting out a resize or clear.
    template <typename Read>
    auto ReadWhenGranted(Read read) const;
    // Up to n bytes between the ring and a caller's buffer: own is the
    // position this side advances, other the one the opposite side
    // advances; reserve bytes stay free. copy(ringPos, done, len) moves one
    // piece.
    template <typename Copy>
    long Transfer(std::atomic<std::int32_t>& own, const std::atomic<std::int32_t>& other, std::int64_t reserve,
                  long n, Copy copy);
    // Bytes held, or with room the bytes that can still be stored.
    long Gap(bool room) const;

    std::int32_t BufSize = 0;
    std::atomic<std::int32_t> ReadPos{0};
    std::atomic<std::int32_t> WritePos{0};
    std::unique_ptr<char[]> Buffer;

    mutable std::atomic<int> Users{0};
    std::atomic<bool> Exclusive{false};
};

namespace detail {
struct TEngineRuntime;
}

class TComm32 : public TObject {
public:
    // Flow control as the modem's "&K" numbers: 0 none, 3 RTS/CTS, 4 and 5
    // XON/XOFF, 6 both; any other value acts as 0.
    using TFlowControl = std::uint8_t;

    TComm32();
    TComm32(const TComm32&) = delete;
    TComm32& operator=(const TComm32&) = delete;
    ~TComm32() override;  // Close (errors dropped)

    // Read takes from InQueue, whether open or not; one taking thread at a time.
    virtual long Read(void* buf, long n);
    // Write queues into OutQueue (0 while DisableWrite) and wakes the writer;
    // Write and Command are called by one storing thread at a time.
    virtual long Write(const void* buf, long n);
    virtual long Command(const char* s);
    // Purges act only while open; they empty the driver's and the engine's queue.
    virtual void PurgeRead(bool abort);
    virtual void PurgeWrite(bool abort);
    virtual long ResetModem();
    virtual long InitModem();
    // SETRTS/CLRRTS/SETDTR/CLRDTR; false while closed or when the line cannot be set.
    virtual bool EscapeCommFunction(unsigned long f);
    // Raises EComm32Error; a failed Open leaves the engine closed.
    virtual void Open();
    // Stops and joins the threads and closes the port; raises code 13 or 14
    // when a thread outlived the 500 ms wait (it is still joined and the port
    // closed all the same). Called from a handler on one of the engine's own
    // threads it changes nothing and raises 13 (reader, timer) or 14 (writer).
    virtual void Close();
    virtual void CommNotify(int NotifyType);
    virtual void CommAfterOpen();
    virtual void CommBeforeClose();
    // One tick of the timer thread: carrier detect, ring.
    virtual void fmsgCommTimer();

    TFlowControl fGetFCtrl() const;
    void fSetFCtrl(TFlowControl value);  // closes the port first
    bool fGetDTR() const;
    void fSetDTR(bool on);
    bool fGetRTS() const;
    void fSetRTS(bool on);

    // The port went away under the open engine (device unplugged, hang-up).
    // The engine stays Active until the owner closes it.
    bool fGetPortLost() const;

    // Port name for port number n: "\\.\COM<n>".
    static std::string FormatPortName(int n);

    // The open port's file descriptor, -1 while closed.
    int Handle = -1;
    // Change only while closed (the setters of the owner close the port first).
    TDCB DCB;
    std::atomic<bool> Active{false};
    std::atomic<bool> DisableWrite{false};
    bool DTR = true;
    bool RTS = true;
    std::int32_t PortNo = 2;
    // "\\.\COM<n>" resolves through varnel::serial::DevicePathForPort; any other
    // name is opened as a device path.
    std::string PortName = FormatPortName(2);
    std::int32_t HwInSize = 1200;
    std::int32_t HwOutSize = 1200;
    std::uint8_t AutoAnswer = 0;
    std::unique_ptr<TCommQueue> InQueue;
    std::unique_ptr<TCommQueue> OutQueue;
    TCommNotifyEvent OnCommNotify;
    TNotifyEvent AfterOpen;
    TNotifyEvent BeforeClose;
    std::atomic<std::uint32_t> ModemStatus{0};
    std::atomic<std::uint32_t> TimerPeriod{200};
    std::atomic<std::uint32_t> RingTicks{15};
    std::atomic<std::uint32_t> TickCount{0};

protected:
    // Current modem lines as MS_ bits; false when the port has none to report
    // (a pseudo-terminal) or cannot be asked. A subclass may stand in for the
    // line; it must then Close in its own destructor, since the timer thread
    // calls this.
    virtual bool QueryModemStatus(std::uint32_t& status);

private:
    static void ReadThreadProc(TComm32* comm);
    static void WriteThreadProc(TComm32* comm);
    static void TimerThreadProc(TComm32* comm);

    void KickWriter();
    bool WriterHeldByCts() const;

    std::unique_ptr<detail::TEngineRuntime> Runtime;
};

}  // namespace HalvikComm32
