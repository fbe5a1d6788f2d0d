#include "serial/port_path.h"

#include <sys/stat.h>

#include <charconv>
#include <cstdlib>

namespace varnel::serial {
namespace {

struct DeviceFamily {
    std::string_view Prefix;
    int FirstPort;
    int Count;  // 0: open-ended
};

constexpr DeviceFamily kFamilies[] = {
    {"/dev/ttyS", 1, 32},
    {"/dev/ttyUSB", 33, 32},
    {"/dev/ttyACM", 65, 0},
};

std::optional<int> ParseNumber(std::string_view digits)
{
    if (digits.empty() || digits.size() > 9)
        return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc{} || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i];
        char b = prefix[i];
        if (a >= 'a' && a <= 'z')
            a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z')
            b = static_cast<char>(b - 'a' + 'A');
        if (a != b)
            return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> PortDirectory()
{
    const char* dir = std::getenv(kPortDirEnvironment);
    if (dir == nullptr || *dir == '\0')
        return std::nullopt;
    return std::string(dir);
}

std::optional<std::string> DevicePathForPort(int comNumber)
{
    if (comNumber < 1)
        return std::nullopt;
    if (const auto dir = PortDirectory()) {
        std::string entry = *dir + "/COM" + std::to_string(comNumber);
        struct stat st {};
        // lstat: a dangling symlink still names this port (it then fails to open).
        if (::lstat(entry.c_str(), &st) == 0)
            return entry;
    }
    for (const DeviceFamily& family : kFamilies) {
        const int index = comNumber - family.FirstPort;
        if (index >= 0 && (family.Count == 0 || index < family.Count))
            return std::string(family.Prefix) + std::to_string(index);
    }
    return std::nullopt;
}

std::optional<int> PortNumberForDevice(std::string_view devicePath)
{
    for (const DeviceFamily& family : kFamilies) {
        if (devicePath.substr(0, family.Prefix.size()) != family.Prefix)
            continue;
        const auto index = ParseNumber(devicePath.substr(family.Prefix.size()));
        if (!index || *index < 0 || (family.Count != 0 && *index >= family.Count))
            return std::nullopt;
        return family.FirstPort + *index;
    }
    return std::nullopt;
}

std::optional<int> PortNumberFromName(std::string_view portName)
{
    constexpr std::string_view kDevicePrefix = "\\\\.\\";
    if (portName.substr(0, kDevicePrefix.size()) == kDevicePrefix)
        portName.remove_prefix(kDevicePrefix.size());
    if (!StartsWithNoCase(portName, "COM"))
        return std::nullopt;
    const auto number = ParseNumber(portName.substr(3));
    if (!number || *number < 1)
        return std::nullopt;
    return number;
}

}  // namespace varnel::serial
