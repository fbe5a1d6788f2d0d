#include "modem/emulator_run.h"

#include <unistd.h>

#include <cerrno>

namespace varnel::test {

namespace {

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
    child_.emplace(std::move(args), true);
    if (child_->started())
        reader_ = std::thread([this] { collectLog(); });

    // The ready line comes when every line is published.
    std::string seen;
    const ChildProcess::FirstLine line = child_->readFirstLine(seen, startTimeout);
    if (line != ChildProcess::FirstLine::Read) {
        std::lock_guard lock(mutex_);
        error_ = child_->error();
        if (line == ChildProcess::FirstLine::Ended)
            error_ += ": " + log_;
        return;
    }
    ready_ = seen.find("ready") != std::string::npos;
    if (!ready_)
        error_ = "unexpected first line: " + seen;
}

EmulatorRun::~EmulatorRun()
{
    if (child_)
        child_->stop();
    // The log pipe reaches its end once the process is gone.
    if (reader_.joinable())
        reader_.join();
}

void EmulatorRun::collectLog()
{
    char buffer[1024];
    for (;;) {
        const ssize_t n = ::read(child_->stderrFd(), buffer, sizeof buffer);
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
