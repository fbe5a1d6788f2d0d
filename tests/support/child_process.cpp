#include "support/child_process.h"

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

bool Exited(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

} // namespace

ChildProcess::ChildProcess(std::vector<std::string> args, bool pipeStderr)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int out[2];
    int err[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return;
    }
    if (pipeStderr && ::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        error_ = "pipe failed";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    if (pipeStderr)
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    stdout_ = out[0];
    if (pipeStderr) {
        ::close(err[1]);
        stderr_ = err[0];
    }
    if (spawned != 0) {
        error_ = "cannot start " + args[0];
        return;
    }
    pid_ = pid;
}

ChildProcess::~ChildProcess()
{
    stop();
    if (stdout_ >= 0)
        ::close(stdout_);
    if (stderr_ >= 0)
        ::close(stderr_);
}

ChildProcess::FirstLine ChildProcess::readFirstLine(std::string& seen, std::chrono::milliseconds timeout)
{
    if (!started())
        return FirstLine::NotStarted;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (seen.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            error_ = "no ready line from the emulator";
            return FirstLine::TimedOut;
        }
        pollfd pfd{stdout_, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            error_ = "poll failed";
            return FirstLine::PollFailed;
        }
        if (ready <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(stdout_, buffer, sizeof buffer);
        if (n <= 0) {
            error_ = "the emulator ended before it was ready";
            return FirstLine::Ended;
        }
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    return FirstLine::Read;
}

void ChildProcess::stop()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    // The emulator removes its links and leaves at once; a hung one is not
    // waited for beyond a generous deadline.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Exited(pid_)) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    pid_ = -1;
}

} // namespace varnel::test
