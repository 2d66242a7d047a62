#include "tools/support/Utf8Text.h"

#include <gtest/gtest.h>

#include <string>

namespace quenvar::tools {
namespace {

TEST(Utf8Text, BstrFromUtf8HoldsTheWholeTextAndUtf8FromBstrGivesItBack)
{
    const struct {
        std::string text;
        std::u16string wide;
        std::string back;  // invalid bytes come back as U+FFFD
    } cases[] = {
        {"", u"", ""},
        {"127.0.0.1:8080", u"127.0.0.1:8080", "127.0.0.1:8080"},
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
        {"h\xC3\xA9llo \xF0\x9F\x98\x80 bad\xFF", u"h\u00E9llo \U0001F600 bad\uFFFD",
         "h\xC3\xA9llo \xF0\x9F\x98\x80 bad\xEF\xBF\xBD"},
        {"abc\xC4\x80", u"abc\u0100", "abc\xC4\x80"},  // above ASCII without the bit of 0x80
    };
    for (const auto& c : cases) {
        const UniqueBstr bstr = BstrFromUtf8(c.text);
        ASSERT_TRUE(bstr);
        EXPECT_EQ(std::u16string(bstr.get(), SysStringLen(bstr.get())), c.wide) << c.text;
        EXPECT_EQ(Utf8FromBstr(bstr.get()), c.back);
    }
}

}  // namespace
}  // namespace quenvar::tools
