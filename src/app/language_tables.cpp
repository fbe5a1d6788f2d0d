#include "app/language_tables.h"

#include <array>
#include <cstddef>
#include <string>

#include "toolkit/control.h"

namespace varnel {

namespace language {

namespace {

constexpr Target C = Target::Caption;
constexpr Target H = Target::Hint;

constexpr ControlText kMainWindow[] = {
    {"", C, "ZR650/T Varnel", "ZR650/T Varnel"},
    {"File1", C, "&File", "文件(&F)"},
    {"OpenConfigFile1", C, "Open configuration file", "打开配置文件"},
    {"RzToolButton1", H, "Open configuration file", "打开配置文件"},
    {"Savetoconfigurationfile1", C, "Save to configuration file", "保存到配置文件"},
    {"RzToolButton3", H, "Save to configuration file", "保存到配置文件"},
    {"Close1", C, "Close", "关闭"},
    {"RzToolButton2", C, "Close", "关闭"},
    {"Program1", C, "&Program", "编程(&P)"},
    {"Read1", C, "Read", "读取"},
    {"RzToolButton4", C, "Read", "读取"},
    {"Button3", C, "Read", "读取"},
    {"Button5", C, "Read", "读取"},
    {"Button2", C, "Read", "读取"},
    {"Button1", C, "Read", "读取"},
    {"Button9", C, "Read", "读取"},
    {"Write1", C, "Write", "写入"},
    {"RzToolButton5", C, "Write", "写入"},
    {"Port1", C, "P&ort", "端口(&O)"},
    {"Language1", C, "&Language", "&Language"},
    {"English1", C, "English", "English"},
    {"N1", C, "Chinese(Simplified)", "简体中文"},
    {"Window1", C, "&Window", "窗口(&W)"},
    {"ZR650TModem1", C, "Modem Board Setting", "猫板设置"},
    {"RzToolButton7", C, "Modem Board Setting", "猫板设置"},
    {"RzToolButton7", H, "Modem Board Setting", "猫板设置"},
    {"About1", C, "&About", "关于(&A)"},
    {"RzToolButton1", C, "Open", "打开"},
    {"RzToolButton3", C, "Save", "保存"},
    {"RzToolButton2", H, "Terminate application", "结束程序"},
    {"RzToolButton4", H, "Read model,serial,current channel", "读型号、序列号、当前频道等"},
    {"RzToolButton5", H, "Write serial", "写入序列号"},
    {"RzToolButton6", C, "Port", "端口"},
    {"RzToolButton6", H, "Config the serial port", "配置串口"},
    {"Label1", C, "Model:", "型号:"},
    {"Label2", C, "ID:", "编号:"},
    {"Label77", C, "Hardware Version:", "硬件版本:"},
    {"Label76", C, "Firmware Version:", "固件版本:"},
    {"GroupBox7", C, "Current Channel", "当前频道"},
    {"Button12", C, "Read", "读"},
    {"Button13", C, "Write", "写"},
    {"GroupBox2", C, "Squelch Level", "静噪等级"},
    {"Button4", C, "Set", "设置"},
    {"Button6", C, "Set", "设置"},
    {"Button7", C, "Set", "设置"},
    {"Button8", C, "Set", "设置"},
    {"Button10", C, "Set", "设置"},
    {"GroupBox3", C, "Band Control", "带宽控制"},
    {"Label75", C, "TX Power:", "发射功率:"},
    // The column titles keep the trailing blanks they are laid out with.
    {"Label5", C, "Channel", "频道 "},
    {"Label71", C, "TX Freqency", "发射频率  "},
    {"Label72", C, "RX Freqency", "接收频率  "},
    {"Label73", C, "TX Power", "发射功率  "},
    {"Label3", C, "Frequency range:", "频率范围: "},
    {"Label4", C, "Current Channel:", "当前频道:"},
    {"GroupBox4", C, "Channel Control", "频道控制"},
    {"Label55", C, "Control Method:", "控制方式:"},
    {"Label6", C, "Channel Set:", "频道设置:"},
};

constexpr ControlText kModemWindow[] = {
    {"", C, "ZR650/T Varnel", "ZR650/T Varnel"},
    {"File1", C, "&File", "文件(&F)"},
    {"Close1", C, "Close", "关闭"},
    {"RzToolButton2", C, "Close", "关闭"},
    {"Program1", C, "&Program", "编程(&P)"},
    {"Read1", C, "Read", "读取"},
    {"RzToolButton4", C, "Read", "读取"},
    {"Write1", C, "Write", "写入"},
    {"RzToolButton5", C, "Write", "写入"},
    {"Port1", C, "P&ort", "端口(&O)"},
    {"Window1", C, "&Window", "窗口(&W)"},
    {"ZR650TModem1", C, "Radio Parameter Settings", "电台参数设置"},
    {"RzToolButton7", C, "Radio Parameter Settings", "电台参数设置"},
    {"RzToolButton7", H, "Radio Parameter Settings", "电台参数设置"},
    {"RzToolButton2", H, "Terminate application", "结束程序"},
    {"RzToolButton4", H, "Read from ZR650/T", "从ZR650/T读取"},
    {"RzToolButton5", H, "Write to ZR650/T", "写入ZR650/T"},
    {"RzToolButton6", C, "Port", "端口"},
    {"RzToolButton6", H, "Config the serial port", "配置串口"},
    {"Label2", C, "Serial port baud rate:", "串口波特率:"},
    {"Label3", C, "Serial port parity:", "串口奇偶校验:"},
    {"Label1", C, "Air data rate:", "空中速率:"},
    {"GroupBox1", C, "Parameter", "参数"},
    {"GroupBox2", C, "Data Transmission Test", "数传测试"},
    {"Button1", C, "Send", "发送"},
    {"Button2", C, "Transmit Test", "发射测试"},
    {"Button3", C, "Stop Test", "结束测试"},
    {"Label7", C, "Transmit times:", "发送次数:"},
    {"Label18", C, "Recieve times:", "接收次数:"},
    {"Label22", C, "Recieve times:", "接收次数:"},
    {"Label19", C, "Success rate:", "成功率:"},
    {"Label23", C, "Transmit timeout:", "发送超时:"},
    {"Label4", C, "Bytes:", "字节:"},
    {"Label9", C, "Bytes:", "字节:"},
};

// Port, baud rate, data bits, parity, stop bits: the rows both dialogs share,
// in each group of five labels.
constexpr std::string_view kPortEnglish[] = {"Port:", "Baudrate:", "Data Bits:", "Parity:", "Stop Bits:"};
constexpr std::string_view kPortChinese[] = {"端口:", "波特率:", "数据位:", "奇偶校验:", "停止位:"};
using PortLabels = std::array<std::string_view, 5>;

// The title, the port rows of each group, then the dialog's other rows.
template <std::size_t Groups, std::size_t Others>
constexpr auto PortDialogTable(const std::array<PortLabels, Groups>& groups,
                               const std::array<ControlText, Others>& others)
{
    std::array<ControlText, 1 + Groups * PortLabels{}.size() + Others> table{};
    std::size_t at = 0;
    table[at++] = {"", C, "Serial Port Configure", "串口配置"};
    for (const PortLabels& labels : groups)
        for (std::size_t row = 0; row < labels.size(); ++row)
            table[at++] = {labels[row], C, kPortEnglish[row], kPortChinese[row]};
    for (const ControlText& row : others)
        table[at++] = row;
    return table;
}

constexpr PortLabels kSendPortLabels{"Label3", "Label4", "Label5", "Label6", "Label7"};
constexpr PortLabels kReceivePortLabels{"Label1", "Label2", "Label8", "Label9", "Label10"};

constexpr auto kPortDialog =
    PortDialogTable(std::array<PortLabels, 1>{kSendPortLabels}, std::array{ControlText{"Button2", C, "Exit", "退出"}});

constexpr auto kTwoPortDialog = PortDialogTable(
    std::array{kSendPortLabels, kReceivePortLabels},
    std::array{ControlText{"Button3", C, "Exit", "退出"},
               ControlText{"Label11", C, "Just for recieve test:", "仅用于接收测试:"}});

constexpr ControlText kAboutBox[] = {
    {"", C, "About ", "关于 "},
    {"Label2", C, "Version ", "版本 "},
};

TLanguageTexts ChineseLanguageTexts()
{
    TLanguageTexts t;
    t.TextOpen = "打开";
    t.TextClose = "关闭";
    t.TextCantOpenPort = "无法打开串口";
    t.TextCheckPort = "，请检查它或更改另外的串口";
    t.TextPortNotOpen = "操作前请打开串口。";
    t.TextCantConnect = "无法连接ZR650/T.\r\n请检查串口配置、电源、连线等。";
    t.TextUnknownDevice = "未知设备";
    t.TextTimeout = "读/写超时！";
    t.TextEmptyInput = "有输入框为空！";
    t.TextSelectPower = "请选择功率";
    t.TextReadVersionFirst = "请先读取版本号";
    t.TextTransmitPrefix = "发送,";
    t.TextReceivePrefix = "接收,";
    t.TextFailed = "失败!";
    t.TextSuccess = "成功!";
    t.TextFrequencyRange = "频率范围:";
    t.TextNotice = "提示";
    t.TextSend = "发送";
    t.TextStop = "停止";
    return t;
}

}  // namespace

std::span<const ControlText> MainWindowTexts() noexcept { return kMainWindow; }
std::span<const ControlText> ModemWindowTexts() noexcept { return kModemWindow; }
std::span<const ControlText> PortDialogTexts() noexcept { return kPortDialog; }
std::span<const ControlText> TwoPortDialogTexts() noexcept { return kTwoPortDialog; }
std::span<const ControlText> AboutBoxTexts() noexcept { return kAboutBox; }

std::string PortButtonText(bool portOpen, std::uint8_t language)
{
    TLanguageTexts texts = LanguageTextsFor(language);
    return portOpen ? std::move(texts.TextClose) : std::move(texts.TextOpen);
}

void ApplyTextTable(tk::Control& root, std::span<const ControlText> table, std::uint8_t language)
{
    for (const ControlText& row : table) {
        tk::Control* control = row.control.empty() ? &root : root.findChild(row.control);
        if (control == nullptr)
            continue;
        std::string text(row.pick(language));
        if (row.target == Target::Caption)
            control->setCaption(std::move(text));
        else
            control->setHint(std::move(text));
    }
}

}  // namespace language

TLanguageTexts LanguageTextsFor(std::uint8_t language)
{
    return language == LanguageChinese ? language::ChineseLanguageTexts() : EnglishLanguageTexts();
}

}  // namespace varnel
