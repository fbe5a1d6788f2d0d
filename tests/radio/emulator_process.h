// The radio emulator (varnel-radio-sim) as a child process with its own port
// directory and a state file, for end-to-end runs of the main window.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/radio_line.h"
#include "support/radio_simulator.h"

namespace varnel::test {

class EmulatorProcess {
public:
    // Starts the emulator with its radio on COM<com> in a fresh port directory
    // and waits (real time) for its ready line; VARNEL_PORT_DIR points there
    // until destruction. `extra` are further options (faults, profile, ...).
    explicit EmulatorProcess(int com, std::vector<std::string> extra = {});

    bool ready() const { return simulator_.ready(); }
    int com() const { return simulator_.com(); }

    // The emulator's state file, key=value lines of every section.
    std::map<std::string, std::string> State() const;
    std::filesystem::path statePath() const { return stateDir_.path() / "state.txt"; }

private:
    TempDir stateDir_{"varnel-sim-state-"};
    RadioSimulator simulator_;
};

// Writes a profile with channel c at tx(c)/rx(c) units of 10 Hz and power p(c).
void WriteProfile(const std::filesystem::path& path, const std::vector<std::uint32_t>& tx,
                  const std::vector<std::uint32_t>& rx, const std::vector<int>& power);

} // namespace varnel::test
