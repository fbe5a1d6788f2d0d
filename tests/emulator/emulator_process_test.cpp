// The emulator binary end to end: started with a temporary port directory,
// driven through its COMn links with termios like the tool drives a radio.
#include "emulator/wire_bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace varnel::radio_sim {
namespace {

using testing::B;
using testing::Bytes;
using testing::Hex;
using testing::Sealed;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Generous: sanitizer builds on a busy machine are slow to start.
constexpr auto kStartDeadline = 20s;
constexpr auto kReplyDeadline = 5s;

int RemainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/varnel-sim-test-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        path_ = made != nullptr ? made : "";
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The emulator as a child process with its stdout and stderr on pipes.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args)
    {
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<std::string> full = {VARNEL_RADIO_SIM_PATH};
        full.insert(full.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : full)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (::posix_spawn(&pid_, full[0].c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }

    ~SimProcess()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            ::close(out_);
        if (err_ >= 0)
            ::close(err_);
    }

    // Stdout up to and including the first line that contains `marker`.
    std::optional<std::string> ReadStdoutUntil(const std::string& marker, std::chrono::nanoseconds timeout)
    {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            if (const auto at = stdout_.find(marker); at != std::string::npos) {
                const auto end = stdout_.find('\n', at);
                if (end != std::string::npos) {
                    std::string head = stdout_.substr(0, end + 1);
                    stdout_.erase(0, end + 1);
                    return head;
                }
            }
            if (!ReadSome(out_, stdout_, deadline))
                return std::nullopt;
        }
    }

    std::optional<std::string> WaitReady() { return ReadStdoutUntil("ready", kStartDeadline); }

    // Waits for the process to end; its exit code, or -1 on a signal/time-out.
    int WaitExit(std::chrono::nanoseconds timeout = kStartDeadline)
    {
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            int status = 0;
            const pid_t done = ::waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            // Woken by the end of its output rather than by polling the pid.
            ReadSome(err_, stderr_, std::min(deadline, Clock::now() + 50ms));
            ReadSome(out_, stdout_, std::min(deadline, Clock::now() + 1ms));
        }
        return -1;
    }

    std::string AllStderr()
    {
        while (ReadSome(err_, stderr_, Clock::now() + 10ms)) {
        }
        return stderr_;
    }

    void Signal(int sig) const { ::kill(pid_, sig); }
    bool started() const { return pid_ > 0; }

private:
    static bool ReadSome(int fd, std::string& into, Clock::time_point deadline)
    {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, RemainingMs(deadline)) <= 0)
            return false;
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            return false;
        into.append(buf, static_cast<std::size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string stdout_;
    std::string stderr_;
};

enum class Par { None, Odd, Even };

// The tool's side of a COMn link.
class Peer {
public:
    explicit Peer(const std::string& path, unsigned baud = 9600, Par parity = Par::None)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ >= 0)
            SetLine(baud, parity);
    }
    ~Peer()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    bool ok() const { return fd_ >= 0; }

    // Parity as a serial library sets it on Linux: PARENB (+PARODD), with
    // or without the input parity check INPCK.
    void SetLine(unsigned baud, Par parity, bool parityCheck = true)
    {
        termios tio{};
        ASSERT_EQ(::tcgetattr(fd_, &tio), 0);
        ::cfmakeraw(&tio);
        speed_t speed = B9600;
        switch (baud) {
        case 600: speed = B600; break;
        case 1200: speed = B1200; break;
        case 2400: speed = B2400; break;
        case 4800: speed = B4800; break;
        default: speed = B9600; break;
        }
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
        tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
        tio.c_iflag &= ~static_cast<tcflag_t>(INPCK);
        if (parity != Par::None) {
            tio.c_cflag |= PARENB;
            if (parityCheck)
                tio.c_iflag |= INPCK;
            if (parity == Par::Odd)
                tio.c_cflag |= PARODD;
        }
        ASSERT_EQ(::tcsetattr(fd_, TCSANOW, &tio), 0);
    }

    void Write(const Bytes& bytes)
    {
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Reads until `count` bytes have come or the deadline passes.
    Bytes Read(std::size_t count, std::chrono::nanoseconds timeout = kReplyDeadline)
    {
        const auto deadline = Clock::now() + timeout;
        while (pending_.size() < count && Fill(deadline)) {
        }
        const auto n = std::min(count, pending_.size());
        Bytes out(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(n));
        return out;
    }

    // Everything up to and including `marker`; nullopt when it does not come.
    std::optional<Bytes> ReadThrough(const Bytes& marker, std::chrono::nanoseconds timeout = kReplyDeadline)
    {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            const auto at = std::search(pending_.begin(), pending_.end(), marker.begin(), marker.end());
            if (at != pending_.end()) {
                const auto end = at + static_cast<std::ptrdiff_t>(marker.size());
                Bytes out(pending_.begin(), end);
                pending_.erase(pending_.begin(), end);
                return out;
            }
            if (!Fill(deadline))
                return std::nullopt;
        }
    }

    Bytes Exchange(const Bytes& request, std::size_t replySize)
    {
        Write(request);
        return Read(replySize);
    }

