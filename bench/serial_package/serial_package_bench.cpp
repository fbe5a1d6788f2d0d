// Package cut latency of time-out packages: time from the last byte written
// on the far side of a pseudo-terminal to the package notification, for the
// intervals the windows use. The cut can never come before one interval of
// quiet; what is reported is how far past that it comes.
//
//   bench_serial_package [samples per interval]

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "serial/comm32.h"
#include "serial/tcommpkg.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace HalvikComm32;

struct PtyMaster {
    int fd = -1;
    std::string slave;

    PtyMaster()
    {
        fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (fd < 0 || ::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || ::ptsname_r(fd, name, sizeof name) != 0) {
            std::perror("pseudo-terminal");
            std::exit(1);
        }
        slave = name;
    }
    PtyMaster(const PtyMaster&) = delete;
    PtyMaster& operator=(const PtyMaster&) = delete;
    ~PtyMaster() { ::close(fd); }
};

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double percentile(std::vector<double> sorted, double p)
{
    const auto index = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(index, sorted.size() - 1)];
}

void measure(unsigned long intervalMs, int samples)
{
    PtyMaster pty;
    TComm32 comm;
    comm.PortName = pty.slave;  // a device path, opened as it is

    std::mutex mutex;
    std::condition_variable cv;
    int packages = 0;
    Clock::time_point notifiedAt;

    std::vector<double> latencies;
    {
        TCommPackage layer(&comm);
        layer.OnPackage = [&](TObject*, int type) {
            if ((type & EV_RXCHAR) == 0)
                return;
            std::lock_guard lock(mutex);
            notifiedAt = Clock::now();
            ++packages;
            cv.notify_all();
        };
        layer.fSetPkgType(TCommPackageType::cptFrameTimeout);
        layer.fSetPkgInterval(intervalMs);
        comm.Open();
        layer.fSetActive(true);

        const std::uint8_t frame[] = {0x55, 0xAA, 0x04, 0x20, 0x14, 0x01, 0x00, 0x39};
        for (int i = 0; i < samples; ++i) {
            if (::write(pty.fd, frame, sizeof frame) != static_cast<ssize_t>(sizeof frame)) {
                std::perror("write");
                std::exit(1);
            }
            const Clock::time_point written = Clock::now();
            std::unique_lock lock(mutex);
            if (!cv.wait_for(lock, std::chrono::seconds(5), [&] { return packages == i + 1; })) {
                std::fprintf(stderr, "no package within 5 s\n");
                std::exit(1);
            }
            latencies.push_back(ms(notifiedAt - written));
            lock.unlock();
            std::uint8_t buf[64];
            layer.ReadPackage(buf, sizeof buf);
        }
        layer.fSetActive(false);
        comm.Close();
    }

    std::sort(latencies.begin(), latencies.end());
    const double interval = static_cast<double>(intervalMs);
    std::printf("interval %4lu ms  samples %3d  min %8.2f  median %8.2f  p99 %8.2f  max %8.2f ms"
                "  (median past interval %+.2f ms)\n",
                intervalMs, samples, latencies.front(), percentile(latencies, 0.5), percentile(latencies, 0.99),
                latencies.back(), percentile(latencies, 0.5) - interval);
}

}  // namespace

int main(int argc, char** argv)
{
    const int samples = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    std::printf("package cut latency: last byte written -> package notification\n");
    for (unsigned long interval : {50UL, 100UL})
        measure(interval, samples);
    return 0;
}
