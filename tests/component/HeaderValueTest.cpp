#include "component/HeaderValue.h"
#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace quenvar {
namespace {

std::optional<std::u16string> Extract(const char* prefix, const char* text, char end)
{
    UniqueBstr target(SysAllocString(u"old"));
    std::string header(text);
    EXPECT_TRUE(ExtractHeaderValue(prefix, HeaderText(header.data()), target, end));
    // The value is ended in place for its conversion only.
    EXPECT_EQ(header, text);
    if (!target) return std::nullopt;
    return std::u16string(target.get(), SysStringLen(target.get()));
}

TEST(ExtractHeaderValue, TakesTheBytesBetweenTheSkippedByteAndTheEnd)
{
    const struct {
        const char* name;
        const char* prefix;
        const char* text;
        char end;
        std::u16string expected;
    } cases[] = {
        {"one blank, value kept whole", "Server:", "HTTP/1.1 200 OK\r\nServer: v 1 \r\n\r\n", '\r', u"v 1 "},
        {"no blank loses the first character", "Server:", "Server:abc\r\n", '\r', u"bc"},
        {"two blanks keep one", "Server:", "Server:  abc\r\n", '\r', u" abc"},
        {"first occurrence, inside another name", "Server:", "X-Server: first\r\nServer: second\r\n", '\r', u"first"},
        {"first occurrence, inside a value", "Date:", "X-Note: Date: inside\r\nDate: real\r\n", '\r', u"inside"},
        {"blank then line end is empty", "Server:", "Server: \r\n", '\r', u""},
        {"line end right after the colon is empty", "Server:", "Server:\r\nDate: d\r\n", '\r', u""},
        {"the search crosses line ends", "Server:", "Server: a\nb\r\n", '\r', u"a\nb"},
        {"version token", nullptr, "HTTP/1.0 200 OK\r\n", ' ', u"HTTP/1.0"},
        {"bytes above 0x7F through code page 1252", "Server:", "Server: caf\xE9 \x80\r\n", '\r', u"caf\u00E9 \u20AC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Extract(c.prefix, c.text, c.end), c.expected);
    }
}

TEST(ExtractHeaderValue, MissingPrefixOrEndLeavesTheTarget)
{
    const struct {
        const char* name;
        const char* prefix;
        const char* text;
        char end;
    } cases[] = {
        {"other letter case", "Server:", "HTTP/1.1 200 OK\r\nserver: lower\r\n", '\r'},
        {"absent", "Content-Location:", "HTTP/1.1 200 OK\r\nServer: s\r\n", '\r'},
        {"last line without CR", "Server:", "HTTP/1.1 200 OK\r\nServer: last", '\r'},
        {"prefix at the very end", "Server:", "HTTP/1.1 200 OK\r\nServer:", '\r'},
        {"no blank for the version", nullptr, "HTTP/1.0\r\n", ' '},
        {"empty text", nullptr, "", ' '},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Extract(c.prefix, c.text, c.end), u"old");
    }
    // A field without a string stays without one.
    UniqueBstr none;
    char header[] = "Date: d\r\n";
    EXPECT_TRUE(ExtractHeaderValue("Server:", HeaderText(header), none, '\r'));
    EXPECT_FALSE(none);
}

TEST(ExtractHeaderValue, DoubleByteCharactersAreNeverSplit)
{
    // In code page 932 a lead byte takes the next byte along, whatever it is: 0x83 0x53 is one
    // character whose second byte is 'S', and 0x83 0x20 one whose second byte is a blank.
    const struct {
        const char* name;
        const char* prefix;
        const char* text;
        char end;
        std::u16string in1252;
        std::u16string in932;
    } cases[] = {
        {"a trail byte starts no name", "Server:", "X: \x83Server: hidden\r\n", '\r', u"hidden", u"old"},
        {"the next occurrence is found", "Date:",
         "X: \x83"
         "Date: hidden\r\nDate: real\r\n",
         '\r', u"hidden", u"real"},
        {"a double-byte value", "Server:", "Server: \x83\x53\r\n", '\r', u"\u0192S", u"\u30B4"},
        {"a trail byte ends no value", nullptr, "A\x83 B C\r\n", ' ', u"A\u0192",
         u"A\u30FB"
         "B"},
        {"a lead byte before the end of the text", "Server:", "Server: a\x83", '\r', u"old", u"old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Extract(c.prefix, c.text, c.end), c.in1252);
        testing::ScopedAnsiCodePage shiftJis(932);
        EXPECT_EQ(Extract(c.prefix, c.text, c.end), c.in932);
    }
}

TEST(ExtractHeaderValue, OutOfMemoryIsAnsweredAndLeavesNothing)
{
    UniqueBstr target(SysAllocString(u"old"));
    char header[] = "Server: new\r\n";
    testing::ScopedFault fault("SysAllocStringLen", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(ExtractHeaderValue("Server:", HeaderText(header), target, '\r'));
    EXPECT_FALSE(target);
    EXPECT_STREQ(header, "Server: new\r\n");
}

}  // namespace
}  // namespace quenvar
