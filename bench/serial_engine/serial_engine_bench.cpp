// Figures for the serial engine on a pseudo-terminal pair:
//  - receive and transmit throughput through the engine (every byte checked),
//  - the same transfers through a plain blocking read/write loop,
//  - CPU time of the process while an open port idles.
// Usage: bench_serial_engine [megabytes per direction, default 8] [idle seconds, default 10]

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "serial/comm32.h"

namespace {

using Clock = std::chrono::steady_clock;
using HalvikComm32::TComm32;
using HalvikComm32::TObject;

struct Pty {
    int Master = -1;
    std::string SlavePath;

    Pty()
    {
        Master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (Master < 0 || ::grantpt(Master) != 0 || ::unlockpt(Master) != 0 || ::ptsname_r(Master, name, sizeof name) != 0)
            throw std::runtime_error("no pseudo-terminal");
        SlavePath = name;
        termios t{};
        ::tcgetattr(Master, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(Master, TCSANOW, &t);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    ~Pty() { ::close(Master); }
};

std::vector<unsigned char> Pattern(std::size_t n)
{
    std::vector<unsigned char> v(n);
    std::uint32_t x = 12345;
    for (auto& b : v) {
        x = x * 1103515245u + 12345u;
        b = static_cast<unsigned char>(x >> 16);
    }
    return v;
}

void WriteAllBlocking(int fd, const unsigned char* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error("write failed");
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}

// Reads n bytes from fd and reports whether they equal the pattern.
bool ReadAllBlocking(int fd, const std::vector<unsigned char>& expected)
{
    std::vector<unsigned char> buf(65536);
    std::size_t got = 0;
    bool same = true;
    while (got < expected.size()) {
        const ssize_t r = ::read(fd, buf.data(), std::min(buf.size(), expected.size() - got));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        for (ssize_t i = 0; i < r; ++i)
            same = same && buf[static_cast<std::size_t>(i)] == expected[got + static_cast<std::size_t>(i)];
        got += static_cast<std::size_t>(r);
    }
    return same;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void Report(const char* what, std::size_t bytes, double seconds, bool intact)
{
    std::printf("%-40s %8.2f MB/s  (%zu bytes in %.3f s)%s\n", what, static_cast<double>(bytes) / seconds / 1e6, bytes,
                seconds, intact ? "" : "  DATA LOST OR CORRUPTED");
}

// Receive: the master writes as fast as the window allows; a consumer woken by
// EV_RXCHAR takes the bytes. The window (in flight <= receive queue room)
// keeps it lossless, as an application protocol with replies would.
void EngineReceive(const std::vector<unsigned char>& data)
{
    Pty pty;
    TComm32 comm;
    comm.PortName = pty.SlavePath;
    std::mutex mutex;
    std::condition_variable arrived;
    bool pending = false;
    comm.OnCommNotify = [&](TObject*, int type) {
        if ((type & HalvikComm32::EV_RXCHAR) == 0)
            return;
        {
            std::lock_guard lock(mutex);
            pending = true;
        }
        arrived.notify_one();
    };
    comm.Open();

    std::atomic<std::size_t> received{0};
    bool intact = true;
    const auto start = Clock::now();
    std::thread consumer([&] {
        std::vector<unsigned char> buf(8192);
        std::size_t got = 0;
        while (got < data.size()) {
            {
                std::unique_lock lock(mutex);
                arrived.wait_for(lock, std::chrono::milliseconds(5), [&] { return pending; });
                pending = false;
            }
            for (long n; (n = comm.Read(buf.data(), static_cast<long>(buf.size()))) > 0;) {
                for (long i = 0; i < n; ++i)
                    intact = intact && buf[static_cast<std::size_t>(i)] == data[got + static_cast<std::size_t>(i)];
                got += static_cast<std::size_t>(n);
            }
            received.store(got, std::memory_order_release);
        }
    });
    constexpr std::size_t kWindow = 8000;
    std::size_t sent = 0;
    while (sent < data.size()) {
        const std::size_t inFlight = sent - received.load(std::memory_order_acquire);
        if (inFlight >= kWindow) {
            std::this_thread::yield();
            continue;
        }
        const std::size_t n = std::min(kWindow - inFlight, data.size() - sent);
        WriteAllBlocking(pty.Master, data.data() + sent, n);
        sent += n;
    }
    consumer.join();
    Report("engine receive (8000-byte window)", data.size(), Seconds(Clock::now() - start), intact);
    comm.Close();
}

void EngineTransmit(const std::vector<unsigned char>& data)
{
    Pty pty;
    TComm32 comm;
    comm.PortName = pty.SlavePath;
    comm.Open();
    bool intact = false;
    const auto start = Clock::now();
    std::thread reader([&] { intact = ReadAllBlocking(pty.Master, data); });
    std::size_t queued = 0;
    while (queued < data.size()) {
        const long n = comm.Write(data.data() + queued, static_cast<long>(std::min<std::size_t>(8192, data.size() - queued)));
        if (n == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        queued += static_cast<std::size_t>(n);
    }
    reader.join();
    Report("engine transmit", data.size(), Seconds(Clock::now() - start), intact);
    comm.Close();
}

int OpenRawSlave(const Pty& pty)
{
    const int fd = ::open(pty.SlavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    return fd;
}

void PlainLoop(const std::vector<unsigned char>& data, bool towardsSlave)
{
    Pty pty;
    const int slave = OpenRawSlave(pty);
    const int from = towardsSlave ? pty.Master : slave;
    const int to = towardsSlave ? slave : pty.Master;
    bool intact = false;
    const auto start = Clock::now();
    std::thread reader([&] { intact = ReadAllBlocking(to, data); });
    for (std::size_t sent = 0; sent < data.size(); sent += 4096)
        WriteAllBlocking(from, data.data() + sent, std::min<std::size_t>(4096, data.size() - sent));
    reader.join();
    Report(towardsSlave ? "plain blocking loop, master -> slave" : "plain blocking loop, slave -> master", data.size(),
           Seconds(Clock::now() - start), intact);
    ::close(slave);
}

double CpuSeconds()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec)
        + static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void IdleCpu(int seconds)
{
    Pty pty;
    TComm32 comm;
    comm.PortName = pty.SlavePath;
    comm.Open();
    const double cpuStart = CpuSeconds();
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = CpuSeconds() - cpuStart;
    const double wall = Seconds(Clock::now() - start);
    std::printf("%-40s %8.3f ms CPU in %.1f s  (%.4f %% of one core)\n", "idle open port", cpu * 1e3, wall,
                100.0 * cpu / wall);
    comm.Close();
}

}  // namespace

int main(int argc, char** argv)
{
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 8;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;
    const std::vector<unsigned char> data = Pattern(megabytes * 1000 * 1000);
    try {
        PlainLoop(data, true);
        EngineReceive(data);
        PlainLoop(data, false);
        EngineTransmit(data);
        IdleCpu(idleSeconds);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
