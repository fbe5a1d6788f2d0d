// Kernel termios2 only (see the engine's tty layer): no <termios.h> here.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "engine_test_support.h"

namespace varnel::serial_engine_test {

LineReadback ReadLine(int fd)
{
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0)
        throw std::runtime_error("TCGETS2 failed");
    HalvikComm32::detail::TLineBits bits;
    bits.IFlag = t.c_iflag;
    bits.OFlag = t.c_oflag;
    bits.CFlag = t.c_cflag;
    bits.LFlag = t.c_lflag;
    std::copy(std::begin(t.c_cc), std::end(t.c_cc), bits.Cc.begin());
    bits.ISpeed = t.c_ispeed;
    bits.OSpeed = t.c_ospeed;
    return DecodeLine(bits);
}

LineReadback DecodeLine(const HalvikComm32::detail::TLineBits& bits)
{
    LineReadback r;
    r.InputSpeed = bits.ISpeed;
    r.OutputSpeed = bits.OSpeed;
    r.CustomRate = (bits.CFlag & CBAUD) == BOTHER;
    switch (bits.CFlag & CSIZE) {
    case CS5: r.DataBits = 5; break;
    case CS6: r.DataBits = 6; break;
    case CS7: r.DataBits = 7; break;
    default: r.DataBits = 8; break;
    }
    r.ParityOn = (bits.CFlag & PARENB) != 0;
    r.ParityOdd = (bits.CFlag & PARODD) != 0;
    r.StickParity = (bits.CFlag & CMSPAR) != 0;
    r.TwoStopBits = (bits.CFlag & CSTOPB) != 0;
    r.RtsCts = (bits.CFlag & CRTSCTS) != 0;
    r.XonOut = (bits.IFlag & IXON) != 0;
    r.XonIn = (bits.IFlag & IXOFF) != 0;
    r.ParityCheck = (bits.IFlag & INPCK) != 0;
    r.IgnoreBreak = (bits.IFlag & IGNBRK) != 0;
    r.BreakInterrupt = (bits.IFlag & BRKINT) != 0;
    r.StartChar = bits.Cc[VSTART];
    r.StopChar = bits.Cc[VSTOP];
    r.Canonical = (bits.LFlag & ICANON) != 0;
    r.Echo = (bits.LFlag & ECHO) != 0;
    r.Signals = (bits.LFlag & ISIG) != 0;
    r.OutputProcessing = (bits.OFlag & OPOST) != 0;
    r.CrToNl = (bits.IFlag & ICRNL) != 0;
    r.Receiver = (bits.CFlag & CREAD) != 0;
    r.IgnoreModemLines = (bits.CFlag & CLOCAL) != 0;
    return r;
}

}  // namespace varnel::serial_engine_test
