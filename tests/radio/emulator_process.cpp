#include "radio/emulator_process.h"

#include <chrono>
#include <fstream>

namespace varnel::test {

namespace {

std::vector<std::string> WithStateFile(const std::filesystem::path& stateFile, std::vector<std::string> extra)
{
    extra.insert(extra.begin(), {"--state-file", stateFile.string()});
    return extra;
}

} // namespace

EmulatorProcess::EmulatorProcess(int com, std::vector<std::string> extra)
    : simulator_(com, WithStateFile(statePath(), std::move(extra)), std::chrono::seconds(15))
{
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
