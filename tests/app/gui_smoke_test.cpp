// The program with its real windows: the Qt renderer off screen, the radio
// emulator on pseudo-terminals. One case runs the windows in this process
// and reads the radio's identity through them; the other starts the built
// executable and watches it open the emulator's radio port.
#include <QApplication>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/about_box.h"
#include "app/application.h"
#include "app/instances.h"
#include "app/loading_form.h"
#include "app/shell_fixture.h"
#include "app/start_form.h"
#include "modem/modem.h"
#include "ports/modem_com_port.h"
#include "ports/port_form.h"
#include "radio/mform.h"
#include "toolkit/application.h"
#include "toolkit/timer.h"
#include "toolkit_qt/qt_backend.h"

extern char** environ;

namespace varnel::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A child process with the given extra environment; stdout to a pipe.
class Child {
public:
    Child(const std::vector<std::string>& args, const std::vector<std::string>& extraEnvironment)
    {
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);

        std::vector<std::string> environment = extraEnvironment;
        for (char** entry = environ; *entry != nullptr; ++entry)
            environment.emplace_back(*entry);  // the first of equal names wins
        std::vector<char*> envp;
        for (std::string& entry : environment)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        std::vector<std::string> argsCopy = args;
        std::vector<char*> argv;
        for (std::string& arg : argsCopy)
            argv.push_back(arg.data());
        argv.push_back(nullptr);

        if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        out_ = pipeFds[0];
    }
    ~Child()
    {
        stop();
        if (out_ >= 0)
            ::close(out_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const noexcept { return pid_; }

    // Reads the child's output until it contains `word` or the timeout passes.
    bool waitForOutput(const std::string& word, std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (output_.find(word) == std::string::npos) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            pollfd pfd{out_, POLLIN, 0};
            if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
                continue;
            char buffer[512];
            const ssize_t got = ::read(out_, buffer, sizeof buffer);
            if (got <= 0)
                return false;
            output_.append(buffer, static_cast<std::size_t>(got));
        }
        return true;
    }

    // Exit status after the child ended on its own within the timeout.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (pid_ > 0) {
            int status = 0;
            const pid_t done = ::waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() > deadline)
                return std::nullopt;
            std::this_thread::sleep_for(20ms);
        }
        return std::nullopt;
    }

    void stop()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        if (!waitForExit(10s)) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string output_;
};

// Whether the process holds an open file that is `device`.
bool HoldsOpen(pid_t pid, const fs::path& device)
{
    std::error_code ec;
    for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code linkEc;
        if (fs::read_symlink(it->path(), linkEc) == device)
            return true;
    }
    return false;
}

class GuiSmokeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("VARNEL_PORT_DIR", roots.portDir().c_str(), 1);
        emulator = std::make_unique<Child>(
            std::vector<std::string>{VARNEL_RADIO_SIM, "--port-dir", roots.portDir().string()},
            std::vector<std::string>{});
        ASSERT_GT(emulator->pid(), 0);
        ASSERT_TRUE(emulator->waitForOutput("ready", 30s)) << "the emulator did not come up";
    }
    void TearDown() override
    {
        emulator.reset();
        ::unsetenv("VARNEL_PORT_DIR");
    }

    ProgramRoots roots;
    std::unique_ptr<Child> emulator;
};

// Dispatches Qt events until pred holds or the deadline passes.
bool SpinUntil(tk::Backend& backend, const std::function<bool()>& pred, std::chrono::milliseconds timeout)
{
    bool timedOut = false;
    tk::Timer deadline("Deadline");
    deadline.setEnabled(false);
    deadline.setInterval(static_cast<int>(timeout.count()));
    deadline.onTimer = [&](tk::Control&) { timedOut = true; };
    deadline.setEnabled(true);
    backend.runModal(nullptr, [&] { return pred() || timedOut; });
    return pred();
}

// With VARNEL_SCREENSHOT_DIR set, saves the window as <name>.png there.
void Screenshot(tk::QtBackend& qt, tk::Form& form, const std::string& name)
{
    const char* directory = std::getenv("VARNEL_SCREENSHOT_DIR");
    if (directory == nullptr || *directory == '\0')
        return;
    const bool wasVisible = form.visible();
    form.show();
    qt.processEvents();
    if (QWidget* widget = qt.widgetFor(form))
        widget->window()->grab().save(QString::fromStdString((fs::path(directory) / (name + ".png")).string()));
    if (!wasVisible)
        form.hide();
    qt.processEvents();
}

TEST_F(GuiSmokeTest, WindowsReadTheRadiosIdentity)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "app_gui_tests";
    char* argv[] = {name, nullptr};
    tk::QtBackend qt(argc, argv);
    tk::Application toolkit(qt);

    app::ApplicationOptions options;
    options.settingsDirectory = roots.configDir();
    options.versionFile = VARNEL_EXECUTABLE;
    options.portSystem = roots.systemRoots();
    app::Application application(options);
    MForm->show();
    qt.processEvents();

    EXPECT_EQ(MForm->caption().rfind("ZR650/T Varnel V", 0), 0u) << MForm->caption();
    ASSERT_TRUE(MForm->ComPort1.fGetActive()) << "the emulator's COM1 was not opened";
    ASSERT_NE(qt.widgetFor(*MForm), nullptr);

    MForm->RzToolButton4.userClick();
    ASSERT_TRUE(SpinUntil(qt, [] { return !MForm->Edit4.text().empty() && MForm->enabled(); }, 20s))
        << "status: " << MForm->RzStatusPane4.caption();
    EXPECT_EQ(MForm->Edit1.text(), "ZR650/T");
    EXPECT_EQ(MForm->Edit56.text(), "4.0");
    EXPECT_FALSE(MForm->Edit2.text().empty());
    EXPECT_FALSE(LoadingForm->visible());

    Screenshot(qt, *MForm, "main");
    Screenshot(qt, *PortForm, "port_dialog");
    Screenshot(qt, *ModemComPort, "two_port_dialog");
    Screenshot(qt, *AboutBox, "about");
    Screenshot(qt, *LoadingForm, "loading");
    Screenshot(qt, *Modem, "modem");
    TStart splash(MForm);
    Screenshot(qt, splash, "splash");
}

TEST_F(GuiSmokeTest, ExecutableStartsAndOpensTheRadioPort)
{
    const fs::path radio = fs::canonical(roots.portDir() / "COM1");
    Child program({VARNEL_EXECUTABLE, "--config-dir", roots.configDir().string()},
                  {"QT_QPA_PLATFORM=offscreen", "VARNEL_PORT_DIR=" + roots.portDir().string()});
    ASSERT_GT(program.pid(), 0);

    bool opened = false;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!opened && std::chrono::steady_clock::now() < deadline) {
        if (program.waitForExit(50ms))
            FAIL() << "the program ended at start-up";
        opened = HoldsOpen(program.pid(), radio);
    }
    EXPECT_TRUE(opened) << "the program never opened " << radio;
    EXPECT_FALSE(fs::exists(roots.configDir() / "Config.ini"));
}

TEST(GuiCommandLineTest, HelpAndBadOptionsNeedNoDisplay)
{
    Child help({VARNEL_EXECUTABLE, "--help"}, {"QT_QPA_PLATFORM=", "DISPLAY="});
    EXPECT_TRUE(help.waitForOutput("--port", 30s));
    EXPECT_EQ(help.waitForExit(30s), 0);

    Child bad({VARNEL_EXECUTABLE, "--port", "LPT1"}, {"QT_QPA_PLATFORM=offscreen"});
    EXPECT_EQ(bad.waitForExit(30s), 2);
}

}  // namespace
}  // namespace varnel::test
