// The sixteen-channel table: validation of the frequency boxes, filling and
// reading the rows by the numbers in the controls' names, and the read and
// write sequences driven by the radio's replies.
#include <cmath>
#include <string>

#include "app/language_texts.h"
#include "radio/channel_values.h"
#include "radio/mform.h"

namespace varnel {

using link::TransferState;

namespace {

constexpr std::uint8_t kLastChannel = radio::kChannelCount;

// The first frequency box of the table is Edit6.
std::size_t RememberedIndex(int n) { return static_cast<std::size_t>(n - 6); }

} // namespace

// ---- controls by name -----------------------------------------------------

tk::Edit* TMForm::TransmitBox(int channel) const
{
    for (tk::Control& control : GroupBox1.children())
        if (auto* box = dynamic_cast<tk::Edit*>(&control))
            if (const auto n = radio::NumberAfter(box->name(), "Edit"))
                if (radio::ChannelOfEdit(*n) == channel && radio::IsTransmitEdit(*n))
                    return box;
    return nullptr;
}

tk::Edit* TMForm::ReceiveBox(int channel) const
{
    for (tk::Control& control : GroupBox1.children())
        if (auto* box = dynamic_cast<tk::Edit*>(&control))
            if (const auto n = radio::NumberAfter(box->name(), "Edit"))
                if (radio::ChannelOfEdit(*n) == channel && !radio::IsTransmitEdit(*n))
                    return box;
    return nullptr;
}

tk::ComboBox* TMForm::PowerBox(int channel) const
{
    for (tk::Control& control : GroupBox1.children())
        if (auto* box = dynamic_cast<tk::ComboBox*>(&control))
            if (const auto m = radio::NumberAfter(box->name(), "ComboBox"))
                if (radio::ChannelOfCombo(*m) == channel)
                    return box;
    return nullptr;
}

void TMForm::ClearChannelTable()
{
    // The remembered texts go with the table: a value refused during the next
    // read must not bring back a frequency of an earlier read as if the radio
    // had sent it.
    for (std::string& remembered : LastAcceptedText)
        remembered.clear();
    for (tk::Control& control : GroupBox1.children()) {
        if (control.name().find("Edit") != std::string::npos) {
            if (auto* box = dynamic_cast<tk::Edit*>(&control))
                box->setText("");
        } else if (control.name().find("ComboBox") != std::string::npos) {
            if (auto* box = dynamic_cast<tk::ComboBox*>(&control))
                box->setItemIndex(-1);
        }
    }
}

void TMForm::FillChannelRow(int channel, std::span<const std::uint8_t, 8> record)
{
    const std::uint32_t tx = link::BcdToUnits(record.first<4>());
    // Below the offset the difference wraps, as the radio's own unsigned
    // arithmetic does; the result is far above every limit and refused.
    const std::uint32_t rx = link::BcdToUnits(record.last<4>()) - link::RxFrequencyOffset;
    const std::string txText = radio::FormatMHz(tx * 0.00001);
    const std::string rxText = radio::FormatMHz(rx * 0.00001);
    for (tk::Control& control : GroupBox1.children()) {
        auto* box = dynamic_cast<tk::Edit*>(&control);
        const auto n = box != nullptr ? radio::NumberAfter(box->name(), "Edit") : std::nullopt;
        if (n && radio::ChannelOfEdit(*n) == channel)
            box->setText(radio::IsTransmitEdit(*n) ? txText : rxText);
    }
}

bool TMForm::BuildChannelFrequencies(int channel, std::span<std::uint8_t, 8> out)
{
    tk::Edit* const boxes[] = {TransmitBox(channel), ReceiveBox(channel)};
    for (std::size_t i = 0; i < 2; ++i) {
        if (boxes[i] == nullptr || boxes[i]->text().empty())
            return false;
        // The boxes only ever hold what CheckValue accepted; anything else
        // cannot be encoded and counts as a missing entry.
        const auto mhz = radio::TextToFloat(boxes[i]->text());
        if (!mhz)
            return false;
        double units = *mhz * 100000 + 0.5;
        if (i == 1)
            units += link::RxFrequencyOffset;
        if (!(units >= 0 && units < link::kMaxBcdUnits + 1.0))
            return false;
        link::UnitsToBcd(static_cast<std::uint32_t>(units), out.subspan(i * 4).first<4>());
    }
    return true;
}

void TMForm::SetChannelPower(int channel, int index)
{
    if (tk::ComboBox* box = PowerBox(channel))
        box->setItemIndex(index >= 0 && index <= 4 ? index : -1);
}

int TMForm::GetChannelPower(int channel) const
{
    const tk::ComboBox* box = PowerBox(channel);
    return box != nullptr ? box->itemIndex() : -1;
}

// ---- validation -------------------------------------------------------------

void TMForm::CheckValue(tk::Control& Sender)
{
    auto* box = dynamic_cast<tk::Edit*>(&Sender);
    if (box == nullptr)
        return;
    const std::string text(radio::TrimBlanks(box->text()));
    if (text != box->text()) {
        // The nested change checks the trimmed text; checking it again here
        // would only repeat its message.
        box->setText(text);
        return;
    }
    if (text.empty())
        return;
    if (Edit56.text().empty()) {
        ShowMessage(LanguageTexts.TextReadVersionFirst);
        box->setText("");
        Link.EntryRejected = link::kEntryRejected;
        return;
    }
    const auto n = radio::NumberAfter(box->name(), "Edit");
    if (!n || !radio::ChannelOfEdit(*n))
        return;
    std::string& remembered = LastAcceptedText[RememberedIndex(*n)];
    const double upper = radio::LimitsForHardware(Edit56.text()).upperMHz;

    const auto restore = [&](const std::string& message) {
        ShowMessage(message);
        box->setText(remembered);
        box->setSelStart(box->length());
    };
    const auto value = radio::TextToFloat(text);
    if (!value) {
        restore("\"" + text + "\" is not a valid floating point value!");
    } else if (*value > upper) {
        Link.EntryRejected = link::kEntryRejected;
        restore("the value is too big!");
    } else if (*value < radio::kSmallestFrequencyMHz) {
        restore("the value is too small!");
    }
    remembered = box->text();
}

void TMForm::Edit7Exit(tk::Control& Sender)
{
    auto* box = dynamic_cast<tk::Edit*>(&Sender);
    if (box == nullptr)
        return;
    const double lower = radio::LimitsForHardware(Edit56.text()).lowerMHz;
    if (box->text().empty())
        return;
    const auto value = radio::TextToFloat(box->text());
    if (!value)
        return;
    const double mhz = radio::SnapToRaster(*value * 100000) * 0.00001;
    if (mhz >= lower) {
        box->setText(radio::FormatMHz(mhz));
    } else {
        ShowMessage("the value is too small!");
        Link.EntryRejected = link::kEntryRejected;
        box->setText("");
    }
}

// ---- reading the table ------------------------------------------------------

void TMForm::Button12Click(tk::Control& /*Sender*/)
{
    if (!CheckPortOpen())
        return;
    ShowLoading();
    ClearChannelTable();
    setEnabled(false);
    auto request = link::request::ReadChannel;
    request[5] = 1;
    StartTableTransfer(link::Sealed(request), TransferState::ReadingTable);
}

void TMForm::OnTableRecord(std::span<const std::uint8_t> frame)
{
    const std::uint8_t channel = frame[5];
    const std::uint32_t generation = transferGeneration_;
    Link.EntryRejected = 0;
    FillChannelRow(channel, frame.subspan<6, 8>());
    // A refusal's message box lets the watchdog fire or the user cancel; the
    // sequence then stays abandoned.
    if (generation != transferGeneration_)
        return;
    if (Link.EntryRejected == link::kEntryRejected) {
        Link.EntryRejected = 0;
        UnlockWindow();
        RzProgressBar1.setVisible(false);
        RzStatusPane4.setCaption("Read failed!");
        return;
    }
    const auto next = static_cast<std::uint8_t>(channel + 1);
    if (next <= kLastChannel) {
        Link.TransferState = TransferState::ReadingTable;
        auto request = link::request::ReadChannel;
        request[5] = next;
        SendFrame(link::Sealed(request));
        RestartWatchdog();
        SetProgress(radio::TransferProgress(next));
    } else {
        auto request = link::request::ReadPower;
        request[4] = 1;
        SendFrame(link::Sealed(request));
        RestartWatchdog();
        SetProgress(50);
        Link.TransferState = TransferState::ReadingTable;
    }
}

void TMForm::OnTablePower(std::span<const std::uint8_t> frame)
{
    const std::uint8_t channel = frame[4];
    SetChannelPower(channel, static_cast<std::uint8_t>(frame[5] - 1));
    const auto next = static_cast<std::uint8_t>(channel + 1);
    if (next <= kLastChannel) {
        StopWatchdog();
        Link.TransferState = TransferState::ReadingTable;
        auto request = link::request::ReadPower;
        request[4] = next;
        SendFrame(link::Sealed(request));
        StartWatchdog(TagChannelTable);
        SetProgress(radio::TransferProgress(next + 16));
    } else {
        EndTransfer("Read success!");
    }
}

// ---- writing the table ------------------------------------------------------

void TMForm::Button13Click(tk::Control& /*Sender*/)
{
    if (!CheckPortOpen())
        return;
    ShowLoading();
    setEnabled(false);
    auto request = link::request::WriteChannel;
    request[5] = 1;
    if (!BuildChannelFrequencies(1, std::span(request).subspan<6, 8>())) {
        AbortTableWrite();
        return;
    }
    Link.WriteChannelIndex = 1;
    StartTableTransfer(link::Sealed(request), TransferState::WritingChannels);
}

void TMForm::OnChannelRecordAcknowledged()
{
    if (Link.WriteChannelIndex < kLastChannel) {
        const std::uint8_t channel = ++Link.WriteChannelIndex;
        auto request = link::request::WriteChannel;
        request[5] = channel;
        if (!BuildChannelFrequencies(channel, std::span(request).subspan<6, 8>())) {
            AbortTableWrite();
            return;
        }
        Link.TransferState = TransferState::WritingChannels;
        SendFrame(link::Sealed(request));
        RestartWatchdog();
        SetProgress(radio::TransferProgress(channel));
        return;
    }
    if (ComboBox4.itemIndex() < 0) {
        AbortTableWrite();
        return;
    }
    auto request = link::request::WritePower;
    request[4] = 1;
    request[5] = static_cast<std::uint8_t>(ComboBox4.itemIndex() + 1);
    SendFrame(link::Sealed(request));
    RestartWatchdog();
    SetProgress(50);
    Link.TransferState = TransferState::WritingPowers;
    Link.WritePowerIndex = 1;
}

void TMForm::OnChannelPowerAcknowledged()
{
    const std::uint8_t channel = ++Link.WritePowerIndex;
    if (channel > kLastChannel) {
        EndTransfer("Write success!");
        return;
    }
    StopWatchdog();
    const int power = GetChannelPower(channel) + 1;
    if (power == 0) {
        AbortTableWrite();
        return;
    }
    Link.TransferState = TransferState::WritingPowers;
    auto request = link::request::WritePower;
    request[4] = channel;
    request[5] = static_cast<std::uint8_t>(power);
    SendFrame(link::Sealed(request));
    StartWatchdog(TagChannelTable);
    SetProgress(radio::TransferProgress(channel + 16));
}

void TMForm::AbortTableWrite()
{
    // The watchdog stops before the message box, so it cannot add a time-out
    // while the user reads this one. The progress bar stays at the channel
    // that was missing.
    StopWatchdog();
    ShowMessage(LanguageTexts.TextEmptyInput);
    CloseLoading();
    setEnabled(true);
}

} // namespace varnel
