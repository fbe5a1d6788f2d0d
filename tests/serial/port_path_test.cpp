#include "serial/port_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine_test_support.h"

namespace {

using varnel::serial::DevicePathForPort;
using varnel::serial::PortNumberForDevice;
using varnel::serial::PortNumberFromName;

// Without a port directory the numbers follow the device names.
class PortPathTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("VARNEL_PORT_DIR")) {
            Saved = old;
            HadSaved = true;
        }
        ::unsetenv("VARNEL_PORT_DIR");
    }
    void TearDown() override
    {
        if (HadSaved)
            ::setenv("VARNEL_PORT_DIR", Saved.c_str(), 1);
        else
            ::unsetenv("VARNEL_PORT_DIR");
    }
    std::string Saved;
    bool HadSaved = false;
};

TEST_F(PortPathTest, NumbersMapToDeviceFamiliesBothWays)
{
    struct Case {
        int Com;
        const char* Path;
    };
    const Case cases[] = {
        {1, "/dev/ttyS0"},    {2, "/dev/ttyS1"},      {32, "/dev/ttyS31"},  {33, "/dev/ttyUSB0"},
        {34, "/dev/ttyUSB1"}, {64, "/dev/ttyUSB31"},  {65, "/dev/ttyACM0"}, {66, "/dev/ttyACM1"},
        {99, "/dev/ttyACM34"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Com);
        EXPECT_EQ(DevicePathForPort(c.Com), c.Path);
        EXPECT_EQ(PortNumberForDevice(c.Path), c.Com);
    }
}

TEST_F(PortPathTest, NumbersBelowOneAndForeignPathsHaveNoCounterpart)
{
    EXPECT_EQ(DevicePathForPort(0), std::nullopt);
    EXPECT_EQ(DevicePathForPort(-3), std::nullopt);
    for (const char* path : {"/dev/ttyS32", "/dev/ttyUSB32", "/dev/ttyS", "/dev/ttyS-1", "/dev/ttyS1x",
                             "/dev/pts/3", "/dev/ttyAMA0", "ttyS0", ""}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(PortNumberForDevice(path), std::nullopt);
    }
}

TEST_F(PortPathTest, PortDirectoryEntryTakesPrecedence)
{
    varnel::serial_engine_test::PortDirectory dir;
    dir.Link(3, "/nonexistent/target");  // a dangling link still names the port
    EXPECT_EQ(DevicePathForPort(3), dir.Path() + "/COM3");
    // Numbers without an entry still follow the device names.
    EXPECT_EQ(DevicePathForPort(4), "/dev/ttyS3");
    std::ofstream(std::filesystem::path(dir.Path()) / "COM40") << "";
    EXPECT_EQ(DevicePathForPort(40), dir.Path() + "/COM40");
}

TEST_F(PortPathTest, PortNamesGiveTheirNumber)
{
    struct Case {
        const char* Name;
        std::optional<int> Number;
    };
    const Case cases[] = {
        {"\\\\.\\COM2", 2}, {"\\\\.\\COM15", 15}, {"COM7", 7},        {"com7", 7},
        {"\\\\.\\COM0", std::nullopt}, {"\\\\.\\COM", std::nullopt}, {"COM2x", std::nullopt},
        {"/dev/ttyS0", std::nullopt},  {"LPT1", std::nullopt},       {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(PortNumberFromName(c.Name), c.Number);
    }
    EXPECT_EQ(PortNumberFromName(HalvikComm32::TComm32::FormatPortName(12)), 12);
    EXPECT_EQ(HalvikComm32::TComm32::FormatPortName(12), "\\\\.\\COM12");
}

}  // namespace
