// The serial ports present on this machine, as "COM<n>" names sorted by number.
//
// Sources, read on every Refresh():
//  - the port directory (VARNEL_PORT_DIR unless given): entries whose names
//    give a port number by PortNo (typically symbolic links to a device);
//    they decide what COM<n> opens, so a tty that maps to the same number is
//    not listed, and an entry whose device has gone (a dangling link) hides
//    that number altogether;
//  - sysfs: every /sys/class/tty/<name> with a device link whose name maps to
//    a COM number (ttyS<k> -> COM<k+1>, ttyUSB<k> -> COM<k+33>,
//    ttyACM<k> -> COM<k+65>); ttyS slots the kernel keeps without hardware
//    behind them (port type unknown) are left out.
// When neither yields a port the list is COM1..COM4 and FromSystem() is false.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace HalvikComm32 {

class TCommSerialPortInfo {
public:
    // Where the system is looked at; tests point these at a fake tree.
    struct SystemRoots {
        std::filesystem::path sysfs = "/sys";
        std::filesystem::path dev = "/dev";
        std::filesystem::path portDir;  // empty: no port directory

        // Real roots, with the port directory from VARNEL_PORT_DIR.
        static SystemRoots fromEnvironment();
    };

    TCommSerialPortInfo();
    explicit TCommSerialPortInfo(SystemRoots roots);
    virtual ~TCommSerialPortInfo();

    TCommSerialPortInfo(const TCommSerialPortInfo&) = delete;
    TCommSerialPortInfo& operator=(const TCommSerialPortInfo&) = delete;

    void Refresh();
    void ListFromSystem();

    const std::vector<std::string>& PortList() const { return m_portList; }
    bool FromSystem() const { return m_fromSystem; }

    // 0 unless the name starts with "COM" in any letter case followed by a
    // positive decimal number (leading blanks and a sign accepted, digits up
    // to the first non-digit).
    static int PortNo(std::string_view name);
    static std::string PortName(int n);
    static int PortListSortCompare(const std::vector<std::string>& list, int i, int j);

private:
    SystemRoots m_roots;
    std::vector<std::string> m_portList;
    bool m_fromSystem = false;
};

}  // namespace HalvikComm32
