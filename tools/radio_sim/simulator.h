// The emulator's event loop: ptys, timers and signals around the device models.
#pragma once

#include "radio_sim/board_model.h"
#include "radio_sim/frame_assembler.h"
#include "radio_sim/pty_port.h"
#include "radio_sim/radio_model.h"
#include "radio_sim/reply_faults.h"
#include "radio_sim/sim_options.h"

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace varnel::radio_sim {

class Simulator {
public:
    Simulator(SimOptions options, RadioState initial);
    ~Simulator();

    // Creates the ptys and their links; false with `error` set when a port
    // cannot be published (links made so far are removed again).
    bool Publish(std::string& error);

    // The line printed once everything is ready.
    std::string ReadyLine() const;

    // Runs until SIGINT, SIGTERM or SIGHUP (blocked by the caller and taken
    // through `signalFd`). Returns the process exit code.
    int Run(int signalFd);

private:
    using Clock = std::chrono::steady_clock;

    struct Outgoing {
        Clock::time_point due;
        Bytes bytes;
    };

    struct Port {
        std::unique_ptr<PtyPort> pty;
        bool radio = false;
        bool board = false;
        bool second = false;
        FrameAssembler assembler;
        std::deque<Outgoing> out;
        Clock::time_point lastInput{};
        Clock::time_point lastDue{};
        std::optional<Clock::time_point> blockedSince;
    };

    Port* FindPort(int com);
    void OnReadable(Port& port);
    void OnItem(Port& port, const StreamItem& item, const std::optional<LineSettings>& line);
    void Enqueue(Port& port, const std::vector<Chunk>& chunks, unsigned delayMs);
    void Flush(Port& port, Clock::time_point now);
    int NextTimeoutMs(Clock::time_point now) const;
    void SendReport();
    void StateMaybeChanged();
    void DumpState();
    void Log(const std::string& text) const;
    void LogBytes(const Port& port, const char* direction, const Bytes& bytes) const;

    SimOptions options_;
    RadioModel radio_;
    std::unique_ptr<BoardModel> board_;
    FaultShaper radioFaults_;
    FaultShaper boardFaults_;
    AirLink air_;
    std::vector<std::unique_ptr<Port>> ports_;
    Port* radioPort_ = nullptr;
    Port* boardPort_ = nullptr;
    Port* secondPort_ = nullptr;
    Clock::time_point nextReport_{};
    bool reportToggle_ = false;
    std::uint64_t dumpedRevision_ = ~std::uint64_t{0};
};

} // namespace varnel::radio_sim
