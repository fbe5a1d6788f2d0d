// Command line of varnel-radio-sim.
#pragma once

#include "radio_sim/board_model.h"
#include "radio_sim/radio_model.h"
#include "radio_sim/reply_faults.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnel::radio_sim {

struct SimOptions {
    std::string portDir;
    int radioCom = 1;  // 0 = no radio port
    int boardCom = 1;  // the radio's line by default: the tool switches one port between the two
    int secondCom = 2; // 0 = no second radio

    RadioConfig radio;
    std::uint16_t id = 1;
    bool noBackup = false;
    std::string profilePath;

    BoardState board;
    bool strictParity = false; // a line without a parity trace is no parity

    unsigned replyDelayMs = 0;
    FaultOptions faults;
    unsigned reportEveryMs = 0;

    double airLoss = 0.0;
    unsigned airDelayMs = 20;
    std::uint32_t seed = 1;

    std::string stateFile;
    bool verbose = false;
};

struct ParsedOptions {
    SimOptions options;
    bool help = false;
    std::string error; // empty when the command line was understood
};

// args excludes the program name; envPortDir is $VARNEL_PORT_DIR (may be null).
ParsedOptions ParseOptions(const std::vector<std::string>& args, const char* envPortDir);

std::string UsageText();

// "4.0" or "0x40" -> 0x40; nibbles 0..15.
std::optional<std::uint8_t> ParseVersion(const std::string& text);

} // namespace varnel::radio_sim
