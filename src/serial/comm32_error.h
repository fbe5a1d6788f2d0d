#pragma once

// Failures of the serial engine, with a numeric code and a message in the
// computer's language (THalvikFuncs::AppLang).

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

namespace HalvikComm32 {

// Exception base of the library: message text and help context.
class Exception : public std::exception {
public:
    explicit Exception(std::string message, int helpContext = 0);

    const char* what() const noexcept override { return MessageText.c_str(); }
    const std::string& Message() const noexcept { return MessageText; }
    void SetMessage(std::string message) { MessageText = std::move(message); }
    int HelpContext() const noexcept { return HelpContextId; }

private:
    std::string MessageText;
    int HelpContextId = 0;
};

class EComm32Error : public Exception {
public:
    // Codes 1-14 are raised; any other byte gives "Unknown error".
    enum TErrorCode : std::uint8_t {
        ecNone = 0,
        ecOutOfMemory = 1,
        ecInitReadBuffer = 2,
        ecInitWriteBuffer = 3,
        ecOpenPort = 4,
        ecSetCommMask = 5,
        ecSetBufferSize = 6,
        ecGetPortParams = 7,
        ecSetPortParams = 8,
        ecCreateReadEvent = 9,
        ecCreateWriteEvent = 10,
        ecCreateReadThread = 11,
        ecCreateWriteThread = 12,
        ecCloseReadThread = 13,
        ecCloseWriteThread = 14,
    };

    // Message from the table of AppLang's language, passed through FromGBK:
    // English, Simplified Chinese in GBK, or Traditional Chinese in Big5.
    explicit EComm32Error(TErrorCode code);

    TErrorCode ErrorCode;

    // The same message as UTF-8, for toolkits that show UTF-8 text.
    const std::string& Utf8Message() const noexcept { return Utf8Text; }

    // Table text (GBK bytes; English is plain ASCII) for a code and a language
    // type (2 Simplified, 3 Traditional, anything else English).
    static std::string_view TableText(TErrorCode code, int langType);
    // The table text as UTF-8.
    static std::string TableTextUtf8(TErrorCode code, int langType);

private:
    std::string Utf8Text;
};

}  // namespace HalvikComm32
