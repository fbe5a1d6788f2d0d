#include "radio_sim/simulator.h"

#include "radio_sim/state_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <csignal>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace varnel::radio_sim {
namespace {

using namespace std::chrono_literals;

// A frame torn by a pause this long is given up: the tool's package layer
// would have cut it as well.
constexpr auto kPartialTimeout = 200ms;
// A reader that does not take our bytes for this long is gone; drop them
// rather than hold every later reply behind them.
constexpr auto kBlockedTimeout = 2000ms;

std::string Hex(const Bytes& bytes)
{
    std::string out;
    char buf[4];
    for (const auto b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        out += buf;
    }
    if (!out.empty())
        out.pop_back();
    return out;
}

} // namespace

Simulator::Simulator(SimOptions options, RadioState initial)
    : options_(std::move(options))
    , radio_(options_.radio, std::move(initial))
    , radioFaults_(options_.faults)
    , boardFaults_(options_.faults)
    , air_(options_.airLoss, options_.seed)
{
    if (options_.boardCom != 0)
        board_ = std::make_unique<BoardModel>(options_.board, options_.radio.refuseWrites);
}

Simulator::~Simulator() = default;

Simulator::Port* Simulator::FindPort(int com)
{
    for (auto& port : ports_) {
        if (port->pty->com() == com)
            return port.get();
    }
    return nullptr;
}

bool Simulator::Publish(std::string& error)
{
    const auto publish = [&](int com) -> Port* {
        if (Port* existing = FindPort(com))
            return existing;
        auto pty = PtyPort::Publish(options_.portDir, com, error);
        if (!pty)
            return nullptr;
        auto port = std::make_unique<Port>();
        port->pty = std::move(pty);
        ports_.push_back(std::move(port));
        return ports_.back().get();
    };
    if (options_.radioCom != 0) {
        radioPort_ = publish(options_.radioCom);
        if (radioPort_ == nullptr)
            return false;
        radioPort_->radio = true;
    }
    if (options_.boardCom != 0) {
        boardPort_ = publish(options_.boardCom);
        if (boardPort_ == nullptr)
            return false;
        boardPort_->board = true;
    }
    if (options_.secondCom != 0) {
        secondPort_ = publish(options_.secondCom);
        if (secondPort_ == nullptr)
            return false;
        secondPort_->second = true;
    }
    for (auto& port : ports_) {
        if (port->second)
            port->assembler = FrameAssembler(true, false);
        else
            port->assembler = FrameAssembler(port->board, true);
    }
    if (options_.reportEveryMs != 0)
        nextReport_ = Clock::now() + std::chrono::milliseconds(options_.reportEveryMs);
    StateMaybeChanged();
    return true;
}

std::string Simulator::ReadyLine() const
{
    std::string line = "varnel-radio-sim:";
    const auto describe = [](const Port* port) {
        return "COM" + std::to_string(port->pty->com()) + " (" + port->pty->slavePath() + ")";
    };
    std::vector<std::string> parts;
    if (radioPort_ != nullptr)
        parts.push_back("radio on " + describe(radioPort_));
    if (boardPort_ != nullptr)
        parts.push_back(boardPort_ == radioPort_ ? "board on COM" + std::to_string(boardPort_->pty->com()) + " (shared with the radio)"
                                                 : "board on " + describe(boardPort_));
    if (secondPort_ != nullptr)
        parts.push_back("second radio on " + describe(secondPort_));
    for (std::size_t i = 0; i < parts.size(); ++i)
        line += (i == 0 ? " " : ", ") + parts[i];
    line += "; port directory " + options_.portDir + "; ready";
    return line;
}

void Simulator::Log(const std::string& text) const
{
    if (options_.verbose)
        std::cerr << "varnel-radio-sim: " << text << std::endl;
}

