#include "platform/Win32.h"

#include <gtest/gtest.h>

namespace {

TEST(VarI4FromStr, ConvertsRoundingHalfToEven)
{
    struct Case {
        const char16_t* text;
        LONG value;
    };
    const Case cases[] = {
        {u"0", 0},
        {u"16", 16},
        {u"2147483647", 2147483647},
        {u"-2147483648", -2147483647 - 1},
        {u"0.5", 0},
        {u"1.5", 2},
        {u"2.5", 2},
        {u"-0.5", 0},
        {u"-1.5", -2},
        {u"0.6", 1},
        {u"-0.6", -1},
        {u"0.5000001", 1},
        {u"0.05", 0},
        {u"2147483647.4", 2147483647},
        {u"-2147483648.5", -2147483647 - 1},
        {u"  42\t", 42},
        {u"+7", 7},
        {u"0007", 7},
        {u"1,000", 1000},
        {u"1e3", 1000},
        {u"25E-1", 2},
        {u"0e99999999999", 0},
        {u".75", 1},
        {u"&H10", 16},
        {u"&hFFFFFFFF", -1},
        {u"&O17", 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)));
        LONG value = 12345;
        EXPECT_EQ(VarI4FromStr(c.text, 0, 0, &value), S_OK);
        EXPECT_EQ(value, c.value);
    }
}

TEST(VarI4FromStr, RefusesTextAndOverflowLeavingResultAlone)
{
    struct Case {
        const char16_t* text;
        HRESULT result;
    };
    const Case cases[] = {
        {nullptr, DISP_E_TYPEMISMATCH},
        {u"", DISP_E_TYPEMISMATCH},
        {u"   ", DISP_E_TYPEMISMATCH},
        {u"abc", DISP_E_TYPEMISMATCH},
        {u"12abc", DISP_E_TYPEMISMATCH},
        {u"-", DISP_E_TYPEMISMATCH},
        {u".", DISP_E_TYPEMISMATCH},
        {u",5", DISP_E_TYPEMISMATCH},
        {u"1e", DISP_E_TYPEMISMATCH},
        {u"&H", DISP_E_TYPEMISMATCH},
        {u"&HG", DISP_E_TYPEMISMATCH},
        {u"2147483648", DISP_E_OVERFLOW},
        {u"-2147483649", DISP_E_OVERFLOW},
        {u"2147483647.5", DISP_E_OVERFLOW},
        {u"1e10", DISP_E_OVERFLOW},
        {u"1e99999999999", DISP_E_OVERFLOW},
        {u"99999999999999999999999", DISP_E_OVERFLOW},
        {u"&H100000000", DISP_E_OVERFLOW},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text == nullptr ? std::string("null")
                                       : std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)));
        LONG value = 12345;
        EXPECT_EQ(VarI4FromStr(c.text, 0, 0, &value), c.result);
        EXPECT_EQ(value, 12345);
    }
    EXPECT_EQ(VarI4FromStr(u"1", 0, 0, nullptr), E_INVALIDARG);
}

}  // namespace
