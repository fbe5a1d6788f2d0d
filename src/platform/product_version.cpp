#include "platform/product_version.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnel::platform {

namespace {

// Beyond these sizes the file is not one of ours; refusing keeps a damaged
// header from making us read or allocate without bound.
constexpr std::uint64_t kMaxSectionNameTable = 1u << 20;
constexpr std::uint64_t kMaxSectionCount = 1u << 16;
constexpr std::uint64_t kMaxRecordSize = 4096;

class ElfFile {
public:
    explicit ElfFile(const std::filesystem::path &path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK))
    {
        struct stat info {};
        if (m_fd >= 0 && ::fstat(m_fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0)
            m_size = static_cast<std::uint64_t>(info.st_size);
    }
    ElfFile(const ElfFile &) = delete;
    ElfFile &operator=(const ElfFile &) = delete;
    ~ElfFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    // Reads exactly length bytes at offset; false when any of them lies outside the file.
    bool read(std::uint64_t offset, std::uint64_t length, unsigned char *out) const
    {
        if (offset > m_size || length > m_size - offset)
            return false;
        while (length > 0) {
            const ssize_t got = ::pread(m_fd, out, static_cast<std::size_t>(length), static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            const auto count = static_cast<std::uint64_t>(got);
            out += count;
            offset += count;
            length -= count;
        }
        return true;
    }

    std::uint64_t size() const noexcept { return m_size; }

private:
    int m_fd;
    std::uint64_t m_size = 0;
};

// Field access on raw header bytes in the file's own byte order.
class FieldReader {
public:
    FieldReader(const unsigned char *bytes, bool bigEndian) : m_bytes(bytes), m_bigEndian(bigEndian) {}

    std::uint64_t get(std::size_t offset, std::size_t width) const
    {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            const std::size_t index = m_bigEndian ? i : width - 1 - i;
            value = (value << 8) | m_bytes[offset + index];
        }
        return value;
    }

private:
    const unsigned char *m_bytes;
    bool m_bigEndian;
};

struct SectionHeader {
    std::uint64_t name = 0;
    std::uint64_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t link = 0;
};

class SectionTable {
public:
    static std::optional<SectionTable> open(const ElfFile &file)
    {
        std::array<unsigned char, sizeof(Elf64_Ehdr)> header{};
        if (!file.read(0, EI_NIDENT, header.data()))
            return std::nullopt;
        if (header[EI_MAG0] != ELFMAG0 || header[EI_MAG1] != ELFMAG1 || header[EI_MAG2] != ELFMAG2 ||
            header[EI_MAG3] != ELFMAG3)
            return std::nullopt;
        const bool is64 = header[EI_CLASS] == ELFCLASS64;
        if (!is64 && header[EI_CLASS] != ELFCLASS32)
            return std::nullopt;
        if (header[EI_DATA] != ELFDATA2LSB && header[EI_DATA] != ELFDATA2MSB)
            return std::nullopt;
        const bool bigEndian = header[EI_DATA] == ELFDATA2MSB;
        const std::size_t headerSize = is64 ? sizeof(Elf64_Ehdr) : sizeof(Elf32_Ehdr);
        if (!file.read(0, headerSize, header.data()))
            return std::nullopt;

        const FieldReader fields(header.data(), bigEndian);
        SectionTable table(file, is64, bigEndian);
        if (is64) {
            table.m_offset = fields.get(offsetof(Elf64_Ehdr, e_shoff), 8);
            table.m_entrySize = fields.get(offsetof(Elf64_Ehdr, e_shentsize), 2);
            table.m_count = fields.get(offsetof(Elf64_Ehdr, e_shnum), 2);
            table.m_nameTableIndex = fields.get(offsetof(Elf64_Ehdr, e_shstrndx), 2);
        } else {
            table.m_offset = fields.get(offsetof(Elf32_Ehdr, e_shoff), 4);
            table.m_entrySize = fields.get(offsetof(Elf32_Ehdr, e_shentsize), 2);
            table.m_count = fields.get(offsetof(Elf32_Ehdr, e_shnum), 2);
            table.m_nameTableIndex = fields.get(offsetof(Elf32_Ehdr, e_shstrndx), 2);
        }
        if (table.m_offset == 0 || table.m_entrySize < table.headerSize())
            return std::nullopt;

        // Many sections: the real count and name table index sit in section 0.
        if (table.m_count == 0 || table.m_nameTableIndex == SHN_XINDEX) {
            const std::optional<SectionHeader> first = table.readHeader(0);
            if (!first)
                return std::nullopt;
            if (table.m_count == 0)
                table.m_count = first->size;
            if (table.m_nameTableIndex == SHN_XINDEX)
                table.m_nameTableIndex = first->link;
        }
        if (table.m_count == 0 || table.m_count > kMaxSectionCount || table.m_nameTableIndex >= table.m_count)
            return std::nullopt;
        if (table.m_count > (file.size() - std::min(file.size(), table.m_offset)) / table.m_entrySize)
            return std::nullopt;
        return table;
    }

