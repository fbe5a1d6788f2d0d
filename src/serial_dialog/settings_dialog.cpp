#include "serial_dialog/settings_dialog.h"

#include <array>
#include <charconv>
#include <exception>
#include <string>
#include <system_error>
#include <vector>

#include "serial/app_lang.h"
#include "serial/comm32_error.h"
#include "serial/serial_port_info.h"
#include "toolkit/application.h"

namespace varnel {

namespace {

struct TDialogText {
    int Index;
    const char* English;
    const char* Simplified;
    const char* Traditional;
};

// The library keeps its texts in GBK and converts them for the system; the
// toolkit shows UTF-8, so the table holds what that conversion ends in.
constexpr TDialogText kTexts[] = {
    {0, "&OK", "确定", "確定"},
    {1, "&Cancel", "取消", "取消"},
    {2, "COM port Setup", "端口设置", "序列埠設置"},
    {3, "COM port", "端口", "序 列 埠"},
    {4, "Baud", "波特率", "傳輸速率"},
    {5, "Parity", "奇偶校验", "奇偶校驗"},
    {6, "Byte Size", "数据位", "資料位元"},
    {7, "Stop Bits", "停止位", "停止位元"},
    {8, "Flow Control", "数据流控", "資料流控"},
    {9, "No parity", "No parity (无)", "No parity (無)"},
    {10, "Odd", "Odd (奇)", "Odd (奇)"},
    {11, "Even", "Even (偶)", "Even (偶)"},
    {12, "Mark", "Mark (标记)", "Mark (標記)"},
    {13, "None", "None (无)", "None (無)"},
    {14, "RTS/CTS", "RTS/CTS (硬件)", "RTS/CTS (硬體)"},
    {15, "Xon/Xoff", "Xon/Xoff (软件)", "Xon/Xoff (軟體)"},
    {16, "RTS/CTS & Xon/Xoff", "RTS/CTS & Xon/Xoff (硬&软)", "RTS/CTS & Xon/Xoff (硬&軟)"},
    {17, "Must select COM Port", "必须选择端口", "必須選擇序列埠"},
    {18, "Must select baud rate", "必须输入/选择波特率", "必須輸入/選擇序列傳輸速率"},
    {20, "Must select byte size", "必须选择数据位", "必須選擇資料位元"},
    {21, "Must select parity check", "必须选择奇偶校验", "必須選擇奇偶校驗"},
    {22, "Must select stop bits", "必须选择停止位", "必須選擇停止位元"},
    {23, "Must select flow control", "必须选择数据流控制", "必須選擇資料流程控制"},
    {26, "Port", "端口选项", "埠選項"},
    {27, "Modem", "调制解调器选项", "數據機選項"},
    {28, "Buffer", "缓存容量", "緩存容量"},
    {29, "Auto Answer", "自动应答", "自動回應"},
    {30, "Input Buf.", "输入缓存", "輸入緩存"},
    {31, "Output Buf.", "输出缓存", "輸出緩存"},
    {32, "Auto Answer: 0 - 255", "自动应答必须是 0 - 255 的整数", "自動回應必須是 0 - 255 的整數"},
    {33, "Input Buffer size error", "输入缓存容量错误", "輸入緩存容量錯誤"},
    {34, "Output Buffer size error", "输出缓存容量错误", "輸出緩存容量錯誤"},
    {35, "Space Parity", "Space (空格)", "Space (空白)"},
};

const std::vector<std::string> kBaudItems = {"110",   "300",   "600",   "1200",   "2400",   "4800",   "9600",  "14400",
                                             "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
const std::vector<std::string> kByteSizeItems = {"5", "6", "7", "8"};
const std::vector<std::string> kStopBitsItems = {"1", "1.5", "2"};
constexpr int kFirstByteSize = 5;

constexpr std::array<TFlowControl, 4> kFlowEntries = {TFlowControl::fcNone, TFlowControl::fcRtsCts,
                                                      TFlowControl::fcXonXoff, TFlowControl::fcRtsCtsXonXoff};

int FlowEntry(TFlowControl flow)
{
    switch (flow) {
    case TFlowControl::fcRtsCts:
        return 1;
    case TFlowControl::fcXonXoff:
    case TFlowControl::fcTranXonXoff:
        return 2;
    case TFlowControl::fcRtsCtsXonXoff:
        return 3;
    case TFlowControl::fcNone:
        break;
    }
    return 0;
}

// A decimal integer with blanks around it and an optional sign; nothing for
// any other text or a number too big to hold.
std::optional<long long> ParseDecimal(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || text.front() == '+')
        return std::nullopt;
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end)
        return std::nullopt;
    return value;
}

// Layout: the port group on the left, modem and buffer groups on the right.
constexpr int kMargin = 8;
constexpr int kGroupWidth = (TForm_QzCommDevice_Settings::ClientWidth - 3 * kMargin) / 2;
constexpr int kRightLeft = 2 * kMargin + kGroupWidth;
constexpr int kRowTop = 20;
constexpr int kRowStep = 30;
constexpr int kLabelLeft = 10;
constexpr int kLabelWidth = 66;
constexpr int kBoxLeft = kLabelLeft + kLabelWidth + 4;
constexpr int kBoxWidth = kGroupWidth - kBoxLeft - 8;
constexpr int kBoxHeight = 21;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonTop = TForm_QzCommDevice_Settings::ClientHeight - kButtonHeight - 10;
constexpr int kButtonShift = 60;

constexpr tk::Rect LabelRow(int row)
{
    return {kLabelLeft, kRowTop + row * kRowStep + 3, kLabelWidth, 16};
}

constexpr tk::Rect BoxRow(int row)
{
    return {kBoxLeft, kRowTop + row * kRowStep, kBoxWidth, kBoxHeight};
}

constexpr int GroupHeight(int rows)
{
    return kRowTop + (rows - 1) * kRowStep + kBoxHeight + 10;
}

using Style = tk::ComboBox::Style;

}  // namespace

