// The radio emulator (varnel-radio-sim) as a child process with its own port
// directory, for end-to-end runs of the main window.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace varnel::test {

class EmulatorProcess {
public:
    // Starts the emulator with its radio on COM<com> in a fresh port directory
    // and waits (real time) for its ready line; VARNEL_PORT_DIR points there
    // until destruction. `extra` are further options (faults, profile, ...).
    EmulatorProcess(const std::filesystem::path& binary, int com, std::vector<std::string> extra = {});
    ~EmulatorProcess();
    EmulatorProcess(const EmulatorProcess&) = delete;
    EmulatorProcess& operator=(const EmulatorProcess&) = delete;

    bool ready() const { return ready_; }
    const std::string& readyLine() const { return readyLine_; }
    int com() const { return com_; }
    const std::filesystem::path& directory() const { return dir_; }

    // The emulator's state file, key=value lines of every section.
    std::map<std::string, std::string> State() const;
    std::filesystem::path statePath() const { return dir_ / "state.txt"; }

private:
    pid_t pid_ = -1;
    int com_;
    bool ready_ = false;
    std::string readyLine_;
    std::filesystem::path dir_;
    std::string oldPortDir_;
    bool hadPortDir_ = false;
};

// Writes a profile with channel c at tx(c)/rx(c) units of 10 Hz and power p(c).
void WriteProfile(const std::filesystem::path& path, const std::vector<std::uint32_t>& tx,
                  const std::vector<std::uint32_t>& rx, const std::vector<int>& power);

} // namespace varnel::test
