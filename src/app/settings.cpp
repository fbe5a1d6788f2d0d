#include "app/settings.h"

#include <algorithm>

namespace varnel::app {

std::filesystem::path SettingsFilePath(const std::filesystem::path& directory)
{
    return directory / SettingsFileName;
}

std::uint8_t LanguageIndexFromStored(int stored)
{
    // Only the low byte counts; the mask keeps negative numbers defined too.
    const auto low = static_cast<std::uint8_t>(static_cast<unsigned>(stored) & 0xFFu);
    return low > 1 ? std::uint8_t{1} : low;
}

int MatchStoredPort(const std::vector<std::string>& entries, std::string_view stored)
{
    std::string upper(stored);
    // ASCII only: port names are "COM" and digits, and a locale-dependent
    // conversion could turn a stored byte of a UTF-8 text into something else.
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
        return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return MatchStoredItem(entries, upper);
}

int MatchStoredItem(const std::vector<std::string>& items, std::string_view stored)
{
    const auto found = std::find(items.begin(), items.end(), stored);
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

}  // namespace varnel::app
