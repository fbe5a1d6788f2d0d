// Test helpers for the package layer and the device component: a pseudo-
// terminal published as COM<n> in a temporary port directory, a thread-safe
// notification log, and a backend that holds posted entries until told.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/backend.h"

namespace varnel::serial_test {

using Bytes = std::vector<std::uint8_t>;
using SteadyClock = std::chrono::steady_clock;

// Generous bound for anything that should happen "soon" on a loaded machine.
inline constexpr std::chrono::milliseconds kPatience{5000};

// The master side of a pseudo-terminal; the device under test opens the slave.
class Pty {
public:
    Pty()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            throw std::runtime_error("no pseudo-terminal");
        char name[128] = {};
        if (::ptsname_r(master_, name, sizeof name) != 0)
            throw std::runtime_error("no pseudo-terminal name");
        slavePath_ = name;
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    ~Pty()
    {
        if (master_ >= 0)
            ::close(master_);
    }

    const std::string& slavePath() const { return slavePath_; }
    int master() const { return master_; }

    // Writes everything (the slave side drains it as it is opened raw).
    void write(const Bytes& bytes) const
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN) {
                    pollfd p{master_, POLLOUT, 0};
                    ::poll(&p, 1, 100);
                    continue;
                }
                throw std::runtime_error("pty write failed");
            }
            done += static_cast<std::size_t>(n);
        }
    }

    // Reads until `count` bytes came or the patience ran out.
    Bytes read(std::size_t count, std::chrono::milliseconds patience = kPatience) const
    {
        Bytes out;
        const auto deadline = SteadyClock::now() + patience;
        while (out.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
            if (left.count() <= 0)
                break;
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                continue;
            std::uint8_t block[4096];
            const ssize_t n = ::read(master_, block, std::min(sizeof block, count - out.size()));
            if (n > 0)
                out.insert(out.end(), block, block + n);
            else if (n < 0 && errno != EINTR && errno != EAGAIN)
                break;  // the slave side is closed
        }
        return out;
    }

    // The line settings the device applied (a master reports its slave's).
    termios settings() const
    {
        termios t{};
        ::tcgetattr(master_, &t);
        return t;
    }

private:
    int master_ = -1;
    std::string slavePath_;
};

// A temporary port directory named by VARNEL_PORT_DIR for the test's life.
class PortDirectory {
public:
    PortDirectory()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "varnel-ports-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("no temporary directory");
        dir_ = pattern;
        ::setenv("VARNEL_PORT_DIR", dir_.c_str(), 1);
    }
    PortDirectory(const PortDirectory&) = delete;
    PortDirectory& operator=(const PortDirectory&) = delete;
    ~PortDirectory()
    {
        ::unsetenv("VARNEL_PORT_DIR");
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    const std::filesystem::path& path() const { return dir_; }

    void publish(int comNumber, const Pty& pty) const
    {
        const auto link = dir_ / ("COM" + std::to_string(comNumber));
        std::error_code ec;
        std::filesystem::remove(link, ec);
        std::filesystem::create_symlink(pty.slavePath(), link);
    }

private:
    std::filesystem::path dir_;
};

// Notifications as they were raised, from any thread.
class NotificationLog {
public:
    struct Entry {
        int type = 0;
        SteadyClock::time_point at;
        std::thread::id thread;
    };

    void record(int type)
    {
        {
            std::lock_guard lock(mutex_);
            entries_.push_back({type, SteadyClock::now(), std::this_thread::get_id()});
        }
        changed_.notify_all();
    }

    // Waits until `count` entries with any of `bits` were recorded.
    bool waitFor(int bits, std::size_t count = 1, std::chrono::milliseconds patience = kPatience)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, patience, [&] { return countLocked(bits) >= count; });
    }

    std::size_t count(int bits) const
    {
        std::lock_guard lock(mutex_);
        return countLocked(bits);
    }

    std::vector<Entry> entries() const
    {
        std::lock_guard lock(mutex_);
        return entries_;
    }

    std::optional<Entry> first(int bits) const
    {
        std::lock_guard lock(mutex_);
        for (const Entry& e : entries_)
            if ((e.type & bits) != 0)
                return e;
        return std::nullopt;
    }

private:
    std::size_t countLocked(int bits) const
    {
        std::size_t n = 0;
        for (const Entry& e : entries_)
            n += (e.type & bits) != 0 ? 1 : 0;
        return n;
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Entry> entries_;
};

// A backend whose posted entries wait until the test runs them, so a test
// can let several notifications pile up before the "UI thread" gets going.
class HeldPostsBackend final : public tk::Backend {
public:
    void post(std::function<void()> task) override
    {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(task));
        }
        posted_.notify_all();
    }

    bool waitForPostCount(std::size_t count, std::chrono::milliseconds patience = kPatience)
    {
        std::unique_lock lock(mutex_);
        return posted_.wait_for(lock, patience, [&] { return queue_.size() >= count; });
    }

    // Waits until predicate() holds, looking again at every post.
    bool waitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds patience = kPatience)
    {
        std::unique_lock lock(mutex_);
        return posted_.wait_for(lock, patience, predicate);
    }

    std::size_t pendingCount() const
    {
        std::lock_guard lock(mutex_);
        return queue_.size();
    }

    // Runs the entries posted so far (and any they post), in order.
    std::size_t runPending()
    {
        std::size_t ran = 0;
        for (;;) {
            std::function<void()> task;
            {
                std::lock_guard lock(mutex_);
                if (queue_.empty())
                    return ran;
                task = std::move(queue_.front());
                queue_.pop_front();
            }
            task();
            ++ran;
        }
    }

    int run() override { return 0; }
    void runModal(tk::Form*, const std::function<bool()>&) override {}
    void processEvents() override { runPending(); }
    void quit(int) override {}
    bool quitRequested() const noexcept override { return false; }
    std::int64_t now() const override { return 0; }
    tk::TimerId startTimer(int, std::function<void()>) override { return 1; }
    void stopTimer(tk::TimerId) noexcept override {}
    void messageBox(const std::string&, const std::string&, tk::Icon) override {}
    std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::filesystem::path> openFileDialog(const tk::FileDialogOptions&) override { return std::nullopt; }
    std::optional<std::filesystem::path> saveFileDialog(const tk::FileDialogOptions&) override { return std::nullopt; }
    void formCreated(tk::Form&) override {}
    void formDestroyed(tk::Form&) noexcept override {}

private:
    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
};

inline Bytes sequence(std::size_t n, std::uint8_t first = 1)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(first + i);
    return b;
}

}  // namespace varnel::serial_test
