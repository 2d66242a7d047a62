#include "platform/Win32.h"
#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> StepThrough(const char* text)
{
    std::vector<std::string> characters;
    for (const char* p = text; *p != '\0';) {
        const char* next = CharNextA(p);
        characters.emplace_back(p, next);
        p = next;
    }
    return characters;
}

TEST(CharNext, StopsAtTerminator)
{
    const char* empty = "";
    EXPECT_EQ(CharNextA(empty), empty);
    EXPECT_EQ(StepThrough("ab"), (std::vector<std::string>{"a", "b"}));
    // Single-byte code page: 0x82 is a character of its own.
    EXPECT_EQ(StepThrough("\x82\x5C"), (std::vector<std::string>{"\x82", "\x5C"}));
}

TEST(CharNext, Cp932NeverSplitsACharacter)
{
    quenvar::testing::ScopedAnsiCodePage codePage(932);
    // Trail bytes 0x5C ('\') and 0x27 (') belong to their lead byte, not to the syntax around them.
    EXPECT_EQ(StepThrough("a\x83\x5C"
                          "b\x82\x27"),
              (std::vector<std::string>{"a", "\x83\x5C", "b", "\x82\x27"}));
    // A lead byte right before the terminator advances one byte, never past the end.
    EXPECT_EQ(StepThrough("x\x82"), (std::vector<std::string>{"x", "\x82"}));
    const char* text = "\x83\x5C\x83\x5C";
    EXPECT_EQ(CharPrevA(text, text + 4), text + 2);
}

TEST(Lstr, CopyConcatLengthAndCompare)
{
    EXPECT_EQ(lstrlenA(nullptr), 0);
    EXPECT_EQ(lstrlenW(u"abcd"), 4);
    char buffer[8];
    lstrcpynA(buffer, "abcdefghij", 5);
    EXPECT_STREQ(buffer, "abcd");
    lstrcpyA(buffer, "ab");
    lstrcatA(buffer, "cd");
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(lstrcmpiA("ForceRemove", "FORCEREMOVE"), 0);
    EXPECT_EQ(lstrcmpiA("\xC9t\xE9", "\xE9T\xC9"), 0);
    EXPECT_LT(lstrcmpiA("abc", "ABD"), 0);
    EXPECT_GT(lstrcmpiA("abcd", "ABC"), 0);
    EXPECT_EQ(lstrcmpiA(nullptr, nullptr), 0);
    EXPECT_LT(lstrcmpiA(nullptr, "a"), 0);
}

TEST(Lstr, MissingArgumentsFailWithoutTouchingMemory)
{
    char buffer[4] = "xyz";
    EXPECT_EQ(lstrcpyA(nullptr, "a"), nullptr);
    EXPECT_EQ(lstrcpyA(buffer, nullptr), nullptr);
    EXPECT_EQ(lstrcatA(nullptr, "a"), nullptr);
    EXPECT_EQ(lstrcatA(buffer, nullptr), nullptr);
    EXPECT_EQ(lstrcpynA(buffer, "abc", 0), buffer);
    EXPECT_EQ(lstrcpynA(buffer, nullptr, 4), buffer);
    EXPECT_EQ(lstrcpynA(nullptr, "abc", 4), nullptr);
    EXPECT_STREQ(buffer, "xyz");
    EXPECT_EQ(lstrlenW(nullptr), 0);
    // NULL sorts before every string, as an empty one would.
    EXPECT_EQ(lstrcmpiA(nullptr, nullptr), 0);
    EXPECT_LT(lstrcmpiA(nullptr, ""), 0);
    EXPECT_GT(lstrcmpiA("", nullptr), 0);
    EXPECT_GT(lstrcmpiA("a", nullptr), 0);
    EXPECT_LT(lstrcmpiA("a", "B"), 0);
    // The multiplication sign sits among the Latin-1 capitals but has no lower case.
    EXPECT_NE(lstrcmpiA("\xD7", "\xF7"), 0);

    const char* text = "ab";
    EXPECT_EQ(CharNextA(nullptr), nullptr);
    EXPECT_EQ(CharPrevA(nullptr, text), nullptr);
    EXPECT_EQ(CharPrevA(text, nullptr), text);
    EXPECT_EQ(CharPrevA(text, text), text);
    // Stepping stops at a terminator that lies before `current`.
    const char embedded[] = "a\0bc";
    EXPECT_EQ(CharPrevA(embedded, embedded + 3), embedded + 1);
}

TEST(Wsprintf, Conversions)
{
    char out[1100];
    EXPECT_EQ(wsprintfA(out, "%s failed: %d", "HttpSendRequest", -2147467259), 35);
    EXPECT_STREQ(out, "HttpSendRequest failed: -2147467259");
    wsprintfA(out, "%u %x %X %08lX %c %%", 12029u, 0xbeefu, 0xbeefu, 0x2EE7u, 'z');
    EXPECT_STREQ(out, "12029 beef BEEF 00002EE7 z %");
    wsprintfA(out, "[%5d|%-5d|%05d]", -42, 7, -42);
    EXPECT_STREQ(out, "[  -42|7    |-0042]");
    wsprintfA(out, "%s", static_cast<const char*>(nullptr));
    EXPECT_STREQ(out, "(null)");
}

TEST(Wsprintf, FlagsPrecisionAndStrayPercentSigns)
{
    char out[64];
    EXPECT_EQ(wsprintfA(nullptr, "%d", 1), 0);
    EXPECT_EQ(wsprintfA(out, nullptr), 0);
    wsprintfA(out, "%#x %#X %#06x", 0x1Fu, 0x1Fu, 0x1Fu);
    EXPECT_STREQ(out, "0x1f 0X1F 0x001f");
    wsprintfA(out, "[%.3s|%8.2s|%-4.1s]", "abcdef", "xyz", "pq");
    EXPECT_STREQ(out, "[abc|      xy|p   ]");
    wsprintfA(out, "%hd %li %-05d|", 7, -8, 9);
    EXPECT_STREQ(out, "7 -8 9    |");
    // An unknown conversion prints its letter; a '%' at the very end prints nothing.
    wsprintfA(out, "%q and 100%", 1);
    EXPECT_STREQ(out, "q and 100");
}

TEST(Wsprintf, OutputBoundedTo1024Bytes)
{
    const std::string longText(2000, 'x');
    std::vector<char> out(2100, '#');
    EXPECT_EQ(wsprintfA(out.data(), "%s%s", longText.c_str(), "tail"), 1023);
    EXPECT_EQ(out[1023], '\0');
    EXPECT_EQ(out[1024], '#');
}

}  // namespace
