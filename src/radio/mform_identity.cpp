// Identification of the radio (model, versions, frequency range, ID number,
// current channel) and writing its ID number.
#include <string>

#include "app/language_texts.h"
#include "radio/channel_values.h"
#include "radio/mform.h"

namespace varnel {

namespace {

constexpr std::uint8_t kZr650tModel = 0x20;
constexpr std::int32_t kLargestId = 65535;

} // namespace

void TMForm::RzToolButton4Click(tk::Control& /*Sender*/)
{
    RzStatusPane4.setCaption("");
    if (!CheckPortOpen())
        return;
    ShowLoading();
    for (tk::Edit* box : {&Edit1, &Edit2, &Edit5, &Edit56, &Edit3, &Edit4})
        box->setText("");
    setEnabled(false);
    SendFrame(link::Sealed(link::request::ReadModel));
    StartWatchdog(TagIdentification);
}

void TMForm::OnModelReply(std::span<const std::uint8_t> frame)
{
    StopWatchdog();
    setEnabled(true);
    CloseLoading();

    const bool known = frame[4] == kZr650tModel;
    std::string model = LanguageTexts.TextUnknownDevice;
    if (known) {
        model = "ZR650/T";
        Edit56.setText(link::VersionText(frame[5]));
        Edit5.setText(link::VersionText(frame[6]));
        if (Edit56.text() == "4.0")
            Edit3.setText("420MHz~500MHz");
        else if (Edit56.text() == "3.1")
            Edit3.setText("136MHz~174MHz");
    }
    Edit1.setText(model);
    if (known)
        SendFrame(link::Sealed(link::request::ReadId));
}

void TMForm::OnIdReply(std::span<const std::uint8_t> frame)
{
    Edit2.setText(radio::FormatId(frame[4] * 256 + frame[5]));
    SendFrame(link::Sealed(link::request::ReadCurrentChannel));
    Link.PendingFollowUp = link::PendingFollowUp::None;
}

void TMForm::OnCurrentChannelReply(std::span<const std::uint8_t> frame)
{
    const std::uint8_t channel = frame[4];
    CurrentChannel.setCaption(std::to_string(channel));
    Edit4.setText(std::to_string(channel));
    const link::PendingFollowUp followUp = Link.PendingFollowUp;
    if (followUp == link::PendingFollowUp::None) {
        RzStatusPane4.setCaption("Read success!");
        return;
    }
    Link.PendingFollowUp = link::PendingFollowUp::None;
    OnCurrentChannelFollowUp(followUp, channel);
}

void TMForm::RzToolButton5Click(tk::Control& /*Sender*/)
{
    RzStatusPane4.setCaption("");
    if (!CheckPortOpen())
        return;
    const auto id = radio::TextToInt(Edit2.text());
    // The box refuses what does not fit 16 bits; a text set around that check
    // is not sent either, rather than sending its low bits.
    if (!id || *id < 0 || *id > kLargestId)
        return;
    auto frame = link::request::WriteId;
    frame[4] = static_cast<std::uint8_t>(*id >> 8);
    frame[5] = static_cast<std::uint8_t>(*id & 0xFF);
    SendFrame(link::Sealed(frame));
}

void TMForm::Edit2Change(tk::Control& /*Sender*/)
{
    const std::string text = Edit2.text();
    if (!text.empty()) {
        const auto value = radio::TextToInt(text);
        const char* refusal = nullptr;
        std::string notANumber;
        if (!value) {
            notANumber = "\"" + text + "\" is not a valid integer value!";
            refusal = notANumber.c_str();
        } else if (*value > kLargestId) {
            refusal = "the value is too big!";
        } else if (*value < 0) {
            // An ID is 0..65535; a negative entry would be sent as its low bits.
            refusal = "the value is too small!";
        }
        if (refusal != nullptr) {
            ShowMessage(refusal);
            Edit2.setText(LastAcceptedId);
            Edit2.setSelStart(Edit2.length());
        }
    }
    LastAcceptedId = Edit2.text();
}

void TMForm::Edit2Exit(tk::Control& /*Sender*/)
{
    Edit2.setText(radio::FormatId(radio::TextToInt(Edit2.text()).value_or(0)));
}

} // namespace varnel
