// Kernel termios2 only (see the engine's tty layer): no <termios.h> here.
#include "fake_tty_driver.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace varnel::serial_engine_test {

using HalvikComm32::detail::TLineBits;

FakeTtyDriver::FakeTtyDriver() { Replaced = HalvikComm32::detail::SetTtyDriver(this); }

FakeTtyDriver::~FakeTtyDriver()
{
    HalvikComm32::detail::SetTtyDriver(Replaced);
    std::unique_lock lock(Mutex);
    Released = true;
    Changed.notify_all();
    // A port closes its descriptor on a thread of its own, which may not
    // even have started yet: wait for every descriptor handed out.
    if (!Changed.wait_for(lock, 2 * SlowClose, [this] { return ClosesDone == Opened; })) {
        std::fprintf(stderr, "a port opened through the fake tty driver was not closed before it went\n");
        std::abort();
    }
}

std::size_t FakeTtyDriver::QueuedOutput() const
{
    std::lock_guard lock(Mutex);
    return Queued;
}

int FakeTtyDriver::OutputDiscards() const
{
    std::lock_guard lock(Mutex);
    return Discards;
}

bool FakeTtyDriver::WaitForClosesDone(std::chrono::milliseconds patience)
{
    std::unique_lock lock(Mutex);
    return Changed.wait_for(lock, patience, [this] { return ClosesDone == Opened; });
}

int FakeTtyDriver::Open(const std::string& path)
{
    const int fd = OpenInstead ? OpenInstead(path) : TTtyDriver::Open(path);
    if (fd >= 0) {
        std::lock_guard lock(Mutex);
        ++Opened;
    }
    return fd;
}

int FakeTtyDriver::Close(int fd)
{
    {
        std::unique_lock lock(Mutex);
        const auto until = std::chrono::steady_clock::now() + SlowClose;
        if (CloseBehaviour == TClose::WaitsForQueuedOutput)
            Changed.wait_until(lock, until, [this] { return Queued == 0 || Released; });
        else if (CloseBehaviour == TClose::Hangs)
            Changed.wait_until(lock, until, [this] { return Released; });
    }
    const int rc = TTtyDriver::Close(fd);
    // Notified under the lock: the waiting destructor may end the driver as
    // soon as it sees the count.
    std::lock_guard lock(Mutex);
    ++ClosesDone;
    Changed.notify_all();
    return rc;
}

int FakeTtyDriver::Control(int fd, unsigned long request, void* argument)
{
    if (request == TCFLSH) {
        const auto which = reinterpret_cast<std::intptr_t>(argument);
        if (which == TCOFLUSH || which == TCIOFLUSH) {
            std::lock_guard lock(Mutex);
            Queued = 0;
            ++Discards;
            Changed.notify_all();
        }
    }
    if (request == TIOCOUTQ && HoldOutput) {
        std::lock_guard lock(Mutex);
        *static_cast<int*>(argument) = static_cast<int>(Queued);
        return 0;
    }
    if (request == TCSETS2 && DropSettings) {
        termios2 t = *static_cast<const termios2*>(argument);
        TLineBits bits;
        bits.IFlag = t.c_iflag;
        bits.OFlag = t.c_oflag;
        bits.CFlag = t.c_cflag;
        bits.LFlag = t.c_lflag;
        std::copy(std::begin(t.c_cc), std::end(t.c_cc), bits.Cc.begin());
        bits.ISpeed = t.c_ispeed;
        bits.OSpeed = t.c_ospeed;
        DropSettings(bits);
        t.c_iflag = bits.IFlag;
        t.c_oflag = bits.OFlag;
        t.c_cflag = bits.CFlag;
        t.c_lflag = bits.LFlag;
        std::copy(bits.Cc.begin(), bits.Cc.end(), std::begin(t.c_cc));
        t.c_ispeed = bits.ISpeed;
        t.c_ospeed = bits.OSpeed;
        return TTtyDriver::Control(fd, request, &t);
    }
    return TTtyDriver::Control(fd, request, argument);
}

ssize_t FakeTtyDriver::Write(int fd, const void* buf, std::size_t n)
{
    if (!HoldOutput)
        return TTtyDriver::Write(fd, buf, n);
    std::lock_guard lock(Mutex);
    Queued += n;
    return static_cast<ssize_t>(n);
}

bool FakeTtyDriver::IsPseudoTerminal(int fd) { return !ClaimsSerialHardware && TTtyDriver::IsPseudoTerminal(fd); }

}  // namespace varnel::serial_engine_test
