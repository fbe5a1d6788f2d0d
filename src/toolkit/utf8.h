#pragma once

// UTF-8 <-> code points for the edit boxes' character positions.
// Malformed bytes decode as U+FFFD each.

#include <string>
#include <string_view>

namespace varnel::tk::utf8 {

std::u32string decode(std::string_view text);
std::string encode(std::u32string_view text);
std::string encode(char32_t ch);
int length(std::string_view text) noexcept;

}  // namespace varnel::tk::utf8
