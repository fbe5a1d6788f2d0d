// The engine against tty drivers that behave like serial hardware: a close
// that waits for queued output, settings the driver does not keep, a
// privileged second opener. The port is still a pseudo-terminal; the fake
// driver between them plays the hardware's part.

// Kernel termios2 only (see the engine's tty layer): no <termios.h> here.
#include <asm/termbits.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "engine_test_support.h"
#include "fake_tty_driver.h"
#include "serial/comm32.h"

namespace {

using namespace HalvikComm32;
using namespace std::chrono_literals;
using varnel::serial_engine_test::Bytes;
using varnel::serial_engine_test::Clock;
using varnel::serial_engine_test::Eventually;
using varnel::serial_engine_test::FakeTtyDriver;
using varnel::serial_engine_test::PortDirectory;
using varnel::serial_engine_test::PtyPair;
using detail::TLineBits;

constexpr int kPort = 7;

EComm32Error::TErrorCode OpenError(TComm32& comm)
{
    try {
        comm.Open();
    } catch (const EComm32Error& e) {
        return e.ErrorCode;
    }
    return EComm32Error::ecNone;
}

class LineDriverTest : public ::testing::Test {
protected:
    void SetUp() override { Ports.Link(kPort, Pty.SlavePath()); }
    static void Aim(TComm32& comm)
    {
        comm.PortNo = kPort;
        comm.PortName = TComm32::FormatPortName(kPort);
    }
    PtyPair Pty;
    PortDirectory Ports;
};

// The last close of a tty waits for queued output up to the driver's closing
// time, and a line held by flow control never drains: closing must neither
// wait for that nor for a driver that hangs in close.
TEST_F(LineDriverTest, CloseOfAHeldLineReturnsAtOnce)
{
    struct Case {
        const char* What;
        FakeTtyDriver::TClose Behaviour;
        bool ClosedAtOnce;  // the system's close itself returned
    };
    const Case cases[] = {
        {"driver waits for queued output", FakeTtyDriver::TClose::WaitsForQueuedOutput, true},
        {"driver hangs in close", FakeTtyDriver::TClose::Hangs, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        FakeTtyDriver driver;
        driver.CloseBehaviour = c.Behaviour;
        driver.HoldOutput = true;
        driver.ClaimsSerialHardware = true;
        TComm32 comm;
        Aim(comm);
        comm.Open();
        const Bytes data = varnel::serial_engine_test::Pattern(200);
        ASSERT_EQ(comm.Write(data.data(), static_cast<long>(data.size())), 200);
        ASSERT_TRUE(Eventually([&] { return driver.QueuedOutput() == 200; }));

        const auto start = Clock::now();
        comm.Close();
        const auto took = Clock::now() - start;
        // The slow close would take FakeTtyDriver::SlowClose (10 s).
        EXPECT_LT(took, 3s);
        EXPECT_FALSE(comm.Active);
        EXPECT_EQ(driver.WaitForClosesDone(1s), c.ClosedAtOnce);
    }
}

// A privileged program gets past the exclusive flag and then fails on the
// lock; its failed open must leave the holder's flag and line alone.
TEST_F(LineDriverTest, FailedSecondOpenLeavesTheHolderExclusiveAndItsOutput)
{
    TComm32 holder;
    Aim(holder);
    holder.Open();
    const Bytes sent = {'h', 'e', 'l', 'd'};
    ASSERT_EQ(holder.Write(sent.data(), 4), 4);
    int waiting = 0;
    ASSERT_TRUE(Eventually([&] { return ::ioctl(Pty.MasterFd(), FIONREAD, &waiting) == 0 && waiting == 4; }));

    {
        FakeTtyDriver driver;
        driver.ClaimsSerialHardware = true;
        driver.OpenInstead = [&](const std::string&) { return ::dup(Pty.SlaveFd()); };
        TComm32 second;
        Aim(second);
        EXPECT_EQ(OpenError(second), EComm32Error::ecOpenPort);
        EXPECT_FALSE(second.Active);
    }

    int exclusive = 0;
    ASSERT_EQ(::ioctl(Pty.SlaveFd(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    EXPECT_EQ(Pty.ReadFromMaster(4), sent);

    holder.Close();
    ASSERT_EQ(::ioctl(Pty.SlaveFd(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0) << "the holder clears its own flag";
}

void SetRate(TLineBits& bits, std::uint32_t rate)
{
    bits.CFlag = (bits.CFlag & ~static_cast<std::uint32_t>(CBAUD)) | BOTHER;
    bits.ISpeed = rate;
    bits.OSpeed = rate;
}

// Linux takes a settings change if any part of it applies; what the driver
// kept is read back, and a line that differs in what matters fails to open
// with the settings error.
TEST_F(LineDriverTest, SettingsTheDriverDidNotKeepFailTheOpenWithCode8)
{
    struct Case {
        const char* What;
        bool SerialHardware;
        std::function<void(TComm32&)> Settings;
        std::function<void(TLineBits&)> Drop;
        bool Opens;
    };
    const auto rate9600 = [](TComm32& c) { c.DCB.BaudRate = 9600; };
    const Case cases[] = {
        {"everything kept", true, rate9600, nullptr, true},
        {"rate 2 % high", true, rate9600, [](TLineBits& b) { SetRate(b, 9792); }, true},
        {"rate just over 2 % high", true, rate9600, [](TLineBits& b) { SetRate(b, 9793); }, false},
        {"rate 2 % low", true, rate9600, [](TLineBits& b) { SetRate(b, 9408); }, true},
        {"rate just over 2 % low", true, rate9600, [](TLineBits& b) { SetRate(b, 9407); }, false},
        {"custom rate replaced", true, [](TComm32& c) { c.DCB.BaudRate = 256000; },
         [](TLineBits& b) { SetRate(b, 230400); }, false},
        {"mark parity dropped", true, [](TComm32& c) { c.DCB.Parity = MARKPARITY; },
         [](TLineBits& b) { b.CFlag &= ~static_cast<std::uint32_t>(CMSPAR); }, false},
        {"odd parity dropped", true, [](TComm32& c) { c.DCB.Parity = ODDPARITY; },
         [](TLineBits& b) { b.CFlag &= ~static_cast<std::uint32_t>(PARODD); }, false},
        // A pseudo-terminal stores no parity enable and always eight data
        // bits; a UART that does the same has dropped them.
        {"even parity on a UART", true, [](TComm32& c) { c.DCB.Parity = EVENPARITY; }, nullptr, false},
        {"even parity on a pseudo-terminal", false, [](TComm32& c) { c.DCB.Parity = EVENPARITY; }, nullptr, true},
        {"seven data bits on a UART", true, [](TComm32& c) { c.DCB.ByteSize = 7; }, nullptr, false},
        {"seven data bits on a pseudo-terminal", false, [](TComm32& c) { c.DCB.ByteSize = 7; }, nullptr, true},
        {"two stop bits dropped", true, [](TComm32& c) { c.DCB.StopBits = TWOSTOPBITS; },
         [](TLineBits& b) { b.CFlag &= ~static_cast<std::uint32_t>(CSTOPB); }, false},
        {"1.5 stop bits dropped", true, [](TComm32& c) { c.DCB.StopBits = ONE5STOPBITS; },
         [](TLineBits& b) { b.CFlag &= ~static_cast<std::uint32_t>(CSTOPB); }, false},
        {"RTS/CTS dropped", true, [](TComm32& c) { c.fSetFCtrl(3); },
         [](TLineBits& b) { b.CFlag &= ~static_cast<std::uint32_t>(CRTSCTS); }, false},
        {"XON/XOFF dropped", true, [](TComm32& c) { c.fSetFCtrl(4); },
         [](TLineBits& b) { b.IFlag &= ~static_cast<std::uint32_t>(IXON | IXOFF); }, false},
        {"RTS/CTS forced on", true, rate9600, [](TLineBits& b) { b.CFlag |= CRTSCTS; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        FakeTtyDriver driver;
        driver.ClaimsSerialHardware = c.SerialHardware;
        driver.DropSettings = c.Drop;
        TComm32 comm;
        Aim(comm);
        c.Settings(comm);
        EXPECT_EQ(OpenError(comm), c.Opens ? EComm32Error::ecNone : EComm32Error::ecSetPortParams);
        EXPECT_EQ(comm.Active.load(), c.Opens);
        comm.Close();
    }
}

}  // namespace
