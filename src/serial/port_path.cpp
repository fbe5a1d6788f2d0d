#include "serial/port_path.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <system_error>

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

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int PortNumberOfName(std::string_view name)
{
    if (!StartsWithNoCase(name, "COM"))
        return 0;
    std::string_view rest = name.substr(3);
    while (!rest.empty() && IsBlank(rest.front()))
        rest.remove_prefix(1);
    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    long long value = 0;
    for (char c : rest) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > INT_MAX)
            return 0;  // no port has such a number
    }
    if (negative || value <= 0)
        return 0;
    return static_cast<int>(value);
}

std::optional<std::vector<PortDirectoryEntry>> ReadPortDirectory(const std::filesystem::path& dir)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return std::nullopt;
    std::vector<PortDirectoryEntry> entries;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const int number = PortNumberOfName(it->path().filename().string());
        if (number <= 0)
            continue;
        std::error_code statEc;
        const fs::file_status target = fs::status(it->path(), statEc);
        const bool device = !statEc && fs::exists(target) && !fs::is_directory(target);
        entries.push_back({number, it->path(), device});
    }
    if (ec)
        return std::nullopt;
    std::sort(entries.begin(), entries.end(),
              [](const PortDirectoryEntry& a, const PortDirectoryEntry& b) { return a.Path < b.Path; });
    return entries;
}

const PortDirectoryEntry* EntryForPort(const std::vector<PortDirectoryEntry>& entries, int comNumber)
{
    const std::string exactName = "COM" + std::to_string(comNumber);
    const PortDirectoryEntry* firstDevice = nullptr;
    const PortDirectoryEntry* first = nullptr;
    for (const PortDirectoryEntry& entry : entries) {
        if (entry.Number != comNumber)
            continue;
        if (entry.Device && entry.Path.filename() == exactName)
            return &entry;
        if (entry.Device && firstDevice == nullptr)
            firstDevice = &entry;
        if (first == nullptr)
            first = &entry;
    }
    return firstDevice != nullptr ? firstDevice : first;
}

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
        if (const auto entries = ReadPortDirectory(*dir))
            if (const PortDirectoryEntry* entry = EntryForPort(*entries, comNumber))
                return entry->Path.string();
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
