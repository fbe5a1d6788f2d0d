#include "platform/product_version.h"

#include "platform/executable.h"
#include "platform/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <elf.h>

namespace varnel::platform {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

const std::filesystem::path kProbe = VARNEL_VERSION_PROBE; // built with version 3.8.1

TEST(VersionTag, FromProductVersion)
{
    const struct {
        const char *version;
        const char *tag;
    } cases[] = {
        {"3.8.1", "V3.8"}, {"10.12.3", "V10.12"}, {"5.2", "V5"},    {"4", "V"},         {"", "V"},
        {"3.8.1.7", "V3.8"}, {"3.8.", "V3.8"},   {".5", "V"},       {"3..1", "V3."},    {"1.2.3-rc1", "V1.2"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(VersionTagFromProductVersion(c.version), c.tag) << '"' << c.version << '"';
}

TEST(ProductVersion, ReadBackFromTheBuiltExecutable)
{
    EXPECT_EQ(GetProductVersion(kProbe), "3.8.1");
}

TEST(ProductVersion, RunningExecutableReadsItsOwnVersionAndDirectory)
{
    // The probe prints GetProductVersion(ExecutablePath()) and ExecutableDirectory();
    // a copy elsewhere must report the copy's directory.
    TempDir dir;
    const std::filesystem::path copy = dir / "moved probe";
    std::filesystem::copy_file(kProbe, copy);
    for (const std::filesystem::path &program : {kProbe, copy}) {
        SCOPED_TRACE(program.string());
        const std::string command = std::string("'").append(program.string()).append("'");
        FILE *pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            output += buffer;
        ASSERT_EQ(::pclose(pipe), 0);
        EXPECT_EQ(output, std::string("3.8.1\n").append(program.parent_path().string()).append("/\n"));
    }
}

TEST(ProductVersion, FilesWithoutAVersionGiveEmptyText)
{
    TempDir dir;
    writeFile(dir / "empty", "");
    writeFile(dir / "text", "VARNEL_PRODUCT_VERSION=3.8.1\n");
    writeFile(dir / "magic-only", "\x7f" "ELF");
    writeFile(dir / "header-only", std::string("\x7f" "ELF\x02\x01\x01", 7) + std::string(57, '\0'));
    std::filesystem::create_directory(dir / "directory");

    EXPECT_EQ(GetProductVersion(ExecutablePath()), ""); // the test program has no version record
    for (const char *name : {"missing", "empty", "text", "magic-only", "header-only", "directory"})
        EXPECT_EQ(GetProductVersion(dir / name), "") << name;
}

// Damaged copies of the probe: every cut and every broken header gives empty
// text, never a crash or a read outside the file.
class DamagedProbe : public ::testing::Test {
protected:
    void SetUp() override
    {
        image = readFile(kProbe);
        ASSERT_GE(image.size(), sizeof(Elf64_Ehdr));
        std::memcpy(&header, image.data(), sizeof header);
        ASSERT_EQ(header.e_ident[EI_CLASS], ELFCLASS64);
        for (std::size_t i = 0; i < header.e_shnum; ++i)
            sections.push_back(sectionHeader(i));
        const Elf64_Shdr &names = sections.at(header.e_shstrndx);
        for (std::size_t i = 0; i < sections.size(); ++i) {
            if (image.c_str() + names.sh_offset + sections[i].sh_name == kProductVersionSection)
                versionIndex = i;
        }
        ASSERT_NE(versionIndex, 0u);
    }

    Elf64_Shdr sectionHeader(std::size_t index) const
    {
        Elf64_Shdr section;
        std::memcpy(&section, image.data() + header.e_shoff + index * sizeof section, sizeof section);
        return section;
    }

    std::string withSection(std::size_t index, const std::function<void(Elf64_Shdr &)> &change) const
    {
        std::string copy = image;
        Elf64_Shdr section = sections[index];
        change(section);
        std::memcpy(copy.data() + header.e_shoff + index * sizeof section, &section, sizeof section);
        return copy;
    }

    std::string withHeader(const std::function<void(Elf64_Ehdr &)> &change) const
    {
        std::string copy = image;
        Elf64_Ehdr changed = header;
        change(changed);
        std::memcpy(copy.data(), &changed, sizeof changed);
        return copy;
    }

    std::string versionOf(const std::string &content) const
    {
        writeFile(dir / "damaged", content);
        return GetProductVersion(dir / "damaged");
    }

    TempDir dir;
    std::string image;
    Elf64_Ehdr header{};
    std::vector<Elf64_Shdr> sections;
    std::size_t versionIndex = 0;
};

TEST_F(DamagedProbe, IntactCopyStillReads)
{
    EXPECT_EQ(versionOf(image), "3.8.1");
}

TEST_F(DamagedProbe, TruncatedAnywhere)
{
    std::vector<std::size_t> cuts;
    for (std::size_t n = 0; n < 200; ++n)
        cuts.push_back(n);
    for (std::size_t n = 200; n < image.size(); n += 997)
        cuts.push_back(n);
    for (std::size_t n = header.e_shoff > 100 ? header.e_shoff - 100 : 0; n < image.size(); ++n)
        cuts.push_back(n);
    const std::uint64_t tableEnd = header.e_shoff + std::uint64_t{header.e_shnum} * header.e_shentsize;
    for (const std::size_t cut : cuts) {
        const std::string version = versionOf(image.substr(0, cut));
        if (cut < tableEnd)
            ASSERT_EQ(version, "") << "cut at " << cut;
        else
            ASSERT_TRUE(version.empty() || version == "3.8.1") << "cut at " << cut;
    }
}

TEST_F(DamagedProbe, BrokenFileHeader)
{
    const std::function<void(Elf64_Ehdr &)> changes[] = {
        [](Elf64_Ehdr &h) { h.e_ident[EI_MAG1] = 'X'; },
        [](Elf64_Ehdr &h) { h.e_ident[EI_CLASS] = 7; },
        [](Elf64_Ehdr &h) { h.e_ident[EI_DATA] = 9; },
        [](Elf64_Ehdr &h) { h.e_ident[EI_DATA] = ELFDATA2MSB; },
        [](Elf64_Ehdr &h) { h.e_ident[EI_CLASS] = ELFCLASS32; },
        [](Elf64_Ehdr &h) { h.e_shoff = 0; },
        [](Elf64_Ehdr &h) { h.e_shoff = UINT64_MAX - 8; },
        [](Elf64_Ehdr &h) { h.e_shoff += 1; },
        [](Elf64_Ehdr &h) { h.e_shentsize = 0; },
        [](Elf64_Ehdr &h) { h.e_shentsize = 1; },
        [](Elf64_Ehdr &h) { h.e_shnum = 0xFFFF; },
        [](Elf64_Ehdr &h) { h.e_shnum = 0; },
        [](Elf64_Ehdr &h) { h.e_shstrndx = h.e_shnum; },
        [](Elf64_Ehdr &h) { h.e_shstrndx = SHN_XINDEX; },
        [](Elf64_Ehdr &h) { h.e_shstrndx = 0; },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i)
        EXPECT_EQ(versionOf(withHeader(changes[i])), "") << "change " << i;
}

TEST_F(DamagedProbe, BrokenSectionHeaders)
{
    const std::size_t names = header.e_shstrndx;
    const struct {
        std::size_t section;
        std::function<void(Elf64_Shdr &)> change;
    } changes[] = {
        {names, [](Elf64_Shdr &s) { s.sh_offset = UINT64_MAX - 2; }},
        {names, [](Elf64_Shdr &s) { s.sh_size = UINT64_MAX; }},
        {names, [&](Elf64_Shdr &s) { s.sh_size = image.size(); }},
        {names, [](Elf64_Shdr &s) { s.sh_type = SHT_NOBITS; }},
        {versionIndex, [](Elf64_Shdr &s) { s.sh_name = 0xFFFFFFFF; }},
        {versionIndex, [](Elf64_Shdr &s) { s.sh_offset = UINT64_MAX - 4; }},
        {versionIndex, [&](Elf64_Shdr &s) { s.sh_offset = image.size() - 3; }},
        {versionIndex, [](Elf64_Shdr &s) { s.sh_size = UINT64_MAX; }},
        {versionIndex, [](Elf64_Shdr &s) { s.sh_size = 5; }}, // marker cut short
        {versionIndex, [](Elf64_Shdr &s) { s.sh_type = SHT_NOBITS; }},
        {versionIndex, [](Elf64_Shdr &s) { s.sh_offset += 1; }}, // marker no longer at the start
    };
    for (std::size_t i = 0; i < std::size(changes); ++i)
        EXPECT_EQ(versionOf(withSection(changes[i].section, changes[i].change)), "") << "change " << i;
}

TEST_F(DamagedProbe, NameTableWithoutTerminator)
{
    // The version section's name runs to the very end of the name table.
    const std::size_t names = header.e_shstrndx;
    const Elf64_Shdr table = sections[names];
    std::string copy = withSection(names, [&](Elf64_Shdr &s) {
        s.sh_size = sections[versionIndex].sh_name + kProductVersionSection.size();
    });
    ASSERT_EQ(copy.compare(table.sh_offset + sections[versionIndex].sh_name, kProductVersionSection.size(),
                           kProductVersionSection),
              0);
    EXPECT_EQ(versionOf(copy), "");
}

// A small hand-made image covers the byte orders and classes the build does not produce.
std::string MakeElfImage(bool is64, bool bigEndian, bool extendedNumbering, const std::string &record)
{
    const std::string nameTable = std::string("\0.shstrtab\0", 11) + std::string(kProductVersionSection) + '\0';
    const std::uint64_t headerSize = is64 ? 64 : 52;
    const std::uint64_t sectionSize = is64 ? 64 : 40;
    const std::uint64_t namesOffset = headerSize;
    const std::uint64_t recordOffset = namesOffset + nameTable.size();
    const std::uint64_t tableOffset = recordOffset + record.size();
    std::string image(tableOffset + 3 * sectionSize, '\0');

    auto put = [&](std::uint64_t offset, std::uint64_t value, int width) {
        for (int i = 0; i < width; ++i) {
            const int shift = bigEndian ? 8 * (width - 1 - i) : 8 * i;
            image[offset + static_cast<std::uint64_t>(i)] = static_cast<char>((value >> shift) & 0xFF);
        }
    };
    image.replace(0, 4, "\x7f" "ELF");
    image[EI_CLASS] = static_cast<char>(is64 ? ELFCLASS64 : ELFCLASS32);
    image[EI_DATA] = static_cast<char>(bigEndian ? ELFDATA2MSB : ELFDATA2LSB);
    image[EI_VERSION] = EV_CURRENT;
    const int word = is64 ? 8 : 4;
    put(is64 ? 0x28 : 0x20, tableOffset, word);          // e_shoff
    put(is64 ? 0x3A : 0x2E, sectionSize, 2);             // e_shentsize
    put(is64 ? 0x3C : 0x30, extendedNumbering ? 0 : 3, 2); // e_shnum
    put(is64 ? 0x3E : 0x32, extendedNumbering ? SHN_XINDEX : 1, 2);
    image.replace(namesOffset, nameTable.size(), nameTable);
    image.replace(recordOffset, record.size(), record);

    auto section = [&](std::uint64_t index, std::uint64_t name, std::uint64_t type, std::uint64_t offset,
                       std::uint64_t size, std::uint64_t link) {
        const std::uint64_t at = tableOffset + index * sectionSize;
        put(at + 0, name, 4);
        put(at + 4, type, 4);
        put(at + (is64 ? 24 : 16), offset, word);
        put(at + (is64 ? 32 : 20), size, word);
        put(at + (is64 ? 40 : 24), link, 4);
    };
    if (extendedNumbering)
        section(0, 0, SHT_NULL, 0, 3, 1); // real count in sh_size, name table index in sh_link
    section(1, 1, SHT_STRTAB, namesOffset, nameTable.size(), 0);
    section(2, 11, SHT_PROGBITS, recordOffset, record.size(), 0);
    return image;
}

TEST(ProductVersion, AnyClassAndByteOrder)
{
    TempDir dir;
    const std::string record = std::string(kProductVersionMarker) + "9.4.2" + '\0';
    for (const bool is64 : {false, true}) {
        for (const bool bigEndian : {false, true}) {
            for (const bool extended : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "64-bit " << is64 << ", big-endian " << bigEndian
                                                  << ", extended numbering " << extended);
                writeFile(dir / "image", MakeElfImage(is64, bigEndian, extended, record));
                EXPECT_EQ(GetProductVersion(dir / "image"), "9.4.2");
            }
        }
    }
    // Without a terminating NUL the record ends with its section.
    writeFile(dir / "image", MakeElfImage(true, false, false, std::string(kProductVersionMarker) + "1.0"));
    EXPECT_EQ(GetProductVersion(dir / "image"), "1.0");
    writeFile(dir / "image", MakeElfImage(true, false, false, "OTHER_RECORD=1.0"));
    EXPECT_EQ(GetProductVersion(dir / "image"), "");
}

} // namespace
} // namespace varnel::platform
