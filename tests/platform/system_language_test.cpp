#include "platform/system_language.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace varnel::platform {
namespace {

TEST(SystemLanguage, FromLocaleEnvironment)
{
    const struct {
        const char *lcAll;
        const char *lcMessages;
        const char *lang;
        LanguageId expected;
    } cases[] = {
        {nullptr, nullptr, nullptr, kLanguageEnglishUnitedStates},
        {nullptr, nullptr, "zh_CN.UTF-8", kLanguageChinesePrc},
        {nullptr, nullptr, "zh_SG.GBK", kLanguageChineseSingapore},
        {nullptr, nullptr, "zh_TW.Big5", kLanguageChineseTaiwan},
        {nullptr, nullptr, "zh_HK.UTF-8", kLanguageChineseHongKong},
        {nullptr, nullptr, "zh_MO", kLanguageChineseMacao},
        {nullptr, nullptr, "zh", kLanguageChinesePrc},
        {nullptr, nullptr, "zh.UTF-8", kLanguageChinesePrc},
        {nullptr, nullptr, "zh_TW@radical", kLanguageChineseTaiwan},
        {nullptr, nullptr, "ZH_tw.utf8", kLanguageChineseTaiwan},
        {nullptr, nullptr, "zh-HK", kLanguageChineseHongKong},
        {nullptr, nullptr, "en_US.UTF-8", kLanguageEnglishUnitedStates},
        {nullptr, nullptr, "de_DE.UTF-8", kLanguageEnglishUnitedStates},
        {nullptr, nullptr, "C", kLanguageEnglishUnitedStates},
        {nullptr, nullptr, "POSIX", kLanguageEnglishUnitedStates},
        {nullptr, nullptr, "C.UTF-8", kLanguageEnglishUnitedStates},
        {nullptr, nullptr, "zhx_CN", kLanguageEnglishUnitedStates},
        {nullptr, nullptr, "", kLanguageEnglishUnitedStates},
        // The first that is set and not empty decides, as for setlocale().
        {"en_US.UTF-8", "zh_CN.UTF-8", "zh_TW.UTF-8", kLanguageEnglishUnitedStates},
        {"zh_TW.UTF-8", "en_US.UTF-8", "zh_CN.UTF-8", kLanguageChineseTaiwan},
        {"", "zh_TW.UTF-8", "en_US.UTF-8", kLanguageChineseTaiwan},
        {nullptr, "", "zh_SG.UTF-8", kLanguageChineseSingapore},
        {"", "", "", kLanguageEnglishUnitedStates},
        {nullptr, "C", "zh_CN.UTF-8", kLanguageEnglishUnitedStates},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(::testing::Message() << (c.lcAll ? c.lcAll : "(unset)") << " / "
                                          << (c.lcMessages ? c.lcMessages : "(unset)") << " / "
                                          << (c.lang ? c.lang : "(unset)"));
        EXPECT_EQ(LanguageIdFromLocaleEnvironment(c.lcAll, c.lcMessages, c.lang), c.expected);
    }
}

TEST(SystemLanguage, IdentifierParts)
{
    EXPECT_EQ(PrimaryLanguage(kLanguageChinesePrc), kPrimaryLanguageChinese);
    EXPECT_EQ(SubLanguage(kLanguageChinesePrc), 0x02);
    EXPECT_EQ(SubLanguage(kLanguageChineseSingapore), 0x04);
    EXPECT_EQ(PrimaryLanguage(kLanguageChineseMacao), kPrimaryLanguageChinese);
    EXPECT_EQ(PrimaryLanguage(kLanguageEnglishUnitedStates), kPrimaryLanguageEnglish);
}

// Sets or clears an environment variable for the scope and restores it.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char *name, const char *value) : m_name(name)
    {
        if (const char *old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;
    ~ScopedEnvironment()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char *m_name;
    std::optional<std::string> m_old;
};

TEST(SystemLanguage, ReadsTheProcessEnvironment)
{
    const ScopedEnvironment all("LC_ALL", nullptr);
    const ScopedEnvironment messages("LC_MESSAGES", "zh_HK.UTF-8");
    const ScopedEnvironment lang("LANG", "en_US.UTF-8");
    EXPECT_EQ(SystemDefaultLanguageId(), kLanguageChineseHongKong);
    {
        const ScopedEnvironment override("LC_ALL", "zh_CN.UTF-8");
        EXPECT_EQ(SystemDefaultLanguageId(), kLanguageChinesePrc);
    }
    EXPECT_EQ(SystemDefaultLanguageId(), kLanguageChineseHongKong);
}

} // namespace
} // namespace varnel::platform
