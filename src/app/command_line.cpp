#include "app/command_line.h"

#include <optional>

#include "serial/port_path.h"
#include "serial/serial_port_info.h"

namespace varnel::app {

namespace {

// "COM<n>" for a port name or a device path; nullopt when it is neither.
std::optional<std::string> radioPortName(std::string_view value)
{
    if (!value.empty() && value.front() == '/') {
        if (const std::optional<int> number = serial::PortNumberForDevice(value))
            return HalvikComm32::TCommSerialPortInfo::PortName(*number);
        return std::nullopt;
    }
    const int number = HalvikComm32::TCommSerialPortInfo::PortNo(value);
    if (number <= 0)
        return std::nullopt;
    // Only a name that is exactly "COM" and digits; "COM3x" is a typing error.
    if (HalvikComm32::TCommSerialPortInfo::PortName(number).size() != value.size())
        return std::nullopt;
    return HalvikComm32::TCommSerialPortInfo::PortName(number);
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string_view>& args)
{
    CommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        std::string_view value;
        bool hasValue = false;
        if (const std::size_t equals = arg.find('='); arg.starts_with("--") && equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
            hasValue = true;
        }
        const auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= args.size()) {
                line.error = std::string(arg) + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };

        if (arg == "-h" || arg == "--help") {
            line.help = true;
        } else if (arg == "--port") {
            if (!takeValue())
                return line;
            std::optional<std::string> port = radioPortName(value);
            if (!port) {
                line.error = "--port: '" + std::string(value) +
                             "' is neither COM<n> nor a /dev/ttyS*, /dev/ttyUSB* or /dev/ttyACM* device";
                return line;
            }
            line.options.radioPort = std::move(*port);
        } else if (arg == "--config-dir") {
            if (!takeValue())
                return line;
            if (value.empty()) {
                line.error = "--config-dir needs a directory";
                return line;
            }
            line.options.settingsDirectory = std::filesystem::path(value);
        } else {
            line.error = "unknown option '" + std::string(args[i]) + "'";
            return line;
        }
    }
    return line;
}

std::string CommandLineUsage()
{
    return "Usage: varnel [--port COM<n>|DEVICE] [--config-dir DIR]\n"
           "\n"
           "Configures the ZR650/T radio over a serial line.\n"
           "\n"
           "  --port COM<n>|DEVICE  start with this radio port instead of the one in\n"
           "                        Config.ini (/dev/ttyS<k> is COM<k+1>, /dev/ttyUSB<k>\n"
           "                        COM<k+33>, /dev/ttyACM<k> COM<k+65>)\n"
           "  --config-dir DIR      keep Config.ini in DIR instead of beside the program\n"
           "  -h, --help            show this text\n"
           "\n"
           "COM<n> opens the entry COM<n> of the directory $VARNEL_PORT_DIR when there\n"
           "is one (a link to any tty, e.g. a pseudo-terminal of the emulator).\n";
}

}  // namespace varnel::app
