#include "support/radio_simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace varnel::test {

namespace {

bool Exited(int pid)
{
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

} // namespace

std::filesystem::path RadioSimulator::Binary() { return VARNEL_RADIO_SIM_BINARY; }

RadioSimulator::RadioSimulator(int com, std::vector<std::string> extraArgs, std::chrono::milliseconds startTimeout)
    : com_(com)
{
    std::vector<std::string> args = {Binary().string(),
                                     "--port-dir", dir_.path().string(),
                                     "--radio-com", std::to_string(com),
                                     "--board-com", "0",
                                     "--second-com", "0"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    output_ = pipeEnds[0];
    if (spawned != 0) {
        error_ = "cannot start " + args[0];
        return;
    }
    pid_ = pid;

    // The ready line says every port is published.
    std::string seen;
    const auto deadline = std::chrono::steady_clock::now() + startTimeout;
    while (seen.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            error_ = "no ready line from the emulator";
            return;
        }
        pollfd pfd{output_, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            error_ = "poll failed";
            return;
        }
        if (ready == 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(output_, buffer, sizeof buffer);
        if (n <= 0) {
            error_ = "the emulator ended before it was ready";
            return;
        }
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    if (seen.find("varnel-radio-sim:") == std::string::npos) {
        error_ = "unexpected first line: " + seen;
        return;
    }
    scope_.emplace(dir_.path());
    ready_ = true;
}

RadioSimulator::~RadioSimulator()
{
    scope_.reset();
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        // It removes its links and leaves at once; a hung one is not waited
        // for beyond a generous deadline.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!Exited(pid_)) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    if (output_ >= 0)
        ::close(output_);
}

} // namespace varnel::test
