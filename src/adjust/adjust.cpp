#include "adjust/adjust.h"

#include "app/instances.h"
#include "app/language_texts.h"
#include "link/frame_codec.h"
#include "radio/channel_values.h"
#include "radio/mform.h"
#include "toolkit/application.h"

namespace varnel {

namespace {

constexpr int kFirstBox = 38; // Edit38, the RX adjust value
constexpr int kLastBox = 99;  // Edit99, the last power-table byte
constexpr std::int32_t kLargestByte = 255;

// Layout of the client area.
constexpr int kMargin = 8;
constexpr int kValueGroupWidth = 200;
constexpr int kValueGroupHeight = 60;
constexpr int kSGroupTop = kMargin + kValueGroupHeight + 8;
constexpr int kSGroupWidth = 2 * kValueGroupWidth + kMargin;
constexpr int kSGroupHeight = 150;
constexpr int kSColumnPitch = 49;
constexpr int kBackupGroupLeft = kSGroupWidth + 2 * kMargin;
constexpr int kBackupGroupWidth = TAdjust::ClientWidth - kBackupGroupLeft - kMargin;
constexpr int kPowerGroupTop = kSGroupTop + kSGroupHeight + 8;
constexpr int kPowerGroupHeight = TAdjust::ClientHeight - kPowerGroupTop - kMargin;
constexpr int kPowerRowTop = 40;
constexpr int kPowerRowPitch = 30;
constexpr int kPowerLabelWidth = 180;
constexpr int kPowerBoxLeft = 2 * kPowerLabelWidth + 24;
constexpr int kPowerColumnPitch = 46;
constexpr int kButtonWidth = 60;
constexpr int kButtonHeight = 25;

// S-table box N: RX S1..8 in the upper row, 5165 S1..8 in the lower one.
int STableColumnLeft(int index) { return 10 + (index % 8) * kSColumnPitch; }
int STableLabelTop(int index) { return 18 + (index / 8) * 48; }
tk::Rect STableBoxBounds(int n)
{
    const int index = n - TAdjust::FirstSTableBox;
    return {STableColumnLeft(index), STableLabelTop(index) + 18, kSColumnPitch - 6, 21};
}

int PowerRowTop(int row) { return kPowerRowTop + (row - 1) * kPowerRowPitch; }
int PowerColumnLeft(int level) { return kPowerBoxLeft + (level - 1) * kPowerColumnPitch; }
tk::Rect PowerTableBoxBounds(int n)
{
    const int index = n - TAdjust::FirstPowerTableBox;
    return {PowerColumnLeft(index % TAdjust::PowerLevels + 1), PowerRowTop(index / TAdjust::PowerLevels + 1),
            kPowerColumnPitch - 6, 21};
}

constexpr const char* kVhfRows[TAdjust::PowerRows] = {
    "VHF:136.000MHz~140.999MHz", "VHF:141.000MHz~145.999MHz", "VHF:146.000MHz~150.999MHz",
    "VHF:151.000MHz~155.999MHz", "VHF:156.000MHz~160.999MHz", "VHF:161.000MHz~165.999MHz",
    "VHF:166.000MHz~170.999MHz", "VHF:171.000MHz~174.000MHz",
};
constexpr const char* kUhfRows[TAdjust::PowerRows] = {
    "UHF:420.000MHz~429.999MHz", "UHF:430.000MHz~439.999MHz", "UHF:440.000MHz~449.999MHz",
    "UHF:450.000MHz~459.999MHz", "UHF:460.000MHz~469.999MHz", "UHF:470.000MHz~479.999MHz",
    "UHF:480.000MHz~489.999MHz", "UHF:490.000MHz~500.000MHz",
};

// The number of a value box ("Edit47" -> 47), taken after the first four
// characters of its name.
std::optional<int> BoxNumber(const tk::Control& control)
{
    if (control.name().find("Edit") == std::string::npos)
        return std::nullopt;
    return radio::NumberAfter(control.name(), "Edit");
}

std::string NotAnInteger(const std::string& text) { return "\"" + text + "\" is not a valid integer value!"; }

void Message(const std::string& text)
{
    const tk::Application* app = tk::Application::current();
    const std::string caption = app != nullptr && !app->title().empty() ? app->title() : std::string(ApplicationTitle);
    tk::messageBox(text, caption, tk::Icon::None);
}

// A channel-table sequence of the main window is waiting for its next
// reply; a request of ours now would have its acknowledgement taken for the
// sequence's (and a table write's state would swallow the sequence).
bool ChannelTableBusy(const TMForm& main)
{
    using link::TransferState;
    const TransferState state = main.Link.TransferState;
    return state == TransferState::ReadingTable || state == TransferState::WritingChannels ||
           state == TransferState::WritingPowers;
}

} // namespace

TAdjust::TAdjust()
    : tk::Form("Adjust", {0, 0, ClientWidth, ClientHeight})
    , GroupBox2(add<tk::GroupBox>("GroupBox2", {kMargin, kMargin, kValueGroupWidth, kValueGroupHeight}))
    , Edit38(GroupBox2.add<tk::Edit>("Edit38", {10, 24, 64, 21}))
    , Button7(GroupBox2.add<tk::Button>("Button7", {80, 22, 54, kButtonHeight}))
    , Button8(GroupBox2.add<tk::Button>("Button8", {138, 22, 54, kButtonHeight}))
    , GroupBox3(add<tk::GroupBox>("GroupBox3",
                                  {2 * kMargin + kValueGroupWidth, kMargin, kValueGroupWidth, kValueGroupHeight}))
    , Edit39(GroupBox3.add<tk::Edit>("Edit39", {10, 24, 64, 21}))
    , Button9(GroupBox3.add<tk::Button>("Button9", {80, 22, 54, kButtonHeight}))
    , Button10(GroupBox3.add<tk::Button>("Button10", {138, 22, 54, kButtonHeight}))
    , GroupBox5(add<tk::GroupBox>("GroupBox5", {kBackupGroupLeft, kMargin, kBackupGroupWidth,
                                                kSGroupTop + kSGroupHeight - kMargin}))
    , Button3(GroupBox5.add<tk::Button>("Button3", {10, 30, kBackupGroupWidth - 20, kButtonHeight + 4}))
    , Button4(GroupBox5.add<tk::Button>("Button4", {10, 80, kBackupGroupWidth - 20, kButtonHeight + 4}))
    , Button5(GroupBox5.add<tk::Button>("Button5", {10, 130, kBackupGroupWidth - 20, kButtonHeight + 4}))
    , GroupBox6(add<tk::GroupBox>("GroupBox6", {kMargin, kSGroupTop, kSGroupWidth, kSGroupHeight}))
    , Edit40(GroupBox6.add<tk::Edit>("Edit40", STableBoxBounds(40)))
    , Edit41(GroupBox6.add<tk::Edit>("Edit41", STableBoxBounds(41)))
    , Edit42(GroupBox6.add<tk::Edit>("Edit42", STableBoxBounds(42)))
    , Edit43(GroupBox6.add<tk::Edit>("Edit43", STableBoxBounds(43)))
    , Edit44(GroupBox6.add<tk::Edit>("Edit44", STableBoxBounds(44)))
    , Edit45(GroupBox6.add<tk::Edit>("Edit45", STableBoxBounds(45)))
    , Edit46(GroupBox6.add<tk::Edit>("Edit46", STableBoxBounds(46)))
    , Edit47(GroupBox6.add<tk::Edit>("Edit47", STableBoxBounds(47)))
    , Edit48(GroupBox6.add<tk::Edit>("Edit48", STableBoxBounds(48)))
    , Edit49(GroupBox6.add<tk::Edit>("Edit49", STableBoxBounds(49)))
    , Edit50(GroupBox6.add<tk::Edit>("Edit50", STableBoxBounds(50)))
    , Edit51(GroupBox6.add<tk::Edit>("Edit51", STableBoxBounds(51)))
    , Edit52(GroupBox6.add<tk::Edit>("Edit52", STableBoxBounds(52)))
    , Edit53(GroupBox6.add<tk::Edit>("Edit53", STableBoxBounds(53)))
    , Edit54(GroupBox6.add<tk::Edit>("Edit54", STableBoxBounds(54)))
    , Edit55(GroupBox6.add<tk::Edit>("Edit55", STableBoxBounds(55)))
    , Button2(GroupBox6.add<tk::Button>("Button2", {kSGroupWidth - 2 * kButtonWidth - 18, 116, kButtonWidth,
                                                    kButtonHeight}))
    , Button1(GroupBox6.add<tk::Button>("Button1", {kSGroupWidth - kButtonWidth - 10, 116, kButtonWidth,
                                                    kButtonHeight}))
    , GroupBox1(add<tk::GroupBox>("GroupBox1", {kMargin, kPowerGroupTop, ClientWidth - 2 * kMargin,
                                                kPowerGroupHeight}))
    , Edit60(GroupBox1.add<tk::Edit>("Edit60", PowerTableBoxBounds(60)))
    , Edit61(GroupBox1.add<tk::Edit>("Edit61", PowerTableBoxBounds(61)))
    , Edit62(GroupBox1.add<tk::Edit>("Edit62", PowerTableBoxBounds(62)))
    , Edit63(GroupBox1.add<tk::Edit>("Edit63", PowerTableBoxBounds(63)))
    , Edit64(GroupBox1.add<tk::Edit>("Edit64", PowerTableBoxBounds(64)))
    , Edit65(GroupBox1.add<tk::Edit>("Edit65", PowerTableBoxBounds(65)))
    , Edit66(GroupBox1.add<tk::Edit>("Edit66", PowerTableBoxBounds(66)))
    , Edit67(GroupBox1.add<tk::Edit>("Edit67", PowerTableBoxBounds(67)))
    , Edit68(GroupBox1.add<tk::Edit>("Edit68", PowerTableBoxBounds(68)))
    , Edit69(GroupBox1.add<tk::Edit>("Edit69", PowerTableBoxBounds(69)))
    , Edit70(GroupBox1.add<tk::Edit>("Edit70", PowerTableBoxBounds(70)))
    , Edit71(GroupBox1.add<tk::Edit>("Edit71", PowerTableBoxBounds(71)))
    , Edit72(GroupBox1.add<tk::Edit>("Edit72", PowerTableBoxBounds(72)))
    , Edit73(GroupBox1.add<tk::Edit>("Edit73", PowerTableBoxBounds(73)))
    , Edit74(GroupBox1.add<tk::Edit>("Edit74", PowerTableBoxBounds(74)))
    , Edit75(GroupBox1.add<tk::Edit>("Edit75", PowerTableBoxBounds(75)))
    , Edit76(GroupBox1.add<tk::Edit>("Edit76", PowerTableBoxBounds(76)))
    , Edit77(GroupBox1.add<tk::Edit>("Edit77", PowerTableBoxBounds(77)))
    , Edit78(GroupBox1.add<tk::Edit>("Edit78", PowerTableBoxBounds(78)))
    , Edit79(GroupBox1.add<tk::Edit>("Edit79", PowerTableBoxBounds(79)))
    , Edit80(GroupBox1.add<tk::Edit>("Edit80", PowerTableBoxBounds(80)))
    , Edit81(GroupBox1.add<tk::Edit>("Edit81", PowerTableBoxBounds(81)))
    , Edit82(GroupBox1.add<tk::Edit>("Edit82", PowerTableBoxBounds(82)))
    , Edit83(GroupBox1.add<tk::Edit>("Edit83", PowerTableBoxBounds(83)))
    , Edit84(GroupBox1.add<tk::Edit>("Edit84", PowerTableBoxBounds(84)))
    , Edit85(GroupBox1.add<tk::Edit>("Edit85", PowerTableBoxBounds(85)))
    , Edit86(GroupBox1.add<tk::Edit>("Edit86", PowerTableBoxBounds(86)))
    , Edit87(GroupBox1.add<tk::Edit>("Edit87", PowerTableBoxBounds(87)))
    , Edit88(GroupBox1.add<tk::Edit>("Edit88", PowerTableBoxBounds(88)))
    , Edit89(GroupBox1.add<tk::Edit>("Edit89", PowerTableBoxBounds(89)))
    , Edit90(GroupBox1.add<tk::Edit>("Edit90", PowerTableBoxBounds(90)))
    , Edit91(GroupBox1.add<tk::Edit>("Edit91", PowerTableBoxBounds(91)))
    , Edit92(GroupBox1.add<tk::Edit>("Edit92", PowerTableBoxBounds(92)))
    , Edit93(GroupBox1.add<tk::Edit>("Edit93", PowerTableBoxBounds(93)))
    , Edit94(GroupBox1.add<tk::Edit>("Edit94", PowerTableBoxBounds(94)))
    , Edit95(GroupBox1.add<tk::Edit>("Edit95", PowerTableBoxBounds(95)))
    , Edit96(GroupBox1.add<tk::Edit>("Edit96", PowerTableBoxBounds(96)))
    , Edit97(GroupBox1.add<tk::Edit>("Edit97", PowerTableBoxBounds(97)))
    , Edit98(GroupBox1.add<tk::Edit>("Edit98", PowerTableBoxBounds(98)))
    , Edit99(GroupBox1.add<tk::Edit>("Edit99", PowerTableBoxBounds(99)))
    , Button12(GroupBox1.add<tk::Button>("Button12", {kPowerBoxLeft + 60, kPowerGroupHeight - 34, kButtonWidth,
                                                      kButtonHeight}))
    , Button6(GroupBox1.add<tk::Button>("Button6", {kPowerBoxLeft + 130, kPowerGroupHeight - 34, kButtonWidth,
                                                    kButtonHeight}))
{
    setCaption("Parameter adjustment");
    setPosition(Position::MainFormCentre);
    setBorderStyle(BorderStyle::Single);
    setBorderIcons({.systemMenu = true, .minimise = false, .maximise = false});

    BuildValueGroups();
    BuildBackupGroup();
    BuildSTables();
    BuildPowerTable();
    onCreate = [this](tk::Control& s) { FormCreate(s); };
}

TAdjust::~TAdjust() = default;

void TAdjust::BuildValueGroups()
{
    GroupBox2.setCaption("RX Adjust Parameter");
    GroupBox3.setCaption("5165");
    Button7.setCaption("Read");
    Button8.setCaption("Set");
    Button9.setCaption("Read");
    Button10.setCaption("Set");
    Edit38.onChange = [this](tk::Control& s) { Edit38Change(s); };
    Edit39.onChange = [this](tk::Control& s) { Edit39Change(s); };
    Button7.onClick = [this](tk::Control& s) { Button7Click(s); };
    Button8.onClick = [this](tk::Control& s) { Button8Click(s); };
    Button9.onClick = [this](tk::Control& s) { Button9Click(s); };
    Button10.onClick = [this](tk::Control& s) { Button10Click(s); };
}

void TAdjust::BuildBackupGroup()
{
    GroupBox5.setCaption("Parameter backup");
    Button3.setCaption("Backup Parameters");
    Button4.setCaption("Check the validity of the backup");
    Button5.setCaption("Restore Parameters");
    Button3.onClick = [this](tk::Control& s) { Button3Click(s); };
    Button4.onClick = [this](tk::Control& s) { Button4Click(s); };
    Button5.onClick = [this](tk::Control& s) { Button5Click(s); };
}

void TAdjust::BuildSTables()
{
    GroupBox6.setCaption("S tables");
    for (int i = 0; i < STableSize; ++i) {
        const std::string caption = (i < 8 ? "RX S" : "5165 S") + std::to_string(i % 8 + 1);
        GroupBox6.add<tk::Label>("SLabel" + std::to_string(i + 1), {STableColumnLeft(i), STableLabelTop(i), kSColumnPitch - 2, 16})
            .setCaption(caption);
    }
    Button2.setCaption("Read");
    Button1.setCaption("Set");
    Button2.onClick = [this](tk::Control& s) { Button2Click(s); };
    Button1.onClick = [this](tk::Control& s) { Button1Click(s); };
}

void TAdjust::BuildPowerTable()
{
    GroupBox1.setCaption("Table of transmission power and frequency range relationship");
    for (int level = 1; level <= PowerLevels; ++level)
        GroupBox1
            .add<tk::Label>("PowerHead" + std::to_string(level), {PowerColumnLeft(level), 20, kPowerColumnPitch - 6, 16})
            .setCaption(std::to_string(level) + "W");
    for (int row = 1; row <= PowerRows; ++row) {
        const int top = PowerRowTop(row) + 3;
        GroupBox1.add<tk::Label>("VhfLabel" + std::to_string(row), {10, top, kPowerLabelWidth, 16})
            .setCaption(VhfRowLabel(row));
        GroupBox1.add<tk::Label>("UhfLabel" + std::to_string(row), {14 + kPowerLabelWidth, top, kPowerLabelWidth, 16})
            .setCaption(UhfRowLabel(row));
    }
    Button12.setCaption("Read");
    Button6.setCaption("Set");
    Button12.onClick = [this](tk::Control& s) { Button12Click(s); };
    Button6.onClick = [this](tk::Control& s) { Button6Click(s); };
}

const char* TAdjust::VhfRowLabel(int row) { return row >= 1 && row <= PowerRows ? kVhfRows[row - 1] : ""; }

const char* TAdjust::UhfRowLabel(int row) { return row >= 1 && row <= PowerRows ? kUhfRows[row - 1] : ""; }

void TAdjust::FormCreate(tk::Control& /*Sender*/)
{
    for (tk::Control& control : GroupBox6.children())
        if (auto* box = dynamic_cast<tk::Edit*>(&control); box != nullptr && BoxNumber(*box))
            box->onChange = [this](tk::Control& s) { Edit40Change(s); };
    for (tk::Control& control : GroupBox1.children())
        if (auto* box = dynamic_cast<tk::Edit*>(&control); box != nullptr && BoxNumber(*box))
            box->onChange = [this](tk::Control& s) { Edit60Change(s); };
}

tk::Edit* TAdjust::Box(int number) const
{
    if (number < kFirstBox || number > kLastBox)
        return nullptr;
    return findChild<tk::Edit>("Edit" + std::to_string(number));
}

// ---- operations ------------------------------------------------------------------

bool TAdjust::BeginOperation()
{
    if (MForm == nullptr)
        return false;
    MForm->RzStatusPane4.setCaption("");
    if (!MForm->CheckPortOpen())
        return false;
    return !ChannelTableBusy(*MForm);
}

void TAdjust::Send(std::span<const std::uint8_t> frame) { MForm->SendFrame(frame); }

void TAdjust::ReadSingle(tk::Edit& box, std::span<const std::uint8_t> request)
{
    if (!BeginOperation())
        return;
    box.setText("");
    Send(request);
}

template <std::size_t N>
void TAdjust::SetSingle(tk::Edit& box, std::array<std::uint8_t, N> request)
{
    if (box.text().empty())
        return;
    if (!BeginOperation())
        return;
    // The box's check lets only numbers through; a text set around it is
    // not sent rather than sent as 0.
    const auto value = radio::TextToInt(box.text());
    if (!value)
        return;
    request[link::kDataOffset] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(*value) & 0xFF);
    Send(link::Sealed(request));
}

