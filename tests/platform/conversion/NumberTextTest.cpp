#include "platform/Win32.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// VariantChangeType from text to VT_I4, which reads text with the grammar of VarI4FromStr.
HRESULT ChangeToLong(const char16_t* text, LONG* value)
{
    VARIANT source{};
    source.vt = VT_BSTR;
    source.bstrVal = text != nullptr ? SysAllocString(text) : nullptr;
    VARIANT result{};
    const HRESULT hr = VariantChangeType(&result, &source, 0, VT_I4);
    if (SUCCEEDED(hr)) *value = result.lVal;
    VariantClear(&source);
    return hr;
}

// Each text is read by both entry points, which must agree.
TEST(VarI4FromStr, ConvertsRoundingHalfToEvenOrRefusesLeavingResultAlone)
{
    constexpr LONG kUntouched = 12345;
    struct Case {
        const char16_t* text;
        HRESULT result;
        LONG value;
    };
    const Case cases[] = {
        {u"0", S_OK, 0},
        {u"2147483647", S_OK, 2147483647},
        {u"-2147483648", S_OK, -2147483647 - 1},
        {u"0.5", S_OK, 0},
        {u"1.5", S_OK, 2},
        {u"2.5", S_OK, 2},
        {u"-0.5", S_OK, 0},
        {u"-1.5", S_OK, -2},
        {u"0.6", S_OK, 1},
        {u"-0.6", S_OK, -1},
        {u"0.5000001", S_OK, 1},
        {u"0.05", S_OK, 0},
        {u"-2147483648.5", S_OK, -2147483647 - 1},
        {u"  +0042\t", S_OK, 42},
        {u"1,000", S_OK, 1000},
        {u"-1,234,567.5", S_OK, -1234568},
        {u"\r\n 7 \n", S_OK, 7},
        {u"25E-1", S_OK, 2},
        {u"1e3", S_OK, 1000},
        {u"0e99999999999", S_OK, 0},
        {u".75", S_OK, 1},
        {u"&H10", S_OK, 16},
        {u"&hFFFFFFFF", S_OK, -1},
        {u"&O17", S_OK, 15},
        {nullptr, DISP_E_TYPEMISMATCH, kUntouched},
        {u"", DISP_E_TYPEMISMATCH, kUntouched},
        {u"   ", DISP_E_TYPEMISMATCH, kUntouched},
        {u"abc", DISP_E_TYPEMISMATCH, kUntouched},
        {u"12abc", DISP_E_TYPEMISMATCH, kUntouched},
        {u"-", DISP_E_TYPEMISMATCH, kUntouched},
        {u",5", DISP_E_TYPEMISMATCH, kUntouched},
        {u"1,5", DISP_E_TYPEMISMATCH, kUntouched},  // a decimal comma, not fifteen
        {u"1,0000", DISP_E_TYPEMISMATCH, kUntouched},
        {u"1,000,", DISP_E_TYPEMISMATCH, kUntouched},
        {u"0.50000000000000000001", S_OK, 1},
        {u"1e", DISP_E_TYPEMISMATCH, kUntouched},
        {u"&HG", DISP_E_TYPEMISMATCH, kUntouched},
        {u"2147483648", DISP_E_OVERFLOW, kUntouched},
        {u"-2147483649", DISP_E_OVERFLOW, kUntouched},
        {u"2147483647.5", DISP_E_OVERFLOW, kUntouched},
        {u"1e99999999999", DISP_E_OVERFLOW, kUntouched},
        {u"99999999999999999999999", DISP_E_OVERFLOW, kUntouched},
        {u"&H100000000", DISP_E_OVERFLOW, kUntouched},
    };
    for (const Case& c : cases) {
        const std::u16string text = c.text != nullptr ? c.text : u"(null)";
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        LONG value = kUntouched;
        EXPECT_EQ(VarI4FromStr(c.text, 0, 0, &value), c.result);
        EXPECT_EQ(value, c.value);
        LONG changed = kUntouched;
        EXPECT_EQ(ChangeToLong(c.text, &changed), c.result);
        EXPECT_EQ(changed, c.value);
    }
    EXPECT_EQ(VarI4FromStr(u"1", 0, 0, nullptr), E_INVALIDARG);
}

}  // namespace
