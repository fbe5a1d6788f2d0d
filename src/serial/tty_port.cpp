// The kernel's termios2 (for rates such as 14400 or 256000) clashes with the C
// library's <termios.h>; this file uses the kernel's definitions only and must
// not include <termios.h>, directly or through another header.
#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/major.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <system_error>
#include <thread>

#include "serial/tty_port.h"

namespace HalvikComm32::detail {

static_assert(sizeof(tcflag_t) == sizeof(std::uint32_t) && sizeof(speed_t) == sizeof(std::uint32_t));
static_assert(std::tuple_size_v<decltype(TLineBits::Cc)> == NCCS);

namespace {

int RetryOnInterrupt(auto&& call)
{
    int rc;
    do {
        rc = call();
    } while (rc < 0 && errno == EINTR);
    return rc;
}

// The device simply has no such function (a pseudo-terminal has no modem
// lines and no error counters).
bool IsUnsupported(int err)
{
    return err == ENOTTY || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP;
}

struct TStandardRate {
    std::uint32_t Rate;
    tcflag_t Code;
};

constexpr std::array<TStandardRate, 26> kStandardRates{{
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000},
}};

tcflag_t RateCode(std::uint32_t rate)
{
    for (const TStandardRate& entry : kStandardRates)
        if (entry.Rate == rate)
            return entry.Code;
    return BOTHER;
}

// Requests that take a number where others take a pointer.
void* NumberArgument(int value) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(value)); }

TLineBits ToLineBits(const termios2& t)
{
    TLineBits bits;
    bits.IFlag = t.c_iflag;
    bits.OFlag = t.c_oflag;
    bits.CFlag = t.c_cflag;
    bits.LFlag = t.c_lflag;
    bits.Line = t.c_line;
    std::copy(std::begin(t.c_cc), std::end(t.c_cc), bits.Cc.begin());
    bits.ISpeed = t.c_ispeed;
    bits.OSpeed = t.c_ospeed;
    return bits;
}

bool RateKept(std::uint32_t wanted, std::uint32_t kept)
{
    const std::uint64_t fuzz = wanted / 50;
    const std::uint64_t difference = wanted > kept ? wanted - kept : kept - wanted;
    return difference <= fuzz;
}

std::atomic<TTtyDriver*> InstalledDriver{nullptr};

TTtyDriver& SystemDriver()
{
    // Never destroyed: a close still under way at exit goes on using it.
    static TTtyDriver* const driver = new TTtyDriver;
    return *driver;
}

