#include "serial/app_lang.h"

#include <iconv.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <type_traits>

namespace THalvikFuncs {
namespace {

constexpr std::uint16_t kLangChinese = 0x04;
constexpr std::uint16_t kSubLangChineseTraditional = 0x01;  // Taiwan
constexpr std::uint16_t kSubLangChineseSimplified = 0x02;   // PRC
constexpr std::uint16_t kSubLangChineseHongKong = 0x03;
constexpr std::uint16_t kSubLangChineseSingapore = 0x04;
constexpr std::uint16_t kSubLangChineseMacau = 0x05;
constexpr std::uint16_t kLangIdEnglishUs = 0x0409;

constexpr std::uint16_t MakeLangId(std::uint16_t primary, std::uint16_t sub)
{
    return static_cast<std::uint16_t>((sub << 10) | primary);
}

struct IconvCloser {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

// Length of the double-byte character starting at text[i] (GBK and Big5 share
// the lead-byte range), or 1 for a single byte.
std::size_t CharLength(std::string_view text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    return (lead >= 0x81 && lead <= 0xFE && i + 1 < text.size()) ? 2 : 1;
}

// Character by character, so that one character without a counterpart costs
// only itself ('?') and not the rest of the text.
std::string ConvertByChar(std::string_view text, const char* from, const char* to)
{
    std::string out;
    IconvHandle cd(iconv_open(to, from));
    if (cd.get() == reinterpret_cast<iconv_t>(-1)) {
        cd.release();
        for (std::size_t i = 0; i < text.size();) {
            const std::size_t len = CharLength(text, i);
            out += len == 1 && static_cast<unsigned char>(text[i]) < 0x80 ? text[i] : '?';
            i += len;
        }
        return out;
    }
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = CharLength(text, i);
        if (len == 1 && static_cast<unsigned char>(text[i]) < 0x80) {
            out += text[i];
            i += len;
            continue;
        }
        char in[2] = {text[i], len == 2 ? text[i + 1] : '\0'};
        char buf[8];
        char* inPtr = in;
        std::size_t inLeft = len;
        char* outPtr = buf;
        std::size_t outLeft = sizeof buf;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        const std::size_t rc = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        if (rc == static_cast<std::size_t>(-1) || inLeft != 0)
            out += '?';
        else
            out.append(buf, sizeof buf - outLeft);
        i += len;
    }
    return out;
}

std::string_view LocaleFromEnvironment()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return "C";
}

}  // namespace

TAppLang::TAppLang() : LangType(LangTypeFromLanguageId(SystemLanguageId())) {}

TAppLang::TAppLang(int langType) : LangType(langType) {}

std::string TAppLang::FromGBK(std::string_view gbk) const
{
    if (LangType == ltTraditionalChinese && Big5Convert)
        return GbkToBig5(gbk);
    return std::string(gbk);
}

std::string TAppLang::ToUtf8(std::string_view text) const
{
    if (LangType == ltTraditionalChinese && Big5Convert)
        return Big5ToUtf8(text);
    return GbkToUtf8(text);
}

TAppLang& AppLang()
{
    static TAppLang instance;
    return instance;
}

std::uint16_t SystemLanguageId() { return LanguageIdFromLocale(LocaleFromEnvironment()); }

std::uint16_t LanguageIdFromLocale(std::string_view localeName)
{
    // language[_territory][.codeset][@modifier]
    const std::size_t languageEnd = localeName.find_first_of("_.@");
    const std::string_view language = localeName.substr(0, languageEnd);
    if (language.size() != 2 || std::tolower(static_cast<unsigned char>(language[0])) != 'z'
        || std::tolower(static_cast<unsigned char>(language[1])) != 'h')
        return kLangIdEnglishUs;

    std::string territory;
    if (languageEnd != std::string_view::npos && localeName[languageEnd] == '_') {
        const std::string_view rest = localeName.substr(languageEnd + 1);
        for (char c : rest.substr(0, rest.find_first_of(".@")))
            territory += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    // Plain "zh" is taken as the PRC variant, as Linux message catalogs do.
    if (territory.empty() || territory == "CN" || territory == "HANS")
        return MakeLangId(kLangChinese, kSubLangChineseSimplified);
    if (territory == "SG")
        return MakeLangId(kLangChinese, kSubLangChineseSingapore);
    if (territory == "HK")
        return MakeLangId(kLangChinese, kSubLangChineseHongKong);
    if (territory == "MO")
        return MakeLangId(kLangChinese, kSubLangChineseMacau);
    return MakeLangId(kLangChinese, kSubLangChineseTraditional);
}

int LangTypeFromLanguageId(std::uint16_t langId)
{
    const auto primary = static_cast<std::uint16_t>(langId & 0x3FF);
    const auto sub = static_cast<std::uint16_t>(langId >> 10);
    if (primary != kLangChinese)
        return TAppLang::ltEnglish;
    if (sub == kSubLangChineseSimplified || sub == kSubLangChineseSingapore)
        return TAppLang::ltSimplifiedChinese;
    return TAppLang::ltTraditionalChinese;
}

std::string GbkToBig5(std::string_view gbk) { return ConvertByChar(gbk, "GBK", "BIG5"); }
std::string GbkToUtf8(std::string_view gbk) { return ConvertByChar(gbk, "GBK", "UTF-8"); }
std::string Big5ToUtf8(std::string_view big5) { return ConvertByChar(big5, "BIG5", "UTF-8"); }

}  // namespace THalvikFuncs