    std::optional<SectionHeader> find(std::string_view wantedName) const
    {
        const std::optional<SectionHeader> names = readHeader(m_nameTableIndex);
        if (!names || names->type == SHT_NOBITS || names->size == 0 || names->size > kMaxSectionNameTable)
            return std::nullopt;
        std::vector<unsigned char> nameTable(static_cast<std::size_t>(names->size));
        if (!m_file.read(names->offset, names->size, nameTable.data()))
            return std::nullopt;

        for (std::uint64_t index = 1; index < m_count; ++index) {
            const std::optional<SectionHeader> section = readHeader(index);
            if (!section)
                return std::nullopt;
            if (section->name >= nameTable.size())
                continue;
            const auto begin = nameTable.begin() + static_cast<std::ptrdiff_t>(section->name);
            const auto end = std::find(begin, nameTable.end(), '\0');
            if (end == nameTable.end())
                continue; // a name without its terminator is not trusted
            const std::string_view name(reinterpret_cast<const char *>(&*begin),
                                        static_cast<std::size_t>(end - begin));
            if (name == wantedName)
                return section;
        }
        return std::nullopt;
    }

    std::optional<std::vector<unsigned char>> contents(const SectionHeader &section, std::uint64_t limit) const
    {
        // A section that claims more than the file holds belongs to a damaged file.
        if (section.type == SHT_NOBITS || section.offset > m_file.size() ||
            section.size > m_file.size() - section.offset)
            return std::nullopt;
        std::vector<unsigned char> bytes(static_cast<std::size_t>(std::min(section.size, limit)));
        if (!m_file.read(section.offset, bytes.size(), bytes.data()))
            return std::nullopt;
        return bytes;
    }

private:
    SectionTable(const ElfFile &file, bool is64, bool bigEndian) : m_file(file), m_is64(is64), m_bigEndian(bigEndian) {}

    std::size_t headerSize() const { return m_is64 ? sizeof(Elf64_Shdr) : sizeof(Elf32_Shdr); }

    std::optional<SectionHeader> readHeader(std::uint64_t index) const
    {
        std::array<unsigned char, sizeof(Elf64_Shdr)> raw{};
        if (index > (UINT64_MAX - m_offset) / m_entrySize)
            return std::nullopt;
        if (!m_file.read(m_offset + index * m_entrySize, headerSize(), raw.data()))
            return std::nullopt;
        const FieldReader fields(raw.data(), m_bigEndian);
        SectionHeader header;
        if (m_is64) {
            header.name = fields.get(offsetof(Elf64_Shdr, sh_name), 4);
            header.type = fields.get(offsetof(Elf64_Shdr, sh_type), 4);
            header.offset = fields.get(offsetof(Elf64_Shdr, sh_offset), 8);
            header.size = fields.get(offsetof(Elf64_Shdr, sh_size), 8);
            header.link = fields.get(offsetof(Elf64_Shdr, sh_link), 4);
        } else {
            header.name = fields.get(offsetof(Elf32_Shdr, sh_name), 4);
            header.type = fields.get(offsetof(Elf32_Shdr, sh_type), 4);
            header.offset = fields.get(offsetof(Elf32_Shdr, sh_offset), 4);
            header.size = fields.get(offsetof(Elf32_Shdr, sh_size), 4);
            header.link = fields.get(offsetof(Elf32_Shdr, sh_link), 4);
        }
        return header;
    }

    const ElfFile &m_file;
    bool m_is64;
    bool m_bigEndian;
    std::uint64_t m_offset = 0;
    std::uint64_t m_entrySize = 0;
    std::uint64_t m_count = 0;
    std::uint64_t m_nameTableIndex = 0;
};

} // namespace

std::string GetProductVersion(const std::filesystem::path &path)
{
    const ElfFile file(path);
    if (file.size() == 0)
        return {};
    const std::optional<SectionTable> sections = SectionTable::open(file);
    if (!sections)
        return {};
    const std::optional<SectionHeader> record = sections->find(kProductVersionSection);
    if (!record)
        return {};
    const std::optional<std::vector<unsigned char>> bytes = sections->contents(*record, kMaxRecordSize);
    if (!bytes)
        return {};
    const std::string_view text(reinterpret_cast<const char *>(bytes->data()), bytes->size());
    if (!text.starts_with(kProductVersionMarker))
        return {};
    const std::string_view version = text.substr(kProductVersionMarker.size());
    return std::string(version.substr(0, version.find('\0')));
}

std::string VersionTagFromProductVersion(std::string_view productVersion)
{
    // d1: position of the first dot counting from 1 (0 if none); d2 the same
    // within the rest after d1; the tag keeps the first d1 + d2 - 1 characters.
    const auto firstDot = productVersion.find('.');
    const std::size_t d1 = firstDot == std::string_view::npos ? 0 : firstDot + 1;
    const std::string_view rest = productVersion.substr(d1);
    const auto secondDot = rest.find('.');
    const std::size_t d2 = secondDot == std::string_view::npos ? 0 : secondDot + 1;
    const std::size_t kept = d1 + d2 == 0 ? 0 : d1 + d2 - 1;
    std::string tag = "V";
    tag.append(productVersion.substr(0, kept));
    return tag;
}

} // namespace varnel::platform
