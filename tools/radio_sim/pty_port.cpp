#include "radio_sim/pty_port.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace varnel::radio_sim {
namespace {

std::string Errno(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

std::optional<unsigned> BaudOf(speed_t speed)
{
    switch (speed) {
    case B300: return 300;
    case B600: return 600;
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return std::nullopt;
    }
}

} // namespace

std::unique_ptr<PtyPort> PtyPort::Publish(const std::string& portDir, int com, std::string& error)
{
    std::unique_ptr<PtyPort> port(new PtyPort());
    port->com_ = com;
    const std::string name = "COM" + std::to_string(com);
    const std::string link = portDir + "/" + name;

    struct stat info{};
    if (::lstat(link.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            error = link + " exists and is not a link; refusing to replace it";
            return nullptr;
        }
        struct stat target{};
        if (::stat(link.c_str(), &target) == 0) {
            char buf[512] = {};
            const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
            error = "port directory busy: " + link + " already points to " +
                    (n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string("a live device")) +
                    " (another emulator running?)";
            return nullptr;
        }
        if (::unlink(link.c_str()) != 0) { // stale link of an emulator that died
            error = Errno("cannot remove stale " + link);
            return nullptr;
        }
    }

    port->master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (port->master_ < 0 || ::grantpt(port->master_) != 0 || ::unlockpt(port->master_) != 0) {
        error = Errno("cannot create a pseudo-terminal");
        return nullptr;
    }
    char slaveName[128] = {};
    if (::ptsname_r(port->master_, slaveName, sizeof slaveName) != 0) {
        error = Errno("ptsname");
        return nullptr;
    }
    port->slavePath_ = slaveName;
    port->slave_ = ::open(slaveName, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (port->slave_ < 0) {
        error = Errno("cannot open " + port->slavePath_);
        return nullptr;
    }
    // Raw until the tool sets its own mode: no echo of our replies back to us.
    termios tio{};
    if (::tcgetattr(port->slave_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::cfsetispeed(&tio, B9600);
        ::cfsetospeed(&tio, B9600);
        ::tcsetattr(port->slave_, TCSANOW, &tio);
    }
    if (::symlink(port->slavePath_.c_str(), link.c_str()) != 0) {
        error = errno == EEXIST ? "port directory busy: " + link + " appeared meanwhile"
                                : Errno("cannot create " + link);
        return nullptr;
    }
    port->linkPath_ = link;
    return port;
}

PtyPort::~PtyPort()
{
    if (!linkPath_.empty()) {
        // Only our own link: someone may have replaced it in the meantime.
        char buf[512] = {};
        const ssize_t n = ::readlink(linkPath_.c_str(), buf, sizeof buf - 1);
        if (n > 0 && std::string(buf, static_cast<std::size_t>(n)) == slavePath_)
            ::unlink(linkPath_.c_str());
    }
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
}

std::optional<LineSettings> PtyPort::Line(bool strictParity) const
{
    termios tio{};
    if (::tcgetattr(master_, &tio) != 0)
        return std::nullopt;
    const auto baud = BaudOf(::cfgetospeed(&tio));
    if (!baud)
        return std::nullopt;
    Parity parity = Parity::None;
    bool mayBeEven = false;
    if ((tio.c_cflag & CMSPAR) != 0)
        parity = (tio.c_cflag & PARODD) != 0 ? Parity::Mark : Parity::Space;
    else if ((tio.c_cflag & PARODD) != 0)
        parity = Parity::Odd;
    else if ((tio.c_cflag & PARENB) != 0 || (tio.c_iflag & INPCK) != 0)
        parity = Parity::Even;
    else
        mayBeEven = !strictParity;
    return LineSettings{*baud, parity, mayBeEven};
}

} // namespace varnel::radio_sim