void Simulator::LogBytes(const Port& port, const char* direction, const Bytes& bytes) const
{
    if (options_.verbose)
        Log("COM" + std::to_string(port.pty->com()) + " " + direction + " " + Hex(bytes));
}

void Simulator::Enqueue(Port& port, const std::vector<Chunk>& chunks, unsigned delayMs)
{
    // Per-port order is kept: a reply never overtakes an earlier one.
    auto due = std::max(Clock::now() + std::chrono::milliseconds(delayMs), port.lastDue);
    for (const Chunk& chunk : chunks) {
        due += std::chrono::milliseconds(chunk.delayMs);
        port.out.push_back({due, chunk.bytes});
        port.lastDue = due;
    }
}

void Simulator::OnItem(Port& port, const StreamItem& item, const std::optional<LineSettings>& line)
{
    LogBytes(port, "<-", item.bytes);
    if (item.kind == ItemKind::TestFrame) {
        Port* target = port.second ? boardPort_ : secondPort_;
        if (target == nullptr)
            return;
        // The board only hears what comes at its own serial settings.
        if (!port.second && (!line || !board_->LineMatches(*line))) {
            Log("test frame at the wrong line settings ignored");
            return;
        }
        if (!air_.Carries()) {
            Log("test frame lost on the air");
            StateMaybeChanged();
            return;
        }
        Enqueue(*target, {Chunk{0, item.bytes}}, options_.airDelayMs);
        StateMaybeChanged();
        return;
    }

    const bool forBoard = port.board && (!port.radio || IsBoardRequest(item.bytes));
    if (forBoard) {
        if (!line || !board_->LineMatches(*line)) {
            Log("board request at " +
                (line ? std::to_string(line->baud) + "/" + ParityName(line->parity) + (line->mayBeEven ? " (or even)" : "")
                      : std::string("unknown settings")) +
                " ignored; the board listens at " + std::to_string(board_->state().line.baud) + "/" +
                ParityName(board_->state().line.parity));
            return;
        }
        Enqueue(port, boardFaults_.Shape(board_->Handle(item.bytes)), options_.replyDelayMs);
    } else if (port.radio) {
        Enqueue(port, radioFaults_.Shape(radio_.Handle(item.bytes)), options_.replyDelayMs);
    }
    StateMaybeChanged();
}

void Simulator::OnReadable(Port& port)
{
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = ::read(port.pty->masterFd(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        port.lastInput = Clock::now();
        // Settings as they are while these bytes arrive.
        const auto line = port.pty->Line(options_.strictParity);
        for (const auto& item : port.assembler.Feed(std::span<const std::uint8_t>(buffer, static_cast<std::size_t>(n))))
            OnItem(port, item, line);
    }
}

void Simulator::Flush(Port& port, Clock::time_point now)
{
    while (!port.out.empty() && port.out.front().due <= now) {
        Outgoing& head = port.out.front();
        const ssize_t n = ::write(port.pty->masterFd(), head.bytes.data(), head.bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                if (!port.blockedSince)
                    port.blockedSince = now;
                if (now - *port.blockedSince >= kBlockedTimeout) {
                    Log("nobody reads COM" + std::to_string(port.pty->com()) + "; output dropped");
                    port.out.clear();
                    port.blockedSince.reset();
                }
                return;
            }
            Log(std::string("write failed: ") + std::strerror(errno));
            port.out.pop_front();
            continue;
        }
        port.blockedSince.reset();
        const auto written = static_cast<std::size_t>(n);
        Bytes sent(head.bytes.begin(), head.bytes.begin() + static_cast<std::ptrdiff_t>(written));
        LogBytes(port, "->", sent);
        if (written == head.bytes.size()) {
            port.out.pop_front();
        } else {
            head.bytes.erase(head.bytes.begin(), head.bytes.begin() + static_cast<std::ptrdiff_t>(written));
            return; // the rest when the pty takes more
        }
    }
}

