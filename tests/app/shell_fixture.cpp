#include "app/shell_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "radio/mform.h"

namespace varnel::test {

namespace fs = std::filesystem;

ScratchDir::ScratchDir()
{
    std::string pattern = (fs::temp_directory_path() / "varnel-shell-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    path_ = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    // Read-only files in it must not stop the clean-up.
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

ProgramRoots::ProgramRoots() : portDir_(dir_.path() / "ports"), configDir_(dir_.path() / "config")
{
    fs::create_directories(portDir_);
    fs::create_directories(configDir_);
    fs::create_directories(dir_.path() / "sys");
    fs::create_directories(dir_.path() / "dev");
}

HalvikComm32::TCommSerialPortInfo::SystemRoots ProgramRoots::systemRoots() const
{
    // Only the ports a case publishes: no sysfs, no /dev of the machine.
    return {dir_.path() / "sys", dir_.path() / "dev", portDir_};
}

PtyEnd::PtyEnd()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        throw std::system_error(errno, std::generic_category(), "posix_openpt");
    const char* name = ::ptsname(master_);
    if (name == nullptr)
        throw std::system_error(errno, std::generic_category(), "ptsname");
    slavePath_ = name;
    // Keeps the line alive between the program's opens and closes, so the
    // master never sees a hang-up and reads stay meaningful.
    slaveHold_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
}

PtyEnd::~PtyEnd()
{
    if (slaveHold_ >= 0)
        ::close(slaveHold_);
    if (master_ >= 0)
        ::close(master_);
}

std::vector<std::uint8_t> PtyEnd::read(std::size_t count, std::chrono::milliseconds timeout)
{
    std::vector<std::uint8_t> bytes;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (bytes.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd pfd{master_, POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
            continue;
        std::uint8_t buffer[256];
        const ssize_t got = ::read(master_, buffer, sizeof buffer);
        if (got > 0)
            bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

void ShellTest::SetUp()
{
    roots_ = std::make_unique<ProgramRoots>();
    configPath_ = roots_->configDir() / "Config.ini";

    if (const char* old = std::getenv("VARNEL_PORT_DIR"))
        savedPortDir_ = old;
    ::setenv("VARNEL_PORT_DIR", roots_->portDir().c_str(), 1);

    options.settingsDirectory = roots_->configDir();
    options.portSystem = roots_->systemRoots();
}

void ShellTest::TearDown()
{
    stop();
    ports_.clear();
    if (savedPortDir_)
        ::setenv("VARNEL_PORT_DIR", savedPortDir_->c_str(), 1);
    else
        ::unsetenv("VARNEL_PORT_DIR");
    roots_.reset();
}

PtyEnd& ShellTest::addPort(int number)
{
    auto end = std::make_unique<PtyEnd>();
    fs::create_symlink(end->slavePath(), roots_->portDir() / ("COM" + std::to_string(number)));
    PtyEnd& ref = *end;
    ports_[number] = std::move(end);
    return ref;
}

void ShellTest::addDeadPort(int number)
{
    // Listed like any port, but a plain file is no terminal: opening fails.
    const fs::path notATerminal = roots_->root() / ("not-a-tty-" + std::to_string(number));
    std::ofstream{notATerminal};
    fs::create_symlink(notATerminal, roots_->portDir() / ("COM" + std::to_string(number)));
}

void ShellTest::writeConfig(const std::string& text)
{
    std::ofstream out(configPath_, std::ios::binary | std::ios::trunc);
    out << text;
}

std::optional<std::string> ShellTest::readConfig() const
{
    std::ifstream in(configPath_, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> ShellTest::configLines() const
{
    std::vector<std::string> lines;
    std::istringstream in(readConfig().value_or(""));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

void ShellTest::start(std::optional<fs::path> versionFile)
{
    versionFile_ = versionFile ? *versionFile : VersionProbe("3.8.1");
    options.versionFile = *versionFile_;
    backend_ = std::make_unique<tk::HeadlessBackend>();
    toolkit_ = std::make_unique<tk::Application>(*backend_);
    application_ = std::make_unique<app::Application>(options);
    // As the message loop does when it starts.
    application_->mainForm().show();
}

void ShellTest::stop()
{
    application_.reset();
    toolkit_.reset();
    backend_.reset();
}

void ShellTest::restart()
{
    const std::optional<fs::path> version = versionFile_;
    stop();
    start(version);
}

fs::path VersionProbe(const std::string& version)
{
    if (version == "3.8.1")
        return VARNEL_PROBE_3_8_1;
    if (version == "10.12.3")
        return VARNEL_PROBE_10_12_3;
    if (version == "5.2")
        return VARNEL_PROBE_5_2;
    if (version == "4")
        return VARNEL_PROBE_4;
    if (version.empty())
        return VARNEL_PROBE_NONE;
    throw std::invalid_argument("no probe built with version " + version);
}

}  // namespace varnel::test
