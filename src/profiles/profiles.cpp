#include "profiles/profiles.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <stdexcept>

#include "adjust/adjust.h"
#include "app/instances.h"
#include "link/link_state.h"
#include "platform/profile.h"
#include "radio/channel_values.h"
#include "radio/mform.h"
#include "toolkit/application.h"

namespace varnel::profiles {

namespace {

// Frequencies are kept in units of 10 Hz (MHz x 100000).
constexpr std::int32_t kSmallestUnits = 5;        // 0.00005 MHz
constexpr std::int32_t kLargestUnits = 99999999; // 999.99999 MHz
constexpr std::int32_t kUnitsPerMHz = 100000;

constexpr const char* kSquelchKey = "Squelch Level";
constexpr const char* kBandKey = "Band Control";
constexpr const char* kRxAdjustKey = "RX Adjust Parameter";
constexpr const char* k5165Key = "5165";

std::optional<int> NumberAfterWord(std::string_view name, std::string_view word)
{
    if (name.find(word) == std::string_view::npos)
        return std::nullopt;
    return radio::NumberAfter(name, word);
}

// "000.00000" of an exact number of units.
std::string FormatUnits(std::int32_t units)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%03d.%05d", units / kUnitsPerMHz, units % kUnitsPerMHz);
    return buffer;
}

// The nearest multiple of 5 units; remainders 3 and 4 go up, 1 and 2 down.
std::int32_t SnapToFiveUnits(std::int32_t units) { return (units + 2) / 5 * 5; }

// Megahertz text to units, truncated toward zero. The text is taken to the
// micro-megahertz before truncating, so that 136.00023 gives 13600023 and
// not the 13600022 a binary product would leave.
std::string UnitsText(const std::string& text)
{
    const auto mhz = radio::TextToFloat(text);
    if (!mhz)
        throw std::invalid_argument("'" + text + "' is not a valid floating point value");
    const double units = std::trunc(std::round(*mhz * 1e6) / 10) + 0.0;
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.0f", units);
    return buffer;
}

// The frequency boxes and power boxes of GroupBox1 in child order, with
// their keys, until visit gives false.
template <typename Visit>
void WalkChannelTable(const TMForm& form, Visit&& visit)
{
    for (tk::Control& control : form.GroupBox1.children()) {
        const bool field = dynamic_cast<tk::Edit*>(&control) != nullptr || dynamic_cast<tk::ComboBox*>(&control) != nullptr;
        const std::string key = field ? ChannelTableKey(control.name()) : std::string{};
        if (!key.empty() && !visit(control, key))
            return;
    }
}

// A real profile holds a few kilobytes. Every key is read from the file
// anew, so a file far beyond that would take minutes to open; it is no
// profile and reads as one without keys.
constexpr std::uintmax_t kLargestProfileSize = 1024 * 1024;

class ProfileReader {
public:
    explicit ProfileReader(const std::filesystem::path& path)
    {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (error || size <= kLargestProfileSize)
            file_.emplace(path);
    }

    std::string readString(std::string_view key, std::string_view defaultValue) const
    {
        return file_ ? file_->readString(Section, key, defaultValue) : std::string(defaultValue);
    }
    int readInt(std::string_view key, int defaultValue) const
    {
        return file_ ? file_->readInt(Section, key, defaultValue) : defaultValue;
    }

private:
    std::optional<platform::ProfileFile> file_;
};

template <typename Visit>
void WalkTable(const tk::GroupBox& group, std::string (*keyOf)(std::string_view), Visit&& visit)
{
    for (tk::Control& control : group.children()) {
        auto* box = dynamic_cast<tk::Edit*>(&control);
        const std::string key = box != nullptr ? keyOf(control.name()) : std::string{};
        if (!key.empty())
            visit(*box, key);
    }
}

} // namespace

std::string ChannelTableKey(std::string_view controlName)
{
    if (const auto n = NumberAfterWord(controlName, "ComboBox")) {
        const auto channel = radio::ChannelOfCombo(*n);
        return channel ? "power" + std::to_string(*channel) : std::string{};
    }
    if (const auto n = NumberAfterWord(controlName, "Edit")) {
        const auto channel = radio::ChannelOfEdit(*n);
        if (!channel)
            return {};
        return (radio::IsTransmitEdit(*n) ? "tx" : "rx") + std::to_string(*channel);
    }
    return {};
}

std::string STableKey(std::string_view controlName)
{
    const auto n = NumberAfterWord(controlName, "Edit");
    if (!n || *n < TAdjust::FirstSTableBox || *n >= TAdjust::FirstSTableBox + TAdjust::STableSize)
        return {};
    return *n > 47 ? "5165 S" + std::to_string(*n - 47) : "RX S" + std::to_string(*n - 39);
}

