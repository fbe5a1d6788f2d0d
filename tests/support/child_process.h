// A helper program (the radio emulator) as a child process with its standard
// output, and optionally its standard error, on pipes: started from argv,
// watched for its first line, stopped by the destructor.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace varnel::test {

class ChildProcess {
public:
    enum class FirstLine { Read, NotStarted, TimedOut, PollFailed, Ended };

    // args[0] is the program's path; failures leave started() false with
    // what went wrong in error().
    explicit ChildProcess(std::vector<std::string> args, bool pipeStderr = false);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const noexcept { return pid_ > 0; }
    const std::string& error() const noexcept { return error_; }
    // The read end of its standard error, or -1 without pipeStderr.
    int stderrFd() const noexcept { return stderr_; }

    // Reads standard output in real time until a newline has come; `seen`
    // holds everything read so far. Anything but Read leaves error() saying
    // why.
    FirstLine readFirstLine(std::string& seen, std::chrono::milliseconds timeout);

    // SIGTERM, then SIGKILL if it has not gone within a generous deadline.
    void stop();

private:
    pid_t pid_ = -1;
    int stdout_ = -1;
    int stderr_ = -1;
    std::string error_;
};

} // namespace varnel::test
