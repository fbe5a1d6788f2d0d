// A whole program on the headless backend: temporary settings directory,
// pseudo-terminals published as COM<n> in a temporary port directory, and an
// Application created on demand (so a case can prepare Config.ini first).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "serial/serial_port_info.h"
#include "toolkit/application.h"
#include "toolkit/headless_backend.h"

namespace varnel::test {

// A temporary directory removed with its content.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const noexcept { return path_; }

private:
    std::filesystem::path path_;
};

// The directories a program run is pointed at, under one scratch directory:
// ports/ for the published COM<n> links, config/ for Config.ini, and empty
// sysfs and /dev roots so that only the published ports are listed.
class ProgramRoots {
public:
    ProgramRoots();

    const std::filesystem::path& root() const noexcept { return dir_.path(); }
    const std::filesystem::path& portDir() const noexcept { return portDir_; }
    const std::filesystem::path& configDir() const noexcept { return configDir_; }
    HalvikComm32::TCommSerialPortInfo::SystemRoots systemRoots() const;

private:
    ScratchDir dir_;
    std::filesystem::path portDir_;
    std::filesystem::path configDir_;
};

// The far end of a port: the master side of a pseudo-terminal.
class PtyEnd {
public:
    PtyEnd();
    ~PtyEnd();
    PtyEnd(const PtyEnd&) = delete;
    PtyEnd& operator=(const PtyEnd&) = delete;

    const std::string& slavePath() const noexcept { return slavePath_; }
    // Waits in real time until `count` bytes have come or the timeout passes.
    std::vector<std::uint8_t> read(std::size_t count, std::chrono::milliseconds timeout);

private:
    int master_ = -1;
    int slaveHold_ = -1;
    std::string slavePath_;
};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // COM<n> as a working pseudo-terminal.
    PtyEnd& addPort(int number);
    // COM<n> listed but impossible to open (a link to a plain file).
    void addDeadPort(int number);

    const std::filesystem::path& configPath() const noexcept { return configPath_; }
    void writeConfig(const std::string& text);
    // Empty when there is no file.
    std::optional<std::string> readConfig() const;
    // The "key=value" lines and "[section]" lines of Config.ini, without
    // blank lines.
    std::vector<std::string> configLines() const;

    // Creates the toolkit and the Application (versionFile: the executable
    // whose product version is shown; the 3.8.1 probe by default).
    void start(std::optional<std::filesystem::path> versionFile = std::nullopt);
    // Destroys the Application (ports close) and the toolkit.
    void stop();
    // stop() and start() again, as a user starting the program anew.
    void restart();

    tk::HeadlessBackend& backend() { return *backend_; }
    tk::Application& toolkit() { return *toolkit_; }
    app::Application& application() { return *application_; }

    std::vector<std::string> messages() const { return backend_->messageTexts(); }

    app::ApplicationOptions options;

private:
    std::unique_ptr<ProgramRoots> roots_;
    std::filesystem::path configPath_;
    std::optional<std::string> savedPortDir_;
    std::map<int, std::unique_ptr<PtyEnd>> ports_;
    std::unique_ptr<tk::HeadlessBackend> backend_;
    std::unique_ptr<tk::Application> toolkit_;
    std::unique_ptr<app::Application> application_;
    std::optional<std::filesystem::path> versionFile_;
};

// The probe executables built with known product versions.
std::filesystem::path VersionProbe(const std::string& version);

}  // namespace varnel::test
