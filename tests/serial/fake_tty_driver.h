// A tty driver for the engine's tests: passes every call on to the system's
// (so the port is still a real pseudo-terminal) and can be told to behave
// like serial hardware that a pseudo-terminal cannot imitate.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>

#include "serial/tty_port.h"

namespace varnel::serial_engine_test {

class FakeTtyDriver : public HalvikComm32::detail::TTtyDriver {
public:
    // How the last close of the tty behaves.
    enum class TClose {
        AtOnce,
        // Waits while written output is still queued, as a driver does for
        // its closing time (30 s on most; SlowClose here).
        WaitsForQueuedOutput,
        // Waits whatever the program did, as a driver whose hardware hangs.
        Hangs,
    };
    static constexpr std::chrono::milliseconds SlowClose{10000};

    // Ports opened while it lives use it; they must be closed before it goes.
    FakeTtyDriver();
    FakeTtyDriver(const FakeTtyDriver&) = delete;
    FakeTtyDriver& operator=(const FakeTtyDriver&) = delete;
    // Lets closes under way finish and waits for every descriptor it handed
    // out to be closed.
    ~FakeTtyDriver() override;

    // Set before opening.
    TClose CloseBehaviour = TClose::AtOnce;
    // Written bytes stay queued in the driver (a line held by flow control).
    bool HoldOutput = false;
    // Says the tty is not a pseudo-terminal, so it is judged like a UART.
    bool ClaimsSerialHardware = false;
    // Changes the settings a TCSETS2 hands the system, like a driver that
    // drops what it does not support.
    std::function<void(HalvikComm32::detail::TLineBits&)> DropSettings;
    // Opens in place of the system's open (for instance a descriptor that
    // got past the exclusive flag, as a privileged program's does).
    std::function<int(const std::string&)> OpenInstead;

    std::size_t QueuedOutput() const;
    int OutputDiscards() const;
    // True once every descriptor handed out has been closed.
    bool WaitForClosesDone(std::chrono::milliseconds patience);

    int Open(const std::string& path) override;
    int Close(int fd) override;
    int Control(int fd, unsigned long request, void* argument) override;
    ssize_t Write(int fd, const void* buf, std::size_t n) override;
    bool IsPseudoTerminal(int fd) override;

private:
    HalvikComm32::detail::TTtyDriver* Replaced = nullptr;
    mutable std::mutex Mutex;
    std::condition_variable Changed;
    std::size_t Queued = 0;
    int Discards = 0;
    int Opened = 0;
    int ClosesDone = 0;
    bool Released = false;
};

}  // namespace varnel::serial_engine_test