std::string_view SettingsDialogText(int index, int langType)
{
    for (const TDialogText& text : kTexts) {
        if (text.Index != index)
            continue;
        switch (langType) {
        case THalvikFuncs::TAppLang::ltSimplifiedChinese:
            return text.Simplified;
        case THalvikFuncs::TAppLang::ltTraditionalChinese:
            return text.Traditional;
        default:
            return text.English;
        }
    }
    return {};
}

void InstallSettingsDialog()
{
    TQzCustomCommDevice::SetSettingsDialogFunction(
        [](TQzCustomCommDevice& device, tk::Control* owner, bool openAfterOk) {
            return TForm_QzCommDevice_Settings::Execute(device, owner, openAfterOk);
        });
}

TForm_QzCommDevice_Settings::TForm_QzCommDevice_Settings(tk::Control* owner, bool openAfterwards,
                                                         TQzCustomCommDevice& device)
    : tk::Form("Form_QzCommDevice_Settings", {0, 0, ClientWidth, ClientHeight}),
      GboxBase(add<tk::GroupBox>("GboxBase", {kMargin, kMargin, kGroupWidth, GroupHeight(5)})),
      lbPort(GboxBase.add<tk::Label>("lbPort", LabelRow(0))),
      CbPort(GboxBase.add<tk::ComboBox>("CbPort", BoxRow(0), Style::DropDownList)),
      lbBaud(GboxBase.add<tk::Label>("lbBaud", LabelRow(1))),
      CbSelBaud(GboxBase.add<tk::ComboBox>("CbSelBaud", BoxRow(1), Style::DropDownList)),
      lbCheck(GboxBase.add<tk::Label>("lbCheck", LabelRow(2))),
      CbParity(GboxBase.add<tk::ComboBox>("CbParity", BoxRow(2), Style::DropDownList)),
      lbBits(GboxBase.add<tk::Label>("lbBits", LabelRow(3))),
      CbByteSize(GboxBase.add<tk::ComboBox>("CbByteSize", BoxRow(3), Style::DropDownList)),
      lbStops(GboxBase.add<tk::Label>("lbStops", LabelRow(4))),
      CbStopBits(GboxBase.add<tk::ComboBox>("CbStopBits", BoxRow(4), Style::DropDownList)),
      GBoxModem(add<tk::GroupBox>("GBoxModem", {kRightLeft, kMargin, kGroupWidth, GroupHeight(2)})),
      lbFlow(GBoxModem.add<tk::Label>("lbFlow", LabelRow(0))),
      CbFlow(GBoxModem.add<tk::ComboBox>("CbFlow", BoxRow(0), Style::DropDownList)),
      lbAAns(GBoxModem.add<tk::Label>("lbAAns", LabelRow(1))),
      EditAutoAns(GBoxModem.add<tk::Edit>("EditAutoAns", BoxRow(1))),
      GBoxBuffer(add<tk::GroupBox>("GBoxBuffer", {kRightLeft, 2 * kMargin + GroupHeight(2), kGroupWidth,
                                                  GroupHeight(2)})),
      lbInbs(GBoxBuffer.add<tk::Label>("lbInbs", LabelRow(0))),
      EditInBufSize(GBoxBuffer.add<tk::Edit>("EditInBufSize", BoxRow(0))),
      lbOutbs(GBoxBuffer.add<tk::Label>("lbOutbs", LabelRow(1))),
      EditOutBufSize(GBoxBuffer.add<tk::Edit>("EditOutBufSize", BoxRow(1))),
      BnOK(add<tk::Button>("BnOK", {(ClientWidth - kButtonWidth) / 2 - kButtonShift, kButtonTop, kButtonWidth,
                                    kButtonHeight})),
      BnCancel(add<tk::Button>("BnCancel", {(ClientWidth - kButtonWidth) / 2 + kButtonShift, kButtonTop,
                                            kButtonWidth, kButtonHeight})),
      Device(device),
      OpenAfterwards(openAfterwards),
      LangType(THalvikFuncs::AppLang().LangType)
{
    setBorderStyle(BorderStyle::Dialog);
    setBorderIcons({.systemMenu = true, .minimise = false, .maximise = false});
    setPosition(Position::ScreenCentre);
    if (owner != nullptr)
        setOwner(owner->form());

    // No modal result on BnOK: a refused field keeps the dialog open.
    BnOK.setDefault(true);
    BnCancel.setCancel(true);

    CbSelBaud.setItems(kBaudItems);
    CbByteSize.setItems(kByteSizeItems);
    CbStopBits.setItems(kStopBitsItems);

    LoadTexts();
    CbPort.setItems(HalvikComm32::TCommSerialPortInfo().PortList());

    Saved.Active = Device.fGetActive();
    Saved.PortNo = Device.fGetPort();
    Saved.Baud = Device.fGetBaud();
    Saved.ByteSize = Device.fGetByteSize();
    Saved.Parity = Device.fGetParity();
    Saved.StopBits = Device.fGetStopBits();
    Saved.FlowControl = Device.fGetFlCtrl();
    Saved.AutoAnswer = Device.fGetAutAns();
    Saved.InBufSize = Device.fGetInBufSize();
    Saved.OutBufSize = Device.fGetOutBufSize();
    ShowSettings();

    onShow = [this](tk::Control& s) { FormShow(s); };
    BnOK.onClick = [this](tk::Control& s) { BnOKClick(s); };
    BnCancel.onClick = [this](tk::Control& s) { BnCancelClick(s); };
    for (tk::ComboBox* box : {&CbPort, &CbSelBaud, &CbParity, &CbByteSize, &CbStopBits, &CbFlow})
        box->onKeyPress = [this](tk::Control& s, char32_t& key) { InputKeyPress(s, key); };
    for (tk::Edit* edit : {&EditAutoAns, &EditInBufSize, &EditOutBufSize})
        edit->onKeyPress = [this](tk::Control& s, char32_t& key) { InputKeyPress(s, key); };
}

