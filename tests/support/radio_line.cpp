#include "support/radio_line.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace varnel::test {

namespace {

[[noreturn]] void Fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

std::filesystem::path MakeTempDir(const char* prefix)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        Fail("mkdtemp");
    return pattern;
}

} // namespace

TempDir::TempDir(const char* prefix) : path_(MakeTempDir(prefix)) {}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

PortDirectoryScope::PortDirectoryScope(const std::filesystem::path& dir)
{
    if (const char* old = std::getenv("VARNEL_PORT_DIR"))
        old_ = old;
    ::setenv("VARNEL_PORT_DIR", dir.c_str(), 1);
}

PortDirectoryScope::~PortDirectoryScope()
{
    if (old_)
        ::setenv("VARNEL_PORT_DIR", old_->c_str(), 1);
    else
        ::unsetenv("VARNEL_PORT_DIR");
}

RadioLine::RadioLine(int com) : com_(com)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        Fail("posix_openpt");
    const char* slaveName = ::ptsname(master_);
    if (slaveName == nullptr)
        Fail("ptsname");
    // Holding the slave open keeps the master readable while the tool's port
    // is closed.
    slave_ = ::open(slaveName, O_RDWR | O_NOCTTY);
    if (slave_ < 0)
        Fail("open slave");
    termios raw{};
    if (::tcgetattr(slave_, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(slave_, TCSANOW, &raw);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    std::filesystem::create_symlink(slaveName, dir_.path() / ("COM" + std::to_string(com_)));
    scope_.emplace(dir_.path());
}

RadioLine::~RadioLine()
{
    scope_.reset();
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
}

std::optional<Bytes> RadioLine::takeFrame()
{
    std::size_t start = 0;
    while (start < pending_.size() && pending_[start] != 0x55)
        ++start;
    while (start + 1 < pending_.size() && !(pending_[start] == 0x55 && pending_[start + 1] == 0xAA))
        ++start;
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(start));
    if (pending_.size() < 3)
        return std::nullopt;
    const std::size_t size = std::size_t{pending_[2]} + 4;
    if (pending_.size() < size)
        return std::nullopt;
    Bytes frame(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(size));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(size));
    return frame;
}

bool RadioLine::readSome(std::chrono::milliseconds timeout)
{
    pollfd pfd{master_, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, static_cast<int>(timeout.count()));
    if (ready < 0 && errno != EINTR)
        Fail("poll");
    if (ready <= 0)
        return false;
    std::uint8_t buffer[512];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n > 0) {
        pending_.insert(pending_.end(), buffer, buffer + n);
        return true;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO)
        Fail("read master");
    return false;
}

std::optional<Bytes> RadioLine::readFrame(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto frame = takeFrame())
            return frame;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        readSome(left);
    }
}

void RadioLine::write(std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            Fail("write master");
        } else {
            pollfd pfd{master_, POLLOUT, 0};
            ::poll(&pfd, 1, 1000);
        }
    }
}

std::string Hex(std::span<const std::uint8_t> bytes)
{
    std::string text;
    char part[4];
    for (const std::uint8_t b : bytes) {
        std::snprintf(part, sizeof part, "%02X ", b);
        text += part;
    }
    if (!text.empty())
        text.pop_back();
    return text;
}

} // namespace varnel::test