private:
    bool Fill(Clock::time_point deadline)
    {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, RemainingMs(deadline)) <= 0)
            return false;
        std::uint8_t buf[1024];
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0)
            return n < 0 && errno == EAGAIN;
        pending_.insert(pending_.end(), buf, buf + n);
        return true;
    }

    int fd_ = -1;
    Bytes pending_;
};

const Bytes kReadModel = B("55 AA 02 28 00 2A");
const Bytes kModelReply = B("55 AA 05 28 20 40 21 00 AE");
const Bytes kReadBoard = B("55 AA 03 23 00 00 26");

class Emulator : public ::testing::Test {
protected:
    void Start(std::vector<std::string> args = {})
    {
        ASSERT_FALSE(dir.path().empty());
        args.insert(args.begin(), {"--port-dir", ports()});
        sim = std::make_unique<SimProcess>(args);
        ASSERT_TRUE(sim->started());
        const auto line = sim->WaitReady();
        ASSERT_TRUE(line.has_value()) << "no ready line; stderr: " << sim->AllStderr();
        readyLine = *line;
    }

    std::string ports() const { return dir.path() + "/ports"; }
    std::string com(int n) const { return ports() + "/COM" + std::to_string(n); }
    std::string file(const std::string& name) const { return dir.path() + "/" + name; }