bool TForm_QzCommDevice_Settings::Execute(TQzCustomCommDevice& device, tk::Control* owner, bool openAfterwards)
{
    TForm_QzCommDevice_Settings dialog(owner, openAfterwards, device);
    return dialog.showModal() == tk::ModalResult::Ok;
}

std::string_view TForm_QzCommDevice_Settings::Text(int index) const
{
    return SettingsDialogText(index, LangType);
}

void TForm_QzCommDevice_Settings::LoadTexts()
{
    const auto text = [this](int index) { return std::string(Text(index)); };
    BnOK.setCaption(text(txOK));
    BnCancel.setCaption(text(txCancel));
    setCaption(text(txCaption));
    lbPort.setCaption(text(txPort));
    lbBaud.setCaption(text(txBaud));
    lbCheck.setCaption(text(txParity));
    lbBits.setCaption(text(txByteSize));
    lbStops.setCaption(text(txStopBits));
    lbFlow.setCaption(text(txFlow));
    GboxBase.setCaption(text(txGroupPort));
    GBoxModem.setCaption(text(txGroupModem));
    GBoxBuffer.setCaption(text(txGroupBuffer));
    lbAAns.setCaption(text(txAutoAnswer));
    lbInbs.setCaption(text(txInBuf));
    lbOutbs.setCaption(text(txOutBuf));
    CbParity.setItems({text(txNoParity), text(txOdd), text(txEven), text(txMark), text(txSpace)});
    CbFlow.setItems({text(txFlowNone), text(txFlowRtsCts), text(txFlowXonXoff), text(txFlowBoth)});
}

