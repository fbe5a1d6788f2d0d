#pragma once

// The five boxes of one serial port in a port dialog, and how they are
// filled from and saved to a section of the settings file.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings.h"
#include "platform/profile.h"
#include "serial/qzcommdevice.h"
#include "toolkit/controls.h"

namespace varnel::ports {

// Items of the boxes, in list order; the index selects the component value.
inline const std::vector<std::string> RadioBaudItems{"1200", "9600"};
inline constexpr std::array<TBaudRate, 2> RadioBaudRates{TBaudRate::br1200, TBaudRate::br9600};
inline const std::vector<std::string> ModemBaudItems{"600", "1200", "2400", "4800", "9600"};
inline constexpr std::array<TBaudRate, 5> ModemBaudRates{TBaudRate::br600, TBaudRate::br1200, TBaudRate::br2400,
                                                         TBaudRate::br4800, TBaudRate::br9600};
inline const std::vector<std::string> DataBitsItems{"5", "6", "7", "8"};
inline constexpr int FirstDataBits = 5;
inline const std::vector<std::string> ParityItems{"None", "Odd", "Even", "Mark", "Space"};
inline const std::vector<std::string> StopBitsItems{"1", "1.5", "2"};

struct PortBoxes {
    tk::ComboBox& port;
    tk::ComboBox& baudrate;
    tk::ComboBox& dataBits;
    tk::ComboBox& parity;
    tk::ComboBox& stopBits;
};

// The boxes' change handlers, run once after each key is applied.
struct PortBoxHandlers {
    std::function<void()> port;
    std::function<void()> baudrate;
    std::function<void()> dataBits;
    std::function<void()> parity;
    std::function<void()> stopBits;
};

// The selected item's text; empty when nothing is selected, whatever the
// box displays.
std::string SelectedText(const tk::ComboBox& box);

// Applies the section's keys in the order Port, Baudrate, DataBits, Parity,
// StopBits, each read with its default; a stored value that matches no
// entry leaves the box's selection as it was. portOverride, when given,
// stands in for the stored port name.
void ApplyPortSection(const platform::ProfileFile& file, const app::PortSection& section, const PortBoxes& boxes,
                      const PortBoxHandlers& handlers, const std::optional<std::string>& portOverride = {});

// Writes the section's keys in the same order: the port only when an entry
// is selected, the others as the selected items' texts (empty for none).
// Throws platform::ProfileWriteError at the first key that cannot be written.
void SavePortSection(const platform::ProfileFile& file, const app::PortSection& section, const PortBoxes& boxes);

// Port number of the selected entry (0 for none or a name that is no port).
int SelectedPortNumber(const tk::ComboBox& box);

// The message of a port that could not be opened, in the current language.
std::string CantOpenPortMessage(int portNumber);

// Shows a message box with the application's title.
void ShowMessage(const std::string& text);

// Opens the port unless it is open; a failure shows the port's message.
void OpenPort(TQzCommDevice& port);

}  // namespace varnel::ports
