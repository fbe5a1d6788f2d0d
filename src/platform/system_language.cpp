#include "platform/system_language.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace varnel::platform {

namespace {

std::string lowerAscii(std::string_view text)
{
    std::string result(text);
    for (char &c : result) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

const char *firstSet(const char *lcAll, const char *lcMessages, const char *lang)
{
    for (const char *value : {lcAll, lcMessages, lang}) {
        if (value != nullptr && *value != '\0')
            return value;
    }
    return nullptr;
}

LanguageId chineseFor(std::string_view territory)
{
    if (territory == "tw")
        return kLanguageChineseTaiwan;
    if (territory == "hk")
        return kLanguageChineseHongKong;
    if (territory == "mo")
        return kLanguageChineseMacao;
    if (territory == "sg")
        return kLanguageChineseSingapore;
    return kLanguageChinesePrc;
}

} // namespace

LanguageId LanguageIdFromLocaleEnvironment(const char *lcAll, const char *lcMessages, const char *lang)
{
    const char *locale = firstSet(lcAll, lcMessages, lang);
    if (locale == nullptr)
        return kLanguageEnglishUnitedStates;

    std::string_view name(locale);
    name = name.substr(0, name.find_first_of(".@"));
    // Accept the "zh-TW" spelling as well as "zh_TW".
    const auto separator = name.find_first_of("_-");
    const std::string language = lowerAscii(name.substr(0, separator));
    const std::string territory =
        separator == std::string_view::npos ? std::string() : lowerAscii(name.substr(separator + 1));

    if (language == "zh")
        return chineseFor(territory);
    return kLanguageEnglishUnitedStates;
}

LanguageId SystemDefaultLanguageId()
{
    return LanguageIdFromLocaleEnvironment(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                                           std::getenv("LANG"));
}

} // namespace varnel::platform