void TAdjust::ReadTable(tk::GroupBox& group, std::span<const std::uint8_t> request)
{
    if (!BeginOperation())
        return;
    for (tk::Control& control : group.children())
        if (auto* box = dynamic_cast<tk::Edit*>(&control); box != nullptr && BoxNumber(*box))
            box->setText("");
    Send(request);
}

bool TAdjust::CollectTable(const tk::GroupBox& group, int firstBox, std::span<std::uint8_t> data) const
{
    for (tk::Control& control : group.children()) {
        const auto* box = dynamic_cast<const tk::Edit*>(&control);
        const auto number = box != nullptr ? BoxNumber(*box) : std::nullopt;
        if (!number)
            continue;
        if (box->text().empty())
            return false;
        const auto value = radio::TextToInt(box->text());
        if (!value)
            return false;
        const int index = *number - firstBox;
        if (index >= 0 && static_cast<std::size_t>(index) < data.size())
            data[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(*value) & 0xFF);
    }
    return true;
}

void TAdjust::Button7Click(tk::Control& /*Sender*/) { ReadSingle(Edit38, link::Sealed(link::request::ReadRxAdjust)); }

void TAdjust::Button8Click(tk::Control& /*Sender*/) { SetSingle(Edit38, link::request::SetRxAdjust); }

