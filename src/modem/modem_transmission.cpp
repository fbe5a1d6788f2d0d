// The data transmission test between the send and the receive port, and
// the board's transmit test.
#include <array>
#include <charconv>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

#include "app/language_texts.h"
#include "modem/board_frames.h"
#include "modem/modem.h"
#include "ports/port_settings.h"
#include "radio/channel_values.h"
#include "toolkit/utf8.h"

namespace varnel {

namespace {

constexpr const char* TooLongText = "too long string!";

// The number a count box holds; the boxes hold only the program's own
// numbers, anything else counts from 0.
std::int64_t countIn(const tk::Edit& box)
{
    const std::string& text = box.text();
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        return 0;
    return value;
}

void setCount(tk::Edit& box, std::int64_t value)
{
    box.setText(std::to_string(value));
}

void addCount(tk::Edit& box, std::int64_t amount)
{
    const std::int64_t value = countIn(box);
    constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
    setCount(box, value > most - amount ? most : value + amount);
}

// Received bytes shown as text: what is not UTF-8 shows as U+FFFD.
std::string displayable(std::string_view text)
{
    return tk::utf8::encode(tk::utf8::decode(text));
}

}  // namespace

void TModem::Button1Click(tk::Control&)
{
    if (Button1.caption() == LanguageTexts.TextSend)
        StartDataTest();
    else
        StopDataTest();
}

void TModem::StartDataTest()
{
    if (!ComPort12.fGetActive()) {
        ports::ShowMessage(LanguageTexts.TextPortNotOpen);
        return;
    }
    const auto frame = modem::BuildTestFrame(Edit9.text());
    if (!frame) {
        ports::ShowMessage(TooLongText);
        return;
    }
    // A time-out that is no number is refused before anything goes out,
    // so the counts of the last test stay as they were.
    const auto timeout = radio::TextToInt(Edit8.text());
    if (!timeout) {
        ports::ShowMessage("\"" + Edit8.text() + "\" is not a valid integer value!");
        return;
    }

    SendFrame(*frame);
    setCount(Edit10, static_cast<std::int64_t>(frame->size()));
    setCount(Edit2, 1);
    setCount(Edit12, 0);
    setCount(Edit4, 0);
    Edit5.setText("");
    setCount(Edit7, 0);
    setCount(Edit11, 0);
    Memo1.clear();
    Memo2.clear();

    // 0 ms (or less) never fires: a lost echo then waits for Stop.
    Timer2.setInterval(*timeout);
    Timer2.setEnabled(*timeout > 0);
    Button1.setCaption(LanguageTexts.TextStop);
    testRunning_ = true;
}

void TModem::StopDataTest()
{
    // The flag stays set: an echo still under way is counted once more,
    // and that ends the test.
    Timer2.setEnabled(false);
    Button1.setCaption(LanguageTexts.TextSend);
}

bool TModem::SendNextTestFrame()
{
    const auto frame = modem::BuildTestFrame(Edit9.text());
    if (!frame) {
        // The text was made longer than a frame carries while the test ran:
        // the test ends as at a Stop with nothing under way.
        Timer2.setEnabled(false);
        Button1.setCaption(LanguageTexts.TextSend);
        testRunning_ = false;
        ports::ShowMessage(TooLongText);
        return false;
    }
    SendFrame(*frame);
    addCount(Edit10, static_cast<std::int64_t>(frame->size()));
    addCount(Edit2, 1);
    return true;
}

void TModem::ShowSuccessRate()
{
    const std::int64_t sent = countIn(Edit2);
    const double rate = sent > 0 ? static_cast<double>(countIn(Edit4)) * 100.0 / static_cast<double>(sent) : 0.0;
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.2f", rate);
    Edit5.setText(text.data());
}

void TModem::HandleTestEcho(std::span<const std::uint8_t> package)
{
    if (!testRunning_ || package.size() < modem::MinTestPackage)
        return;
    Timer2.setEnabled(false);
    addCount(Edit12, static_cast<std::int64_t>(package.size()));
    addCount(Edit11, 1);
    const std::string_view text = modem::TestFrameText(package);
    Memo1.addLine(displayable(text));
    if (text == Edit9.text())
        addCount(Edit4, 1);
    ShowSuccessRate();
    if (Button1.caption() == LanguageTexts.TextSend)
        testRunning_ = false;
    if (!testRunning_)
        return;
    if (!SendNextTestFrame())
        return;
    if (Memo1.lines().size() > MemoLineLimit)
        Memo1.clear();
    Timer2.setEnabled(Timer2.interval() > 0);
}

void TModem::Timer2Timer(tk::Control&)
{
    Timer2.setEnabled(false);
    if (!testRunning_)
        return;
    // The lost frame is already counted among those sent.
    ShowSuccessRate();
    if (SendNextTestFrame())
        Timer2.setEnabled(Timer2.interval() > 0);
    if (Button1.caption() == LanguageTexts.TextSend)
        testRunning_ = false;
}

void TModem::ComPort13Package(TObject*, TCommNotifyType)
{
    std::array<std::uint8_t, ReceivePortReadSize> buffer{};
    const long taken = ComPort13.ReadPackage(buffer.data(), static_cast<unsigned long>(buffer.size()));
    const std::size_t n = taken > 0 ? static_cast<std::size_t>(taken) : 0;
    if (n < modem::MinTestPackage || buffer[0] != modem::TestFrameStart)
        return;
    const std::span<const std::uint8_t> package(buffer.data(), n);
    addCount(Edit7, 1);
    Memo2.addLine("~" + displayable(modem::TestFrameText(package)));
    // Straight back over the air, unchanged.
    ComPort13.WritePackage(package.data(), static_cast<unsigned long>(package.size()));
    if (Memo2.lines().size() > MemoLineLimit)
        Memo2.clear();
}

// ---- board transmit test ---------------------------------------------------------

void TModem::Button2Click(tk::Control&)
{
    if (!ComPort12.fGetActive()) {
        ports::ShowMessage(LanguageTexts.TextPortNotOpen);
        return;
    }
    SendFrame(modem::TransmitTestRequest(0));
    step_ = TModemStep::msTestArm;
}

void TModem::Button3Click(tk::Control&)
{
    if (!ComPort12.fGetActive()) {
        ports::ShowMessage(LanguageTexts.TextPortNotOpen);
        return;
    }
    SendFrame(modem::StopTestRequest());
    step_ = TModemStep::msTestStop;
    RzStatusPane4.setCaption("");
}

}  // namespace varnel
