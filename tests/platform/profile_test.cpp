#include "platform/profile.h"

#include "platform/temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace varnel::platform {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;
using namespace std::string_literals;

class ProfileTest : public ::testing::Test {
protected:
    std::filesystem::path file(std::string_view name = "Config.ini") const { return dir / name; }

    TempDir dir;
};

TEST_F(ProfileTest, NewFileHoldsSectionsAndKeysInTheOrderWritten)
{
    const ProfileFile config(file());
    config.writeInt("Language", "value", 0);
    for (const char *section : {"COMPort", "COMPort2", "COMPort3"}) {
        config.writeString(section, "Port", "COM1");
        config.writeString(section, "Baudrate", "9600");
        config.writeString(section, "DataBits", "8");
        config.writeString(section, "Parity", "None");
        config.writeString(section, "StopBits", "1");
    }
    const std::string body = "Port=COM1\nBaudrate=9600\nDataBits=8\nParity=None\nStopBits=1\n";
    EXPECT_EQ(readFile(file()),
              "[Language]\nvalue=0\n[COMPort]\n" + body + "[COMPort2]\n" + body + "[COMPort3]\n" + body);

    // Writing the same keys again changes only the lines of the values that differ.
    config.writeString("COMPort2", "Baudrate", "");
    config.writeInt("Language", "value", 1);
    EXPECT_EQ(readFile(file()), "[Language]\nvalue=1\n[COMPort]\n" + body +
                                    "[COMPort2]\nPort=COM1\nBaudrate=\nDataBits=8\nParity=None\nStopBits=1\n"
                                    "[COMPort3]\n" + body);
    EXPECT_EQ(config.readString("COMPort2", "Baudrate", "9600"), "");
    EXPECT_EQ(config.readInt("Language", "value", 0), 1);
}

TEST_F(ProfileTest, WritingAKeyLeavesEveryOtherLineAsItWas)
{
    const std::string original = "\xEF\xBB\xBF; written by hand\r\n"
                                 "[language]\r\n"
                                 "  VALUE = 0   ; old\r\n"
                                 "Other=keep me\r\n"
                                 "\r\n"
                                 "# another comment\r\n"
                                 "[COMPort]\r\n"
                                 "Port = com3\r\n"
                                 "unknown line without equals\r\n"
                                 "\r\n"
                                 "[Trailer]\r\n"
                                 "x=1\r\n";
    writeFile(file(), original);
    const ProfileFile config(file());

    config.writeString("Language", "value", "1");   // existing key, other spelling
    config.writeString("COMPort", "Baudrate", "9600"); // new key, after the last key of its section
    config.writeString("COMPort3", "Port", "COM2");  // new section
    EXPECT_EQ(readFile(file()), "\xEF\xBB\xBF; written by hand\r\n"
                                "[language]\r\n"
                                "  VALUE =1\r\n"
                                "Other=keep me\r\n"
                                "\r\n"
                                "# another comment\r\n"
                                "[COMPort]\r\n"
                                "Port = com3\r\n"
                                "Baudrate=9600\r\n"
                                "unknown line without equals\r\n"
                                "\r\n"
                                "[Trailer]\r\n"
                                "x=1\r\n"
                                "[COMPort3]\r\n"
                                "Port=COM2\r\n");
    EXPECT_EQ(config.readInt("LANGUAGE", "Value", 0), 1);
    EXPECT_EQ(config.readString("comport", "port", ""), "com3");
    EXPECT_EQ(config.readString("Language", "Other", ""), "keep me");
}