// Closes fd on a thread of its own and waits for it at most waitMs: a driver
// may keep the last close of a tty waiting (for output, for its hardware),
// and the port's owner is usually the window thread.
void CloseWithin(TTtyDriver& driver, int fd, int waitMs)
{
    struct TDone {
        std::mutex Mutex;
        std::condition_variable Changed;
        bool Closed = false;
    };
    auto done = std::make_shared<TDone>();
    try {
        std::thread([&driver, fd, done] {
            // Linux releases the descriptor even when close is interrupted:
            // it is never retried.
            (void)driver.Close(fd);
            {
                std::lock_guard lock(done->Mutex);
                done->Closed = true;
            }
            done->Changed.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        (void)driver.Close(fd);
        return;
    }
    std::unique_lock lock(done->Mutex);
    done->Changed.wait_for(lock, std::chrono::milliseconds(waitMs), [&] { return done->Closed; });
}

}  // namespace

// ---- TTtyDriver

int TTtyDriver::Open(const std::string& path)
{
    return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

int TTtyDriver::Close(int fd) { return ::close(fd); }

int TTtyDriver::Lock(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB); }

int TTtyDriver::Control(int fd, unsigned long request, void* argument) { return ::ioctl(fd, request, argument); }

ssize_t TTtyDriver::Read(int fd, void* buf, std::size_t n) { return ::read(fd, buf, n); }

ssize_t TTtyDriver::Write(int fd, const void* buf, std::size_t n) { return ::write(fd, buf, n); }

bool TTtyDriver::IsPseudoTerminal(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned int deviceMajor = major(st.st_rdev);
    return deviceMajor == PTY_SLAVE_MAJOR
        || (deviceMajor >= UNIX98_PTY_SLAVE_MAJOR && deviceMajor < UNIX98_PTY_SLAVE_MAJOR + UNIX98_PTY_MAJOR_COUNT);
}

TTtyDriver* SetTtyDriver(TTtyDriver* driver) { return InstalledDriver.exchange(driver); }

TTtyDriver& CurrentTtyDriver()
{
    TTtyDriver* driver = InstalledDriver.load();
    return driver != nullptr ? *driver : SystemDriver();
}

// ---- TEvent

std::unique_ptr<TEvent> TEvent::Create()
{
    const int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<TEvent>(new TEvent(fd));
}

TEvent::~TEvent() { ::close(Descriptor); }

void TEvent::Set()
{
    const eventfd_t one = 1;
    // EAGAIN only when the counter is at its limit, which is "set" all the same.
    (void)RetryOnInterrupt([&] { return static_cast<int>(::write(Descriptor, &one, sizeof one)); });
}

void TEvent::Reset()
{
    eventfd_t value = 0;
    (void)RetryOnInterrupt([&] { return static_cast<int>(::read(Descriptor, &value, sizeof value)); });
}

bool TEvent::IsSet() const { return Wait(0); }

bool TEvent::Wait(int timeoutMs) const
{
    pollfd fds{Descriptor, POLLIN, 0};
    const int rc = RetryOnInterrupt([&] { return ::poll(&fds, 1, timeoutMs); });
    return rc > 0 && (fds.revents & POLLIN) != 0;
}

// ---- TTtyPort

std::unique_ptr<TTtyPort> TTtyPort::Open(const std::string& path, TOpenError& error)
{
    error = TOpenError::None;
    TTtyDriver& driver = CurrentTtyDriver();
    const int fd = RetryOnInterrupt([&] { return driver.Open(path); });
    if (fd < 0) {
        error = (errno == ENOENT || errno == ENXIO || errno == ENODEV) ? TOpenError::NotFound
            : errno == EBUSY                                          ? TOpenError::Busy
                                                                      : TOpenError::Other;
        return nullptr;
    }
    std::unique_ptr<TTtyPort> port(new TTtyPort(driver, fd));
    termios2 settings{};
    if (driver.Control(fd, TCGETS2, &settings) != 0) {
        error = TOpenError::NotATty;
        return nullptr;
    }
    // TIOCEXCL keeps other programs out but not a privileged one, nor this
    // process; the lock covers both.
    if (RetryOnInterrupt([&] { return driver.Lock(fd); }) != 0) {
        error = errno == EWOULDBLOCK ? TOpenError::Busy : TOpenError::Other;
        return nullptr;
    }
    if (driver.Control(fd, TIOCEXCL, nullptr) != 0) {
        error = TOpenError::Other;
        return nullptr;
    }
    port->Holder = true;
    port->PseudoTerminal = driver.IsPseudoTerminal(fd);
    return port;
}

TTtyPort::~TTtyPort()
{
    if (Holder) {
        // Nothing may wait for output still queued: on a held or slow line
        // the last close would wait for it up to the driver's closing time
        // (30 s on most serial drivers). A pseudo-terminal has no such queue;
        // what was written there already lies with the other side.
        if (!PseudoTerminal)
            (void)Driver.Control(Descriptor, TCFLSH, NumberArgument(TCOFLUSH));
        // The exclusive flag outlives this descriptor while others hold the
        // tty open; only the holder that set it clears it.
        (void)Driver.Control(Descriptor, TIOCNXCL, nullptr);
    }
    CloseWithin(Driver, Descriptor, CloseWaitMs);
}

bool ComposeLineBits(const TDCB& dcb, TLineBits& bits)
{
    if (dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > SPACEPARITY || dcb.StopBits > TWOSTOPBITS
        || dcb.BaudRate == 0)
        return false;

    bits.IFlag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF
                                         | IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
    // Without IGNBRK a received break arrives as a 0x00 byte in the middle of
    // whatever package is being received.
    bits.IFlag |= IGNBRK;
    if (dcb.fParity != 0)
        bits.IFlag |= INPCK;
    if (dcb.fOutX != 0)
        bits.IFlag |= IXON;
    if (dcb.fInX != 0)
        bits.IFlag |= IXOFF;

    bits.OFlag &= ~static_cast<tcflag_t>(OPOST);
    bits.LFlag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);

    bits.CFlag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | CIBAUD);
    bits.CFlag |= CREAD | CLOCAL;
    switch (dcb.ByteSize) {
    case 5: bits.CFlag |= CS5; break;
    case 6: bits.CFlag |= CS6; break;
    case 7: bits.CFlag |= CS7; break;
    default: bits.CFlag |= CS8; break;
    }
    switch (dcb.Parity) {
    case ODDPARITY: bits.CFlag |= PARENB | PARODD; break;
    case EVENPARITY: bits.CFlag |= PARENB; break;
    case MARKPARITY: bits.CFlag |= PARENB | CMSPAR | PARODD; break;
    case SPACEPARITY: bits.CFlag |= PARENB | CMSPAR; break;
    default: break;
    }
    // Linux has no 1.5 stop bits; it sends two (the usual UART behaviour with
    // 6 to 8 data bits, and the nearest available otherwise).
    if (dcb.StopBits != ONESTOPBIT)
        bits.CFlag |= CSTOPB;
    if (dcb.fOutxCtsFlow != 0 || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
        bits.CFlag |= CRTSCTS;

    // Input speed follows the output speed while CIBAUD is 0.
    bits.CFlag |= RateCode(dcb.BaudRate);
    bits.ISpeed = dcb.BaudRate;
    bits.OSpeed = dcb.BaudRate;

    bits.Cc[VMIN] = 1;
    bits.Cc[VTIME] = 0;
    bits.Cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    bits.Cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    return true;
}

