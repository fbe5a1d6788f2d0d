#include "serial/serial_port_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "package_test_support.h"
#include "serial/comm32.h"
#include "serial/port_path.h"

namespace {

namespace fs = std::filesystem;
using HalvikComm32::TCommSerialPortInfo;
using Names = std::vector<std::string>;

TEST(PortInfoName, PortNoParsesLikeTheCLibrary)
{
    struct Case {
        const char* name;
        int expected;
    };
    static const Case cases[] = {
        {"COM1", 1},     {"COM10", 10},       {"com7", 7},          {"cOm8", 8},
        {"COM12abc", 12}, {"COM03", 3},       {"COM 5", 5},         {"COM+6", 6},
        {"COM-6", 0},    {"COM0", 0},         {"COM", 0},           {"CO", 0},
        {"", 0},         {"LPT1", 0},         {"XCOM1", 0},         {"COMx1", 0},
        {"COM2147483647", 2147483647},        {"COM2147483648", 0}, {"COM99999999999999999999", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TCommSerialPortInfo::PortNo(c.name), c.expected) << c.name;
}

TEST(PortInfoName, PortNameAndSortCompare)
{
    EXPECT_EQ(TCommSerialPortInfo::PortName(7), "COM7");
    const Names list{"COM10", "COM3", "COM3"};
    EXPECT_GT(TCommSerialPortInfo::PortListSortCompare(list, 0, 1), 0);
    EXPECT_LT(TCommSerialPortInfo::PortListSortCompare(list, 1, 0), 0);
    EXPECT_EQ(TCommSerialPortInfo::PortListSortCompare(list, 1, 2), 0);
}

// A fake sysfs, /dev and port directory in a temporary folder.
class PortInfoTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "varnel-portinfo-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        fs::create_directories(root / "sys" / "class" / "tty");
        fs::create_directories(root / "sys" / "devices" / "fake");
        fs::create_directories(root / "dev");
    }

    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    // A tty class entry; with `hasDevice` it links to a device like real sysfs.
    void addTty(const std::string& name, bool hasDevice, const char* type = nullptr)
    {
        const fs::path dir = root / "sys" / "class" / "tty" / name;
        fs::create_directories(dir);
        if (hasDevice) {
            const fs::path device = root / "sys" / "devices" / "fake" / name;
            fs::create_directories(device);
            fs::create_directory_symlink(device, dir / "device");
        }
        if (type != nullptr)
            std::ofstream(dir / "type") << type << "\n";
    }

    // A COMn entry in the port directory; dangling when `target` is empty.
    void addPortLink(const std::string& name, bool targetExists = true)
    {
        fs::create_directories(portDir());
        const fs::path target = root / "dev" / ("target-" + name);
        if (targetExists)
            std::ofstream(target) << "";
        fs::create_symlink(target, portDir() / name);
    }

    fs::path portDir() const { return root / "ports"; }

    TCommSerialPortInfo::SystemRoots roots(bool withPortDir = true) const
    {
        TCommSerialPortInfo::SystemRoots r;
        r.sysfs = root / "sys";
        r.dev = root / "dev";
        if (withPortDir)
            r.portDir = portDir();
        return r;
    }

    fs::path root;
};

TEST_F(PortInfoTree, SysfsDevicesMapToComNumbersInNumericOrder)
{
    addTty("ttyS0", true, "4");       // a real 16550A
    addTty("ttyS1", true, "0");       // slot without a UART
    addTty("ttyS2", true, "4");
    addTty("ttyS9", true, "4");       // COM10 must come after COM3
    addTty("ttyUSB0", true);          // COM33
    addTty("ttyACM1", true);          // COM66
    addTty("tty0", false);            // virtual console
    addTty("ttyS5", false, "4");      // no device link
    addTty("ttyAMA0", true);          // no COM mapping for this family
    addTty("ttyUSBx", true);          // not a number

    TCommSerialPortInfo info(roots(false));
    EXPECT_TRUE(info.FromSystem());
    EXPECT_EQ(info.PortList(), (Names{"COM1", "COM3", "COM10", "COM33", "COM66"}));
}

TEST_F(PortInfoTree, LegacySlotWithoutTypeAttributeNeedsAnAnsweringDevice)
{
    // No type attribute and no device node to ask: not shown.
    addTty("ttyS3", true);
    addTty("ttyUSB2", true);
    TCommSerialPortInfo info(roots(false));
    EXPECT_EQ(info.PortList(), (Names{"COM35"}));
}

TEST_F(PortInfoTree, PortDirectoryNamesFollowTheNameRules)
{
    addPortLink("COM10");
    addPortLink("COM3");
    addPortLink("com7");
    addPortLink("COM12abc");
    addPortLink("COM0");
    addPortLink("LPT1");
    addPortLink("COM");
    addPortLink("COM20", false);  // its device has gone away
    fs::create_directories(portDir() / "COM21");  // not a device

    TCommSerialPortInfo info(roots());
    EXPECT_TRUE(info.FromSystem());
    EXPECT_EQ(info.PortList(), (Names{"COM3", "COM7", "COM10", "COM12"}));
}

TEST_F(PortInfoTree, PortDirectoryTakesPrecedenceOverSysfs)
{
    addTty("ttyS0", true, "4");   // COM1
    addTty("ttyS2", true, "4");   // COM3, also in the port directory
    addPortLink("COM3");
    addPortLink("COM40");

    TCommSerialPortInfo info(roots());
    EXPECT_EQ(info.PortList(), (Names{"COM1", "COM3", "COM40"}));
}

