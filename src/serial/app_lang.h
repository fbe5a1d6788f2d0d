#pragma once

// The computer's language as the serial library sees it, decided once from
// the system locale, independently of the language the windows show.

#include <cstdint>
#include <string>
#include <string_view>

namespace THalvikFuncs {

class TAppLang {
public:
    enum TLangType : int {
        ltEnglish = 1,
        ltSimplifiedChinese = 2,
        ltTraditionalChinese = 3,
    };

    // Language type from the system's default language (see SystemLanguageId).
    TAppLang();
    explicit TAppLang(int langType);

    // 1 English, 2 Simplified Chinese, 3 Traditional Chinese.
    int LangType = ltEnglish;
    // Traditional Chinese text is shown in Big5 unless this is cleared.
    bool Big5Convert = true;

    // GBK text unchanged, or converted to Big5 character by character when the
    // type is Traditional Chinese and Big5Convert is set. A character without a
    // Big5 counterpart becomes '?'.
    std::string FromGBK(std::string_view gbk) const;

    // UTF-8 form of a text in the encoding FromGBK produces for this object.
    std::string ToUtf8(std::string_view text) const;
};

// The library's single language object; set up at first use from the locale.
// Change its members only before serial ports are in use.
TAppLang& AppLang();

// System default language identifier (primary language in the low 10 bits,
// sublanguage in the high 6) derived from LC_ALL, LC_MESSAGES or LANG.
std::uint16_t SystemLanguageId();
// Language identifier of a locale name such as "zh_CN.UTF-8", "zh_TW" or "C".
std::uint16_t LanguageIdFromLocale(std::string_view localeName);
// Language type for a language identifier: Chinese PRC/Singapore 2, other
// Chinese 3, anything else 1.
int LangTypeFromLanguageId(std::uint16_t langId);

// Plain conversions used by the above; '?' replaces what cannot be converted.
std::string GbkToBig5(std::string_view gbk);
std::string GbkToUtf8(std::string_view gbk);
std::string Big5ToUtf8(std::string_view big5);

}  // namespace THalvikFuncs
