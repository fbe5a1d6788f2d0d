// varnel-radio-sim: plays the ZR650/T radio, its modem board and a second
// radio on pseudo-terminals so that the tool can run without hardware.
#include "radio_sim/profile_loader.h"
#include "radio_sim/sim_options.h"
#include "radio_sim/simulator.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace varnel::radio_sim;

namespace {

int Fail(const std::string& message)
{
    std::cerr << "varnel-radio-sim: error: " << message << std::endl;
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    // Signals are taken in the event loop; block them before anything exists
    // so that an early SIGTERM still removes the links.
    sigset_t signals;
    sigemptyset(&signals);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1})
        sigaddset(&signals, sig);
    if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0)
        return Fail("cannot block signals");
    std::signal(SIGPIPE, SIG_IGN);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
    if (signalFd < 0)
        return Fail("cannot create a signal descriptor");

    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParsedOptions parsed = ParseOptions(args, std::getenv("VARNEL_PORT_DIR"));
    if (parsed.help) {
        std::cout << UsageText();
        return 0;
    }
    if (!parsed.error.empty())
        return Fail(parsed.error + " (see --help)");
    const SimOptions& options = parsed.options;

    RadioState state = DefaultRadioState(options.radio.EffectiveBand());
    state.id = options.id;
    if (options.noBackup)
        state.backup.reset();
    if (!options.profilePath.empty()) {
        if (const std::string error = LoadProfileFile(options.profilePath, state); !error.empty())
            return Fail(error);
    }

    struct stat dirInfo{};
    if (::stat(options.portDir.c_str(), &dirInfo) != 0) {
        if (::mkdir(options.portDir.c_str(), 0700) != 0)
            return Fail("cannot create port directory " + options.portDir);
    } else if (!S_ISDIR(dirInfo.st_mode)) {
        return Fail(options.portDir + " is not a directory");
    }

    Simulator simulator(options, std::move(state));
    if (std::string error; !simulator.Publish(error))
        return Fail(error);
    std::cout << simulator.ReadyLine() << std::endl;
    const int code = simulator.Run(signalFd);
    ::close(signalFd);
    return code;
}
