#include "radio_sim/sim_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

namespace varnel::radio_sim {
namespace {

std::optional<unsigned long> ParseUnsigned(const std::string& text, unsigned long max, int base = 10)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ')
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, base);
    if (errno != 0 || end == text.c_str() || *end != '\0' || value > max)
        return std::nullopt;
    return value;
}

std::optional<double> ParseDouble(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end == text.c_str() || *end != '\0' || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// "420-500" in MHz, decimals allowed.
std::optional<Band> ParseBand(const std::string& text)
{
    const auto dash = text.find('-');
    if (dash == std::string::npos || dash == 0)
        return std::nullopt;
    const auto low = ParseDouble(text.substr(0, dash));
    const auto high = ParseDouble(text.substr(dash + 1));
    if (!low || !high || *low < 0 || *high < *low || *high > 999.99999)
        return std::nullopt;
    return Band{static_cast<std::uint32_t>(std::llround(*low * 100000)),
                static_cast<std::uint32_t>(std::llround(*high * 100000))};
}

struct OptionHelp {
    const char* name;
    const char* argument; // nullptr for a flag
    const char* help;
};

const OptionHelp kOptions[] = {
    {"--port-dir", "DIR", "port directory for the COMn links (default: $VARNEL_PORT_DIR)"},
    {"--radio-com", "N", "COM number of the radio (default 1; 0 = none)"},
    {"--board-com", "N", "COM number of the modem board's line (default 1, shared with the radio; 0 = no board)"},
    {"--second-com", "N", "COM number of the second radio of the data test (default 2; 0 = none)"},
    {"--model", "BYTE", "model byte (default 0x20, the ZR650/T)"},
    {"--hardware", "VER", "hardware version, e.g. 4.0 (UHF 420-500 MHz, default) or 3.1 (VHF 136-174 MHz)"},
    {"--firmware", "VER", "firmware version (default 2.1)"},
    {"--band", "LOW-HIGH", "frequency limits in MHz instead of those of the hardware version"},
    {"--id", "N", "ID number 0..65535 (default 1)"},
    {"--no-backup", nullptr, "start without a valid parameter backup"},
    {"--profile", "PATH", "initial channel table from a profile file (section \"parameter\")"},
    {"--board-baud", "BAUD", "modem board serial rate: 600 1200 2400 4800 9600 (default 2400)"},
    {"--board-parity", "P", "modem board parity: none odd even (default none)"},
    {"--strict-parity", nullptr, "a pty line showing no parity (no PARODD/CMSPAR/INPCK) is 'none', never 'even'"},
    {"--air-rate", "RATE", "modem board air data rate: 1200, 2400 (default) or a code such as 0x30"},
    {"--reply-delay", "MS", "delay before every reply (default 0)"},
    {"--drop-every", "N", "never send every Nth reply"},
    {"--split-every", "N", "send every Nth reply in two parts"},
    {"--split-pause", "MS", "pause inside a split reply (default 250)"},
    {"--corrupt-every", "N", "spoil the checksum of every Nth reply"},
    {"--garbage-every", "N", "put stray bytes before every Nth reply"},
    {"--refuse-writes", nullptr, "refuse every write (0x21, or a failed item result)"},
    {"--report-every", "MS", "send unsolicited 0x35 / 0x37 reports in turn every MS ms"},
    {"--air-loss", "RATE", "share of test frames lost on each air hop, 0..1 (default 0)"},
    {"--air-delay", "MS", "air delay of a test frame per hop (default 20)"},
    {"--seed", "N", "seed of the air loss generator (default 1)"},
    {"--state-file", "PATH", "rewrite the device state to PATH after every change"},
    {"--verbose", nullptr, "log every request and reply to stderr"},
    {"--help", nullptr, "show this help"},
};

} // namespace

std::optional<std::uint8_t> ParseVersion(const std::string& text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const auto value = ParseUnsigned(text, 0xFF, 16);
        if (!value)
            return std::nullopt;
        return static_cast<std::uint8_t>(*value);
    }
    const auto dot = text.find('.');
    if (dot == std::string::npos)
        return std::nullopt;
    const auto major = ParseUnsigned(text.substr(0, dot), 15);
    const auto minor = ParseUnsigned(text.substr(dot + 1), 15);
    if (!major || !minor)
        return std::nullopt;
    return static_cast<std::uint8_t>(*major << 4 | *minor);
}

std::string UsageText()
{
    std::string text =
        "Usage: varnel-radio-sim [options]\n"
        "Plays a ZR650/T radio, its modem board and a second radio on pseudo-terminals\n"
        "published as COMn links in a port directory.\n\nOptions:\n";
    for (const auto& option : kOptions) {
        std::string head = std::string("  ") + option.name;
        if (option.argument != nullptr)
            head += std::string(" ") + option.argument;
        if (head.size() < 26)
            head.resize(26, ' ');
        else
            head += ' ';
        text += head + option.help + "\n";
    }
    text += "\nSignals: SIGUSR1 prints the device state; SIGINT/SIGTERM remove the links and exit.\n";
    return text;
}

