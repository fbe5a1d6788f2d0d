// Test helpers for the serial engine: a pseudo-terminal published as COM<n>
// in a temporary port directory, line settings read back from the tty, and a
// thread-safe log of the engine's notifications.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "serial/comm32.h"
#include "serial/tty_port.h"

namespace varnel::serial_engine_test {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// Generous bound for anything that should happen soon on a loaded machine.
inline constexpr std::chrono::milliseconds kPatience{5000};

// A pseudo-terminal: the engine opens the slave by its COM name, the test
// talks through the master and inspects the line through its own slave fd.
class PtyPair {
public:
    PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;
    ~PtyPair();

    const std::string& SlavePath() const { return SlavePathName; }
    int MasterFd() const { return Master; }
    int SlaveFd() const { return Slave; }

    void WriteToMaster(const Bytes& bytes);
    // Reads until count bytes came or the deadline passed.
    Bytes ReadFromMaster(std::size_t count, std::chrono::milliseconds patience = kPatience);
    // Whatever arrives within the given quiet time.
    Bytes DrainMaster(std::chrono::milliseconds quiet);
    void CloseMaster();
    // Bytes waiting in the slave's input (not yet taken by the engine).
    int SlaveInputPending() const;

private:
    int Master = -1;
    int Slave = -1;
    std::string SlavePathName;
};

// VARNEL_PORT_DIR pointing at a fresh directory; restored on destruction.
class PortDirectory {
public:
    PortDirectory();
    PortDirectory(const PortDirectory&) = delete;
    PortDirectory& operator=(const PortDirectory&) = delete;
    ~PortDirectory();

    void Link(int comNumber, const std::string& target);
    const std::string& Path() const { return Dir; }

private:
    std::string Dir;
    std::string Saved;
    bool HadSaved = false;
};

// What tcgetattr (termios2) shows of the line.
struct LineReadback {
    std::uint32_t InputSpeed = 0;
    std::uint32_t OutputSpeed = 0;
    bool CustomRate = false;  // BOTHER
    int DataBits = 0;
    bool ParityOn = false;
    bool ParityOdd = false;
    bool StickParity = false;  // CMSPAR
    bool TwoStopBits = false;
    bool RtsCts = false;
    bool XonOut = false;  // IXON
    bool XonIn = false;   // IXOFF
    std::uint8_t StartChar = 0;
    std::uint8_t StopChar = 0;
    bool Canonical = false;
    bool Echo = false;
    bool OutputProcessing = false;
    bool CrToNl = false;
    bool ParityCheck = false;  // INPCK
    bool IgnoreBreak = false;  // IGNBRK
    bool BreakInterrupt = false;  // BRKINT
    bool Signals = false;      // ISIG
    bool Receiver = false;     // CREAD
    bool IgnoreModemLines = false;  // CLOCAL
};
LineReadback ReadLine(int fd);
// The same view of settings composed without a device.
LineReadback DecodeLine(const HalvikComm32::detail::TLineBits& bits);

// Everything the engine reported, in order.
class EventLog {
public:
    struct Entry {
        enum Kind { Notify, AfterOpen, BeforeClose } What;
        int Value;
        bool operator==(const Entry&) const = default;
    };

    void Attach(HalvikComm32::TComm32& comm);
    void Add(Entry entry);
    std::vector<Entry> Entries() const;
    void Clear();
    // Waits until some notification has all bits of mask.
    bool WaitForNotify(int mask, std::chrono::milliseconds patience = kPatience) const;
    bool WaitUntil(const std::function<bool(const std::vector<Entry>&)>& done,
                   std::chrono::milliseconds patience = kPatience) const;
    int NotifiedBits() const;

private:
    mutable std::mutex Mutex;
    mutable std::condition_variable Changed;
    std::vector<Entry> Log;
};

// Polls a condition until it holds or the patience runs out.
bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds patience = kPatience);

Bytes Pattern(std::size_t count, std::uint32_t seed = 1);

}  // namespace varnel::serial_engine_test