    static std::string Slurp(const std::string& path)
    {
        std::ifstream in(path);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The state file is rewritten after every change; wait until it says so.
    static bool StateFileShows(const std::string& path, const std::vector<std::string>& lines)
    {
        const auto deadline = Clock::now() + kReplyDeadline;
        for (;;) {
            const std::string text = Slurp(path);
            if (std::all_of(lines.begin(), lines.end(), [&](const auto& l) { return text.find(l + "\n") != std::string::npos; }))
                return true;
            if (Clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(10ms);
        }
    }

    TempDir dir;
    std::unique_ptr<SimProcess> sim;
    std::string readyLine;
};

TEST_F(Emulator, AnnouncesItsPortsAndAnswersTheIdentification)
{
    Start();
    EXPECT_NE(readyLine.find("radio on COM1 (/dev/pts/"), std::string::npos) << readyLine;
    EXPECT_NE(readyLine.find("second radio on COM2"), std::string::npos) << readyLine;
    Peer radio(com(1));
    ASSERT_TRUE(radio.ok());
    EXPECT_EQ(Hex(radio.Exchange(kReadModel, 9)), Hex(kModelReply));
    EXPECT_EQ(Hex(radio.Exchange(B("55 AA 02 26 00 28"), 8)), "55 AA 04 26 00 01 00 2B");
    EXPECT_EQ(Hex(radio.Exchange(B("55 AA 02 24 00 26"), 7)), "55 AA 03 24 01 00 28");
}

TEST_F(Emulator, RequestInPiecesAfterStrayBytesIsAnswered)
{
    Start();
    Peer radio(com(1));
    ASSERT_TRUE(radio.ok());
    radio.Write(B("00 13"));
    radio.Write(B("55 AA 04 20"));
    radio.Write(B("14 03 00 3B"));
    const Bytes reply = radio.Read(16);
    ASSERT_EQ(reply.size(), 16u) << Hex(reply);
    EXPECT_EQ(Hex(Bytes(reply.begin(), reply.begin() + 6)), "55 AA 0C 20 24 03");
}

TEST_F(Emulator, TableWrittenOverThePtyIsWhatTheRadioHolds)
{
    Start({"--state-file", file("state.txt")});
    Peer radio(com(1));
    ASSERT_TRUE(radio.ok());
    std::vector<std::string> expected;
    for (unsigned c = 1; c <= 16; ++c) {
        // 46c.c2500 units transmit; 495.1cc00 on the air, so 450.00cc0 MHz receive.
        char hex[96];
        std::snprintf(hex, sizeof hex, "55 AA 0C 20 03 %02X 46 %02u 25 00 49 51 %02u 00", c, c, c);
        ASSERT_EQ(Hex(radio.Exchange(Sealed(hex), 7)), "55 AA 03 20 20 00 43") << c;
        std::snprintf(hex, sizeof hex, "55 AA 04 95 %02X %02X", c, (c + 1) % 5 + 1);
        ASSERT_EQ(Hex(radio.Exchange(Sealed(hex), 7)), "55 AA 03 20 95 00 B8") << c;
        expected.push_back("tx" + std::to_string(c) + "=46" + (c < 10 ? "0" : "") + std::to_string(c) + "2500");
        expected.push_back("rx" + std::to_string(c) + "=" + std::to_string(45000000 + c * 100));
        expected.push_back("power" + std::to_string(c) + "=" + std::to_string((c + 1) % 5 + 1));
    }
    for (unsigned c = 1; c <= 16; ++c) {
        char req[64], rec[96];
        std::snprintf(req, sizeof req, "55 AA 04 20 14 %02X", c);
        std::snprintf(rec, sizeof rec, "55 AA 0C 20 24 %02X 46 %02u 25 00 49 51 %02u 00", c, c, c);
        EXPECT_EQ(Hex(radio.Exchange(Sealed(req), 16)), Hex(Sealed(rec))) << c;
    }
    EXPECT_TRUE(StateFileShows(file("state.txt"), expected)) << Slurp(file("state.txt"));
}

TEST_F(Emulator, BoardIsFoundOnlyAtItsOwnLineSettings)
{
    Start({"--board-baud", "1200", "--board-parity", "odd"});
    Peer line(com(1));
    ASSERT_TRUE(line.ok());

    // The tool's search: current settings, then 600/None, 600/Odd ... The
    // radio shares the line and answers at any settings, so its model reply
    // marks the end of whatever the board request brought.
    const std::pair<unsigned, Par> search[] = {{2400, Par::None}, {600, Par::None}, {600, Par::Odd},
                                               {600, Par::Even},  {1200, Par::None}, {1200, Par::Odd}};
    for (std::size_t i = 0; i < std::size(search); ++i) {
        line.SetLine(search[i].first, search[i].second);
        line.Write(kReadBoard);
        line.Write(kReadModel);
        const auto got = line.ReadThrough(kModelReply);
        ASSERT_TRUE(got.has_value()) << i;
        const Bytes boardPart(got->begin(), got->end() - static_cast<std::ptrdiff_t>(kModelReply.size()));
        EXPECT_EQ(Hex(boardPart), i + 1 == std::size(search) ? "55 AA 03 23 00 00 26" : "") << "attempt " << i + 1;
    }

    // Switch the board to 4800/even; the acknowledgement still comes at 1200/odd.
    EXPECT_EQ(Hex(line.Exchange(B("55 AA 03 28 31 00 5C"), 7)), "55 AA 03 20 28 00 4B");
    line.Write(kReadBoard);
    line.Write(kReadModel);
    auto got = line.ReadThrough(kModelReply);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->size(), kModelReply.size()) << "no answer at the old settings";

    line.SetLine(4800, Par::Even);
    EXPECT_EQ(Hex(line.Exchange(kReadBoard, 7)), "55 AA 03 23 00 00 26");
}

// Whether a board request at these line settings is answered; the radio's
// model reply on the shared line marks the end of what it brought.
bool BoardAnswers(Peer& line, unsigned baud, Par parity, bool parityCheck)
{
    line.SetLine(baud, parity, parityCheck);
    line.Write(kReadBoard);
    line.Write(kReadModel);
    const auto got = line.ReadThrough(kModelReply);
    return got.has_value() && got->size() > kModelReply.size();
}

TEST_F(Emulator, EvenParityWithoutParityCheckLooksLikeNoParity)
{
    // A pty stores no PARENB; even parity set without INPCK leaves no trace.
    Start({"--board-baud", "4800", "--board-parity", "even"});
    Peer line(com(1));
    ASSERT_TRUE(line.ok());
    EXPECT_TRUE(BoardAnswers(line, 4800, Par::Even, false));
    EXPECT_TRUE(BoardAnswers(line, 4800, Par::Even, true));
    EXPECT_TRUE(BoardAnswers(line, 4800, Par::None, false)) << "cannot be told from even";
    EXPECT_FALSE(BoardAnswers(line, 4800, Par::Odd, false));
    EXPECT_FALSE(BoardAnswers(line, 2400, Par::Even, true));
}

TEST_F(Emulator, StrictParityNeedsTheParityCheckFlag)
{
    Start({"--board-baud", "4800", "--board-parity", "even", "--strict-parity"});
    Peer line(com(1));
    ASSERT_TRUE(line.ok());
    EXPECT_FALSE(BoardAnswers(line, 4800, Par::Even, false));
    EXPECT_FALSE(BoardAnswers(line, 4800, Par::None, false));
    EXPECT_TRUE(BoardAnswers(line, 4800, Par::Even, true));
}

TEST_F(Emulator, TestFramesTravelToTheSecondRadioAndBack)
{
    Start({"--state-file", file("state.txt")});
    Peer send(com(1), 2400, Par::None); // the board's default settings
    Peer receive(com(2), 2400, Par::None);
    ASSERT_TRUE(send.ok() && receive.ok());
    Bytes frame = {0x7E, 13};
    for (const char c : std::string("Test string."))
        frame.push_back(static_cast<std::uint8_t>(c));
    send.Write(frame);
    const Bytes arrived = receive.Read(frame.size());
    EXPECT_EQ(Hex(arrived), Hex(frame));
    receive.Write(arrived);
    EXPECT_EQ(Hex(send.Read(frame.size())), Hex(frame));
    EXPECT_TRUE(StateFileShows(file("state.txt"), {"carried=2", "lost=0"}));
}

TEST_F(Emulator, TestFramesAreLostWhenTheAirLosesEverything)
{
    Start({"--air-loss", "1", "--state-file", file("state.txt")});
    Peer send(com(1), 2400, Par::None);
    ASSERT_TRUE(send.ok());
    send.Write(B("7E 03 41 42"));
    EXPECT_TRUE(StateFileShows(file("state.txt"), {"carried=0", "lost=1"}));
}

TEST_F(Emulator, SplitReplyHasAPauseLongerThanThePackageInterval)
{
    Start({"--split-every", "1", "--split-pause", "250"});
    Peer radio(com(1));
    ASSERT_TRUE(radio.ok());
    radio.Write(kReadModel);
    const Bytes first = radio.Read(1);
    ASSERT_EQ(first.size(), 1u);
    const auto firstAt = Clock::now();
    const Bytes rest = radio.Read(kModelReply.size() - 1);
    const auto gap = Clock::now() - firstAt;
    Bytes all = first;
    all.insert(all.end(), rest.begin(), rest.end());
    EXPECT_EQ(Hex(all), Hex(kModelReply));
    EXPECT_GE(gap, 200ms);
}

TEST_F(Emulator, DroppedReplyIsNeverSent)
{
    Start({"--drop-every", "2"});
    Peer radio(com(1));
    ASSERT_TRUE(radio.ok());
    EXPECT_EQ(Hex(radio.Exchange(kReadModel, 9)), Hex(kModelReply));
    radio.Write(B("55 AA 02 26 00 28")); // dropped
    radio.Write(B("55 AA 02 24 00 26"));
    const auto got = radio.ReadThrough(B("55 AA 03 24 01 00 28"));
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(Hex(*got), "55 AA 03 24 01 00 28");
}

struct ReplyFaultCase {
    const char* name;
    std::vector<std::string> args;
    const char* request;
    const char* reply;
};

class EmulatorReplies : public Emulator, public ::testing::WithParamInterface<ReplyFaultCase> {};

TEST_P(EmulatorReplies, ShapesTheReply)
{
    const auto& c = GetParam();
    Start(c.args);
    Peer radio(com(1));
    ASSERT_TRUE(radio.ok());
    const Bytes expected = B(c.reply);
    EXPECT_EQ(Hex(radio.Exchange(B(c.request), expected.size())), c.reply);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, EmulatorReplies,
    ::testing::Values(
        ReplyFaultCase{"garbage", {"--garbage-every", "1"}, "55 AA 02 28 00 2A", "00 13 FE 55 AA 05 28 20 40 21 00 AE"},
        ReplyFaultCase{"corrupt", {"--corrupt-every", "1"}, "55 AA 02 28 00 2A", "55 AA 05 28 20 40 21 00 51"},
        ReplyFaultCase{"refuse", {"--refuse-writes"}, "55 AA 04 32 30 39 00 9F", "55 AA 03 21 32 00 56"},
        ReplyFaultCase{"vhf", {"--hardware", "3.1"}, "55 AA 02 28 00 2A", "55 AA 05 28 20 31 21 00 9F"},
        ReplyFaultCase{"id", {"--id", "12345"}, "55 AA 02 26 00 28", "55 AA 04 26 30 39 00 93"},
        ReplyFaultCase{"delay", {"--reply-delay", "50"}, "55 AA 02 24 00 26", "55 AA 03 24 01 00 28"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(Emulator, SendsReportsUnasked)
{
    Start({"--report-every", "50"});
    Peer radio(com(1));
    ASSERT_TRUE(radio.ok());
    EXPECT_TRUE(radio.ReadThrough(B("55 AA 03 35 55 00 8D")).has_value());
    EXPECT_TRUE(radio.ReadThrough(B("55 AA 03 37 01 00 3B")).has_value());
}

TEST_F(Emulator, ProfileFillsTheInitialTable)
{
    {
        std::ofstream profile(file("profile.ini"));
        profile << "[parameter]\ntx1=43512500\nrx1=43512500\npower1=3\n";
    }
    Start({"--profile", file("profile.ini")});
    Peer radio(com(1));
    ASSERT_TRUE(radio.ok());
    EXPECT_EQ(Hex(radio.Exchange(B("55 AA 04 20 14 01 00 39"), 16)), "55 AA 0C 20 24 01 43 51 25 00 48 02 25 00 01 79");
    EXPECT_EQ(Hex(radio.Exchange(B("55 AA 03 94 01 00 98"), 8)), "55 AA 04 94 01 03 00 9C");
}

TEST_F(Emulator, DumpsStateOnSigusr1AndCleansUpOnSigterm)
{
    Start();
    sim->Signal(SIGUSR1);
    const auto dump = sim->ReadStdoutUntil("power16=", kReplyDeadline);
    ASSERT_TRUE(dump.has_value());
    EXPECT_NE(dump->find("[channels]"), std::string::npos);
    EXPECT_NE(dump->find("model=0x20"), std::string::npos);

    ASSERT_TRUE(std::filesystem::is_symlink(com(1)));
    sim->Signal(SIGTERM);
    EXPECT_EQ(sim->WaitExit(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(com(1))));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(com(2))));
}

TEST_F(Emulator, SigintAlsoRemovesTheLinks)
{
    Start();
    sim->Signal(SIGINT);
    EXPECT_EQ(sim->WaitExit(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(com(1))));
}

TEST_F(Emulator, BusyPortDirectoryIsRefusedAndTheFirstKeepsRunning)
{
    Start();
    const auto target = std::filesystem::read_symlink(com(1));
    SimProcess second({"--port-dir", ports()});
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.WaitExit(), 2);
    EXPECT_NE(second.AllStderr().find("busy"), std::string::npos);
    EXPECT_EQ(std::filesystem::read_symlink(com(1)), target);
    Peer radio(com(1));
    ASSERT_TRUE(radio.ok());
    EXPECT_EQ(Hex(radio.Exchange(kReadModel, 9)), Hex(kModelReply));
}

TEST_F(Emulator, StaleLinkOfADeadEmulatorIsReplaced)
{
    std::filesystem::create_directories(ports());
    std::filesystem::create_symlink("/dev/pts/does-not-exist", com(1));
    Start();
    Peer radio(com(1));
    ASSERT_TRUE(radio.ok());
    EXPECT_EQ(Hex(radio.Exchange(kReadModel, 9)), Hex(kModelReply));
}

TEST_F(Emulator, BadOptionsEndWithAMessage)
{
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--port-dir", ports(), "--radio-com", "x"}, "bad value 'x' for --radio-com"},
        {{"--port-dir", ports(), "--frobnicate"}, "unknown option"},
        {{"--port-dir", ports(), "--profile", file("missing.ini")}, "cannot read profile"},
    };
    for (const auto& [args, message] : cases) {
        SimProcess bad(args);
        ASSERT_TRUE(bad.started());
        EXPECT_EQ(bad.WaitExit(), 2) << message;
        EXPECT_NE(bad.AllStderr().find(message), std::string::npos) << message;
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(com(1))));
}

} // namespace
} // namespace varnel::radio_sim
