#pragma once

// Application-wide texts and values shared by all windows.
//
// LanguageTexts holds the message texts the windows compose their messages
// from; the main window's ApplyLanguage refills it for the chosen language
// (the modem window's sets TextSend and TextStop). Until then it holds the
// English texts, so a window used on its own (a unit test, a message shown
// before the main window exists) still shows readable text.

#include <cstdint>
#include <string>

namespace varnel {

struct TLanguageTexts {
    std::string TextOpen = "Open";
    std::string TextClose = "Close";
    std::string TextCantOpenPort = "Can't open the serial port";
    std::string TextCheckPort = ",please check it again or choose another";
    std::string TextPortNotOpen = "Please open the serial port before this operation.";
    std::string TextCantConnect =
        "Can't connect with ZR650/T.\r\n"
        "Please check the serial port configuration,power,connection,ect.";
    std::string TextUnknownDevice = "Unkown Device";
    std::string TextTimeout = "Read/Write Timeout!";
    std::string TextEmptyInput = "Find an empty input box!";
    std::string TextSelectPower = "Please select a power value!";
    std::string TextReadVersionFirst = "Please read model and version first!";
    std::string TextTransmitPrefix = "Transmit,";
    std::string TextReceivePrefix = "Recieve,";
    std::string TextFailed = "Failed!";
    std::string TextSuccess = "Success!";
    std::string TextFrequencyRange = "Frequency range:";
    std::string TextNotice = "Notice";
    std::string TextSend = "Send";
    std::string TextStop = "Stop";
};

// The English texts, for resetting LanguageTexts (a new Application starts
// from them) and for ApplyLanguage(0).
inline TLanguageTexts EnglishLanguageTexts() { return TLanguageTexts{}; }

// All message texts of a language (0 English, 1 Simplified Chinese; any
// other index gives English), TextSend and TextStop included.
TLanguageTexts LanguageTextsFor(std::uint8_t language);

inline TLanguageTexts LanguageTexts;

// 0 English, 1 Simplified Chinese.
inline constexpr std::uint8_t LanguageEnglish = 0;
inline constexpr std::uint8_t LanguageChinese = 1;
inline std::uint8_t LanguageIndex = LanguageEnglish;

// The application title, shown in the window captions and the about window.
inline constexpr const char* ApplicationTitle = "ZR650/T Varnel";

// "V" plus the leading part of the product version ("V3.8" for 3.8.1); set
// by the main window's creation handler, appended to window captions.
inline std::string VersionTag;

}  // namespace varnel
