// Bad input to the code-page conversions: arguments refused with ERROR_INVALID_PARAMETER, and
// malformed text either replaced (the default) or refused (with the flag that asks for it).
#include "platform/Win32.h"
#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// The conversion, or "<error N>" with the error it failed with.
std::u16string Decode(UINT codePage, const std::string& bytes, DWORD flags = 0)
{
    char16_t wide[64];
    SetLastError(0);
    const int count =
        MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), wide, std::size(wide));
    if (count > 0) return std::u16string(wide, static_cast<std::size_t>(count));
    const std::string error = "<error " + std::to_string(GetLastError()) + ">";
    return std::u16string(error.begin(), error.end());
}

std::string Encode(UINT codePage, const std::u16string& wide, DWORD flags = 0, LPCSTR defaultChar = nullptr,
                   BOOL* usedDefault = nullptr)
{
    char bytes[64];
    SetLastError(0);
    const int count = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), bytes,
                                          sizeof bytes, defaultChar, usedDefault);
    if (count > 0) return std::string(bytes, static_cast<std::size_t>(count));
    return "<error " + std::to_string(GetLastError()) + ">";
}

const std::u16string kNoTranslation = u"<error 1113>";
static_assert(ERROR_NO_UNICODE_TRANSLATION == 1113);

TEST(ConversionErrors, ArgumentsThatCannotDescribeAConversionAreRefused)
{
    char16_t wide[4];
    char narrow[4];
    const char question = '?';
    BOOL usedDefault = FALSE;
    const struct {
        const char* what;
        std::function<int()> call;
    } calls[] = {
        {"empty input", [&] { return MultiByteToWideChar(CP_ACP, 0, "a", 0, wide, 4); }},
        {"negative input count", [&] { return MultiByteToWideChar(CP_ACP, 0, "a", -2, wide, 4); }},
        {"negative output count", [&] { return MultiByteToWideChar(CP_ACP, 0, "a", 1, wide, -1); }},
        {"output count without output", [&] { return MultiByteToWideChar(CP_ACP, 0, "a", 1, nullptr, 4); }},
        {"unknown code page", [&] { return WideCharToMultiByte(437, 0, u"a", 1, narrow, 4, nullptr, nullptr); }},
        {"no input", [&] { return WideCharToMultiByte(CP_ACP, 0, nullptr, 1, narrow, 4, nullptr, nullptr); }},
        {"empty wide input", [&] { return WideCharToMultiByte(CP_ACP, 0, u"a", 0, narrow, 4, nullptr, nullptr); }},
        {"negative wide count", [&] { return WideCharToMultiByte(CP_ACP, 0, u"a", -2, narrow, 4, nullptr, nullptr); }},
        {"negative byte count", [&] { return WideCharToMultiByte(CP_ACP, 0, u"a", 1, narrow, -1, nullptr, nullptr); }},
        {"byte count without bytes",
         [&] { return WideCharToMultiByte(CP_ACP, 0, u"a", 1, nullptr, 4, nullptr, nullptr); }},
        // UTF-8 holds every character: a default character has no place there.
        {"UTF-8 default character",
         [&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, narrow, 4, &question, nullptr); }},
        {"UTF-8 default flag",
         [&] { return WideCharToMultiByte(CP_UTF8, 0, u"a", 1, narrow, 4, nullptr, &usedDefault); }},
    };
    for (const auto& call : calls) {
        SetLastError(0);
        EXPECT_EQ(call.call(), 0) << call.what;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << call.what;
    }

    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", -1, narrow, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(ConversionErrors, MalformedUtf8IsReplacedPerByteOrRefused)
{
    const struct {
        const char* what;
        std::string bytes;
        std::u16string replaced;
    } cases[] = {
        {"stray continuation byte", "a\x80z", u"a\uFFFDz"},
        {"byte that starts nothing", "\xFF", u"\uFFFD"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"truncated at the end", "\xE2\x82", u"\uFFFD\uFFFD"},
        {"interrupted by ASCII", "\xE2(", u"\uFFFD("},
    };
    for (const auto& item : cases) {
        EXPECT_EQ(Decode(CP_UTF8, item.bytes), item.replaced) << item.what;
        EXPECT_EQ(Decode(CP_UTF8, item.bytes, MB_ERR_INVALID_CHARS), kNoTranslation) << item.what;
    }
}

TEST(ConversionErrors, LoneSurrogatesBecomeTheReplacementCharacterOrAreRefused)
{
    const std::u16string lone[] = {std::u16string(1, u'\xD800'), std::u16string(1, u'\xDC00'),
                                   std::u16string(u"\xD800") + u"a", std::u16string(u"a") + u"\xDBFF"};
    for (const std::u16string& text : lone) {
        const std::string replaced = Encode(CP_UTF8, text);
        EXPECT_NE(replaced.find("\xEF\xBF\xBD"), std::string::npos);
        EXPECT_EQ(Encode(CP_UTF8, text, WC_ERR_INVALID_CHARS), "<error 1113>");
    }
}

TEST(ConversionErrors, Cp932BytesWithoutACharacterAreReplacedOrRefused)
{
    quenvar::testing::ScopedAnsiCodePage codePage(932);
    const struct {
        const char* what;
        std::string bytes;
        std::u16string replaced;
    } cases[] = {
        {"byte that is no lead byte", "a\x80z", u"a\u30FBz"},
        {"byte above the lead bytes", "\xFD", u"\u30FB"},
        {"lead byte at the end", "a\x82", u"a\u30FB"},
        {"pair without a character", std::string("\x81\xAD") + "b", u"\u30FBb"},
    };
    for (const auto& item : cases) {
        EXPECT_EQ(Decode(CP_ACP, item.bytes), item.replaced) << item.what;
        EXPECT_EQ(Decode(CP_OEMCP, item.bytes, MB_ERR_INVALID_CHARS), kNoTranslation) << item.what;
    }
    EXPECT_TRUE(IsDBCSLeadByteEx(CP_ACP, 0x82));
}

TEST(ConversionErrors, CharactersACodePageLacksBecomeTheDefaultCharacter)
{
    const char star = '*';
    BOOL usedDefault = FALSE;
    {
        quenvar::testing::ScopedAnsiCodePage codePage(932);
        EXPECT_EQ(Encode(CP_ACP, u"a\u00E9\u3042", 0, &star, &usedDefault), "a*\x82\xA0");
        EXPECT_TRUE(usedDefault);
        EXPECT_EQ(Encode(932, u"ab", 0, &star, &usedDefault), "ab");
        EXPECT_FALSE(usedDefault);
    }
    EXPECT_EQ(Encode(1252, u"\u3042\u20AC", 0, &star, &usedDefault), "*\x80");
    EXPECT_TRUE(usedDefault);
}

}  // namespace
