#include "serial/serial_port_info.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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