bool LineSettingsKept(const TLineBits& wanted, const TLineBits& kept, bool pseudoTerminal)
{
    tcflag_t framing = PARODD | CMSPAR | CSTOPB | CRTSCTS;
    if (!pseudoTerminal)
        framing |= CSIZE | PARENB;
    constexpr tcflag_t kFlow = IXON | IXOFF;
    return (wanted.CFlag & framing) == (kept.CFlag & framing) && (wanted.IFlag & kFlow) == (kept.IFlag & kFlow)
        && RateKept(wanted.OSpeed, kept.OSpeed) && RateKept(wanted.ISpeed, kept.ISpeed);
}

bool TTtyPort::Apply(const TDCB& dcb)
{
    termios2 t{};
    if (Driver.Control(Descriptor, TCGETS2, &t) != 0)
        return false;
    TLineBits bits = ToLineBits(t);
    if (!ComposeLineBits(dcb, bits))
        return false;
    t.c_iflag = bits.IFlag;
    t.c_oflag = bits.OFlag;
    t.c_cflag = bits.CFlag;
    t.c_lflag = bits.LFlag;
    std::copy(bits.Cc.begin(), bits.Cc.end(), std::begin(t.c_cc));
    t.c_ispeed = bits.ISpeed;
    t.c_ospeed = bits.OSpeed;

    if (RetryOnInterrupt([&] { return Driver.Control(Descriptor, TCSETS2, &t); }) != 0)
        return false;
    // Linux accepts a change if any part of it applies: a driver without
    // mark parity or a custom rate keeps the rest and says nothing.
    termios2 kept{};
    if (Driver.Control(Descriptor, TCGETS2, &kept) != 0 || !LineSettingsKept(bits, ToLineBits(kept), PseudoTerminal))
        return false;

    // DTR handshake does not exist here; the line stays on.
    SetDtr(dcb.fDtrControl != DTR_CONTROL_DISABLE);
    if (dcb.fRtsControl != RTS_CONTROL_HANDSHAKE)
        SetRts(dcb.fRtsControl != RTS_CONTROL_DISABLE);
    return true;
}

bool TTtyPort::SetDtr(bool on) { return ModemBits(TIOCM_DTR, on); }

bool TTtyPort::SetRts(bool on) { return ModemBits(TIOCM_RTS, on); }

bool TTtyPort::ModemBits(int bits, bool on)
{
    if (Driver.Control(Descriptor, on ? TIOCMBIS : TIOCMBIC, &bits) == 0)
        return true;
    return IsUnsupported(errno);
}

bool TTtyPort::SetBreak(bool on) { return Driver.Control(Descriptor, on ? TIOCSBRK : TIOCCBRK, nullptr) == 0; }

bool TTtyPort::SetXoff(bool off)
{
    return Driver.Control(Descriptor, TCXONC, NumberArgument(off ? TCOOFF : TCOON)) == 0;
}

std::optional<std::uint32_t> TTtyPort::ModemStatus() const
{
    int lines = 0;
    if (Driver.Control(Descriptor, TIOCMGET, &lines) != 0)
        return std::nullopt;
    std::uint32_t status = 0;
    if ((lines & TIOCM_CTS) != 0)
        status |= MS_CTS_ON;
    if ((lines & TIOCM_DSR) != 0)
        status |= MS_DSR_ON;
    if ((lines & TIOCM_RNG) != 0)
        status |= MS_RING_ON;
    if ((lines & TIOCM_CAR) != 0)
        status |= MS_RLSD_ON;
    return status;
}

std::optional<TLineErrorCounts> TTtyPort::LineErrors() const
{
    serial_icounter_struct counters{};
    if (Driver.Control(Descriptor, TIOCGICOUNT, &counters) != 0)
        return std::nullopt;
    auto count = [](int v) { return static_cast<std::uint64_t>(static_cast<unsigned int>(v)); };
    return TLineErrorCounts{count(counters.frame), count(counters.overrun), count(counters.parity),
                            count(counters.brk), count(counters.buf_overrun)};
}

bool TTtyPort::Purge(bool input, bool output)
{
    if (!input && !output)
        return true;
    const int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    return Driver.Control(Descriptor, TCFLSH, NumberArgument(which)) == 0;
}

long TTtyPort::InputCount() const
{
    int n = 0;
    return Driver.Control(Descriptor, FIONREAD, &n) == 0 ? n : -1;
}

long TTtyPort::OutputCount() const
{
    int n = 0;
    return Driver.Control(Descriptor, TIOCOUTQ, &n) == 0 ? n : -1;
}

ssize_t TTtyPort::Read(void* buf, std::size_t n) { return Driver.Read(Descriptor, buf, n); }

ssize_t TTtyPort::Write(const void* buf, std::size_t n) { return Driver.Write(Descriptor, buf, n); }

}  // namespace HalvikComm32::detail
