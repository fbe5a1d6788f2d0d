#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace varnel::app {
namespace {

struct LineCase {
    std::vector<std::string_view> args;
    std::optional<std::string> port;
    std::string configDir;
    bool help;
    bool error;
};

class CommandLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLineTest, Parses)
{
    const LineCase& c = GetParam();
    const CommandLine line = ParseCommandLine(c.args);
    EXPECT_EQ(!line.error.empty(), c.error) << line.error;
    if (c.error)
        return;
    EXPECT_EQ(line.options.radioPort, c.port);
    EXPECT_EQ(line.options.settingsDirectory, std::filesystem::path(c.configDir));
    EXPECT_EQ(line.help, c.help);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineTest,
    ::testing::Values(LineCase{{}, std::nullopt, "", false, false},
                      LineCase{{"--port", "COM3"}, "COM3", "", false, false},
                      LineCase{{"--port=com12"}, "COM12", "", false, false},
                      LineCase{{"--port", "/dev/ttyUSB0"}, "COM33", "", false, false},
                      LineCase{{"--port", "/dev/ttyS0"}, "COM1", "", false, false},
                      LineCase{{"--port", "/dev/ttyACM1"}, "COM66", "", false, false},
                      LineCase{{"--config-dir", "/tmp/x", "--port", "COM2"}, "COM2", "/tmp/x", false, false},
                      LineCase{{"--help"}, std::nullopt, "", true, false},
                      LineCase{{"-h"}, std::nullopt, "", true, false},
                      LineCase{{"--port"}, std::nullopt, "", false, true},
                      LineCase{{"--port", "COM0"}, std::nullopt, "", false, true},
                      LineCase{{"--port", "COM3x"}, std::nullopt, "", false, true},
                      LineCase{{"--port", "LPT1"}, std::nullopt, "", false, true},
                      LineCase{{"--port", "/dev/pts/3"}, std::nullopt, "", false, true},
                      LineCase{{"--config-dir="}, std::nullopt, "", false, true},
                      LineCase{{"--verbose"}, std::nullopt, "", false, true}));

}  // namespace
}  // namespace varnel::app
