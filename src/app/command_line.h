#pragma once

// The program's command line:
//   varnel [--port COM<n>|DEVICE] [--config-dir DIR] [--help]
// --port names the radio port to start with instead of the one stored in
// Config.ini (a device path is turned into its COM number by the fixed
// ttyS/ttyUSB/ttyACM rule); --config-dir keeps Config.ini in DIR instead
// of beside the executable. Options the window system takes (Qt's
// -platform and the like) are removed before this parser sees the line.

#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"

namespace varnel::app {

struct CommandLine {
    ApplicationOptions options;
    bool help = false;
    // Not empty when the line cannot be used; the program prints it and ends.
    std::string error;
};

// args without the program name.
CommandLine ParseCommandLine(const std::vector<std::string_view>& args);

std::string CommandLineUsage();

}  // namespace varnel::app
