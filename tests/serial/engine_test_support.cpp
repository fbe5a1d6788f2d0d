#include "engine_test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace varnel::serial_engine_test {

PtyPair::PtyPair()
{
    Master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (Master < 0 || ::grantpt(Master) != 0 || ::unlockpt(Master) != 0)
        throw std::runtime_error("no pseudo-terminal");
    char name[128] = {};
    if (::ptsname_r(Master, name, sizeof name) != 0)
        throw std::runtime_error("no pseudo-terminal name");
    SlavePathName = name;
    // Held open for the whole test: the line settings live as long as some
    // descriptor of the slave does, and they are read back through this one.
    Slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (Slave < 0)
        throw std::runtime_error("cannot open the pseudo-terminal's slave");
    const int flags = ::fcntl(Master, F_GETFL);
    ::fcntl(Master, F_SETFL, flags | O_NONBLOCK);
}

PtyPair::~PtyPair()
{
    CloseMaster();
    if (Slave >= 0)
        ::close(Slave);
}

void PtyPair::CloseMaster()
{
    if (Master >= 0)
        ::close(Master);
    Master = -1;
}

void PtyPair::WriteToMaster(const Bytes& bytes)
{
    std::size_t done = 0;
    const auto deadline = Clock::now() + kPatience;
    while (done < bytes.size()) {
        const ssize_t n = ::write(Master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            throw std::runtime_error("write to pseudo-terminal master failed");
        if (Clock::now() > deadline)
            throw std::runtime_error("pseudo-terminal master does not take more bytes");
        pollfd fd{Master, POLLOUT, 0};
        ::poll(&fd, 1, 50);
    }
}

Bytes PtyPair::ReadFromMaster(std::size_t count, std::chrono::milliseconds patience)
{
    Bytes out;
    const auto deadline = Clock::now() + patience;
    std::uint8_t buf[4096];
    while (out.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd fd{Master, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left)) <= 0)
            continue;
        const ssize_t n = ::read(Master, buf, std::min(sizeof buf, count - out.size()));
        if (n > 0)
            out.insert(out.end(), buf, buf + n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
    }
    return out;
}

Bytes PtyPair::DrainMaster(std::chrono::milliseconds quiet)
{
    Bytes out;
    std::uint8_t buf[4096];
    for (;;) {
        pollfd fd{Master, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(quiet.count())) <= 0)
            return out;
        const ssize_t n = ::read(Master, buf, sizeof buf);
        if (n <= 0)
            return out;
        out.insert(out.end(), buf, buf + n);
    }
}

int PtyPair::SlaveInputPending() const
{
    int n = 0;
    return ::ioctl(Slave, FIONREAD, &n) == 0 ? n : -1;
}

PortDirectory::PortDirectory()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "varnel-ports-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a port directory");
    Dir = pattern;
    if (const char* old = std::getenv("VARNEL_PORT_DIR")) {
        Saved = old;
        HadSaved = true;
    }
    ::setenv("VARNEL_PORT_DIR", Dir.c_str(), 1);
}

PortDirectory::~PortDirectory()
{
    if (HadSaved)
        ::setenv("VARNEL_PORT_DIR", Saved.c_str(), 1);
    else
        ::unsetenv("VARNEL_PORT_DIR");
    std::error_code ignored;
    std::filesystem::remove_all(Dir, ignored);
}

void PortDirectory::Link(int comNumber, const std::string& target)
{
    std::filesystem::create_symlink(target, std::filesystem::path(Dir) / ("COM" + std::to_string(comNumber)));
}

void EventLog::Attach(HalvikComm32::TComm32& comm)
{
    comm.OnCommNotify = [this](HalvikComm32::TObject*, int type) { Add({Entry::Notify, type}); };
    comm.AfterOpen = [this](HalvikComm32::TObject*) { Add({Entry::AfterOpen, 0}); };
    comm.BeforeClose = [this](HalvikComm32::TObject*) { Add({Entry::BeforeClose, 0}); };
}

void EventLog::Add(Entry entry)
{
    {
        std::lock_guard lock(Mutex);
        Log.push_back(entry);
    }
    Changed.notify_all();
}

std::vector<EventLog::Entry> EventLog::Entries() const
{
    std::lock_guard lock(Mutex);
    return Log;
}

void EventLog::Clear()
{
    std::lock_guard lock(Mutex);
    Log.clear();
}

bool EventLog::WaitUntil(const std::function<bool(const std::vector<Entry>&)>& done,
                         std::chrono::milliseconds patience) const
{
    std::unique_lock lock(Mutex);
    return Changed.wait_for(lock, patience, [&] { return done(Log); });
}

bool EventLog::WaitForNotify(int mask, std::chrono::milliseconds patience) const
{
    return WaitUntil(
        [mask](const std::vector<Entry>& log) {
            for (const Entry& e : log)
                if (e.What == Entry::Notify && (e.Value & mask) == mask)
                    return true;
            return false;
        },
        patience);
}

int EventLog::NotifiedBits() const
{
    std::lock_guard lock(Mutex);
    int bits = 0;
    for (const Entry& e : Log)
        if (e.What == Entry::Notify)
            bits |= e.Value;
    return bits;
}

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds patience)
{
    const auto deadline = Clock::now() + patience;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

Bytes Pattern(std::size_t count, std::uint32_t seed)
{
    Bytes out(count);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : out) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return out;
}

}  // namespace varnel::serial_engine_test
