#pragma once

// The system's default language as a numeric language identifier: primary
// language in the low 10 bits, sublanguage in the high 6. The serial
// library's error texts are chosen by it (Chinese of the PRC or Singapore:
// simplified; other Chinese: traditional; everything else: English).

#include <cstdint>

namespace varnel::platform {

using LanguageId = std::uint16_t;

inline constexpr LanguageId kPrimaryLanguageChinese = 0x04;
inline constexpr LanguageId kPrimaryLanguageEnglish = 0x09;

inline constexpr LanguageId kLanguageEnglishUnitedStates = 0x0409;
inline constexpr LanguageId kLanguageChineseTaiwan = 0x0404;
inline constexpr LanguageId kLanguageChinesePrc = 0x0804;
inline constexpr LanguageId kLanguageChineseHongKong = 0x0C04;
inline constexpr LanguageId kLanguageChineseSingapore = 0x1004;
inline constexpr LanguageId kLanguageChineseMacao = 0x1404;

constexpr LanguageId PrimaryLanguage(LanguageId id) { return static_cast<LanguageId>(id & 0x3FF); }
constexpr LanguageId SubLanguage(LanguageId id) { return static_cast<LanguageId>(id >> 10); }

// The language of a locale environment, taken like setlocale() does for
// messages: the first of LC_ALL, LC_MESSAGES and LANG that is set and not
// empty names the locale (nullptr = not set). Locale names have the form
// language[_territory][.codeset][@modifier]; "zh" with CN, SG, TW, HK or MO
// gives the matching Chinese identifier, "zh" without a territory simplified
// Chinese of the PRC. Every other language, "C", "POSIX" and an unset
// environment give English (United States): the serial library treats every
// language other than Chinese alike.
LanguageId LanguageIdFromLocaleEnvironment(const char *lcAll, const char *lcMessages, const char *lang);

// LanguageIdFromLocaleEnvironment of this process's environment.
LanguageId SystemDefaultLanguageId();

} // namespace varnel::platform
