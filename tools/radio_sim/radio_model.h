// The ZR650/T radio as a request -> reply function over a small state record.
// No I/O here: the pty loop feeds it whole frames and sends what it returns.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace varnel::radio_sim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::size_t kChannelCount = 16;
inline constexpr std::uint8_t kModelZr650 = 0x20;

// Frequencies are kept in units of 10 Hz, receive frequencies without the
// on-air offset of the channel records.
struct Channel {
    std::uint32_t txUnits = 0;
    std::uint32_t rxUnits = 0;
    std::uint8_t power = 1; // 1..5

    friend bool operator==(const Channel&, const Channel&) = default;
};

struct Calibration {
    std::uint8_t rxAdjust = 0;
    std::uint8_t value5165 = 0;
    std::array<std::uint8_t, 16> sTables{};    // RX S1..8, then 5165 S1..8
    std::array<std::uint8_t, 40> powerTable{}; // 8 frequency rows x 5 power levels

    friend bool operator==(const Calibration&, const Calibration&) = default;
};

// Inclusive frequency limits in units of 10 Hz.
struct Band {
    std::uint32_t minUnits = 0;
    std::uint32_t maxUnits = 0;

    bool Contains(std::uint32_t units) const { return units >= minUnits && units <= maxUnits; }
};

inline constexpr Band kUhfBand{42000000, 50000000}; // 420-500 MHz
inline constexpr Band kVhfBand{13600000, 17400000}; // 136-174 MHz

// Hardware version 4.0 is the UHF radio; every other version is VHF, the
// same split the configuration tool makes.
Band BandForHardware(std::uint8_t hardwareVersion);

struct RadioConfig {
    std::uint8_t model = kModelZr650;
    std::uint8_t hardware = 0x40;
    std::uint8_t firmware = 0x21;
    std::optional<Band> band; // overrides the band of the hardware version
    bool refuseWrites = false;

    Band EffectiveBand() const { return band ? *band : BandForHardware(hardware); }
};

enum class ControlMethod : std::uint8_t { Hardware = 0x00, Software = 0x55 };

struct RadioState {
    std::uint16_t id = 1;
    std::array<Channel, kChannelCount> channels{};
    std::uint8_t savedChannel = 1;   // selected channel as stored
    std::uint8_t currentChannel = 1; // channel in use
    Channel running;                 // frequencies and power in use
    std::uint8_t squelch = 3;        // 1..5, 0x55 = closed
    std::uint8_t bandwidth = 1;      // 1 = 12.5 kHz, 0 = 25 kHz
    ControlMethod controlMethod = ControlMethod::Software;
    Calibration calibration;
    std::optional<Calibration> backup;
};

// A plausible factory state for the band: distinct in-band channels on the
// 12.5 kHz raster, mid-range calibration values, a valid backup.
RadioState DefaultRadioState(const Band& band);

class RadioModel {
public:
    explicit RadioModel(RadioConfig config);
    RadioModel(RadioConfig config, RadioState state);

    // One reply frame for one request frame that has passed CheckFrame.
    // Returns an empty vector only for input that is not a frame at all.
    Bytes Handle(std::span<const std::uint8_t> request);

    // Reports the radio sends without being asked (codes 0x35 and 0x37).
    Bytes ControlMethodReport() const;
    Bytes SelectedChannelReport() const;

    const RadioConfig& config() const { return config_; }
    const RadioState& state() const { return state_; }
    RadioState& mutableState() { return state_; }

    // Grows with every change of the state; lets the host rewrite its dump.
    std::uint64_t revision() const { return revision_; }

private:
    Bytes HandleItem(std::span<const std::uint8_t> data);
    Bytes HandleChannel(std::span<const std::uint8_t> data);
    Bytes Ack(std::uint8_t command);
    Bytes Refuse(std::uint8_t command) const;
    void SelectChannel(std::uint8_t channel);
    void Changed() { ++revision_; }

    RadioConfig config_;
    RadioState state_;
    std::uint64_t revision_ = 0;
};

} // namespace varnel::radio_sim
