#pragma once

// The settings file "Config.ini" beside the executable: its sections, keys and
// defaults, and the rules that turn a stored text into a list selection.
//
// The file is read and written key by key (platform::ProfileFile, no cache);
// a missing file or key reads as the key's default.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varnel::app {

inline constexpr std::string_view SettingsFileName = "Config.ini";

inline constexpr std::string_view LanguageSection = "Language";
inline constexpr std::string_view LanguageKey = "value";
inline constexpr int LanguageDefault = 0;

// One port's keys, in the order they are applied and written.
inline constexpr std::string_view PortKey = "Port";
inline constexpr std::string_view BaudrateKey = "Baudrate";
inline constexpr std::string_view DataBitsKey = "DataBits";
inline constexpr std::string_view ParityKey = "Parity";
inline constexpr std::string_view StopBitsKey = "StopBits";

struct PortSection {
    std::string_view section;
    std::string_view port;
    std::string_view baudrate;
    std::string_view dataBits;
    std::string_view parity;
    std::string_view stopBits;
};

// The radio link of the main window.
inline constexpr PortSection RadioPortSection{"COMPort", "COM1", "9600", "8", "None", "1"};
// The modem board test's sending port (also the modem window's working port).
inline constexpr PortSection ModemSendPortSection{"COMPort2", "COM1", "2400", "8", "None", "1"};
// The modem board test's receiving port.
inline constexpr PortSection ModemReceivePortSection{"COMPort3", "COM2", "2400", "8", "None", "1"};

// Config.ini inside directory (a trailing separator or none both work).
std::filesystem::path SettingsFilePath(const std::filesystem::path& directory);

// The stored language number as a language index: its low 8 bits, anything
// above Chinese counting as Chinese (2 selects Chinese, 256 English).
std::uint8_t LanguageIndexFromStored(int stored);

// Index of the first port entry equal to the stored name after upper-casing
// it ("com3" finds "COM3"); -1 when none is equal.
int MatchStoredPort(const std::vector<std::string>& entries, std::string_view stored);

// Index of the first item equal to the stored text, letter case included;
// -1 when none is equal.
int MatchStoredItem(const std::vector<std::string>& items, std::string_view stored);

}  // namespace varnel::app
