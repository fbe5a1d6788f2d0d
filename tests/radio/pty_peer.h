// The radio's side of a pseudo-terminal, published as COM<n> in a temporary
// port directory (VARNEL_PORT_DIR), for tests that drive the main window over
// a real serial line.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace varnel::test {

class PtyPeer {
public:
    // Publishes the pty as COM<com> in a fresh port directory and points
    // VARNEL_PORT_DIR at it (restored by the destructor).
    explicit PtyPeer(int com = 7);
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    int com() const { return com_; }
    const std::filesystem::path& portDir() const { return dir_; }

    // The next complete frame (55 AA LEN ... sum) the tool wrote, waiting in
    // real time up to `timeout`; bytes before a preamble are skipped.
    std::optional<std::vector<std::uint8_t>> readFrame(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Writes bytes to the tool in one burst.
    void write(std::span<const std::uint8_t> bytes);

private:
    std::optional<std::vector<std::uint8_t>> takeFrame();

    int master_ = -1;
    int slave_ = -1;
    int com_;
    std::filesystem::path dir_;
    std::optional<std::string> oldPortDir_;
    std::vector<std::uint8_t> pending_;
};

// A temporary directory removed with its content.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// "55 AA 04 ..." for failure messages.
std::string Hex(std::span<const std::uint8_t> bytes);

} // namespace varnel::test
