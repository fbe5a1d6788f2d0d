// Single settings of the main window (squelch, bandwidth, channel control,
// the selected channel, the current-channel block and its power), the
// adjustment window's replies, and the status bar's access gate.
//
// Each button sends one request; its reply arrives through DispatchReply,
// which has checked the reply's length and sets the "Read success!" texts of
// its table. No overlay, no watchdog: a request that gets no answer simply
// shows nothing.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "adjust/adjust.h"
#include "app/instances.h"
#include "app/language_texts.h"
#include "modem/modem.h"
#include "radio/channel_values.h"
#include "radio/mform.h"
#include "toolkit/application.h"

namespace varnel {

namespace {

constexpr std::uint8_t kSquelchClosed = 0x55;
constexpr int kSquelchCloseItem = 5;
constexpr int kSquelchItems = 6;
constexpr int kBandwidth25kItem = 1;
constexpr std::uint8_t kMethodSoftware = 0x55;
constexpr std::uint8_t kMethodHardware = 0x00;
constexpr int kSoftwareItem = 0;
constexpr int kHardwareItem = 1;

// The current-channel block is a UHF block whatever the hardware version.
constexpr std::int64_t kBlockLowestHz = 420000000;
constexpr std::int64_t kBlockHighestHz = 500000000;
constexpr const char* kBlockRange = "420MHz~500MHz";

// What an unfilled "!999.99999;1;0" box and an all-zero one read.
constexpr const char* kZeroFrequency = "000.00000";

bool Succeeded(std::span<const std::uint8_t> frame) { return (frame[4] & link::item::ResultBit) != 0; }

// "000.00000" of a frequency in Hz, from the integer so nothing is lost.
std::string FormatHz(std::int64_t hz) { return radio::FormatMHz(static_cast<double>(hz) * 0.000001); }

// Rounds to the nearer of the 5 kHz and 6.25 kHz rasters; a tie goes to
// 6.25 kHz, as the channel table's exit check does.
std::int64_t SnapHzToRaster(std::int64_t hz)
{
    const std::int64_t a = (hz + 2500) / 5000 * 5000;
    const std::int64_t b = (hz + 3125) / 6250 * 6250;
    return std::llabs(b - hz) > std::llabs(a - hz) ? a : b;
}

// The Hz value of a masked frequency box: blanks count as zeros, the point
// is dropped. Nothing for a box that holds anything but digits.
std::optional<std::int64_t> MaskedBoxHz(const std::string& text)
{
    std::int64_t units = 0;
    int digits = 0;
    for (const char c : text) {
        if (c == '.')
            continue;
        const char digit = c == ' ' ? '0' : c;
        if (digit < '0' || digit > '9' || ++digits > 8)
            return std::nullopt;
        units = units * 10 + (digit - '0');
    }
    if (digits == 0)
        return std::nullopt;
    return units * 10;
}

void SelectItem(tk::ComboBox& box, int index) { box.setItemIndex(index); }

} // namespace

// ---- construction -------------------------------------------------------------

void TMForm::BuildSingleSettingGroups()
{
    ComboBox2.setBounds({10, 22, 80, 21});
    ComboBox2.setItems({"Level1", "Level2", "Level3", "Level4", "Level5", "Close"});
    Button3.setBounds({98, 20, 50, 25});
    Button4.setBounds({152, 20, 50, 25});
    Button3.onClick = [this](tk::Control& s) { Button3Click(s); };
    Button4.onClick = [this](tk::Control& s) { Button4Click(s); };

    ComboBox3.setBounds({10, 22, 80, 21});
    ComboBox3.setItems({"12.5k", "25k"});
    Button5.setBounds({98, 20, 50, 25});
    Button6.setBounds({152, 20, 50, 25});
    Button5.onClick = [this](tk::Control& s) { Button5Click(s); };
    Button6.onClick = [this](tk::Control& s) { Button6Click(s); };

    Label55.setBounds({8, 23, 92, 16});
    ComboBox1.setBounds({102, 20, 100, 21});
    ComboBox1.setItems({"Software", "Hardware"});
    Button1.setBounds({102, 44, 48, 23});
    Button8.setBounds({154, 44, 48, 23});
    Label6.setBounds({8, 73, 92, 16});
    ComboBox21.setBounds({102, 70, 100, 21});
    std::vector<std::string> channels;
    for (int channel = 1; channel <= radio::kChannelCount; ++channel)
        channels.push_back("CH" + std::to_string(channel));
    ComboBox21.setItems(std::move(channels));
    RzCheckBox2.setBounds({8, 96, 92, 17});
    RzCheckBox2.setCaption("Without save");
    Button9.setBounds({102, 94, 48, 23});
    Button10.setBounds({154, 94, 48, 23});
    Button1.onClick = [this](tk::Control& s) { Button1Click(s); };
    Button8.onClick = [this](tk::Control& s) { Button8Click(s); };
    Button9.onClick = [this](tk::Control& s) { Button9Click(s); };
    Button10.onClick = [this](tk::Control& s) { Button10Click(s); };

    // Design texts of the current-channel block: the same in both languages.
    RzGroupBox2.setCaption("Current Channel");
    RzLabel1.setBounds({8, 23, 60, 16});
    RzLabel1.setCaption("Channel:");
    RzLabel3.setBounds({8, 49, 60, 16});
    RzLabel3.setCaption("Tx Freq:");
    RzLabel4.setBounds({8, 77, 60, 16});
    RzLabel4.setCaption("Rx Freq:");
    RzLabel5.setBounds({8, 105, 60, 16});
    RzLabel5.setCaption("Power:");
    RzLabel6.setBounds({156, 49, 30, 16});
    RzLabel6.setCaption("MHz");
    RzLabel7.setBounds({156, 77, 30, 16});
    RzLabel7.setCaption("MHz");
    RzMaskEdit3.setBounds({70, 46, 82, 21});
    RzMaskEdit67.setBounds({70, 74, 82, 21});
    RzComboBox1.setBounds({70, 102, 82, 21});
    RzComboBox1.setItems({"1W", "2W", "3W", "4W", "5W"});
    RzCheckBox1.setBounds({8, 128, 100, 17});
    RzCheckBox1.setCaption("Without save");
    RzButton3.setBounds({70, 148, 60, 25});
    RzButton3.setCaption("Read");
    RzButton4.setBounds({138, 148, 60, 25});
    RzButton4.setCaption("Set");
    for (tk::MaskEdit* box : {&RzMaskEdit3, &RzMaskEdit67}) {
        box->setMaxLength(9);
        // Enter moves on, as in a form filled from top to bottom.
        box->onKeyPress = [this](tk::Control&, char32_t& key) {
            if (key == U'\r') {
                key = 0;
                focusNext();
            }
        };
    }
    RzButton3.onClick = [this](tk::Control& s) { RzButton3Click(s); };
    RzButton4.onClick = [this](tk::Control& s) { RzButton4Click(s); };

    Label74.setBounds({8, 22, 70, 16});
    Label74.setCaption("Channel:");
    Label75.setBounds({8, 48, 70, 16});
    ComboBox20.setBounds({80, 45, 80, 21});
    ComboBox20.setItems({"1W", "2W", "3W", "4W", "5W"});
    Button2.setBounds({20, 76, 70, 25});
    Button7.setBounds({100, 76, 70, 25});
    Button2.onClick = [this](tk::Control& s) { Button2Click(s); };
    Button7.onClick = [this](tk::Control& s) { Button7Click(s); };
}

// ---- squelch level --------------------------------------------------------------

void TMForm::Button3Click(tk::Control& /*Sender*/)
{
    RzStatusPane4.setCaption("");
    if (!CheckPortOpen())
        return;
    ComboBox2.setItemIndex(-1);
    SendFrame(link::Sealed(link::request::ReadSquelch));
}

void TMForm::Button4Click(tk::Control& /*Sender*/)
{
    RzStatusPane4.setCaption("");
    if (!CheckPortOpen())
        return;
    const int index = ComboBox2.itemIndex();
    if (index < 0 || index >= kSquelchItems)
        return;
    auto request = link::request::SetSquelch;
    request[4] = index >= kSquelchCloseItem ? kSquelchClosed : static_cast<std::uint8_t>(index + 1);
    SendFrame(link::Sealed(request));
}

void TMForm::OnSquelchReply(std::span<const std::uint8_t> frame)
{
    // 1..5 are the levels; 6 is "Close" as well, 0 and above 6 select nothing.
    const std::uint8_t level = frame[4];
    SelectItem(ComboBox2, level == kSquelchClosed ? kSquelchCloseItem : level - 1);
}

// ---- bandwidth --------------------------------------------------------------------

void TMForm::Button5Click(tk::Control& /*Sender*/)
{
    RzStatusPane4.setCaption("");
    if (!CheckPortOpen())
        return;
    ComboBox3.setItemIndex(-1);
    SendFrame(link::Sealed(link::request::ReadBandwidth));
}

void TMForm::Button6Click(tk::Control& /*Sender*/)
{
    RzStatusPane4.setCaption("");
    if (!CheckPortOpen())
        return;
    if (ComboBox3.itemIndex() < 0)
        return;
    auto request = link::request::SetBandwidth;
    request[4] = ComboBox3.itemIndex() == kBandwidth25kItem ? 0 : 1;
    SendFrame(link::Sealed(request));
}

void TMForm::OnBandwidthReply(std::span<const std::uint8_t> frame)
{
    SelectItem(ComboBox3, frame[4] == 0 ? kBandwidth25kItem : 0);
}

// ---- channel-control method ---------------------------------------------------------

void TMForm::Button1Click(tk::Control& /*Sender*/)
{
    RzStatusPane4.setCaption("");
    if (!CheckPortOpen())
        return;
    SendFrame(link::Sealed(link::request::ReadControlMethod));
    ComboBox1.setItemIndex(-1);
}

void TMForm::Button8Click(tk::Control& /*Sender*/)
{
    RzStatusPane4.setCaption("");
    if (ComboBox1.itemIndex() < 0)
        return;
    if (!CheckPortOpen())
        return;
    auto request = link::request::SetControlMethod;
    request[5] = ComboBox1.itemIndex() == kSoftwareItem ? kMethodSoftware : kMethodHardware;
    SendFrame(link::Sealed(request));
}

void TMForm::OnControlMethodRead(std::span<const std::uint8_t> frame)
{
    SelectItem(ComboBox1, frame[5] == kMethodSoftware ? kSoftwareItem : kHardwareItem);
    RzStatusPane4.setCaption(LanguageTexts.TextSuccess);
}

void TMForm::OnControlMethodSet(std::span<const std::uint8_t> frame)
{
    if (Succeeded(frame))
        RzStatusPane4.setCaption(LanguageTexts.TextSuccess);
    else
        ShowMessage(LanguageTexts.TextFailed); // the pane keeps its text here
}

void TMForm::OnControlMethodReport(std::span<const std::uint8_t> frame)
{
    SelectItem(ComboBox1, frame[4] == kMethodSoftware ? kSoftwareItem : kHardwareItem);
}

// ---- selected channel -------------------------------------------------------------------

void TMForm::Button9Click(tk::Control& /*Sender*/)
{
    RzStatusPane4.setCaption("");
    ComboBox21.setItemIndex(-1);
    if (!CheckPortOpen())
        return;
    SendFrame(link::Sealed(link::request::ReadSelectedChannel));
}

void TMForm::Button10Click(tk::Control& /*Sender*/)
{
    RzStatusPane4.setCaption("");
    if (ComboBox21.itemIndex() < 0)
        return;
    if (!CheckPortOpen())
        return;
    auto request = link::request::SetSelectedChannel;
    request[5] = RzCheckBox2.checked() ? 0 : 1;
    request[6] = static_cast<std::uint8_t>(ComboBox21.itemIndex() + 1);
    SendFrame(link::Sealed(request));
}

void TMForm::OnSelectedChannelRead(std::span<const std::uint8_t> frame)
{
    SelectItem(ComboBox21, frame[5] - 1);
    RzStatusPane4.setCaption(LanguageTexts.TextSuccess);
}

void TMForm::OnSelectedChannelSet(std::span<const std::uint8_t> frame)
{
    if (Succeeded(frame)) {
        RzStatusPane4.setCaption(LanguageTexts.TextSuccess);
        return;
    }
    ShowMessage(LanguageTexts.TextFailed);
    RzStatusPane4.setCaption(LanguageTexts.TextFailed);
}

void TMForm::OnSelectedChannelReport(std::span<const std::uint8_t> frame) { SelectItem(ComboBox21, frame[4] - 1); }

// ---- current-channel block -----------------------------------------------------------------

void TMForm::RzButton3Click(tk::Control& /*Sender*/)
{
    RzStatusPane4.setCaption("");
    if (!CheckPortOpen())
        return;
    SendFrame(link::Sealed(link::request::ReadCurrentBlock));
    RzMaskEdit3.setText(RzMaskEdit3.emptyText());
    RzMaskEdit67.setText(RzMaskEdit67.emptyText());
    RzComboBox1.setItemIndex(-1);
}

void TMForm::OnCurrentBlockRead(std::span<const std::uint8_t> frame)
{
    RzLabel2.setCaption(std::to_string(frame[5]) + "  ");
    const auto showFrequency = [&](std::size_t offset, tk::MaskEdit& box) {
        const auto hz = static_cast<std::int64_t>(link::BcdToHz(frame.subspan(offset).first<4>()));
        if (hz > kBlockHighestHz || hz < kBlockLowestHz) {
            ShowMessage("Frequency Error!");
            RzStatusPane4.setCaption(LanguageTexts.TextFailed);
            return false;
        }
        box.setText(FormatHz(hz));
        return true;
    };
    if (!showFrequency(6, RzMaskEdit3) || !showFrequency(10, RzMaskEdit67))
        return;
    SelectItem(RzComboBox1, frame[14] - 1);
    RzStatusPane4.setCaption(LanguageTexts.TextSuccess);
}

void TMForm::RzButton4Click(tk::Control& /*Sender*/)
{
    RzStatusPane4.setCaption("");
    if (!CheckPortOpen())
        return;
    auto request = link::request::SetCurrentBlock;
    request[6] = RzCheckBox1.checked() ? 0 : 1;
    if (!ValidateCurrentChannelEntry(RzMaskEdit3, RzMaskEdit67, RzComboBox1, std::span(request).subspan<7, 9>()))
        return;
    SendFrame(link::Sealed(request));
}

bool TMForm::ValidateCurrentChannelEntry(tk::MaskEdit& transmit, tk::MaskEdit& receive, tk::ComboBox& power,
                                         std::span<std::uint8_t, 9> out)
{
    const auto refuse = [](tk::Control& control, const std::string& message) {
        control.setFocus();
        tk::messageBox(message, LanguageTexts.TextNotice, tk::Icon::Error);
        return false;
    };
    const auto encode = [&](tk::MaskEdit& box, std::span<std::uint8_t, 4> bytes) {
        const std::string text = box.text();
        const auto entered = MaskedBoxHz(text);
        if (text == box.emptyText() || text == kZeroFrequency || !entered)
            return refuse(box, LanguageTexts.TextEmptyInput);
        const std::int64_t hz = SnapHzToRaster(*entered);
        // The rounded value stays in the box even when it is then refused.
        box.setText(FormatHz(hz));
        if (hz > kBlockHighestHz || hz < kBlockLowestHz)
            return refuse(box, LanguageTexts.TextFrequencyRange + kBlockRange);
        link::HzToBcd(static_cast<std::uint64_t>(hz), bytes);
        return true;
    };
    if (!encode(transmit, out.first<4>()) || !encode(receive, out.subspan<4, 4>()))
        return false;
    if (power.itemIndex() < 0)
        return refuse(power, LanguageTexts.TextSelectPower);
    out[8] = static_cast<std::uint8_t>(power.itemIndex() + 1);
    return true;
}

void TMForm::OnCurrentBlockSet(std::span<const std::uint8_t> frame)
{
    if (Succeeded(frame)) {
        RzStatusPane4.setCaption(LanguageTexts.TextSuccess);
        return;
    }
    ShowMessage(LanguageTexts.TextFailed);
    RzStatusPane4.setCaption(LanguageTexts.TextFailed);
}

// ---- current-channel power -------------------------------------------------------------------

void TMForm::Button2Click(tk::Control& /*Sender*/)
{
    RzStatusPane4.setCaption("");
    if (!CheckPortOpen())
        return;
    SendFrame(link::Sealed(link::request::ReadCurrentChannel));
    Link.PendingFollowUp = link::PendingFollowUp::ReadPower;
}

void TMForm::Button7Click(tk::Control& /*Sender*/)
{
    RzStatusPane4.setCaption("");
    if (!CheckPortOpen())
        return;
    SendFrame(link::Sealed(link::request::ReadCurrentChannel));
    Link.PendingFollowUp = link::PendingFollowUp::WritePower;
}

// PendingFollowUp has already been consumed (set to None) when this runs.
void TMForm::OnCurrentChannelFollowUp(link::PendingFollowUp followUp, std::uint8_t channel)
{
    if (followUp == link::PendingFollowUp::ReadPower) {
        auto request = link::request::ReadPower;
        request[4] = channel;
        SendFrame(link::Sealed(request));
        Link.TransferState = link::TransferState::Idle;
    } else if (followUp == link::PendingFollowUp::WritePower) {
        if (ComboBox20.itemIndex() < 0) {
            ShowMessage(LanguageTexts.TextSelectPower);
            return;
        }
        auto request = link::request::WritePower;
        request[4] = channel;
        request[5] = static_cast<std::uint8_t>(ComboBox20.itemIndex() + 1);
        SendFrame(link::Sealed(request));
    }
}

// "Read success!" is set by the dispatcher after this.
void TMForm::OnCurrentChannelPowerReply(std::span<const std::uint8_t> frame) { SelectItem(ComboBox20, frame[5] - 1); }

// ---- adjustment window (handled whether it is shown or not) ----------------------------------------

void TMForm::OnRxAdjustReply(std::span<const std::uint8_t> frame)
{
    if (Adjust != nullptr)
        Adjust->ShowRxAdjust(frame[4]);
}

void TMForm::On5165Reply(std::span<const std::uint8_t> frame)
{
    if (Adjust != nullptr)
        Adjust->Show5165(frame[4]);
}

void TMForm::OnPowerTableReply(std::span<const std::uint8_t> frame)
{
    if (Adjust != nullptr)
        Adjust->ShowPowerTable(frame.subspan(link::kDataOffset, TAdjust::PowerTableSize));
}

void TMForm::OnSTablesReply(std::span<const std::uint8_t> frame)
{
    if (Adjust != nullptr)
        Adjust->ShowSTables(frame.subspan(link::kDataOffset, TAdjust::STableSize));
}

// ---- access gate ------------------------------------------------------------

void TMForm::RzStatusPane2DblClick(tk::Control& /*Sender*/) { gateArmed_ = true; }

void TMForm::RzStatusPane3DblClick(tk::Control& /*Sender*/)
{
    if (!gateArmed_)
        return;
    // One try per arming, whatever is typed.
    gateArmed_ = false;
    const auto entered = tk::inputBox("Password", "Please input the password:", "");
    if (!entered || *entered != AccessCode)
        return;
    if (Adjust != nullptr)
        Adjust->show();
    if (Modem != nullptr)
        Modem->RevealTransmitTest();
}

} // namespace varnel
