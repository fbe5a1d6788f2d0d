// The radio emulator as a child process publishing its lines in a given
// port directory, with its log (--verbose, on stderr) collected so a test
// can wait for what the emulator did with a frame.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/child_process.h"

namespace varnel::test {

class EmulatorRun {
public:
    EmulatorRun(const std::filesystem::path& portDir, std::vector<std::string> options,
                std::chrono::milliseconds startTimeout = std::chrono::seconds(20));
    ~EmulatorRun();
    EmulatorRun(const EmulatorRun&) = delete;
    EmulatorRun& operator=(const EmulatorRun&) = delete;

    bool ready() const noexcept { return ready_; }
    const std::string& error() const noexcept { return error_; }

    // Log lines so far that contain the text.
    std::size_t logCount(std::string_view text) const;
    // Waits in real time until logCount(text) reaches count.
    bool waitForLog(std::string_view text, std::size_t count,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

private:
    void collectLog();

    std::optional<ChildProcess> child_;
    bool ready_ = false;
    std::string error_;
    mutable std::mutex mutex_;
    mutable std::condition_variable logged_;
    std::string log_;
    std::thread reader_;
};

}  // namespace varnel::test
