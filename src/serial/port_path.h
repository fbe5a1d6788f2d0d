#pragma once

// Port numbers (COM<n>) and the Linux device paths behind them.
//
// A directory named by the environment variable VARNEL_PORT_DIR may hold
// entries (usually symlinks) whose names give a port number by the rule of
// the port list (PortNumberOfName: COM7, com7, COM07 and COM7x all name
// COM7); such an entry takes precedence, also when its target is missing,
// so that the port list and opening always agree. Otherwise the numbers
// follow the device names:
//   /dev/ttyS<k>   -> COM<k+1>   (COM1 .. COM32)
//   /dev/ttyUSB<k> -> COM<k+33>  (COM33 .. COM64)
//   /dev/ttyACM<k> -> COM<k+65>  (COM65 and up)

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnel::serial {

inline constexpr const char* kPortDirEnvironment = "VARNEL_PORT_DIR";

// The port directory named by VARNEL_PORT_DIR, if the variable is set and not empty.
std::optional<std::string> PortDirectory();

// Number a port name or a port directory's entry name stands for: 0 unless
// it starts with "COM" in any letter case followed by a positive decimal
// number (leading blanks and a sign accepted, digits up to the first
// non-digit).
int PortNumberOfName(std::string_view name);

struct PortDirectoryEntry {
    int Number = 0;
    std::filesystem::path Path;
    // False for a link whose target is missing and for a directory: the
    // entry still stands for its port, which then cannot be opened.
    bool Device = false;
};

// The entries of a port directory that name a port, in name order; nullopt
// when the directory cannot be read.
std::optional<std::vector<PortDirectoryEntry>> ReadPortDirectory(const std::filesystem::path& dir);

// The entry that stands for COM<comNumber>: the one named exactly COM<n>
// among those that lead to a device, else the first of those in name order,
// else the first entry of that number at all.
const PortDirectoryEntry* EntryForPort(const std::vector<PortDirectoryEntry>& entries, int comNumber);

// Device path for COM<comNumber>; nullopt for numbers below 1. The path is not
// checked for existence except through the port directory's entries.
std::optional<std::string> DevicePathForPort(int comNumber);

// COM number of a /dev/ttyS*, /dev/ttyUSB* or /dev/ttyACM* path (by the rule
// above, not by the port directory); nullopt for any other path.
std::optional<int> PortNumberForDevice(std::string_view devicePath);

// Number of a port name "\\.\COM<n>" or "COM<n>" (n >= 1); nullopt otherwise.
std::optional<int> PortNumberFromName(std::string_view portName);

}  // namespace varnel::serial
