// Profile files: the channel table, squelch, bandwidth and the adjustment
// window's calibration values kept in an INI file, section "parameter".
//
// Opening fills the windows' fields through their own change checks;
// saving writes them key by key. Neither talks to the radio.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace varnel {

class TMForm;
class TAdjust;

// The profile last opened or saved since the program started; presets the
// save dialog's file name. Not kept across runs.
inline std::string LastProfilePath;

namespace profiles {

inline constexpr const char* Section = "parameter";
inline constexpr const char* DialogFilter = "*.ini|*.ini";

// The key of a field from its control name, by the numbering of the main
// window's channel table ("Edit6" -> "tx1", "Edit7" -> "rx1",
// "ComboBox4" -> "power1") or of the adjustment window's tables
// ("Edit40" -> "RX S1", "Edit48" -> "5165 S1", "Edit60" -> "TX PT1").
// Empty for a name that is not one of them.
std::string ChannelTableKey(std::string_view controlName);
std::string STableKey(std::string_view controlName);
std::string PowerTableKey(std::string_view controlName);

// The save path for a chosen one: ".ini" appended unless its last four
// characters are exactly ".ini" (profile.INI becomes profile.INI.ini).
std::string WithIniExtension(std::string path);

// Fills the main window's channel table, squelch and bandwidth and, when
// `adjust` is given, the adjustment window's values from the profile at
// `path`. A missing or damaged file, or one far too big for a profile
// (over 1 MiB), reads as all defaults. The channel table stops at the first
// frequency its check refuses; the rest still loads.
void OpenProfile(TMForm& form, TAdjust* adjust, const std::filesystem::path& path);

// Writes the fields to the profile at `path`, updating an existing file key
// by key. Throws platform::ProfileWriteError ("Unable to write to <path>")
// when a key cannot be written; keys written before it stay.
void SaveProfile(const TMForm& form, const TAdjust* adjust, const std::filesystem::path& path);

// The main window's "Open" command: the open dialog, then OpenProfile with
// the application's adjustment window. Nothing when the dialog is cancelled.
void OpenProfileCommand(TMForm& form);

// The main window's "Save" command: the save dialog preset with
// LastProfilePath, the ".ini" rule, then SaveProfile. A failure is shown in
// the application's exception box.
void SaveProfileCommand(TMForm& form);

} // namespace profiles
} // namespace varnel