TEST_F(ProfileTest, LastLineWithoutLineBreak)
{
    const struct {
        const char *original;
        const char *section;
        const char *expected;
    } cases[] = {
        {"[A]\nk=1", "A", "[A]\nk=1\nj=2\n"},
        {"[A]\nk=1", "B", "[A]\nk=1\n[B]\nj=2\n"},
        {"[A]\r\nk=1", "A", "[A]\r\nk=1\r\nj=2\r\n"},
        {"[A]", "A", "[A]\nj=2\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.original);
        writeFile(file(), c.original);
        ProfileFile(file()).writeString(c.section, "j", "2");
        EXPECT_EQ(readFile(file()), c.expected);
    }
}

TEST_F(ProfileTest, ReadRules)
{
    const struct {
        const char *content;
        const char *section;
        const char *key;
        const char *expected;
    } cases[] = {
        {"[COMPort]\nPort=COM3\n", "COMPort", "Port", "COM3"},
        {"[comport]\nPORT=COM3\n", "COMPort", "Port", "COM3"},
        {"  [ COMPort ]  \n\t Port \t=\t COM3 \t\n", "COMPort", "Port", "COM3"},
        {"[COMPort]\r\nPort=COM3\r\n", "COMPort", "Port", "COM3"},
        {"[P]\nk=\"quoted value\"\n", "P", "k", "quoted value"},
        {"[P]\nk= 'single' \n", "P", "k", "single"},
        {"[P]\nk=\"mismatched'\n", "P", "k", "\"mismatched'"},
        {"[P]\nk=\"\n", "P", "k", "\""},
        {"[P]\nk=\"\"\n", "P", "k", ""},
        {"[P]\nk=a=b=c\n", "P", "k", "a=b=c"},
        {"[P]\nk=\n", "P", "k", ""},
        {"[P]\nk=1\nk=2\n", "P", "k", "1"},
        {"[P]\nx=1\n[Q]\nk=q\n[P]\nk=second\n", "P", "k", "second"},
        {"[P] trailing text\nk=1\n", "P", "k", "1"},
        {"[Q]\nk=1\n", "P", "k", "(default)"},
        {"k=1\n[P]\n", "P", "k", "(default)"},
        {"[P]\n;k=1\n#k=2\n", "P", "k", "(default)"},
        {"[P\nk=1\n", "P", "k", "(default)"},
        {"[P]\nk\n", "P", "k", "(default)"},
        {"[P]\n=value\n", "P", "", "(default)"},
        {"[Squelch]\nSquelch Level=3\n", "Squelch", "squelch level", "3"},
        {"", "P", "k", "(default)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.content);
        writeFile(file(), c.content);
        EXPECT_EQ(ProfileFile(file()).readString(c.section, c.key, "(default)"), c.expected);
    }
}

TEST_F(ProfileTest, BytesArePassedThrough)
{
    // Chinese text is UTF-8 on this system; NUL and high bytes are kept as they are.
    const std::string value = "\xE4\xB8\xAD\xE6\x96\x87 a\0b\xFF"s;
    const ProfileFile profile(file());
    profile.writeString("parameter", "text", value);
    EXPECT_EQ(profile.readString("parameter", "text", ""), value);
}

TEST_F(ProfileTest, ReadIntFollowsTheProfileConversion)
{
    const struct {
        const char *stored; // nullptr: key absent
        int expected;
    } cases[] = {
        {"12", 12},
        {"-1", -1},
        {"+7", 7},
        {"  42  ", 42},
        {"256", 256},
        {"12abc", 12},
        {"3.8", 3},
        {"abc", 0},
        {"-", 0},
        {"- 5", 0},
        {"0x10", 0},
        {"", 77},
        {"\"5\"", 5},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999", INT_MIN},
        {nullptr, 77},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(absent)");
        writeFile(file(), c.stored ? "[Language]\nvalue="s + c.stored + "\n" : "[Language]\n"s);
        EXPECT_EQ(ProfileFile(file()).readInt("Language", "value", 77), c.expected);
    }
}

TEST_F(ProfileTest, WriteIntRoundTrips)
{
    const ProfileFile profile(file());
    for (const int value : {0, -1, 5, INT_MAX, INT_MIN}) {
        profile.writeInt("parameter", "Squelch Level", value);
        EXPECT_EQ(profile.readInt("parameter", "Squelch Level", 99), value);
    }
}

TEST_F(ProfileTest, EveryReadSeesTheFileAsItIsNow)
{
    const ProfileFile config(file());
    EXPECT_EQ(config.readInt("Language", "value", 0), 0);
    writeFile(file(), "[Language]\nvalue=1\n");
    EXPECT_EQ(config.readInt("Language", "value", 0), 1);
    writeFile(file(), "[Language]\nvalue=0\n");
    EXPECT_EQ(config.readInt("Language", "value", 1), 0);
    std::filesystem::remove(file());
    EXPECT_EQ(config.readString("Language", "value", "gone"), "gone");
}

TEST_F(ProfileTest, WhatIsNotAProfileReadsAsDefaults)
{
    std::filesystem::create_directory(file("a-directory"));
    ASSERT_EQ(::mkfifo(file("a-fifo").c_str(), 0600), 0); // opening it would block
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary.push_back(static_cast<char>((i * 131 + 7) % 256));
    writeFile(file("binary"), binary);
    writeFile(file("huge-line"), "[P]" + std::string(3'000'000, 'x') + "\nk" + std::string(100'000, ' '));
    writeFile(file("nul"), "\0\0\0[P]\0\nk=\0"s);

    for (const char *name : {"missing", "a-directory", "a-fifo", "binary", "huge-line", "nul"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ProfileFile(file(name)).readString("P", "k", "def"), "def");
        EXPECT_EQ(ProfileFile(file(name)).readInt("P", "k", -3), -3);
    }
    EXPECT_EQ(ProfileFile(dir / "no-such-dir" / "Config.ini").readInt("Language", "value", 0), 0);
}

TEST_F(ProfileTest, LineBreaksInWrittenTextCannotAddKeys)
{
    const ProfileFile profile(file());
    profile.writeString("parameter", "tx1", "1\n[Language]\r\nvalue=1");
    EXPECT_EQ(profile.readString("parameter", "tx1", ""), "1 [Language]  value=1");
    EXPECT_EQ(profile.readString("Language", "value", "none"), "none");
}

// Any file, however damaged: the written key reads back and no other key changes.
TEST_F(ProfileTest, WriteThenReadOnArbitraryContent)
{
    const std::array<std::string, 15> fragments = {
        "[A]", "[comport]", "[b]", "k", "Port", "x", "=", " ", "\n", "\r\n", "\r", ";", "\0"s, "\"", "v"};
    const std::array<std::string, 3> sections = {"A", "COMPort", "b"};
    const std::array<std::string, 3> keys = {"k", "Port", "x"};
    std::mt19937 random(20240611);
    for (int round = 0; round < 400; ++round) {
        std::string content;
        const auto pieces = std::uniform_int_distribution<int>(0, 40)(random);
        for (int i = 0; i < pieces; ++i) {
            if (random() % 8 == 0)
                content.push_back(static_cast<char>(random() % 256));
            else
                content += fragments[random() % fragments.size()];
        }
        writeFile(file(), content);
        const ProfileFile profile(file());
        std::vector<std::string> before;
        for (const auto &section : sections)
            for (const auto &key : keys)
                before.push_back(profile.readString(section, key, "(none)"));

        const std::size_t wantedSection = random() % sections.size();
        const std::size_t wantedKey = random() % keys.size();
        const std::string value = "value" + std::to_string(round);
        profile.writeString(sections[wantedSection], keys[wantedKey], value);

        std::size_t index = 0;
        for (std::size_t s = 0; s < sections.size(); ++s) {
            for (std::size_t k = 0; k < keys.size(); ++k, ++index) {
                const std::string expected = (s == wantedSection && k == wantedKey) ? value : before[index];
                ASSERT_EQ(profile.readString(sections[s], keys[k], "(none)"), expected)
                    << "round " << round << " [" << sections[s] << "] " << keys[k] << " in\n" << content;
            }
        }
    }
}

TEST_F(ProfileTest, WriteProtectedFileIsRefusedEvenForTheSuperuser)
{
    const std::string original = "[Language]\nvalue=0\n";
    writeFile(file(), original);
    ASSERT_EQ(::chmod(file().c_str(), 0444), 0);
    const ProfileFile config(file());
    try {
        config.writeInt("Language", "value", 1);
        FAIL() << "write to a read-only file succeeded";
    } catch (const ProfileWriteError &error) {
        EXPECT_STREQ(error.what(), ("Unable to write to " + file().string()).c_str());
        EXPECT_EQ(error.path(), file().string());
    }
    EXPECT_EQ(readFile(file()), original);
    EXPECT_EQ(config.readInt("Language", "value", 5), 0);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()),
              1);
}

TEST_F(ProfileTest, PathsThatCannotBeWrittenRaiseTheWriteError)
{
    std::filesystem::create_directory(file("a-directory"));
    const std::vector<std::filesystem::path> paths = {
        dir / "no-such-dir" / "Config.ini",
        file("a-directory"),
        std::filesystem::path("/proc/varnel-cannot-exist.ini"),
    };
    for (const auto &path : paths) {
        SCOPED_TRACE(path.string());
        EXPECT_THROW(
            {
                try {
                    ProfileFile(path).writeString("parameter", "tx1", "1");
                } catch (const std::runtime_error &error) {
                    EXPECT_EQ(std::string(error.what()), "Unable to write to " + path.string());
                    throw;
                }
            },
            ProfileWriteError);
    }
}

TEST_F(ProfileTest, ModeAndSymbolicLinkAreKept)
{
    writeFile(file("real.ini"), "[P]\nk=1\n");
    ASSERT_EQ(::chmod(file("real.ini").c_str(), 0640), 0);
    std::filesystem::create_symlink("real.ini", file("link.ini"));

    ProfileFile(file("link.ini")).writeString("P", "k", "2");
    EXPECT_TRUE(std::filesystem::is_symlink(file("link.ini")));
    EXPECT_EQ(readFile(file("real.ini")), "[P]\nk=2\n");
    struct stat info {};
    ASSERT_EQ(::stat(file("real.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// The superuser may write anywhere; these need an ordinary user.
TEST_F(ProfileTest, WritableFileInAReadOnlyDirectoryIsRewrittenInPlace)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "directory permissions do not bind the superuser";
    writeFile(file(), "[P]\nk=1\n");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    ProfileFile(file()).writeString("P", "k", "2");
    EXPECT_EQ(ProfileFile(file()).readString("P", "k", ""), "2");
}

TEST_F(ProfileTest, UnreadableFileIsNotOverwritten)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser can read any file";
    writeFile(file(), "[P]\nk=1\nother=keep\n");
    ASSERT_EQ(::chmod(file().c_str(), 0200), 0);
    EXPECT_THROW(ProfileFile(file()).writeString("P", "k", "2"), ProfileWriteError);
    ASSERT_EQ(::chmod(file().c_str(), 0600), 0);
    EXPECT_EQ(readFile(file()), "[P]\nk=1\nother=keep\n");
}

} // namespace
} // namespace varnel::platform