void TForm_QzCommDevice_Settings::ShowSettings()
{
    CbPort.setItemIndex(CbPort.indexOf(HalvikComm32::TCommSerialPortInfo::PortName(Saved.PortNo)));
    CbSelBaud.setItemIndex(static_cast<int>(Saved.Baud));
    CbByteSize.setItemIndex(Saved.ByteSize - kFirstByteSize);
    CbParity.setItemIndex(static_cast<int>(Saved.Parity));
    CbStopBits.setItemIndex(static_cast<int>(Saved.StopBits));
    CbFlow.setItemIndex(FlowEntry(Saved.FlowControl));
    EditAutoAns.setText(std::to_string(Saved.AutoAnswer));
    EditInBufSize.setText(std::to_string(Saved.InBufSize));
    EditOutBufSize.setText(std::to_string(Saved.OutBufSize));
}

void TForm_QzCommDevice_Settings::FormShow(tk::Control&)
{
    CbPort.setFocus();
}

void TForm_QzCommDevice_Settings::InputKeyPress(tk::Control&, char32_t& key)
{
    if (key == U'\r') {
        key = 0;
        BnOKClick(BnOK);
    } else if (key == U'\x1b') {
        key = 0;
        BnCancelClick(BnCancel);
    }
}

void TForm_QzCommDevice_Settings::BnOKClick(tk::Control&)
{
    const std::array<tk::Control*, 9> order = {&CbPort,     &CbSelBaud,   &CbParity,      &CbByteSize,    &CbStopBits,
                                               &CbFlow,     &EditAutoAns, &EditInBufSize, &EditOutBufSize};
    for (std::size_t i = 0; i + 1 < order.size(); ++i) {
        if (activeControl() == order[i]) {
            order[i + 1]->setFocus();
            return;
        }
    }

    const std::optional<TSettings> wanted = ReadFields();
    if (!wanted)
        return;
    try {
        ApplySettings(*wanted);
    } catch (const HalvikComm32::EComm32Error& error) {
        RestoreSettings();
        CbPort.setFocus();
        ShowError(error.Utf8Message());
        return;
    } catch (const std::exception& error) {
        RestoreSettings();
        CbPort.setFocus();
        ShowError(error.what());
        return;
    }
    setModalResult(tk::ModalResult::Ok);
}

void TForm_QzCommDevice_Settings::BnCancelClick(tk::Control&)
{
    setModalResult(tk::ModalResult::Cancel);
}

