#include "radio_sim/radio_model.h"

#include "link/frame_codec.h"

#include <algorithm>
#include <utility>

namespace varnel::radio_sim {
namespace {

namespace cmd = link::cmd;
namespace item = link::item;

// A frequency field whose nibbles are all decimal digits.
std::optional<std::uint32_t> DecodeBcd(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < 4)
        return std::nullopt;
    for (std::size_t i = 0; i < 4; ++i) {
        if ((bytes[i] >> 4) > 9 || (bytes[i] & 0x0F) > 9)
            return std::nullopt;
    }
    return link::BcdToUnits(std::span<const std::uint8_t, 4>(bytes.data(), 4));
}

void AppendBcd(Bytes& out, std::uint32_t units)
{
    // Every value stored here has passed the band check, so it always fits.
    const auto bcd = link::UnitsToBcd(std::min(units, link::kMaxBcdUnits));
    out.insert(out.end(), bcd->begin(), bcd->end());
}

bool ValidChannel(std::uint8_t channel)
{
    return channel >= 1 && channel <= kChannelCount;
}

bool ValidPower(std::uint8_t power)
{
    return power >= 1 && power <= 5;
}

Bytes Frame(std::uint8_t command, const Bytes& data)
{
    return link::BuildFrame(command, data);
}

} // namespace

Band BandForHardware(std::uint8_t hardwareVersion)
{
    return hardwareVersion == 0x40 ? kUhfBand : kVhfBand;
}

RadioState DefaultRadioState(const Band& band)
{
    RadioState state;
    const std::uint32_t span = band.maxUnits > band.minUnits ? band.maxUnits - band.minUnits : 0;
    constexpr std::uint32_t kRaster = 1250; // 12.5 kHz
    for (std::size_t k = 0; k < kChannelCount; ++k) {
        Channel& ch = state.channels[k];
        const auto step = static_cast<std::uint32_t>(k + 1) * (span / 20);
        ch.txUnits = (band.minUnits + step) / kRaster * kRaster;
        ch.rxUnits = (ch.txUnits + span / 40) / kRaster * kRaster;
        if (!band.Contains(ch.txUnits))
            ch.txUnits = band.minUnits;
        if (!band.Contains(ch.rxUnits))
            ch.rxUnits = band.minUnits;
        ch.power = static_cast<std::uint8_t>(k % 5 + 1);
    }
    state.running = state.channels[0];

    Calibration& cal = state.calibration;
    cal.rxAdjust = 128;
    cal.value5165 = 100;
    for (std::size_t j = 0; j < 8; ++j) {
        cal.sTables[j] = static_cast<std::uint8_t>(30 + 20 * j);
        cal.sTables[8 + j] = static_cast<std::uint8_t>(40 + 20 * j);
    }
    for (std::size_t row = 0; row < 8; ++row) {
        for (std::size_t level = 0; level < 5; ++level)
            cal.powerTable[row * 5 + level] = static_cast<std::uint8_t>(60 + 40 * level + 2 * row);
    }
    state.backup = cal;
    return state;
}

RadioModel::RadioModel(RadioConfig config)
    : RadioModel(config, DefaultRadioState(config.EffectiveBand()))
{
}

RadioModel::RadioModel(RadioConfig config, RadioState state)
    : config_(std::move(config))
    , state_(std::move(state))
{
    if (!ValidChannel(state_.currentChannel))
        state_.currentChannel = 1;
    if (!ValidChannel(state_.savedChannel))
        state_.savedChannel = state_.currentChannel;
}

Bytes RadioModel::Ack(std::uint8_t command)
{
    Changed();
    return Frame(cmd::Channel, {command});
}

Bytes RadioModel::Refuse(std::uint8_t command) const
{
    return Frame(cmd::Refused, {command});
}

void RadioModel::SelectChannel(std::uint8_t channel)
{
    state_.currentChannel = channel;
    state_.running = state_.channels[channel - 1u];
}

Bytes RadioModel::ControlMethodReport() const
{
    return Frame(cmd::ControlMethodReport, {static_cast<std::uint8_t>(state_.controlMethod)});
}

Bytes RadioModel::SelectedChannelReport() const
{
    return Frame(cmd::SelectedChannelReport, {state_.currentChannel});
}

