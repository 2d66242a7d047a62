#include "tools/support/Utf8Text.h"

#include <gtest/gtest.h>

#include <string>

namespace quenvar::tools {
namespace {

TEST(BstrFromUtf8, HoldsTheWholeTextInUtf16)
{
    const struct {
        std::string text;
        std::u16string expected;
    } cases[] = {
        {"", u""},
        {"127.0.0.1:8080", u"127.0.0.1:8080"},
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"h\xC3\xA9llo \xF0\x9F\x98\x80 bad\xFF", u"h\u00E9llo \U0001F600 bad\uFFFD"},
    };
    for (const auto& c : cases) {
        const UniqueBstr bstr = BstrFromUtf8(c.text);
        ASSERT_TRUE(bstr);
        EXPECT_EQ(std::u16string(bstr.get(), SysStringLen(bstr.get())), c.expected) << c.text;
    }
}

}  // namespace
}  // namespace quenvar::tools