int Simulator::NextTimeoutMs(Clock::time_point now) const
{
    std::optional<Clock::time_point> next;
    const auto consider = [&](Clock::time_point t) {
        if (!next || t < *next)
            next = t;
    };
    for (const auto& port : ports_) {
        if (!port->out.empty() && !port->blockedSince)
            consider(port->out.front().due);
        if (port->blockedSince)
            consider(now + 50ms); // POLLOUT is not reliable on a pty whose reader is away
        if (port->assembler.HasPartial())
            consider(port->lastInput + kPartialTimeout);
    }
    if (options_.reportEveryMs != 0)
        consider(nextReport_);
    if (!next)
        return -1;
    // Rounded up, so that a wake-up never comes before what it waits for.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
    return static_cast<int>(std::clamp<long long>(ms, 0, 60000));
}

void Simulator::SendReport()
{
    if (radioPort_ == nullptr)
        return;
    const Bytes report = reportToggle_ ? radio_.SelectedChannelReport() : radio_.ControlMethodReport();
    reportToggle_ = !reportToggle_;
    Enqueue(*radioPort_, {Chunk{0, report}}, 0);
}

void Simulator::StateMaybeChanged()
{
    const std::uint64_t revision = radio_.revision() + (board_ ? board_->revision() : 0) + air_.carried() + air_.lost();
    if (revision == dumpedRevision_)
        return;
    dumpedRevision_ = revision;
    if (!options_.stateFile.empty() &&
        !WriteFileAtomically(options_.stateFile, RenderState(radio_, board_.get(), {air_.carried(), air_.lost()})))
        std::cerr << "varnel-radio-sim: cannot write " << options_.stateFile << std::endl;
}

void Simulator::DumpState()
{
    std::cout << RenderState(radio_, board_.get(), {air_.carried(), air_.lost()}) << std::flush;
    dumpedRevision_ = ~std::uint64_t{0};
    StateMaybeChanged();
}

int Simulator::Run(int signalFd)
{
    std::vector<pollfd> fds;
    for (;;) {
        fds.clear();
        fds.push_back({signalFd, POLLIN, 0});
        for (const auto& port : ports_) {
            short events = POLLIN;
            if (port->blockedSince)
                events = static_cast<short>(events | POLLOUT);
            fds.push_back({port->pty->masterFd(), events, 0});
        }
        const int timeout = NextTimeoutMs(Clock::now());
        const int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR) {
            std::cerr << "varnel-radio-sim: poll: " << std::strerror(errno) << std::endl;
            return 1;
        }
        if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
            signalfd_siginfo info{};
            if (::read(signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                if (info.ssi_signo == SIGUSR1)
                    DumpState();
                else
                    return 0;
            }
        }
        for (std::size_t i = 0; ready > 0 && i < ports_.size(); ++i) {
            const short revents = fds[i + 1].revents;
            if ((revents & POLLNVAL) != 0) {
                std::cerr << "varnel-radio-sim: COM" << ports_[i]->pty->com() << " is gone" << std::endl;
                return 1;
            }
            if ((revents & POLLIN) != 0)
                OnReadable(*ports_[i]);
            if ((revents & POLLOUT) != 0)
                ports_[i]->blockedSince.reset();
        }

        const auto now = Clock::now();
        for (auto& port : ports_) {
            if (port->assembler.HasPartial() && now - port->lastInput >= kPartialTimeout) {
                const auto line = port->pty->Line(options_.strictParity);
                Log("COM" + std::to_string(port->pty->com()) + ": incomplete frame given up");
                for (const auto& item : port->assembler.DropPartial())
                    OnItem(*port, item, line);
                port->lastInput = now;
            }
        }
        if (options_.reportEveryMs != 0 && now >= nextReport_) {
            SendReport();
            nextReport_ = now + std::chrono::milliseconds(options_.reportEveryMs);
        }
        for (auto& port : ports_)
            Flush(*port, Clock::now());
    }
}

} // namespace varnel::radio_sim
