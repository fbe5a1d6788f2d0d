#include "ports/port_settings.h"

#include <cstddef>

#include "app/language_texts.h"
#include "serial/serial_port_info.h"
#include "toolkit/application.h"

namespace varnel::ports {

namespace {

void applyItem(tk::ComboBox& box, std::string_view stored)
{
    const int index = app::MatchStoredItem(box.items(), stored);
    if (index >= 0)
        box.setItemIndex(index);
}

void run(const std::function<void()>& handler)
{
    if (handler)
        handler();
}

}  // namespace

std::string SelectedText(const tk::ComboBox& box)
{
    const int index = box.itemIndex();
    if (index < 0 || index >= box.itemCount())
        return {};
    return box.items()[static_cast<std::size_t>(index)];
}

void ApplyPortSection(const platform::ProfileFile& file, const app::PortSection& section, const PortBoxes& boxes,
                      const PortBoxHandlers& handlers, const std::optional<std::string>& portOverride)
{
    const std::string port =
        portOverride ? *portOverride : file.readString(section.section, app::PortKey, section.port);
    if (const int index = app::MatchStoredPort(boxes.port.items(), port); index >= 0)
        boxes.port.setItemIndex(index);
    run(handlers.port);

    applyItem(boxes.baudrate, file.readString(section.section, app::BaudrateKey, section.baudrate));
    run(handlers.baudrate);
    applyItem(boxes.dataBits, file.readString(section.section, app::DataBitsKey, section.dataBits));
    run(handlers.dataBits);
    applyItem(boxes.parity, file.readString(section.section, app::ParityKey, section.parity));
    run(handlers.parity);
    applyItem(boxes.stopBits, file.readString(section.section, app::StopBitsKey, section.stopBits));
    run(handlers.stopBits);
}

void SavePortSection(const platform::ProfileFile& file, const app::PortSection& section, const PortBoxes& boxes)
{
    if (boxes.port.itemIndex() >= 0)
        file.writeString(section.section, app::PortKey, SelectedText(boxes.port));
    file.writeString(section.section, app::BaudrateKey, SelectedText(boxes.baudrate));
    file.writeString(section.section, app::DataBitsKey, SelectedText(boxes.dataBits));
    file.writeString(section.section, app::ParityKey, SelectedText(boxes.parity));
    file.writeString(section.section, app::StopBitsKey, SelectedText(boxes.stopBits));
}

int SelectedPortNumber(const tk::ComboBox& box)
{
    return HalvikComm32::TCommSerialPortInfo::PortNo(SelectedText(box));
}

std::string CantOpenPortMessage(int portNumber)
{
    return LanguageTexts.TextCantOpenPort + " COM" + std::to_string(portNumber) + LanguageTexts.TextCheckPort;
}

void ShowMessage(const std::string& text)
{
    tk::messageBox(text, ApplicationTitle, tk::Icon::None);
}

void OpenPort(TQzCommDevice& port)
{
    if (port.fGetActive())
        return;
    try {
        port.fSetActive(true);
    } catch (...) {
        ShowMessage(CantOpenPortMessage(port.fGetPort()));
    }
}

}  // namespace varnel::ports
