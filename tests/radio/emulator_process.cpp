#include "radio/emulator_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

extern char** environ;

namespace varnel::test {

namespace {

std::filesystem::path MakeDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "varnel-sim-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    return pattern;
}

} // namespace

EmulatorProcess::EmulatorProcess(const std::filesystem::path& binary, int com, std::vector<std::string> extra)
    : com_(com), dir_(MakeDir())
{
    if (const char* old = std::getenv("VARNEL_PORT_DIR")) {
        hadPortDir_ = true;
        oldPortDir_ = old;
    }
    ::setenv("VARNEL_PORT_DIR", dir_.c_str(), 1);

    std::vector<std::string> args{binary.string(),  "--port-dir",   dir_.string(), "--radio-com",
                                  std::to_string(com), "--board-com", "0",           "--second-com",
                                  "0",                "--state-file", statePath().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    const int rc = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        ::close(out[0]);
        pid_ = -1;
        return;
    }

    // The ready line, with a generous deadline.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    std::string text;
    while (!ready_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd pfd{out[0], POLLIN, 0};
        if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
        const std::size_t end = text.find('\n');
        if (end != std::string::npos && text.rfind("varnel-radio-sim:", 0) == 0) {
            readyLine_ = text.substr(0, end);
            ready_ = true;
        }
    }
    ::close(out[0]);
}

EmulatorProcess::~EmulatorProcess()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (hadPortDir_)
        ::setenv("VARNEL_PORT_DIR", oldPortDir_.c_str(), 1);
    else
        ::unsetenv("VARNEL_PORT_DIR");
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::map<std::string, std::string> EmulatorProcess::State() const
{
    std::map<std::string, std::string> values;
    std::ifstream in(statePath());
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos && !line.empty() && line[0] != '[')
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

void WriteProfile(const std::filesystem::path& path, const std::vector<std::uint32_t>& tx,
                  const std::vector<std::uint32_t>& rx, const std::vector<int>& power)
{
    std::ofstream out(path);
    out << "[parameter]\n";
    for (std::size_t k = 0; k < tx.size(); ++k)
        out << "tx" << k + 1 << "=" << tx[k] << "\nrx" << k + 1 << "=" << rx[k] << "\npower" << k + 1 << "="
            << power[k] << "\n";
}

} // namespace varnel::test
