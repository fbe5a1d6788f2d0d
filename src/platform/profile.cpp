#include "platform/profile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnel::platform {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// A stray CR (a line break of another system) counts as a blank as well.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

enum class LineKind { Other, Section, Key };

struct Line {
    std::string_view text;       // without its line ending
    std::string_view terminator; // "\n", "\r\n" or "" for a last line without one
    LineKind kind = LineKind::Other;
    std::string_view name;        // section or key name, trimmed
    std::size_t valueOffset = 0;  // for keys: offset in text just after the '='
};

Line classify(std::string_view text, std::string_view terminator, bool firstLine)
{
    Line line{text, terminator, LineKind::Other, {}, 0};
    std::string_view body = text;
    if (firstLine && body.starts_with(kUtf8Bom))
        body.remove_prefix(kUtf8Bom.size());
    const std::string_view trimmed = trimBlanks(body);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#')
        return line;
    if (trimmed.front() == '[') {
        const auto close = trimmed.find(']');
        if (close != std::string_view::npos) {
            line.kind = LineKind::Section;
            line.name = trimBlanks(trimmed.substr(1, close - 1));
        }
        return line;
    }
    const auto equals = text.find('=');
    if (equals == std::string_view::npos)
        return line;
    const std::size_t bodyStart = text.size() - body.size();
    if (equals < bodyStart)
        return line;
    const std::string_view name = trimBlanks(text.substr(bodyStart, equals - bodyStart));
    if (name.empty())
        return line;
    line.kind = LineKind::Key;
    line.name = name;
    line.valueOffset = equals + 1;
    return line;
}

std::vector<Line> splitLines(std::string_view content)
{
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        const auto newline = content.find('\n', start);
        std::string_view text;
        std::string_view terminator;
        if (newline == std::string_view::npos) {
            text = content.substr(start);
            start = content.size();
        } else {
            text = content.substr(start, newline - start);
            terminator = content.substr(newline, 1);
            if (text.ends_with('\r')) {
                text.remove_suffix(1);
                terminator = content.substr(newline - 1, 2);
            }
            start = newline + 1;
        }
        lines.push_back(classify(text, terminator, lines.empty()));
    }
    return lines;
}

std::string_view unquote(std::string_view value)
{
    value = trimBlanks(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    return value;
}

// Where a key stands in a file, and where it would go if it is missing.
struct KeyLocation {
    std::optional<std::size_t> keyLine;
    std::optional<std::size_t> lastLineOfSection; // header or last key of the first matching section
};

KeyLocation locate(const std::vector<Line> &lines, std::string_view section, std::string_view key)
{
    KeyLocation where;
    const std::string_view wantedSection = trimBlanks(section);
    const std::string_view wantedKey = trimBlanks(key);
    bool inWanted = false;
    bool inFirstWanted = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line &line = lines[i];
        if (line.kind == LineKind::Section) {
            inWanted = equalsIgnoringAsciiCase(line.name, wantedSection);
            inFirstWanted = inWanted && !where.lastLineOfSection;
            if (inFirstWanted)
                where.lastLineOfSection = i;
            continue;
        }
        // New keys follow the last key; a comment after it may belong to what follows.
        if (inFirstWanted && line.kind == LineKind::Key)
            where.lastLineOfSection = i;
        if (inWanted && line.kind == LineKind::Key && equalsIgnoringAsciiCase(line.name, wantedKey)) {
            where.keyLine = i;
            return where;
        }
    }
    return where;
}

std::string withoutLineBreaks(std::string_view text)
{
    std::string result(text);
    for (char &c : result) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return result;
}

std::string updatedContent(std::string_view content, std::string_view section, std::string_view key,
                           std::string_view value)
{
    const std::vector<Line> lines = splitLines(content);
    const KeyLocation where = locate(lines, section, key);

    std::string_view eol = "\n";
    for (const Line &line : lines) {
        if (!line.terminator.empty()) {
            eol = line.terminator;
            break;
        }
    }

    std::string result;
    result.reserve(content.size() + section.size() + key.size() + value.size() + 8);
    if (where.keyLine) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const Line &line = lines[i];
            if (i == *where.keyLine) {
                result.append(line.text.substr(0, line.valueOffset));
                result.append(value);
            } else {
                result.append(line.text);
            }
            result.append(line.terminator);
        }
        return result;
    }

    const std::string newKeyLine = std::string(key) + "=" + std::string(value);
    if (where.lastLineOfSection) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const Line &line = lines[i];
            result.append(line.text);
            if (i == *where.lastLineOfSection) {
                result.append(line.terminator.empty() ? eol : line.terminator);
                result.append(newKeyLine).append(eol);
            } else {
                result.append(line.terminator);
            }
        }
        return result;
    }

    result.append(content);
    if (!content.empty() && content.back() != '\n')
        result.append(eol);
    result.append("[").append(section).append("]").append(eol);
    result.append(newKeyLine).append(eol);
    return result;
}

