#pragma once

// Linux side of the engine: the tty device and the events its threads wait on.
// Internal to the serial library.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>

#include "serial/comm32.h"

namespace HalvikComm32::detail {

// Manual-reset event on an eventfd, so that it can sit in a poll set beside the
// port. Set and Reset may be called from any thread.
class TEvent {
public:
    static std::unique_ptr<TEvent> Create();  // null when no eventfd can be had
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;
    ~TEvent();

    void Set();
    void Reset();
    bool IsSet() const;
    int Fd() const { return Descriptor; }
    // Waits up to timeoutMs (negative: no limit); true when the event is set.
    bool Wait(int timeoutMs) const;

private:
    explicit TEvent(int fd) : Descriptor(fd) {}
    int Descriptor;
};

// The kernel's termios2 fields as plain numbers, so that line settings can be
// composed and checked without a device (and without the kernel's headers).
struct TLineBits {
    std::uint32_t IFlag = 0;
    std::uint32_t OFlag = 0;
    std::uint32_t CFlag = 0;
    std::uint32_t LFlag = 0;
    std::uint8_t Line = 0;
    std::array<std::uint8_t, 19> Cc{};
    std::uint32_t ISpeed = 0;
    std::uint32_t OSpeed = 0;
};

// Raw mode plus the settings of dcb, applied on top of bits; false when a
// value is not supported (byte size outside 5..8, unknown parity or stop bits,
// rate 0).
bool ComposeLineBits(const TDCB& dcb, TLineBits& bits);

// Error counters of the line, where the driver keeps them.
struct TLineErrorCounts {
    std::uint64_t Frame = 0;
    std::uint64_t Overrun = 0;
    std::uint64_t Parity = 0;
    std::uint64_t Break = 0;
    std::uint64_t BufferOverrun = 0;

    bool operator==(const TLineErrorCounts&) const = default;
};

// Whether the driver kept what matters of the settings it was given: the rate
// within the kernel's own tolerance (2 %, the fuzz it allows between a rate
// and a standard one), data bits, parity, stop bits and flow control. A
// pseudo-terminal has no framing and stores eight data bits without parity
// enable whatever it is given; those two are not held against it.
bool LineSettingsKept(const TLineBits& wanted, const TLineBits& kept, bool pseudoTerminal);

// The system calls behind a port's tty. A port makes every call through the
// driver that was in use when it was opened, so that a test can stand in a
// driver that behaves like hardware a pseudo-terminal cannot imitate (a close
// that waits for output, settings the driver drops). This base class is the
// system's own; results are those of the system calls (-1 with errno set).
class TTtyDriver {
public:
    TTtyDriver() = default;
    TTtyDriver(const TTtyDriver&) = delete;
    TTtyDriver& operator=(const TTtyDriver&) = delete;
    virtual ~TTtyDriver() = default;

    // open(2) for reading and writing, non-blocking, no controlling tty.
    virtual int Open(const std::string& path);
    virtual int Close(int fd);
    // flock(2), exclusive, without waiting.
    virtual int Lock(int fd);
    // ioctl(2); requests with a number take it in place of the pointer.
    virtual int Control(int fd, unsigned long request, void* argument);
    virtual ssize_t Read(int fd, void* buf, std::size_t n);
    virtual ssize_t Write(int fd, const void* buf, std::size_t n);
    virtual bool IsPseudoTerminal(int fd);
};

// The driver of the ports opened from now on; null puts the system's back.
// Returns the one it replaces (null for the system's).
TTtyDriver* SetTtyDriver(TTtyDriver* driver);
TTtyDriver& CurrentTtyDriver();

// One open tty, held exclusively (TIOCEXCL and an flock on the device), raw,
// non-blocking. Closing releases both, discards output still queued and
// waits at most CloseWaitMs for the system's close.
class TTtyPort {
public:
    enum class TOpenError { None, NotFound, Busy, NotATty, Other };

    // A close that outlasts this goes on in the background.
    static constexpr int CloseWaitMs = 500;

    static std::unique_ptr<TTtyPort> Open(const std::string& path, TOpenError& error);
    TTtyPort(const TTtyPort&) = delete;
    TTtyPort& operator=(const TTtyPort&) = delete;
    ~TTtyPort();

    int Fd() const { return Descriptor; }

    // Raw mode plus the line settings of dcb; false when a value is not
    // supported (byte size outside 5..8, unknown parity or stop bits, rate 0),
    // the driver refuses them or does not keep them (LineSettingsKept). Also
    // sets the DTR and RTS levels the DCB asks for; a line without modem
    // control lines is not an error.
    bool Apply(const TDCB& dcb);

    // Modem control lines; true also when the device has no such lines.
    bool SetDtr(bool on);
    bool SetRts(bool on);
    bool SetBreak(bool on);
    bool SetXoff(bool off);  // suspend (true) or resume (false) transmission

    // MS_ bits; nullopt when the device has no modem lines or cannot be asked.
    std::optional<std::uint32_t> ModemStatus() const;
    std::optional<TLineErrorCounts> LineErrors() const;

    bool Purge(bool input, bool output);
    long InputCount() const;   // -1 when unknown
    long OutputCount() const;  // -1 when unknown

    ssize_t Read(void* buf, std::size_t n);
    ssize_t Write(const void* buf, std::size_t n);

private:
    TTtyPort(TTtyDriver& driver, int fd) : Driver(driver), Descriptor(fd) {}
    bool ModemBits(int bits, bool on);

    TTtyDriver& Driver;
    int Descriptor;
    bool PseudoTerminal = false;
    // Set once this descriptor holds the port (lock and exclusive flag): only
    // then may closing it clear the flag or touch the line's queues, which
    // belong to whoever holds the port.
    bool Holder = false;
};

}  // namespace HalvikComm32::detail
