#include "registrar/RegistryScriptParser.h"
#include "registrar/ReplacementMap.h"

#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quenvar {
namespace {

using testing::ScopedAnsiCodePage;

struct Read {
    HRESULT result;
    std::string token;
};

// Reads tokens from `text` until one fails, into buffers of `size` bytes.
std::vector<Read> ReadAll(const std::string& text, std::size_t size = kTokenSize)
{
    ReplacementMap map;
    RegistryScriptParser parser(map);
    parser.SetCursor(text.c_str());
    std::vector<Read> reads;
    std::vector<char> buffer(size);
    for (;;) {
        const HRESULT hr = parser.NextToken(buffer.data(), buffer.size());
        reads.push_back({hr, SUCCEEDED(hr) ? std::string(buffer.data()) : std::string()});
        if (FAILED(hr)) return reads;
    }
}

std::vector<std::string> TokensOf(const std::vector<Read>& reads)
{
    std::vector<std::string> tokens;
    for (const Read& read : reads) {
        if (SUCCEEDED(read.result)) tokens.push_back(read.token);
    }
    return tokens;
}

TEST(RegistryScriptParser, SplitsTokensAtWhitespaceAndQuotes)
{
    struct Case {
        std::string text;
        std::vector<std::string> tokens;
    };
    const Case cases[] = {
        {"'it''s'", {"it's"}},
        {"''", {""}},
        {"'a b\r\n{=}'", {"a b\r\n{=}"}},
        {"''''", {"'"}},
        {"abc", {"abc"}},
        {"\t\r\n abc \t", {"abc"}},
        {"a=b {x} 'q'r", {"a=b", "{x}", "q", "r"}},
        {"ForceRemove {6C1D4F20-8A31-4E7B-9D02-5B7A3E91C4D8}",
         {"ForceRemove", "{6C1D4F20-8A31-4E7B-9D02-5B7A3E91C4D8}"}},
        {"\x0b"
         "a \x0c"
         "b",
         {"\x0b"
          "a",
          "\x0c"
          "b"}},
        {"ab'cd'", {"ab'cd'"}},
        {"'abc", {}},
        {"'abc''", {}},
        {"x 'y", {"x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::vector<Read> reads = ReadAll(c.text);
        EXPECT_EQ(TokensOf(reads), c.tokens);
        // The text ends where the next token is expected, or inside a quote.
        EXPECT_EQ(reads.back().result, DISP_E_EXCEPTION);
    }
}

TEST(RegistryScriptParser, BoundsTokensToTheirBuffer)
{
    // Room is kept for a double-byte character and the NUL: a buffer of n bytes takes tokens of
    // at most n - 2 single-byte characters, quoted or not.
    struct Case {
        std::size_t length;
        std::size_t buffer;
        bool quoted;
        HRESULT result;
    };
    const Case cases[] = {
        {4094, kTokenSize, true, S_OK},
        {4095, kTokenSize, true, DISP_E_EXCEPTION},
        {4094, kTokenSize, false, S_OK},
        {4095, kTokenSize, false, DISP_E_EXCEPTION},
        {20000, kTokenSize, false, DISP_E_EXCEPTION},
        {258, kShortTokenSize, false, S_OK},
        {259, kShortTokenSize, false, DISP_E_EXCEPTION},
        {259, kShortTokenSize, true, DISP_E_EXCEPTION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.length) + (c.quoted ? " quoted" : "") + " in " + std::to_string(c.buffer));
        const std::string token(c.length, 'k');
        const std::vector<Read> reads = ReadAll(c.quoted ? "'" + token + "'" : token, c.buffer);
        EXPECT_EQ(reads.front().result, c.result);
        if (c.result == S_OK) {
            EXPECT_EQ(reads.front().token, token);
        }
    }
}

TEST(RegistryScriptParser, WhitespaceIsTabLineFeedCarriageReturnAndSpace)
{
    for (int value = 0; value < 256; ++value) {
        const bool space = value == 9 || value == 10 || value == 13 || value == 32;
        EXPECT_EQ(RegistryScriptParser::IsSpace(static_cast<char>(value)), space) << value;
    }
}

TEST(RegistryScriptParser, DoubleByteCharactersStayWhole)
{
    ScopedAnsiCodePage codePage(932);
    // Lead byte 0x95 with trail byte 92 (a backslash), and 0x81 with trail byte 39 (a quote).
    const std::string backslashTrail = "\x95\x5c";
    const std::string quoteTrail = "\x81\x27";
    EXPECT_EQ(TokensOf(ReadAll("'" + quoteTrail + "x'")), std::vector<std::string>{quoteTrail + "x"});
    EXPECT_EQ(TokensOf(ReadAll("'a" + quoteTrail + "' b")), (std::vector<std::string>{"a" + quoteTrail, "b"}));
    EXPECT_EQ(TokensOf(ReadAll(backslashTrail + quoteTrail)), std::vector<std::string>{backslashTrail + quoteTrail});

    EXPECT_EQ(RegistryScriptParser::FindChar(backslashTrail.c_str(), '\\'), nullptr);
    EXPECT_EQ(RegistryScriptParser::FindChar("\x81\x25", '%'), nullptr);
    const std::string mixed = backslashTrail + "\\";
    EXPECT_EQ(RegistryScriptParser::FindChar(mixed.c_str(), '\\'), mixed.c_str() + 2);
}

TEST(RegistryScriptParser, SingleByteCodePageFindsEveryByte)
{
    const std::string text = "\x95\x5c";
    EXPECT_EQ(RegistryScriptParser::FindChar(text.c_str(), '\\'), text.c_str() + 1);
    EXPECT_EQ(TokensOf(ReadAll("'\x81''x'")), std::vector<std::string>{"\x81'x"});
}

}  // namespace
}  // namespace quenvar