Bytes RadioModel::Handle(std::span<const std::uint8_t> request)
{
    const auto frame = link::ParseFrame(request);
    if (!frame)
        return {};
    const std::uint8_t code = frame->command;
    const auto data = frame->data;
    const auto has = [&](std::size_t n) { return data.size() >= n; };
    const bool isWrite = code == cmd::WriteId || code == cmd::WritePower || code == cmd::SetSquelch ||
                         code == cmd::SetBandwidth || code == cmd::SetRxAdjust || code == cmd::Set5165 ||
                         code == cmd::SetSTables || code == cmd::SetPowerTable || code == cmd::Backup ||
                         code == cmd::Restore;
    if (isWrite && config_.refuseWrites)
        return Refuse(code);

    switch (code) {
    case cmd::Model:
        return Frame(code, {config_.model, config_.hardware, config_.firmware});
    case cmd::ReadId:
        return Frame(code, {static_cast<std::uint8_t>(state_.id >> 8), static_cast<std::uint8_t>(state_.id & 0xFF)});
    case cmd::CurrentChannel:
        return Frame(code, {state_.currentChannel});
    case cmd::Channel:
        return HandleChannel(data);
    case cmd::Item:
        return HandleItem(data);

    case cmd::WriteId:
        if (!has(2))
            return Refuse(code);
        state_.id = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
        return Ack(code);

    case cmd::ReadPower:
        if (!has(1) || !ValidChannel(data[0]))
            return Refuse(code);
        return Frame(code, {data[0], state_.channels[data[0] - 1u].power});
    case cmd::WritePower:
        if (!has(2) || !ValidChannel(data[0]) || !ValidPower(data[1]))
            return Refuse(code);
        state_.channels[data[0] - 1u].power = data[1];
        if (data[0] == state_.currentChannel)
            state_.running.power = data[1];
        return Ack(code);

    case cmd::ReadSquelch:
        return Frame(code, {state_.squelch});
    case cmd::SetSquelch:
        if (!has(1) || !((data[0] >= 1 && data[0] <= 5) || data[0] == 0x55))
            return Refuse(code);
        state_.squelch = data[0];
        return Ack(code);

    case cmd::ReadBandwidth:
        return Frame(code, {state_.bandwidth});
    case cmd::SetBandwidth:
        if (!has(1) || data[0] > 1)
            return Refuse(code);
        state_.bandwidth = data[0];
        return Ack(code);

    case cmd::ReadRxAdjust:
        return Frame(code, {state_.calibration.rxAdjust});
    case cmd::SetRxAdjust:
        if (!has(1))
            return Refuse(code);
        state_.calibration.rxAdjust = data[0];
        return Ack(code);

    case cmd::Read5165:
        return Frame(code, {state_.calibration.value5165});
    case cmd::Set5165:
        if (!has(1))
            return Refuse(code);
        state_.calibration.value5165 = data[0];
        return Ack(code);

    case cmd::ReadSTables: {
        const auto& t = state_.calibration.sTables;
        return Frame(code, Bytes(t.begin(), t.end()));
    }
    case cmd::SetSTables:
        if (!has(16))
            return Refuse(code);
        std::copy_n(data.begin(), 16, state_.calibration.sTables.begin());
        return Ack(code);

    case cmd::ReadPowerTable: {
        const auto& t = state_.calibration.powerTable;
        return Frame(code, Bytes(t.begin(), t.end()));
    }
    case cmd::SetPowerTable:
        if (!has(40))
            return Refuse(code);
        std::copy_n(data.begin(), 40, state_.calibration.powerTable.begin());
        return Ack(code);

    case cmd::Backup:
        if (!has(2) || data[0] != 0x81 || data[1] != 0xAA)
            return Refuse(code);
        state_.backup = state_.calibration;
        return Ack(code);
    case cmd::CheckBackup:
        return Frame(code, {static_cast<std::uint8_t>(state_.backup ? 0xFF : 0x00)});
    case cmd::Restore:
        if (!has(2) || data[0] != 0xAA || data[1] != 0x81 || !state_.backup)
            return Refuse(code);
        state_.calibration = *state_.backup;
        return Ack(code);

    default:
        return Refuse(code);
    }
}

