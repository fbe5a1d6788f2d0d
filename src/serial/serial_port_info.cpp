#include "serial/serial_port_info.h"

#include "serial/port_path.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <set>
#include <system_error>

namespace HalvikComm32 {

namespace {

namespace fs = std::filesystem;

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
    // Numbers the port directory decides, whether or not their entry leads
    // to a device: opening goes by the same entries (DevicePathForPort).
    std::set<int> fromPortDir;

    if (!m_roots.portDir.empty()) {
        if (const auto entries = varnel::serial::ReadPortDirectory(m_roots.portDir)) {
            for (const varnel::serial::PortDirectoryEntry& entry : *entries) {
                fromPortDir.insert(entry.Number);
                // A dangling link is a device that has gone away.
                if (entry.Device)
                    m_portList.push_back(PortName(entry.Number));
            }
            sourceRead = true;
        }
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
    return varnel::serial::PortNumberOfName(name);
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
