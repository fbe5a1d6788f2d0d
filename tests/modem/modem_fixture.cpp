#include "modem/modem_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "app/instances.h"
#include "link/frame_codec.h"
#include "modem/modem.h"
#include "ports/modem_com_port.h"
#include "ports/port_form.h"
#include "ports/port_settings.h"
#include "radio/mform.h"

namespace varnel::test {

namespace fs = std::filesystem;

Bytes B(std::initializer_list<int> values)
{
    Bytes bytes;
    for (const int v : values)
        bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

std::string Hex(std::span<const std::uint8_t> bytes)
{
    std::string out;
    for (const std::uint8_t b : bytes) {
        char two[4];
        std::snprintf(two, sizeof two, "%02X", b);
        if (!out.empty())
            out += ' ';
        out += two;
    }
    return out;
}

Bytes BoardReply(std::uint8_t code, std::initializer_list<int> data)
{
    const Bytes bytes = B(data);
    return link::BuildFrame(code, bytes);
}

Bytes TestFrame(const std::string& text)
{
    Bytes frame{0x7E, static_cast<std::uint8_t>(text.size() + 1)};
    frame.insert(frame.end(), text.begin(), text.end());
    return frame;
}

// ---- LinePeer ------------------------------------------------------------------

LinePeer::LinePeer(const fs::path& portDir, int com) : com_(com)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        throw std::system_error(errno, std::generic_category(), "posix_openpt");
    const char* name = ::ptsname(master_);
    if (name == nullptr)
        throw std::system_error(errno, std::generic_category(), "ptsname");
    const std::string slave = name;
    // Keeps the line up between the program's opens, so the master never
    // sees a hang-up.
    slaveHold_ = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    fs::create_symlink(slave, portDir / ("COM" + std::to_string(com)));
}

LinePeer::~LinePeer()
{
    if (slaveHold_ >= 0)
        ::close(slaveHold_);
    if (master_ >= 0)
        ::close(master_);
}

void LinePeer::write(std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::system_error(errno, std::generic_category(), "write to pty");
        done += static_cast<std::size_t>(n);
    }
}

bool LinePeer::fill(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        return false;
    pollfd pfd{master_, POLLIN, 0};
    const int ready = ::poll(&pfd, 1, static_cast<int>(left.count()));
    if (ready < 0)
        return errno == EINTR;
    if (ready == 0)
        return false;
    std::uint8_t buffer[512];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n > 0)
        pending_.insert(pending_.end(), buffer, buffer + n);
    return true;
}

std::optional<Bytes> LinePeer::take(const std::function<std::optional<std::size_t>(Bytes&)>& frameAt,
                                    std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        if (const auto size = frameAt(pending_)) {
            Bytes frame(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(*size));
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(*size));
            return frame;
        }
    } while (fill(deadline));
    return std::nullopt;
}

std::optional<Bytes> LinePeer::readRequest(std::chrono::milliseconds timeout)
{
    return take(
        [](Bytes& pending) -> std::optional<std::size_t> {
            // Up to the first preamble; what comes before it is no request.
            for (std::size_t i = 0; i + 1 < pending.size(); ++i) {
                if (pending[i] == 0x55 && pending[i + 1] == 0xAA) {
                    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(i));
                    if (pending.size() < 3 || pending.size() < pending[2] + 4u)
                        return std::nullopt;
                    return pending[2] + 4u;
                }
            }
            return std::nullopt;
        },
        timeout);
}

std::optional<Bytes> LinePeer::readTestFrame(std::chrono::milliseconds timeout)
{
    return take(
        [](Bytes& pending) -> std::optional<std::size_t> {
            const auto start = std::find(pending.begin(), pending.end(), 0x7E);
            pending.erase(pending.begin(), start);
            if (pending.size() < 2 || pending.size() < pending[1] + 1u)
                return std::nullopt;
            return pending[1] + 1u;
        },
        timeout);
}

std::optional<Bytes> LinePeer::readBytes(std::size_t count, std::chrono::milliseconds timeout)
{
    return take(
        [count](Bytes& pending) -> std::optional<std::size_t> {
            return pending.size() >= count ? std::optional<std::size_t>(count) : std::nullopt;
        },
        timeout);
}

// ---- ModemWindowTest -------------------------------------------------------------

void ModemWindowTest::SetUp()
{
    ShellTest::SetUp();
    const char* portDir = std::getenv("VARNEL_PORT_DIR");
    ASSERT_NE(portDir, nullptr);
    addPort(RadioCom);
    board = std::make_unique<LinePeer>(portDir, BoardCom);
    secondRadio = std::make_unique<LinePeer>(portDir, ReceiveCom);
    writeConfig("[COMPort]\nPort=COM1\n[COMPort2]\nPort=COM2\n[COMPort3]\nPort=COM3\n" + extraConfig());
    start();
    // The modem window on screen, as after the switch with the radio port
    // closed.
    CloseComPort();
    MForm->hide();
    Modem->show();
    ASSERT_EQ(Modem->ComPort12.fGetPort(), BoardCom);
    ASSERT_EQ(Modem->ComPort13.fGetPort(), ReceiveCom);
}

void ModemWindowTest::TearDown()
{
    ShellTest::TearDown();
    board.reset();
    secondRadio.reset();
}

TModem& ModemWindowTest::modem() const
{
    return *Modem;
}

TModemComPort& ModemWindowTest::dialog() const
{
    return *ModemComPort;
}

void ModemWindowTest::openPorts(bool receiveToo)
{
    Modem->OpenSendPort();
    ASSERT_TRUE(Modem->ComPort12.fGetActive());
    if (receiveToo) {
        Modem->OpenReceivePort();
        ASSERT_TRUE(Modem->ComPort13.fGetActive());
    }
}

bool ModemWindowTest::waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    return backend().waitForPosts(condition, timeout);
}

Bytes ModemWindowTest::request()
{
    auto frame = board->readRequest();
    EXPECT_TRUE(frame.has_value()) << "no request on the board line";
    return frame.value_or(Bytes{});
}

bool ModemWindowTest::answer(const Bytes& bytes)
{
    const std::int64_t before = Modem->RxByteCount.value();
    board->write(bytes);
    return waitFor([&] { return Modem->RxByteCount.value() >= before + static_cast<std::int64_t>(bytes.size()); });
}

void ModemWindowTest::select(tk::ComboBox& box, const std::string& item)
{
    const int index = box.indexOf(item);
    ASSERT_GE(index, 0) << item << " in " << box.name();
    box.setItemIndex(index);
}

std::string ModemWindowTest::selected(const tk::ComboBox& box)
{
    return ports::SelectedText(box);
}

void ModemWindowTest::selectSendSettings(const std::string& baud, const std::string& parity)
{
    select(dialog().BaudRate12, baud);
    dialog().BaudRate12Change(dialog().BaudRate12);
    select(dialog().Parity12, parity);
    dialog().Parity12Change(dialog().Parity12);
}

std::string ModemWindowTest::result() const
{
    return Modem->RzStatusPane4.caption();
}

std::int64_t ModemWindowTest::txCount() const
{
    return Modem->TxByteCount.value();
}

}  // namespace varnel::test
