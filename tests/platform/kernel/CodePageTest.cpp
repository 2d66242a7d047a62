#include "platform/Win32.h"
#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string ToWide(UINT codePage, const std::string& bytes, DWORD flags = 0)
{
    const int needed = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(needed), u'\0');
    if (needed > 0)
        MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), wide.data(), needed);
    return wide;
}

std::string ToBytes(UINT codePage, const std::u16string& wide, BOOL* usedDefault = nullptr)
{
    const int needed =
        WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, usedDefault);
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    if (needed > 0) {
        WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), needed, nullptr,
                            usedDefault);
    }
    return bytes;
}

TEST(CodePage, Cp1252MapsEveryByteAndBack)
{
    EXPECT_EQ(GetACP(), 1252u);
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::u16string wide = ToWide(CP_ACP, all);
    ASSERT_EQ(wide.size(), all.size());
    EXPECT_EQ(wide[0x80 - 1], u'\u20AC');
    EXPECT_EQ(wide[0x81 - 1], u'\u0081');  // an unassigned byte is not an error
    EXPECT_EQ(wide[0x9F - 1], u'\u0178');
    EXPECT_EQ(wide[0xE9 - 1], u'\u00E9');
    EXPECT_EQ(ToBytes(CP_ACP, wide), all);
    EXPECT_EQ(ToWide(1252, "\x81\x8D\x8F\x90\x9D", MB_ERR_INVALID_CHARS).size(), 5u);
}

TEST(CodePage, Cp1252UnmappableBecomesDefaultChar)
{
    BOOL usedDefault = FALSE;
    EXPECT_EQ(ToBytes(CP_ACP, u"a\u4E2Db", &usedDefault), "a?b");
    EXPECT_TRUE(usedDefault);
}

TEST(CodePage, WholeStringIncludesTerminator)
{
    char16_t wide[8];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, wide, 8), 4);
    EXPECT_EQ(std::u16string_view(wide), u"abc");
    char narrow[8];
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"abc", -1, narrow, 8, nullptr, nullptr), 4);
    EXPECT_STREQ(narrow, "abc");
}

TEST(CodePage, SizingAndErrors)
{
    char16_t small[2];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, small, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, -1, small, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(437, 0, "a", -1, small, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xC3", 1, small, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
}

TEST(CodePage, Utf8RoundTripWithSurrogates)
{
    const std::string utf8 = "h\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    const std::u16string wide = ToWide(CP_UTF8, utf8);
    EXPECT_EQ(wide, u"h\u00E9\u20AC\U0001F600");
    EXPECT_EQ(ToBytes(CP_UTF8, wide), utf8);
}

TEST(CodePage, Cp932DoubleByteCharacters)
{
    quenvar::testing::ScopedAnsiCodePage codePage(932);
    EXPECT_EQ(GetACP(), 932u);
    // HIRAGANA A, halfwidth katakana, and a lead byte whose trail byte is a backslash.
    const std::string bytes =
        "\x82\xA0"
        "\xB1"
        "\x83\x5C"
        "a";
    const std::u16string wide = ToWide(CP_ACP, bytes);
    EXPECT_EQ(wide, u"\u3042\uFF71\u30BDa");
    EXPECT_EQ(ToBytes(CP_ACP, wide), bytes);
}

// The header search steps by these ranges without calling CharNextA, so the two must agree.
TEST(CodePage, LeadByteRangesAgreeWithCharNext)
{
    for (const UINT ansi : {1252u, 932u}) {
        SCOPED_TRACE(ansi);
        quenvar::testing::ScopedAnsiCodePage codePage(ansi);
        CPINFO info{};
        ASSERT_TRUE(GetCPInfo(CP_ACP, &info));
        EXPECT_EQ(info.MaxCharSize, ansi == 932 ? 2u : 1u);
        for (int b = 1; b < 256; ++b) {
            bool lead = false;
            for (UINT i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2)
                lead = lead || (b >= info.LeadByte[i] && b <= info.LeadByte[i + 1]);
            const char text[] = {static_cast<char>(b), 'x', '\0'};
            EXPECT_EQ(CharNextA(text) - text, lead ? 2 : 1) << b;
        }
    }
    CPINFO info{};
    EXPECT_FALSE(GetCPInfo(437, &info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(GetCPInfo(CP_UTF8, nullptr));
}

}  // namespace
