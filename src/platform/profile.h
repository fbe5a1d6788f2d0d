#pragma once

// Profile (INI) files read and written key by key, the way the settings file
// and the channel profiles are kept.
//
// Reading:
//   - every call reads the file again; nothing is cached, so a change made by
//     another program is seen at the next call;
//   - section and key names match without regard to ASCII letter case and
//     with surrounding blanks ignored ("[ comport ]" is section "COMPort");
//   - a value is the text after the first '=' of its line, trimmed of spaces,
//     tabs and stray carriage returns; one pair of matching surrounding quotes ("..." or '...') is
//     then removed, as hand-edited profiles often quote their values;
//   - lines starting with ';' or '#' are comments, lines without '=' are not
//     keys, keys before the first section belong to no section;
//   - when a section or key appears twice, the first occurrence wins;
//   - a missing, unreadable or non-regular file, a file that is not a profile
//     at all (binary data, NUL bytes, huge lines) reads as the defaults.
//
// Writing one key rewrites only the line of that key (or adds one), so
// comments, blank lines, order, unknown keys, line endings (CRLF is kept) and
// a leading byte-order mark stay as they were. A new key goes after the last
// key of its section (after the section line when it has none), a new section
// at the end of the file; a file created from nothing therefore holds its
// sections and keys in the order written.
//
// Text is passed through as bytes. On Linux the texts are UTF-8, so Chinese
// values are stored as UTF-8 and not in the GBK code page.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace varnel::platform {

// Raised when a key cannot be written; what() is "Unable to write to <path>".
class ProfileWriteError : public std::runtime_error {
public:
    explicit ProfileWriteError(const std::string &path);

    const std::string &path() const noexcept { return m_path; }

private:
    std::string m_path;
};

// A profile file named by its path. Holds only the path: every read opens the
// file anew and every write updates it on disk before returning.
class ProfileFile {
public:
    explicit ProfileFile(std::filesystem::path path);

    const std::filesystem::path &path() const noexcept { return m_path; }

    // The key's value, or defaultValue when the file, section or key is missing.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // The key's value as a decimal integer: optional sign and the leading
    // digits count, anything after them is ignored; a value that does not start
    // with a number reads as 0; a missing key or an empty value gives
    // defaultValue; numbers beyond the int range saturate.
    int readInt(std::string_view section, std::string_view key, int defaultValue) const;

    // Sets the key, creating the file, section or key as needed. The file is
    // replaced atomically (temporary file and rename beside it) where the
    // directory allows it, else rewritten in place. A file whose mode has no
    // write permission is refused even for the superuser, matching what a user
    // expects of a write-protected file. CR and LF in the arguments would break
    // the line structure and are written as spaces.
    // Throws ProfileWriteError.
    void writeString(std::string_view section, std::string_view key, std::string_view value) const;

    // writeString with the decimal text of value.
    void writeInt(std::string_view section, std::string_view key, int value) const;

private:
    std::filesystem::path m_path;
};

} // namespace varnel::platform