void TAdjust::Button9Click(tk::Control& /*Sender*/) { ReadSingle(Edit39, link::Sealed(link::request::Read5165)); }

void TAdjust::Button10Click(tk::Control& /*Sender*/) { SetSingle(Edit39, link::request::Set5165); }

void TAdjust::Button2Click(tk::Control& /*Sender*/) { ReadTable(GroupBox6, link::Sealed(link::request::ReadSTables)); }

void TAdjust::Button12Click(tk::Control& /*Sender*/)
{
    ReadTable(GroupBox1, link::Sealed(link::request::ReadPowerTable));
}

void TAdjust::Button1Click(tk::Control& /*Sender*/)
{
    if (!BeginOperation())
        return;
    auto request = link::request::SetSTables;
    if (!CollectTable(GroupBox6, FirstSTableBox, std::span(request).subspan<link::kDataOffset, STableSize>()))
        return;
    Send(link::Sealed(request));
    MForm->Link.TransferState = link::TransferState::WritingSTables;
}

void TAdjust::Button6Click(tk::Control& /*Sender*/)
{
    if (!BeginOperation())
        return;
    auto request = link::request::SetPowerTable;
    if (!CollectTable(GroupBox1, FirstPowerTableBox,
                      std::span(request).subspan<link::kDataOffset, PowerTableSize>()))
        return;
    Send(link::Sealed(request));
    MForm->Link.TransferState = link::TransferState::WritingPowerTable;
}

