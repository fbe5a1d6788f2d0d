#include "radio_sim/state_text.h"

#include "link/frame_codec.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace varnel::radio_sim {
namespace {

std::string HexByte(std::uint8_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

template <typename Container>
std::string List(const Container& values, std::size_t from, std::size_t count)
{
    std::string out;
    for (std::size_t i = from; i < from + count; ++i) {
        if (!out.empty())
            out += ',';
        out += std::to_string(values[i]);
    }
    return out;
}

} // namespace

std::string RenderState(const RadioModel& radio, const BoardModel* board, const AirCounters& air)
{
    const RadioConfig& c = radio.config();
    const RadioState& s = radio.state();
    const Band band = c.EffectiveBand();
    std::ostringstream out;
    out << "[radio]\n"
        << "model=" << HexByte(c.model) << "\n"
        << "hardware=" << link::VersionText(c.hardware) << "\n"
        << "firmware=" << link::VersionText(c.firmware) << "\n"
        << "band=" << band.minUnits << "-" << band.maxUnits << "\n"
        << "id=" << s.id << "\n"
        << "squelch=" << (s.squelch == 0x55 ? std::string("close") : std::to_string(s.squelch)) << "\n"
        << "bandwidth=" << (s.bandwidth == 0 ? "25k" : "12.5k") << "\n"
        << "control_method=" << (s.controlMethod == ControlMethod::Software ? "software" : "hardware") << "\n"
        << "saved_channel=" << unsigned{s.savedChannel} << "\n"
        << "current_channel=" << unsigned{s.currentChannel} << "\n"
        << "running_tx=" << s.running.txUnits << "\n"
        << "running_rx=" << s.running.rxUnits << "\n"
        << "running_power=" << unsigned{s.running.power} << "\n"
        << "refuse_writes=" << (c.refuseWrites ? 1 : 0) << "\n"
        << "\n[channels]\n";
    for (std::size_t k = 0; k < kChannelCount; ++k) {
        const Channel& ch = s.channels[k];
        out << "tx" << k + 1 << "=" << ch.txUnits << "\n"
            << "rx" << k + 1 << "=" << ch.rxUnits << "\n"
            << "power" << k + 1 << "=" << unsigned{ch.power} << "\n";
    }
    const Calibration& cal = s.calibration;
    out << "\n[calibration]\n"
        << "rx_adjust=" << unsigned{cal.rxAdjust} << "\n"
        << "5165=" << unsigned{cal.value5165} << "\n"
        << "rx_s=" << List(cal.sTables, 0, 8) << "\n"
        << "5165_s=" << List(cal.sTables, 8, 8) << "\n"
        << "tx_pt=" << List(cal.powerTable, 0, 40) << "\n"
        << "backup=" << (s.backup ? "valid" : "none") << "\n";
    if (board != nullptr) {
        const BoardState& b = board->state();
        out << "\n[board]\n"
            << "baud=" << b.line.baud << "\n"
            << "parity=" << ParityName(b.line.parity) << "\n"
            << "air_rate=" << HexByte(b.airRate) << "\n"
            << "transmit_test=" << TransmitTestName(b.transmitTest) << "\n"
            << "\n[air]\n"
            << "carried=" << air.carried << "\n"
            << "lost=" << air.lost << "\n";
    }
    return out.str();
}

bool WriteFileAtomically(const std::string& path, const std::string& text)
{
    const std::string temp = path + ".tmp";
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        if (!file)
            return false;
        file << text;
        if (!file.flush())
            return false;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

} // namespace varnel::radio_sim