std::optional<TForm_QzCommDevice_Settings::TSettings> TForm_QzCommDevice_Settings::ReadFields()
{
    const std::array<std::pair<tk::ComboBox*, int>, 6> choices = {{{&CbPort, txNoPort},
                                                                   {&CbSelBaud, txNoBaud},
                                                                   {&CbByteSize, txNoByteSize},
                                                                   {&CbParity, txNoParityChosen},
                                                                   {&CbStopBits, txNoStopBits},
                                                                   {&CbFlow, txNoFlow}}};
    for (const auto& [box, text] : choices) {
        if (box->itemIndex() < 0) {
            Refuse(*box, text);
            return std::nullopt;
        }
    }

    const std::optional<long long> autoAnswer = ParseDecimal(EditAutoAns.text());
    if (!autoAnswer || *autoAnswer < 0 || *autoAnswer > 255) {
        Refuse(EditAutoAns, txBadAutoAnswer);
        return std::nullopt;
    }
    const std::optional<long long> inSize = ParseDecimal(EditInBufSize.text());
    if (!inSize || *inSize < MinBufSize) {
        Refuse(EditInBufSize, txBadInBuf);
        return std::nullopt;
    }
    const std::optional<long long> outSize = ParseDecimal(EditOutBufSize.text());
    if (!outSize || *outSize < MinBufSize) {
        Refuse(EditOutBufSize, txBadOutBuf);
        return std::nullopt;
    }

    TSettings wanted;
    wanted.Active = Saved.Active || OpenAfterwards;
    wanted.PortNo = HalvikComm32::TCommSerialPortInfo::PortNo(CbPort.text());
    wanted.Baud = static_cast<TBaudRate>(CbSelBaud.itemIndex());
    wanted.Parity = static_cast<TParity>(CbParity.itemIndex());
    wanted.ByteSize = CbByteSize.itemIndex() + kFirstByteSize;
    wanted.StopBits = static_cast<TStopBits>(CbStopBits.itemIndex());
    wanted.FlowControl = kFlowEntries.at(static_cast<std::size_t>(CbFlow.itemIndex()));
    wanted.AutoAnswer = static_cast<int>(*autoAnswer);
    wanted.InBufSize = static_cast<long>(*inSize);
    wanted.OutBufSize = static_cast<long>(*outSize);
    return wanted;
}

void TForm_QzCommDevice_Settings::Refuse(tk::Control& control, int text)
{
    control.setFocus();
    ShowError(Text(text));
}

void TForm_QzCommDevice_Settings::ApplySettings(const TSettings& settings)
{
    Device.fSetPort(settings.PortNo);
    Device.fSetBaud(settings.Baud);
    Device.fSetParity(settings.Parity);
    Device.fSetByteSize(settings.ByteSize);
    Device.fSetStopBits(settings.StopBits);
    Device.fSetFlCtrl(settings.FlowControl);
    Device.fSetAutAns(settings.AutoAnswer);
    Device.fSetInBufSize(settings.InBufSize);
    Device.fSetOutBufSize(settings.OutBufSize);
    Device.fSetActive(settings.Active);
}

void TForm_QzCommDevice_Settings::RestoreSettings() noexcept
{
    // Each value on its own: one that cannot be put back must not keep the
    // others from it.
    const auto putBack = [](auto&& assign) {
        try {
            assign();
        } catch (...) {
        }
    };
    putBack([&] { Device.fSetPort(Saved.PortNo); });
    putBack([&] { Device.fSetBaud(Saved.Baud); });
    putBack([&] { Device.fSetParity(Saved.Parity); });
    putBack([&] { Device.fSetByteSize(Saved.ByteSize); });
    putBack([&] { Device.fSetStopBits(Saved.StopBits); });
    putBack([&] { Device.fSetFlCtrl(Saved.FlowControl); });
    putBack([&] { Device.fSetAutAns(Saved.AutoAnswer); });
    putBack([&] { Device.fSetInBufSize(Saved.InBufSize); });
    putBack([&] { Device.fSetOutBufSize(Saved.OutBufSize); });
    putBack([&] { Device.fSetActive(Saved.Active); });
}

void TForm_QzCommDevice_Settings::ShowError(std::string_view message)
{
    tk::messageBox(std::string(message), caption(), tk::Icon::Error);
}

}  // namespace varnel