void TAdjust::Button3Click(tk::Control& /*Sender*/)
{
    if (BeginOperation())
        Send(link::Sealed(link::request::Backup));
}

void TAdjust::Button4Click(tk::Control& /*Sender*/)
{
    if (BeginOperation())
        Send(link::Sealed(link::request::CheckBackup));
}

void TAdjust::Button5Click(tk::Control& /*Sender*/)
{
    if (!BeginOperation())
        return;
    Send(link::Sealed(link::request::Restore));
    MForm->Link.TransferState = link::TransferState::Restoring;
}

// ---- replies ----------------------------------------------------------------------

void TAdjust::ShowRxAdjust(std::uint8_t value) { Edit38.setText(std::to_string(value)); }

void TAdjust::Show5165(std::uint8_t value) { Edit39.setText(std::to_string(value)); }

void TAdjust::ShowSTables(std::span<const std::uint8_t> table) { FillTable(GroupBox6, FirstSTableBox, table); }

void TAdjust::ShowPowerTable(std::span<const std::uint8_t> table) { FillTable(GroupBox1, FirstPowerTableBox, table); }

void TAdjust::FillTable(tk::GroupBox& group, int firstBox, std::span<const std::uint8_t> table)
{
    for (tk::Control& control : group.children()) {
        auto* box = dynamic_cast<tk::Edit*>(&control);
        const auto number = box != nullptr ? BoxNumber(*box) : std::nullopt;
        if (!number)
            continue;
        const int index = *number - firstBox;
        if (index >= 0 && static_cast<std::size_t>(index) < table.size())
            box->setText(std::to_string(table[static_cast<std::size_t>(index)]));
    }
}

