#include "modem/emulator_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace varnel::test {

namespace {

bool Exited(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

std::size_t Occurrences(const std::string& log, std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size()))
        ++count;
    return count;
}

}  // namespace

EmulatorRun::EmulatorRun(const std::filesystem::path& portDir, std::vector<std::string> options,
                         std::chrono::milliseconds startTimeout)
{
    std::vector<std::string> args = {VARNEL_RADIO_SIM, "--port-dir", portDir.string(), "--verbose"};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    stdout_ = out[0];
    stderr_ = err[0];
    if (spawned != 0) {
        error_ = "cannot start " + args[0];
        return;
    }
    pid_ = pid;
    reader_ = std::thread([this] { collectLog(); });

    // The ready line comes when every line is published.
    std::string seen;
    const auto deadline = std::chrono::steady_clock::now() + startTimeout;
    while (seen.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            error_ = "no ready line from the emulator";
            return;
        }
        pollfd pfd{stdout_, POLLIN, 0};
        const int polled = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno != EINTR) {
            error_ = "poll failed";
            return;
        }
        if (polled <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(stdout_, buffer, sizeof buffer);
        if (n <= 0) {
            std::lock_guard lock(mutex_);
            error_ = "the emulator ended before it was ready: " + log_;
            return;
        }
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    ready_ = seen.find("ready") != std::string::npos;
    if (!ready_)
        error_ = "unexpected first line: " + seen;
}

EmulatorRun::~EmulatorRun()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
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
    // The log pipe reaches its end once the process is gone.
    if (reader_.joinable())
        reader_.join();
    if (stdout_ >= 0)
        ::close(stdout_);
    if (stderr_ >= 0)
        ::close(stderr_);
}

void EmulatorRun::collectLog()
{
    char buffer[1024];
    for (;;) {
        const ssize_t n = ::read(stderr_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        {
            std::lock_guard lock(mutex_);
            log_.append(buffer, static_cast<std::size_t>(n));
        }
        logged_.notify_all();
    }
}

std::size_t EmulatorRun::logCount(std::string_view text) const
{
    std::lock_guard lock(mutex_);
    return Occurrences(log_, text);
}

bool EmulatorRun::waitForLog(std::string_view text, std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return logged_.wait_for(lock, timeout, [&] { return Occurrences(log_, text) >= count; });
}

}  // namespace varnel::test
