#include "serial/comm32_error.h"

#include <gtest/gtest.h>

#include <string>

#include "serial/app_lang.h"

namespace {

using HalvikComm32::EComm32Error;
using THalvikFuncs::AppLang;
using THalvikFuncs::TAppLang;

// Puts the library's language back after each test.
class Comm32ErrorTest : public ::testing::Test {
protected:
    void SetUp() override { Saved = AppLang(); }
    void TearDown() override { AppLang() = Saved; }

    static void UseLanguage(int type, bool big5 = true)
    {
        AppLang().LangType = type;
        AppLang().Big5Convert = big5;
    }

    TAppLang Saved{TAppLang::ltEnglish};
};

struct MessageCase {
    int Code;
    const char* English;
    const char* Simplified;   // UTF-8
    const char* Traditional;  // UTF-8
};

const MessageCase kMessages[] = {
    {1, "Out of memory", "内存不够", "記憶體不夠"},
    {2, "Cannot initialize read buffer", "不能初始化读缓存", "不能初始化讀緩存"},
    {3, "Cannot initialize write buffer", "不能初始化写缓存", "不能初始化寫緩存"},
    {4, "Cannot open COM port", "不能打开端口", "不能打開埠"},
    {5, "Cannot set comm-mask", "不能设置端口事件MASK", "不能設置埠事件MASK"},
    {6, "Cannot set COM port buffer size", "不能设置端口缓存", "不能設置埠緩存"},
    {7, "Cannot read COM port parameters", "不能得到端口参数", "不能得到埠參數"},
    {8, "Cannot set COM port parameters", "不能设置端口参数", "不能設置埠參數"},
    {9, "Cannot create COM port asynchronize read event", "不能创建端口异步读事件", "不能創建埠非同步讀事件"},
    {10, "Cannot create COM port asynchronize write event", "不能创建端口异步写事件", "不能創建埠非同步寫事件"},
    {11, "Cannot create COM port read thread", "不能创建端口读线程", "不能創建埠讀執行緒"},
    {12, "Cannot create COM port write thread", "不能创建端口写线程", "不能創建埠寫執行緒"},
    {13, "Cannot close COM port read thread", "不能关闭端口读线程", "不能關閉埠讀執行緒"},
    {14, "Cannot close COM port write thread", "不能关闭端口写线程", "不能關閉埠寫執行緒"},
    {0, "Unknown error", "未知错误", "未知錯誤"},
    {15, "Unknown error", "未知错误", "未知錯誤"},
    {255, "Unknown error", "未知错误", "未知錯誤"},
};

EComm32Error Raise(int code) { return EComm32Error(static_cast<EComm32Error::TErrorCode>(code)); }

TEST_F(Comm32ErrorTest, EveryCodeInEveryLanguage)
{
    for (const MessageCase& c : kMessages) {
        SCOPED_TRACE(c.Code);
        UseLanguage(TAppLang::ltEnglish);
        const EComm32Error english = Raise(c.Code);
        EXPECT_EQ(english.ErrorCode, c.Code);
        EXPECT_STREQ(english.what(), c.English);
        EXPECT_EQ(english.Utf8Message(), c.English);

        UseLanguage(TAppLang::ltSimplifiedChinese);
        const EComm32Error simplified = Raise(c.Code);
        EXPECT_EQ(simplified.Utf8Message(), c.Simplified);
        // The message itself stays in GBK on a Simplified Chinese system.
        EXPECT_EQ(simplified.Message(), std::string(EComm32Error::TableText(simplified.ErrorCode, 2)));
        EXPECT_EQ(THalvikFuncs::GbkToUtf8(simplified.Message()), c.Simplified);

        UseLanguage(TAppLang::ltTraditionalChinese);
        const EComm32Error traditional = Raise(c.Code);
        EXPECT_EQ(traditional.Utf8Message(), c.Traditional);
        EXPECT_EQ(THalvikFuncs::Big5ToUtf8(traditional.Message()), c.Traditional);
        EXPECT_EQ(EComm32Error::TableTextUtf8(traditional.ErrorCode, 3), c.Traditional);
    }
}

TEST_F(Comm32ErrorTest, TraditionalTextIsBig5OnlyWithConversionOn)
{
    UseLanguage(TAppLang::ltTraditionalChinese, true);
    // "不能打開埠" in Big5.
    EXPECT_EQ(Raise(4).Message(), "\xA4\xA3\xAF\xE0\xA5\xB4\xB6\x7D\xB0\xF0");

    UseLanguage(TAppLang::ltTraditionalChinese, false);
    const EComm32Error gbk = Raise(4);
    EXPECT_EQ(gbk.Message(), std::string(EComm32Error::TableText(EComm32Error::ecOpenPort, 3)));
    EXPECT_EQ(gbk.Utf8Message(), "不能打開埠");
}

TEST_F(Comm32ErrorTest, AnUnknownLanguageTypeFallsBackToEnglish)
{
    UseLanguage(0);
    EXPECT_STREQ(Raise(13).what(), "Cannot close COM port read thread");
    UseLanguage(7);
    EXPECT_STREQ(Raise(13).what(), "Cannot close COM port read thread");
}

TEST_F(Comm32ErrorTest, IsCaughtAsStandardException)
{
    UseLanguage(TAppLang::ltEnglish);
    try {
        throw EComm32Error(EComm32Error::ecOpenPort);
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Cannot open COM port");
    }
}

TEST(AppLangTest, LanguageTypeFromLanguageIdentifier)
{
    struct Case {
        std::uint16_t LangId;
        int Type;
    };
    const Case cases[] = {
        {0x0804, 2},  // PRC
        {0x1004, 2},  // Singapore
        {0x0404, 3},  // Taiwan
        {0x0C04, 3},  // Hong Kong
        {0x1404, 3},  // Macao
        {0x0004, 3},  // Chinese without a sublanguage
        {0x0409, 1},  // English
        {0x0407, 1},  // German
        {0x0411, 1},  // Japanese
        {0x0000, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.LangId);
        EXPECT_EQ(THalvikFuncs::LangTypeFromLanguageId(c.LangId), c.Type);
    }
}

TEST(AppLangTest, LanguageTypeFromLocaleName)
{
    struct Case {
        const char* Locale;
        int Type;
    };
    const Case cases[] = {
        {"zh_CN.UTF-8", 2}, {"zh_CN.GBK", 2}, {"zh_SG", 2},     {"zh", 2},
        {"zh_TW.UTF-8", 3}, {"zh_HK.Big5", 3}, {"zh_MO", 3},    {"zh_TW@stroke", 3},
        {"en_US.UTF-8", 1}, {"C", 1},          {"POSIX", 1},    {"de_DE", 1},
        {"", 1},            {"zhx_CN", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Locale);
        EXPECT_EQ(THalvikFuncs::LangTypeFromLanguageId(THalvikFuncs::LanguageIdFromLocale(c.Locale)), c.Type);
    }
}

TEST(AppLangTest, FromGbkLeavesTextAloneUnlessTraditionalWithBig5)
{
    const std::string gbk = "ok \xB2\xBB";  // "ok 不"
    EXPECT_EQ(TAppLang(TAppLang::ltEnglish).FromGBK(gbk), gbk);
    EXPECT_EQ(TAppLang(TAppLang::ltSimplifiedChinese).FromGBK(gbk), gbk);
    EXPECT_EQ(TAppLang(TAppLang::ltTraditionalChinese).FromGBK(gbk), "ok \xA4\xA3");
}

TEST(AppLangTest, CharactersWithoutBig5CounterpartBecomeQuestionMarks)
{
    // The simplified "读" has no Big5 code; the rest is kept.
    EXPECT_EQ(THalvikFuncs::GbkToBig5("a\xB6\xC1z"), "a?z");
    // A lone lead byte at the end is not a character.
    EXPECT_EQ(THalvikFuncs::GbkToBig5("a\xB6"), "a?");
}

}  // namespace
