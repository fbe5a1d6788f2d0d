#include "support/radio_simulator.h"

namespace varnel::test {

std::filesystem::path RadioSimulator::Binary() { return VARNEL_RADIO_SIM_BINARY; }

RadioSimulator::RadioSimulator(int com, std::vector<std::string> extraArgs, std::chrono::milliseconds startTimeout)
    : com_(com)
{
    std::vector<std::string> args = {Binary().string(),
                                     "--port-dir", dir_.path().string(),
                                     "--radio-com", std::to_string(com),
                                     "--board-com", "0",
                                     "--second-com", "0"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    child_.emplace(std::move(args));

    // The ready line says every port is published.
    std::string seen;
    if (child_->readFirstLine(seen, startTimeout) != ChildProcess::FirstLine::Read) {
        error_ = child_->error();
        return;
    }
    if (seen.find("varnel-radio-sim:") == std::string::npos) {
        error_ = "unexpected first line: " + seen;
        return;
    }
    scope_.emplace(dir_.path());
    ready_ = true;
}

RadioSimulator::~RadioSimulator()
{
    scope_.reset();
    child_.reset();
}

} // namespace varnel::test