std::string PowerTableKey(std::string_view controlName)
{
    const auto n = NumberAfterWord(controlName, "Edit");
    if (!n || *n < TAdjust::FirstPowerTableBox || *n >= TAdjust::FirstPowerTableBox + TAdjust::PowerTableSize)
        return {};
    return "TX PT" + std::to_string(*n - 59);
}

std::string WithIniExtension(std::string path)
{
    if (!std::string_view(path).ends_with(".ini"))
        path += ".ini";
    return path;
}

void OpenProfile(TMForm& form, TAdjust* adjust, const std::filesystem::path& path)
{
    const ProfileReader file(path);
    std::uint8_t& rejected = form.Link.EntryRejected;
    // A refusal left over from an earlier entry must not stop this walk.
    rejected = 0;
    WalkChannelTable(form, [&](tk::Control& control, const std::string& key) {
        if (auto* power = dynamic_cast<tk::ComboBox*>(&control)) {
            const int value = file.readInt(key, 0);
            power->setItemIndex(value >= 1 && value <= 5 ? value - 1 : -1);
            return true;
        }
        auto& box = dynamic_cast<tk::Edit&>(control);
        const std::string text = file.readString(key, "");
        if (text.empty()) {
            box.setText("");
        } else {
            rejected = 0;
            const auto units = radio::TextToInt(text);
            if (!units || *units < kSmallestUnits || *units > kLargestUnits)
                box.setText("");
            else
                box.setText(FormatUnits(SnapToFiveUnits(*units)));
        }
        // The box's own check refused it: the rest of the table stays as it was.
        return rejected != link::kEntryRejected;
    });

    form.ComboBox2.setItemIndex(file.readInt(kSquelchKey, -1));
    form.ComboBox3.setItemIndex(file.readInt(kBandKey, -1));

    if (adjust == nullptr)
        return;
    adjust->Edit38.setText(file.readString(kRxAdjustKey, ""));
    adjust->Edit39.setText(file.readString(k5165Key, ""));
    const auto fill = [&](tk::Edit& box, const std::string& key) { box.setText(file.readString(key, "")); };
    WalkTable(adjust->GroupBox6, &STableKey, fill);
    WalkTable(adjust->GroupBox1, &PowerTableKey, fill);
}

void SaveProfile(const TMForm& form, const TAdjust* adjust, const std::filesystem::path& path)
{
    const platform::ProfileFile file(path);
    WalkChannelTable(form, [&](tk::Control& control, const std::string& key) {
        if (auto* power = dynamic_cast<tk::ComboBox*>(&control)) {
            file.writeInt(Section, key, power->itemIndex() + 1);
            return true;
        }
        const std::string& text = dynamic_cast<tk::Edit&>(control).text();
        file.writeString(Section, key, text.empty() ? std::string{} : UnitsText(text));
        return true;
    });

    file.writeInt(Section, kSquelchKey, form.ComboBox2.itemIndex());
    file.writeInt(Section, kBandKey, form.ComboBox3.itemIndex());

    if (adjust == nullptr)
        return;
    if (!adjust->Edit38.text().empty())
        file.writeString(Section, kRxAdjustKey, adjust->Edit38.text());
    if (!adjust->Edit39.text().empty())
        file.writeString(Section, k5165Key, adjust->Edit39.text());
    const auto write = [&](tk::Edit& box, const std::string& key) { file.writeString(Section, key, box.text()); };
    // Each table is kept only once it has been filled; an older file keeps
    // its former values otherwise.
    if (const tk::Edit* first = adjust->Box(TAdjust::FirstSTableBox); first != nullptr && !first->text().empty())
        WalkTable(adjust->GroupBox6, &STableKey, write);
    if (const tk::Edit* first = adjust->Box(TAdjust::FirstPowerTableBox); first != nullptr && !first->text().empty())
        WalkTable(adjust->GroupBox1, &PowerTableKey, write);
}

void OpenProfileCommand(TMForm& form)
{
    tk::FileDialogOptions options;
    options.title = "Open configuration file";
    options.filter = DialogFilter;
    const auto chosen = tk::openFileDialog(options);
    if (!chosen)
        return;
    LastProfilePath = chosen->string();
    OpenProfile(form, Adjust, *chosen);
}

void SaveProfileCommand(TMForm& form)
{
    tk::FileDialogOptions options;
    options.title = "Save to configuration file";
    options.filter = DialogFilter;
    if (!LastProfilePath.empty()) {
        const std::filesystem::path last(LastProfilePath);
        options.initialName = last.filename().string();
        options.initialDir = last.parent_path();
    }
    const auto chosen = tk::saveFileDialog(options);
    if (!chosen)
        return;
    LastProfilePath = WithIniExtension(chosen->string());
    try {
        SaveProfile(form, Adjust, LastProfilePath);
    } catch (const std::exception&) {
        // The write error names the file; it ends the save like an error of
        // any handler, shown in the standard exception box.
        tk::Application::instance().showException(std::current_exception());
    }
}

} // namespace varnel::profiles
