// The main window's texts in both languages and the message texts the other
// windows compose their messages from.
#include <string>

#include "app/language_texts.h"
#include "radio/mform.h"

namespace varnel {

namespace {

struct Text {
    const char* english;
    const char* chinese;
    const char* pick(std::uint8_t language) const { return language == LanguageChinese ? chinese : english; }
};

TLanguageTexts ChineseTexts()
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
    return t;
}

} // namespace

void TMForm::ApplyLanguage(std::uint8_t language)
{
    setCaption(ApplicationTitle);
    ApplyControlTexts(language);

    // TextSend and TextStop belong to the modem window.
    TLanguageTexts texts = language == LanguageChinese ? ChineseTexts() : EnglishLanguageTexts();
    texts.TextSend = LanguageTexts.TextSend;
    texts.TextStop = LanguageTexts.TextStop;
    LanguageTexts = std::move(texts);

    setCaption(caption() + " " + VersionTag);
}

void TMForm::ApplyControlTexts(std::uint8_t language)
{
    const auto label = [language](tk::Control& control, Text text) { control.setCaption(text.pick(language)); };
    const auto tip = [language](tk::Control& control, Text text) { control.setHint(text.pick(language)); };

    label(File1, {"&File", "文件(&F)"});
    label(OpenConfigFile1, {"Open configuration file", "打开配置文件"});
    tip(RzToolButton1, {"Open configuration file", "打开配置文件"});
    label(Savetoconfigurationfile1, {"Save to configuration file", "保存到配置文件"});
    tip(RzToolButton3, {"Save to configuration file", "保存到配置文件"});
    label(Close1, {"Close", "关闭"});
    label(RzToolButton2, {"Close", "关闭"});
    label(Program1, {"&Program", "编程(&P)"});
    label(Read1, {"Read", "读取"});
    label(RzToolButton4, {"Read", "读取"});
    label(Write1, {"Write", "写入"});
    label(RzToolButton5, {"Write", "写入"});
    label(Port1, {"P&ort", "端口(&O)"});
    label(Language1, {"&Language", "&Language"});
    label(English1, {"English", "English"});
    label(N1, {"Chinese(Simplified)", "简体中文"});
    label(Window1, {"&Window", "窗口(&W)"});
    label(ZR650TModem1, {"Modem Board Setting", "猫板设置"});
    label(RzToolButton7, {"Modem Board Setting", "猫板设置"});
    tip(RzToolButton7, {"Modem Board Setting", "猫板设置"});
    label(About1, {"&About", "关于(&A)"});
    label(RzToolButton1, {"Open", "打开"});
    label(RzToolButton3, {"Save", "保存"});
    tip(RzToolButton2, {"Terminate application", "结束程序"});
    tip(RzToolButton4, {"Read model,serial,current channel", "读型号、序列号、当前频道等"});
    tip(RzToolButton5, {"Write serial", "写入序列号"});
    label(RzToolButton6, {"Port", "端口"});
    tip(RzToolButton6, {"Config the serial port", "配置串口"});
    label(Label1, {"Model:", "型号:"});
    label(Label2, {"ID:", "编号:"});
    label(Label77, {"Hardware Version:", "硬件版本:"});
    label(Label76, {"Firmware Version:", "固件版本:"});
    label(GroupBox7, {"Current Channel", "当前频道"});
    label(Button12, {"Read", "读"});
    label(Button13, {"Write", "写"});
    label(GroupBox2, {"Squelch Level", "静噪等级"});
    label(GroupBox3, {"Band Control", "带宽控制"});
    label(Label5, {"Channel", "频道 "});
    label(Label71, {"TX Freqency", "发射频率  "});
    label(Label72, {"RX Freqency", "接收频率  "});
    label(Label73, {"TX Power", "发射功率  "});
    label(Label3, {"Frequency range:", "频率范围: "});
    label(Label4, {"Current Channel:", "当前频道:"});
    label(GroupBox4, {"Channel Control", "频道控制"});

    // The single-settings controls that carry language texts (Read and Set
    // buttons, the labels of GroupBox4 and GroupBox7) are looked up, so that
    // the groups can be filled without touching this table.
    for (const char* name : {"Button3", "Button5", "Button2", "Button1", "Button9"})
        if (tk::Control* control = findChild(name))
            label(*control, {"Read", "读取"});
    for (const char* name : {"Button4", "Button6", "Button7", "Button8", "Button10"})
        if (tk::Control* control = findChild(name))
            label(*control, {"Set", "设置"});
    if (tk::Control* control = findChild("Label75"))
        label(*control, {"TX Power:", "发射功率:"});
    if (tk::Control* control = findChild("Label55"))
        label(*control, {"Control Method:", "控制方式:"});
    if (tk::Control* control = findChild("Label6"))
        label(*control, {"Channel Set:", "频道设置:"});
}

} // namespace varnel
