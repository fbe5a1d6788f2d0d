// The radio's side of a real serial line for window tests: a pseudo-terminal
// published as COM<n> in a temporary port directory (VARNEL_PORT_DIR), whose
// far end the test plays.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace varnel::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh temporary directory, removed with its content.
class TempDir {
public:
    explicit TempDir(const char* prefix = "varnel-test-");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Points VARNEL_PORT_DIR at a directory for its lifetime.
class PortDirectoryScope {
public:
    explicit PortDirectoryScope(const std::filesystem::path& dir);
    ~PortDirectoryScope();
    PortDirectoryScope(const PortDirectoryScope&) = delete;
    PortDirectoryScope& operator=(const PortDirectoryScope&) = delete;

private:
    std::optional<std::string> old_;
};

class RadioLine {
public:
    explicit RadioLine(int com = 7);
    ~RadioLine();
    RadioLine(const RadioLine&) = delete;
    RadioLine& operator=(const RadioLine&) = delete;

    int com() const { return com_; }

    // The next complete frame (55 AA LEN ... sum) the tool wrote, waiting in
    // real time up to `timeout`; bytes before a preamble are skipped.
    std::optional<Bytes> readFrame(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Writes bytes to the tool in one burst.
    void write(std::span<const std::uint8_t> bytes);

private:
    std::optional<Bytes> takeFrame();
    bool readSome(std::chrono::milliseconds timeout);

    int master_ = -1;
    int slave_ = -1;
    int com_;
    TempDir dir_{"varnel-ports-"};
    std::optional<PortDirectoryScope> scope_;
    Bytes pending_;
};

// "55 AA 04 ..." for failure messages.
std::string Hex(std::span<const std::uint8_t> bytes);

} // namespace varnel::test
