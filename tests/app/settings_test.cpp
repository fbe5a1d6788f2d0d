#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/settings.h"

namespace varnel::app {
namespace {

TEST(SettingsTest, LanguageIndexKeepsTheLowByteAndCapsAtChinese)
{
    struct Case {
        int stored;
        std::uint8_t index;
    };
    for (const Case& c : {Case{0, 0}, Case{1, 1}, Case{2, 1}, Case{255, 1}, Case{256, 0}, Case{257, 1},
                          Case{512, 0}, Case{-1, 1}, Case{-256, 0}, Case{2147483647, 1}}) {
        EXPECT_EQ(LanguageIndexFromStored(c.stored), c.index) << c.stored;
    }
}

TEST(SettingsTest, StoredPortIsUpperCasedThenMatchedExactly)
{
    const std::vector<std::string> ports{"COM1", "COM3", "COM10", "COM3"};
    EXPECT_EQ(MatchStoredPort(ports, "com3"), 1);
    EXPECT_EQ(MatchStoredPort(ports, "Com10"), 2);
    EXPECT_EQ(MatchStoredPort(ports, "COM03"), -1);
    EXPECT_EQ(MatchStoredPort(ports, " COM1"), -1);
    EXPECT_EQ(MatchStoredPort(ports, ""), -1);
}

TEST(SettingsTest, StoredItemMatchesWithLetterCase)
{
    const std::vector<std::string> parity{"None", "Odd", "Even", "Mark", "Space"};
    EXPECT_EQ(MatchStoredItem(parity, "Even"), 2);
    EXPECT_EQ(MatchStoredItem(parity, "none"), -1);
    EXPECT_EQ(MatchStoredItem(parity, "None "), -1);
}

TEST(SettingsTest, FileSitsInTheGivenDirectory)
{
    EXPECT_EQ(SettingsFilePath("/opt/varnel/"), std::filesystem::path("/opt/varnel/Config.ini"));
    EXPECT_EQ(SettingsFilePath("/opt/varnel"), std::filesystem::path("/opt/varnel/Config.ini"));
}

}  // namespace
}  // namespace varnel::app
