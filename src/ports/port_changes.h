#pragma once

// What the port dialogs do when a box changes or a button is pressed: the
// selection goes to the port component at once, and a port whose lamp is
// lit is opened again with the new setting.

#include <functional>
#include <span>

#include "serial/qzcommdevice.h"
#include "toolkit/controls.h"

namespace varnel::ports {

// Assignments to the component may raise (a close that fails); the
// dialog keeps going and the component keeps its former value.
template <typename F>
void IgnoringErrors(F&& assign)
{
    try {
        assign();
    } catch (...) {
    }
}

// One port of a dialog. port is null while the window that owns the
// component does not exist; open is the owner's open routine.
struct PortTarget {
    TQzCommDevice* port;
    const tk::Lamp& lamp;
    std::function<void()> open;
};

// Fills the data bits, parity and stop bits boxes and selects 8, None, 1.
void SetupSettingBoxes(tk::ComboBox& dataBits, tk::ComboBox& parity, tk::ComboBox& stopBits);

// Lamp and open/close button for an open or a closed port.
void ShowPortState(tk::Lamp& lamp, tk::Button& button, bool open);

// Closes an open port and opens a closed one; nothing without a port.
void TogglePort(const TQzCommDevice* port, const std::function<void()>& open, const std::function<void()>& close);

// The selected port name; afterSet runs once the component took it.
void ChangePortName(const tk::ComboBox& box, const PortTarget& target, const std::function<void()>& afterSet = {});

// An index outside rates leaves the port alone, focusing the box with
// OnNoRate::Focus.
enum class OnNoRate { Ignore, Focus };
void ChangeBaudrate(tk::ComboBox& box, std::span<const TBaudRate> rates, const PortTarget& target,
                    OnNoRate onNoRate);

// With nothing selected these focus the box and leave the port alone.
void ChangeDataBits(tk::ComboBox& box, const PortTarget& target);
void ChangeParity(tk::ComboBox& box, const PortTarget& target);
void ChangeStopBits(tk::ComboBox& box, const PortTarget& target);

}  // namespace varnel::ports