TEST_F(PortInfoTree, TwoEntriesNamingOnePortAreBothListed)
{
    addPortLink("COM4");
    addPortLink("com4");
    TCommSerialPortInfo info(roots());
    EXPECT_EQ(info.PortList(), (Names{"COM4", "COM4"}));
}

// Whatever the list shows as COM<n> is what opening COM<n> opens: a port
// directory entry named by the list's rules stands for its number, and one
// whose device has gone hides the sysfs device of that number from both.
TEST_F(PortInfoTree, ListAndOpenAgreeOnPortDirectoryEntries)
{
    enum class Target { Pty, Dangling };
    struct Entry {
        const char* name;
        Target target;
    };
    struct Case {
        std::vector<Entry> entries;
        int number;
        long listed;        // times COM<number> is listed
        const char* opens;  // the entry opening COM<number> goes to
    };
    const Case cases[] = {
        {{{"COM7", Target::Pty}}, 7, 1, "COM7"},
        {{{"com7", Target::Pty}}, 7, 1, "com7"},
        {{{"COM07", Target::Pty}}, 7, 1, "COM07"},
        {{{"cOm07", Target::Pty}}, 7, 1, "cOm07"},
        {{{"COM12abc", Target::Pty}}, 12, 1, "COM12abc"},
        {{{"COM 5", Target::Pty}}, 5, 1, "COM 5"},
        {{{"COM7", Target::Dangling}}, 7, 0, "COM7"},
        {{{"com7", Target::Dangling}}, 7, 0, "com7"},
        {{{"COM12abc", Target::Dangling}}, 12, 0, "COM12abc"},
        // Two entries for one number: both listed, the exact name opened;
        // a dead one gives way to one that leads to a device.
        {{{"COM07", Target::Pty}, {"COM7", Target::Pty}}, 7, 2, "COM7"},
        {{{"COM7", Target::Dangling}, {"com7", Target::Pty}}, 7, 1, "com7"},
    };
    // The fixed rule's devices of the same numbers: ttyS4 = COM5, ttyS6 =
    // COM7, ttyS11 = COM12.
    for (const char* tty : {"ttyS4", "ttyS6", "ttyS11"})
        addTty(tty, true, "4");
    // Opening reads the port directory named by VARNEL_PORT_DIR.
    varnel::serial_test::PortDirectory ports;
    varnel::serial_test::Pty pty;
    auto listRoots = roots();
    listRoots.portDir = ports.path();

    for (const Case& c : cases) {
        ::testing::Message trace;
        for (const Entry& e : c.entries)
            trace << e.name << (e.target == Target::Pty ? " -> pty; " : " -> gone; ");
        SCOPED_TRACE(trace);
        for (const auto& old : fs::directory_iterator(ports.path()))
            fs::remove(old.path());
        bool opensDevice = false;
        for (const Entry& e : c.entries) {
            fs::create_symlink(e.target == Target::Pty ? fs::path(pty.slavePath()) : root / "dev" / "gone",
                               ports.path() / e.name);
            if (std::string(e.name) == c.opens)
                opensDevice = e.target == Target::Pty;
        }

        TCommSerialPortInfo info(listRoots);
        const Names& list = info.PortList();
        EXPECT_EQ(std::count(list.begin(), list.end(), TCommSerialPortInfo::PortName(c.number)), c.listed);

        EXPECT_EQ(varnel::serial::DevicePathForPort(c.number), (ports.path() / c.opens).string());
        HalvikComm32::TComm32 comm;
        comm.PortNo = c.number;
        comm.PortName = HalvikComm32::TComm32::FormatPortName(c.number);
        if (opensDevice) {
            try {
                comm.Open();
            } catch (const HalvikComm32::EComm32Error& e) {
                ADD_FAILURE() << "cannot open, code " << int(e.ErrorCode);
                continue;
            }
            const varnel::serial_test::Bytes probe = {0x55, 0xAA};
            EXPECT_EQ(comm.Write(probe.data(), 2), 2);
            EXPECT_EQ(pty.read(2), probe);
            comm.Close();
        } else {
            try {
                comm.Open();
                ADD_FAILURE() << "opened a port whose device has gone";
            } catch (const HalvikComm32::EComm32Error& e) {
                EXPECT_EQ(e.ErrorCode, HalvikComm32::EComm32Error::ecOpenPort);
            }
        }
    }
}

TEST_F(PortInfoTree, NothingFoundFallsBackToFourPorts)
{
    addTty("ttyS0", true, "0");
    addTty("tty1", false);
    TCommSerialPortInfo info(roots());
    EXPECT_FALSE(info.FromSystem());
    EXPECT_EQ(info.PortList(), (Names{"COM1", "COM2", "COM3", "COM4"}));
}

TEST_F(PortInfoTree, MissingSystemListFallsBackToFourPorts)
{
    TCommSerialPortInfo::SystemRoots r;
    r.sysfs = root / "no-such-sysfs";
    r.dev = root / "dev";
    r.portDir = root / "no-such-ports";
    TCommSerialPortInfo info(r);
    EXPECT_FALSE(info.FromSystem());
    EXPECT_EQ(info.PortList(), (Names{"COM1", "COM2", "COM3", "COM4"}));
}

TEST_F(PortInfoTree, RefreshSeesPortsThatAppeared)
{
    TCommSerialPortInfo info(roots());
    EXPECT_FALSE(info.FromSystem());
    addPortLink("COM5");
    info.Refresh();
    EXPECT_TRUE(info.FromSystem());
    EXPECT_EQ(info.PortList(), (Names{"COM5"}));
}

}  // namespace