// Closes a descriptor on scope exit.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) noexcept : m_fd(fd) {}
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    int get() const noexcept { return m_fd; }
    bool valid() const noexcept { return m_fd >= 0; }

    // Closes now and reports whether the data reached the file system.
    bool close() noexcept
    {
        const int fd = std::exchange(m_fd, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Only regular files count: opening a FIFO or a device could block or never end.
std::optional<std::string> readRegularFile(const std::filesystem::path &path)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    std::string content;
    content.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return content;
        content.append(buffer, static_cast<std::size_t>(got));
    }
}

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

struct ExistingFile {
    mode_t mode;
    uid_t owner;
    gid_t group;
};

enum class ReplaceResult { Done, NotPossibleHere, Failed };

// Writes beside the target and renames over it, so that a reader never sees a
// half-written file. NotPossibleHere when the directory does not allow it.
ReplaceResult replaceAtomically(const std::filesystem::path &target, std::string_view content,
                                const std::optional<ExistingFile> &existing)
{
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path directory = target.parent_path();
    std::string baseName = ".";
    baseName.append(target.filename().string()).append(".tmp");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path temporary =
            directory / (baseName + std::to_string(::getpid()) + '.' + std::to_string(++counter));
        FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.valid()) {
            if (errno == EEXIST)
                continue;
            return ReplaceResult::NotPossibleHere;
        }
        bool ok = true;
        if (existing) {
            ok = ::fchmod(fd.get(), existing->mode & 07777) == 0;
            if (ok && ::geteuid() == 0) {
                // Keep a user's file owned by the user when the superuser writes it.
                [[maybe_unused]] const int ignored = ::fchown(fd.get(), existing->owner, existing->group);
            }
        }
        ok = ok && writeAll(fd.get(), content);
        ok = fd.close() && ok;
        if (!ok) {
            // Out of space or similar: rewriting in place would fail as well and
            // could leave the file truncated.
            ::unlink(temporary.c_str());
            return ReplaceResult::Failed;
        }
        if (::rename(temporary.c_str(), target.c_str()) != 0) {
            // e.g. a bind-mounted file cannot be replaced, only rewritten
            ::unlink(temporary.c_str());
            return ReplaceResult::NotPossibleHere;
        }
        return ReplaceResult::Done;
    }
    return ReplaceResult::NotPossibleHere;
}

bool rewriteInPlace(const std::filesystem::path &target, std::string_view content)
{
    FileDescriptor fd(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    return fd.valid() && writeAll(fd.get(), content) && fd.close();
}

} // namespace

ProfileWriteError::ProfileWriteError(const std::string &path)
    : std::runtime_error("Unable to write to " + path), m_path(path)
{
}

ProfileFile::ProfileFile(std::filesystem::path path) : m_path(std::move(path)) {}

std::string ProfileFile::readString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const
{
    const std::optional<std::string> content = readRegularFile(m_path);
    if (!content)
        return std::string(defaultValue);
    const std::vector<Line> lines = splitLines(*content);
    const KeyLocation where = locate(lines, section, key);
    if (!where.keyLine)
        return std::string(defaultValue);
    const Line &line = lines[*where.keyLine];
    return std::string(unquote(line.text.substr(line.valueOffset)));
}

int ProfileFile::readInt(std::string_view section, std::string_view key, int defaultValue) const
{
    const std::string text = readString(section, key, {});
    std::string_view digits = trimBlanks(text);
    if (digits.empty())
        return defaultValue;
    bool negative = false;
    if (digits.front() == '+' || digits.front() == '-') {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    // Saturates instead of overflowing; the limit of the negative side is one more.
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
    std::int64_t magnitude = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            break;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) {
            magnitude = limit;
            break;
        }
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

void ProfileFile::writeString(std::string_view section, std::string_view key, std::string_view value) const
{
    const std::string pathText = m_path.string();
    std::filesystem::path target = m_path;
    std::error_code error;
    if (std::filesystem::is_symlink(m_path, error)) {
        // Update the file the link names, not the link.
        target = std::filesystem::weakly_canonical(m_path, error);
        if (error)
            throw ProfileWriteError(pathText);
    }

    std::optional<ExistingFile> existing;
    std::string content;
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        // The mode bits are checked as well because the superuser passes
        // access() for a file that nobody may write.
        if (!S_ISREG(info.st_mode) || (info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0)
            throw ProfileWriteError(pathText);
        std::optional<std::string> current = readRegularFile(target);
        if (!current)
            throw ProfileWriteError(pathText); // rewriting it would lose what it holds
        content = std::move(*current);
        existing = ExistingFile{info.st_mode, info.st_uid, info.st_gid};
    } else if (errno != ENOENT) {
        throw ProfileWriteError(pathText);
    }

    const std::string updated = updatedContent(content, withoutLineBreaks(section), withoutLineBreaks(key),
                                               withoutLineBreaks(value));
    switch (replaceAtomically(target, updated, existing)) {
    case ReplaceResult::Done:
        return;
    case ReplaceResult::NotPossibleHere:
        if (rewriteInPlace(target, updated))
            return;
        break;
    case ReplaceResult::Failed:
        break;
    }
    throw ProfileWriteError(pathText);
}

void ProfileFile::writeInt(std::string_view section, std::string_view key, int value) const
{
    writeString(section, key, std::to_string(value));
}

} // namespace varnel::platform
