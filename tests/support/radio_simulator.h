// The radio emulator (varnel-radio-sim) as a child process on its own
// pseudo-terminal, for end-to-end tests: started in a temporary port
// directory that VARNEL_PORT_DIR points at, stopped by the destructor.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/radio_line.h"

namespace varnel::test {

class RadioSimulator {
public:
    // Starts the radio alone (no modem board, no second radio) as COM<com>
    // with the extra command-line arguments, and waits for its ready line.
    explicit RadioSimulator(int com = 5, std::vector<std::string> extraArgs = {},
                            std::chrono::milliseconds startTimeout = std::chrono::seconds(20));
    ~RadioSimulator();
    RadioSimulator(const RadioSimulator&) = delete;
    RadioSimulator& operator=(const RadioSimulator&) = delete;

    // False, with what went wrong in error(), when the emulator did not come up.
    bool ready() const { return ready_; }
    const std::string& error() const { return error_; }
    int com() const { return com_; }

    // The emulator binary of this build.
    static std::filesystem::path Binary();

private:
    int com_;
    TempDir dir_{"varnel-sim-"};
    std::optional<PortDirectoryScope> scope_;
    std::optional<ChildProcess> child_;
    bool ready_ = false;
    std::string error_;
};

} // namespace varnel::test
