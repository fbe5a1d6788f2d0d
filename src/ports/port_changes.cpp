#include "ports/port_changes.h"

#include <cstddef>

#include "app/language_texts.h"
#include "ports/port_settings.h"

namespace varnel::ports {

namespace {

void reopenIfLit(const PortTarget& target)
{
    if (target.lamp.lit())
        target.open();
}

// The selected index goes to the port through assign; nothing selected
// focuses the box, even while there is no port.
template <typename Assign>
void changeSetting(tk::ComboBox& box, const PortTarget& target, Assign&& assign)
{
    const int index = box.itemIndex();
    if (index < 0) {
        box.setFocus();
        return;
    }
    if (target.port == nullptr)
        return;
    assign(*target.port, index);
    reopenIfLit(target);
}

}  // namespace

void SetupSettingBoxes(tk::ComboBox& dataBits, tk::ComboBox& parity, tk::ComboBox& stopBits)
{
    dataBits.setItems(DataBitsItems);
    dataBits.setItemIndex(3);
    parity.setItems(ParityItems);
    parity.setItemIndex(0);
    stopBits.setItems(StopBitsItems);
    stopBits.setItemIndex(0);
}

void ShowPortState(tk::Lamp& lamp, tk::Button& button, bool open)
{
    lamp.setLit(open);
    button.setCaption(open ? LanguageTexts.TextClose : LanguageTexts.TextOpen);
}

void TogglePort(const TQzCommDevice* port, const std::function<void()>& open, const std::function<void()>& close)
{
    if (port == nullptr)
        return;
    if (port->fGetActive())
        close();
    else
        open();
}

void ChangePortName(const tk::ComboBox& box, const PortTarget& target, const std::function<void()>& afterSet)
{
    if (target.port == nullptr)
        return;
    const int number = SelectedPortNumber(box);
    IgnoringErrors([&] { target.port->fSetPort(number); });
    if (afterSet)
        afterSet();
    reopenIfLit(target);
}

void ChangeBaudrate(tk::ComboBox& box, std::span<const TBaudRate> rates, const PortTarget& target,
                    OnNoRate onNoRate)
{
    const int index = box.itemIndex();
    if (index < 0 || index >= static_cast<int>(rates.size())) {
        if (onNoRate == OnNoRate::Focus)
            box.setFocus();
        return;
    }
    if (target.port == nullptr)
        return;
    IgnoringErrors([&] { target.port->fSetBaud(rates[static_cast<std::size_t>(index)]); });
    reopenIfLit(target);
}

void ChangeDataBits(tk::ComboBox& box, const PortTarget& target)
{
    changeSetting(box, target, [](TQzCommDevice& port, int index) { port.fSetByteSize(index + FirstDataBits); });
}

void ChangeParity(tk::ComboBox& box, const PortTarget& target)
{
    changeSetting(box, target, [](TQzCommDevice& port, int index) {
        IgnoringErrors([&] { port.fSetParity(static_cast<TParity>(index)); });
    });
}

void ChangeStopBits(tk::ComboBox& box, const PortTarget& target)
{
    changeSetting(box, target, [](TQzCommDevice& port, int index) {
        IgnoringErrors([&] { port.fSetStopBits(static_cast<TStopBits>(index)); });
    });
}

}  // namespace varnel::ports
