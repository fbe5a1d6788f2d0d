#include "serial/serial_port_info.h"

#include "serial/port_path.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <fstream>
#include <optional>
#include <set>
#include <system_error>

namespace HalvikComm32 {

namespace {

namespace fs = std::filesystem;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// COM number a kernel tty name stands for, by the same rule that opens ports.
std::optional<int> comNumberOfTty(const std::string& tty)
{
    return varnel::serial::PortNumberForDevice("/dev/" + tty);
}

std::optional<long> readSysfsNumber(const fs::path& file)
{
    std::ifstream in(file);
    long value = 0;
    if (!(in >> value))
        return std::nullopt;
    return value;
}

// The 8250 driver registers a fixed number of ttyS slots whether or not a
// UART is fitted; the empty ones report port type 0 (unknown).
bool legacySlotHasHardware(const fs::path& ttyDir, const fs::path& devNode)
{
    if (std::optional<long> type = readSysfsNumber(ttyDir / "type"))
        return *type != PORT_UNKNOWN;

    const int fd = ::open(devNode.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    serial_struct info{};
    const bool known = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return known;
}

bool isDirectory(const fs::path& p)
{
    std::error_code ec;
    return fs::is_directory(p, ec);
}

}  // namespace

TCommSerialPortInfo::SystemRoots TCommSerialPortInfo::SystemRoots::fromEnvironment()
{
    SystemRoots roots;
    if (std::optional<std::string> dir = varnel::serial::PortDirectory())
        roots.portDir = *dir;
    return roots;
}

TCommSerialPortInfo::TCommSerialPortInfo()
    : TCommSerialPortInfo(SystemRoots::fromEnvironment())
{
}

TCommSerialPortInfo::TCommSerialPortInfo(SystemRoots roots)
    : m_roots(std::move(roots))
{
    Refresh();
}

TCommSerialPortInfo::~TCommSerialPortInfo() = default;

void TCommSerialPortInfo::Refresh()
{
    m_portList.clear();
    m_fromSystem = false;
    ListFromSystem();
    if (m_portList.empty()) {
        for (int n = 1; n <= 4; ++n)
            m_portList.push_back(PortName(n));
        m_fromSystem = false;
    }
}

void TCommSerialPortInfo::ListFromSystem()
{
    bool sourceRead = false;
    std::set<int> fromPortDir;

    if (!m_roots.portDir.empty() && isDirectory(m_roots.portDir)) {
        std::error_code ec;
        for (fs::directory_iterator it(m_roots.portDir, ec), end; !ec && it != end; it.increment(ec)) {
            const int n = PortNo(it->path().filename().string());
            if (n <= 0)
                continue;
            // A dangling link is a device that has gone away.
            std::error_code statEc;
            const fs::file_status target = fs::status(it->path(), statEc);
            if (statEc || !fs::exists(target) || fs::is_directory(target))
                continue;
            m_portList.push_back(PortName(n));
            fromPortDir.insert(n);
        }
        sourceRead = sourceRead || !ec;
    }

    const fs::path classTty = m_roots.sysfs / "class" / "tty";
    if (isDirectory(classTty)) {
        std::error_code ec;
        for (fs::directory_iterator it(classTty, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string tty = it->path().filename().string();
            const std::optional<int> n = comNumberOfTty(tty);
            if (!n || fromPortDir.contains(*n))
                continue;
            std::error_code deviceEc;
            if (!fs::exists(it->path() / "device", deviceEc))
                continue;  // virtual terminals, ptys and the like
            if (tty.starts_with("ttyS") && !legacySlotHasHardware(it->path(), m_roots.dev / tty))
                continue;
            m_portList.push_back(PortName(*n));
        }
        sourceRead = sourceRead || !ec;
    }

    if (!sourceRead)
        return;
    std::stable_sort(m_portList.begin(), m_portList.end(),
                     [](const std::string& a, const std::string& b) { return PortNo(a) < PortNo(b); });
    m_fromSystem = true;
}

int TCommSerialPortInfo::PortNo(std::string_view name)
{
    if (name.size() < 3)
        return 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i])
            return 0;
    }
    std::string_view rest = name.substr(3);
    while (!rest.empty() && isBlank(rest.front()))
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

std::string TCommSerialPortInfo::PortName(int n)
{
    return "COM" + std::to_string(n);
}

int TCommSerialPortInfo::PortListSortCompare(const std::vector<std::string>& list, int i, int j)
{
    return PortNo(list.at(static_cast<std::size_t>(i))) - PortNo(list.at(static_cast<std::size_t>(j)));
}

}  // namespace HalvikComm32
