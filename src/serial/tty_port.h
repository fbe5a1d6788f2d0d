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

// One open tty, held exclusively (TIOCEXCL and an flock on the device), raw,
// non-blocking. Closing releases both.
class TTtyPort {
public:
    enum class TOpenError { None, NotFound, Busy, NotATty, Other };

    static std::unique_ptr<TTtyPort> Open(const std::string& path, TOpenError& error);
    TTtyPort(const TTtyPort&) = delete;
    TTtyPort& operator=(const TTtyPort&) = delete;
    ~TTtyPort();

    int Fd() const { return Descriptor; }

    // Raw mode plus the line settings of dcb; false when a value is not
    // supported (byte size outside 5..8, unknown parity or stop bits, rate 0)
    // or the driver refuses them. Also sets the DTR and RTS levels the DCB asks
    // for; a line without modem control lines is not an error.
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
    explicit TTtyPort(int fd) : Descriptor(fd) {}
    int Descriptor;
};

}  // namespace HalvikComm32::detail
