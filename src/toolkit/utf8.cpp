#include "toolkit/utf8.h"

#include <cstdint>

namespace varnel::tk::utf8 {

namespace {

constexpr char32_t replacement = U'\uFFFD';

// Decodes one code point at text[i]; advances i.
char32_t next(std::string_view text, std::size_t& i) noexcept
{
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    std::size_t extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1Fu;
        min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0Fu;
        min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07u;
        min = 0x10000;
    } else {
        ++i;
        return replacement;
    }
    if (i + extra >= text.size()) {  // truncated sequence
        ++i;
        return replacement;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
        const std::uint8_t b = byte(i + k);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return replacement;
        }
        cp = (cp << 6) | (b & 0x3Fu);
    }
    i += extra + 1;
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return replacement;
    return cp;
}

void append(std::string& out, char32_t cp)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = replacement;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::u32string decode(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) out += next(text, i);
    return out;
}

std::string encode(std::u32string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t cp : text) append(out, cp);
    return out;
}

std::string encode(char32_t ch)
{
    std::string out;
    append(out, ch);
    return out;
}

int length(std::string_view text) noexcept
{
    int count = 0;
    for (std::size_t i = 0; i < text.size();) {
        next(text, i);
        ++count;
    }
    return count;
}

}  // namespace varnel::tk::utf8
