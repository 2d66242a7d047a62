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

TEST(Wsprintf, OutputBoundedTo1024Bytes)
{
    const std::string longText(2000, 'x');
    std::vector<char> out(2100, '#');
    EXPECT_EQ(wsprintfA(out.data(), "%s%s", longText.c_str(), "tail"), 1023);
    EXPECT_EQ(out[1023], '\0');
    EXPECT_EQ(out[1024], '#');
}

}  // namespace