// ---- value checks -------------------------------------------------------------------

void TAdjust::Edit38Change(tk::Control& Sender)
{
    if (auto* box = dynamic_cast<tk::Edit*>(&Sender))
        CheckSingleValue(*box);
}

void TAdjust::Edit39Change(tk::Control& Sender)
{
    if (auto* box = dynamic_cast<tk::Edit*>(&Sender))
        CheckSingleValue(*box);
}

void TAdjust::Edit40Change(tk::Control& Sender)
{
    if (auto* box = dynamic_cast<tk::Edit*>(&Sender))
        CheckTableValue(*box);
}

void TAdjust::Edit60Change(tk::Control& Sender)
{
    if (auto* box = dynamic_cast<tk::Edit*>(&Sender))
        CheckTableValue(*box);
}

std::string& TAdjust::Remembered(const tk::Edit& box)
{
    const auto number = BoxNumber(box);
    if (!number || *number < kFirstBox || *number > kLastBox)
        return unnumbered_;
    return lastAccepted_[static_cast<std::size_t>(*number - kFirstBox)];
}

void TAdjust::Refuse(tk::Edit& box, const std::string& message)
{
    Message(message);
    box.setText(Remembered(box));
    box.setSelStart(box.length());
}

void TAdjust::CheckSingleValue(tk::Edit& box)
{
    const std::string text = box.text();
    if (!text.empty()) {
        // Negative values pass: the byte sent is the value's low byte.
        const auto value = radio::TextToInt(text);
        if (!value)
            Refuse(box, NotAnInteger(text));
        else if (*value > kLargestByte)
            Refuse(box, "the value is too big!");
    }
    Remembered(box) = box.text();
}

void TAdjust::CheckTableValue(tk::Edit& box)
{
    const std::string text(radio::TrimBlanks(box.text()));
    if (text != box.text()) {
        // The nested change checks the trimmed text.
        box.setText(text);
        return;
    }
    if (text.empty())
        return;
    const auto value = radio::TextToInt(text);
    if (!value)
        Refuse(box, NotAnInteger(text));
    else if (*value > kLargestByte)
        Refuse(box, "the value is too big!");
    else if (*value < 0)
        Refuse(box, "the value is too small!");
    Remembered(box) = box.text();
}

} // namespace varnel