Bytes RadioModel::HandleChannel(std::span<const std::uint8_t> data)
{
    if (data.size() < 2)
        return Refuse(cmd::Channel);
    const std::uint8_t sub = data[0];
    const std::uint8_t channel = data[1];
    if (!ValidChannel(channel))
        return Refuse(cmd::Channel);

    if (sub == link::channel_sub::Read) {
        const Channel& ch = state_.channels[channel - 1u];
        Bytes out = {link::channel_sub::Record, channel};
        AppendBcd(out, ch.txUnits);
        AppendBcd(out, ch.rxUnits + link::RxFrequencyOffset);
        return Frame(cmd::Channel, out);
    }
    if (sub != link::channel_sub::Write || data.size() < 10 || config_.refuseWrites)
        return Refuse(cmd::Channel);

    const auto tx = DecodeBcd(data.subspan(2, 4));
    const auto rxOnAir = DecodeBcd(data.subspan(6, 4));
    if (!tx || !rxOnAir || *rxOnAir < link::RxFrequencyOffset)
        return Refuse(cmd::Channel);
    const std::uint32_t rx = *rxOnAir - link::RxFrequencyOffset;
    const Band band = config_.EffectiveBand();
    if (!band.Contains(*tx) || !band.Contains(rx))
        return Refuse(cmd::Channel);

    Channel& ch = state_.channels[channel - 1u];
    ch.txUnits = *tx;
    ch.rxUnits = rx;
    if (channel == state_.currentChannel) {
        state_.running.txUnits = *tx;
        state_.running.rxUnits = rx;
    }
    return Ack(cmd::Channel);
}

Bytes RadioModel::HandleItem(std::span<const std::uint8_t> data)
{
    if (data.empty())
        return Refuse(cmd::Item);
    const std::uint8_t which = data[0] & item::ItemMask;
    const bool set = (data[0] & item::SetBit) != 0;

    if (!set) {
        const auto ok = static_cast<std::uint8_t>(which | item::ResultBit);
        switch (which) {
        case item::CurrentBlock: {
            Bytes out = {ok, state_.currentChannel};
            AppendBcd(out, state_.running.txUnits);
            AppendBcd(out, state_.running.rxUnits);
            out.push_back(state_.running.power);
            return Frame(cmd::Item, out);
        }
        case item::ControlMethod:
            return Frame(cmd::Item, {ok, static_cast<std::uint8_t>(state_.controlMethod)});
        case item::SelectedChannel:
            return Frame(cmd::Item, {ok, state_.currentChannel});
        default:
            // Bit 6 clear: an item this radio does not have.
            return Frame(cmd::Item, {which});
        }
    }

    const auto failed = Frame(cmd::Item, {static_cast<std::uint8_t>(item::SetBit | which)});
    const auto done = [&] {
        Changed();
        return Frame(cmd::Item, {static_cast<std::uint8_t>(item::SetBit | item::ResultBit | which)});
    };
    if (config_.refuseWrites)
        return failed;

    switch (which) {
    case item::CurrentBlock: {
        // item, 00, save, tx(4), rx(4), power
        if (data.size() < 12)
            return failed;
        const bool save = data[2] != 0;
        const auto tx = DecodeBcd(data.subspan(3, 4));
        const auto rx = DecodeBcd(data.subspan(7, 4));
        const std::uint8_t power = data[11];
        const Band band = config_.EffectiveBand();
        if (!tx || !rx || !band.Contains(*tx) || !band.Contains(*rx) || !ValidPower(power))
            return failed;
        state_.running = Channel{*tx, *rx, power};
        if (save)
            state_.channels[state_.currentChannel - 1u] = state_.running;
        return done();
    }
    case item::ControlMethod:
        if (data.size() < 2 || (data[1] != 0x55 && data[1] != 0x00))
            return failed;
        state_.controlMethod = data[1] == 0x55 ? ControlMethod::Software : ControlMethod::Hardware;
        return done();
    case item::SelectedChannel: {
        // item, save, channel
        if (data.size() < 3 || !ValidChannel(data[2]))
            return failed;
        SelectChannel(data[2]);
        if (data[1] != 0)
            state_.savedChannel = data[2];
        return done();
    }
    default:
        return failed;
    }
}

} // namespace varnel::radio_sim
