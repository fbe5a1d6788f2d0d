#pragma once

// Port numbers (COM<n>) and the Linux device paths behind them.
//
// A directory named by the environment variable VARNEL_PORT_DIR may hold
// entries (usually symlinks) named COM<n>; such an entry takes precedence.
// Otherwise the numbers follow the device names:
//   /dev/ttyS<k>   -> COM<k+1>   (COM1 .. COM32)
//   /dev/ttyUSB<k> -> COM<k+33>  (COM33 .. COM64)
//   /dev/ttyACM<k> -> COM<k+65>  (COM65 and up)

#include <optional>
#include <string>
#include <string_view>

namespace varnel::serial {

inline constexpr const char* kPortDirEnvironment = "VARNEL_PORT_DIR";

// The port directory named by VARNEL_PORT_DIR, if the variable is set and not empty.
std::optional<std::string> PortDirectory();

// Device path for COM<comNumber>; nullopt for numbers below 1. The path is not
// checked for existence except for the port directory's entry.
std::optional<std::string> DevicePathForPort(int comNumber);

// COM number of a /dev/ttyS*, /dev/ttyUSB* or /dev/ttyACM* path (by the rule
// above, not by the port directory); nullopt for any other path.
std::optional<int> PortNumberForDevice(std::string_view devicePath);

// Number of a port name "\\.\COM<n>" or "COM<n>" (n >= 1); nullopt otherwise.
std::optional<int> PortNumberFromName(std::string_view portName);

}  // namespace varnel::serial