ParsedOptions ParseOptions(const std::vector<std::string>& args, const char* envPortDir)
{
    ParsedOptions result;
    SimOptions& o = result.options;
    if (envPortDir != nullptr)
        o.portDir = envPortDir;

    const auto fail = [&](const std::string& message) {
        result.error = message;
        return result;
    };

    using Setter = std::function<bool(const std::string&)>;
    const auto count = [](unsigned& field, unsigned long max = 1000000) {
        return Setter([&field, max](const std::string& v) {
            const auto n = ParseUnsigned(v, max);
            if (n)
                field = static_cast<unsigned>(*n);
            return n.has_value();
        });
    };
    const auto com = [](int& field) {
        return Setter([&field](const std::string& v) {
            const auto n = ParseUnsigned(v, 255);
            if (n)
                field = static_cast<int>(*n);
            return n.has_value();
        });
    };
    const auto version = [](std::uint8_t& field) {
        return Setter([&field](const std::string& v) {
            const auto n = ParseVersion(v);
            if (n)
                field = *n;
            return n.has_value();
        });
    };

    const std::map<std::string, Setter> valued = {
        {"--port-dir", [&](const std::string& v) { o.portDir = v; return !v.empty(); }},
        {"--radio-com", com(o.radioCom)},
        {"--board-com", com(o.boardCom)},
        {"--second-com", com(o.secondCom)},
        {"--model", [&](const std::string& v) {
             const auto n = ParseUnsigned(v, 0xFF, 0);
             if (n)
                 o.radio.model = static_cast<std::uint8_t>(*n);
             return n.has_value();
         }},
        {"--hardware", version(o.radio.hardware)},
        {"--firmware", version(o.radio.firmware)},
        {"--band", [&](const std::string& v) {
             o.radio.band = ParseBand(v);
             return o.radio.band.has_value();
         }},
        {"--id", [&](const std::string& v) {
             const auto n = ParseUnsigned(v, 65535);
             if (n)
                 o.id = static_cast<std::uint16_t>(*n);
             return n.has_value();
         }},
        {"--profile", [&](const std::string& v) { o.profilePath = v; return !v.empty(); }},
        {"--board-baud", [&](const std::string& v) {
             const auto n = ParseUnsigned(v, 1000000);
             if (!n || !CodeForBaud(static_cast<unsigned>(*n)))
                 return false;
             o.board.line.baud = static_cast<unsigned>(*n);
             return true;
         }},
        {"--board-parity", [&](const std::string& v) {
             const auto p = ParseParity(v);
             if (!p || *p == Parity::Mark || *p == Parity::Space)
                 return false;
             o.board.line.parity = *p;
             return true;
         }},
        {"--air-rate", [&](const std::string& v) {
             if (v == "1200") {
                 o.board.airRate = 0x20;
                 return true;
             }
             if (v == "2400") {
                 o.board.airRate = 0x00;
                 return true;
             }
             const auto n = v.rfind("0x", 0) == 0 ? ParseUnsigned(v, 0xFF, 16) : std::nullopt;
             if (!n || !ValidAirRate(static_cast<std::uint8_t>(*n)))
                 return false;
             o.board.airRate = static_cast<std::uint8_t>(*n);
             return true;
         }},
        {"--reply-delay", count(o.replyDelayMs, 60000)},
        {"--drop-every", count(o.faults.dropEvery)},
        {"--split-every", count(o.faults.splitEvery)},
        {"--split-pause", count(o.faults.splitPauseMs, 60000)},
        {"--corrupt-every", count(o.faults.corruptEvery)},
        {"--garbage-every", count(o.faults.garbageEvery)},
        {"--report-every", count(o.reportEveryMs, 3600000)},
        {"--air-loss", [&](const std::string& v) {
             const auto p = ParseDouble(v);
             if (!p || *p < 0.0 || *p > 1.0)
                 return false;
             o.airLoss = *p;
             return true;
         }},
        {"--air-delay", count(o.airDelayMs, 60000)},
        {"--seed", [&](const std::string& v) {
             const auto n = ParseUnsigned(v, 0xFFFFFFFFul);
             if (n)
                 o.seed = static_cast<std::uint32_t>(*n);
             return n.has_value();
         }},
        {"--state-file", [&](const std::string& v) { o.stateFile = v; return !v.empty(); }},
    };
    const std::map<std::string, std::function<void()>> flags = {
        {"--no-backup", [&] { o.noBackup = true; }},
        {"--refuse-writes", [&] { o.radio.refuseWrites = true; }},
        {"--strict-parity", [&] { o.strictParity = true; }},
        {"--verbose", [&] { o.verbose = true; }},
        {"--help", [&] { result.help = true; }},
        {"-h", [&] { result.help = true; }},
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (const auto flag = flags.find(name); flag != flags.end()) {
            if (value)
                return fail("option " + name + " takes no value");
            flag->second();
            continue;
        }
        const auto setter = valued.find(name);
        if (setter == valued.end())
            return fail("unknown option '" + args[i] + "'");
        if (!value) {
            if (i + 1 >= args.size())
                return fail("option " + name + " needs a value");
            value = args[++i];
        }
        if (!setter->second(*value))
            return fail("bad value '" + *value + "' for " + name);
    }
    if (result.help)
        return result;

    if (o.portDir.empty())
        return fail("no port directory: give --port-dir DIR or set VARNEL_PORT_DIR");
    if (o.radioCom == 0 && o.boardCom == 0 && o.secondCom == 0)
        return fail("no port to serve: radio, board and second radio are all off");
    if (o.secondCom != 0 && (o.secondCom == o.radioCom || o.secondCom == o.boardCom))
        return fail("the second radio needs a port of its own (COM" + std::to_string(o.secondCom) + " is taken)");
    return result;
}

} // namespace varnel::radio_sim
