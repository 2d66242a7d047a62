#include "TestObjects.h"

#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace quenvar::testing {
namespace {

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// The type and value of a variant as one comparable text.
std::string Describe(const VARIANT& v)
{
    switch (v.vt) {
    case VT_EMPTY: return "EMPTY";
    case VT_NULL: return "NULL";
    case VT_I1: return "I1:" + std::to_string(static_cast<signed char>(v.cVal));
    case VT_UI1: return "UI1:" + std::to_string(v.bVal);
    case VT_I2: return "I2:" + std::to_string(v.iVal);
    case VT_UI2: return "UI2:" + std::to_string(v.uiVal);
    case VT_I4: return "I4:" + std::to_string(v.lVal);
    case VT_UI4: return "UI4:" + std::to_string(v.ulVal);
    case VT_INT: return "INT:" + std::to_string(v.intVal);
    case VT_UINT: return "UINT:" + std::to_string(v.uintVal);
    case VT_I8: return "I8:" + std::to_string(v.llVal);
    case VT_UI8: return "UI8:" + std::to_string(v.ullVal);
    case VT_R4: return "R4:" + std::to_string(v.fltVal);
    case VT_R8: return "R8:" + std::to_string(v.dblVal);
    case VT_BOOL: return "BOOL:" + std::to_string(v.boolVal);
    case VT_BSTR: return "BSTR:" + Narrow(TextOf(v.bstrVal));
    case VT_ERROR: return "ERROR:" + std::to_string(v.scode);
    default: return "vt " + std::to_string(v.vt);
    }
}

VARIANT Of(VARTYPE type, LONGLONG value)
{
    VARIANT v = MakeVariant(type);
    v.llVal = value;
    return v;
}
VARIANT Real4(float value)
{
    VARIANT v = MakeVariant(VT_R4);
    v.fltVal = value;
    return v;
}

struct Conversion {
    const char* name;
    VARIANT source;
    VARTYPE target;
    HRESULT expected;
    std::string value;  // Describe of the result when the conversion succeeds
    USHORT flags = 0;
};

void Check(std::vector<Conversion>& rows)
{
    for (Conversion& row : rows) {
        SCOPED_TRACE(row.name);
        VARIANT result{};
        EXPECT_EQ(VariantChangeType(&result, &row.source, row.flags, row.target), row.expected);
        if (SUCCEEDED(row.expected)) EXPECT_EQ(Describe(result), row.value);
        else EXPECT_EQ(result.vt, VT_EMPTY);
        VariantClear(&result);
        VariantClear(&row.source);
    }
}

TEST(VariantChangeType, NumbersConvertWithinRange)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<Conversion> rows = {
        {"I4 to I2", I4(-5), VT_I2, S_OK, "I2:-5"},
        {"I4 beyond I2", I4(40000), VT_I2, DISP_E_OVERFLOW, ""},
        {"negative to UI4", I4(-1), VT_UI4, DISP_E_OVERFLOW, ""},
        {"I4 to UI1 top", I4(255), VT_UI1, S_OK, "UI1:255"},
        {"I4 beyond UI1", I4(256), VT_UI1, DISP_E_OVERFLOW, ""},
        {"I4 beyond I1", I4(128), VT_I1, DISP_E_OVERFLOW, ""},
        {"UI4 top to I8", Of(VT_UI4, 0xFFFFFFFF), VT_I8, S_OK, "I8:4294967295"},
        {"UI4 top to INT", Of(VT_UI4, 0xFFFFFFFF), VT_INT, DISP_E_OVERFLOW, ""},
        {"UI8 top to I8", Of(VT_UI8, -1), VT_I8, DISP_E_OVERFLOW, ""},
        {"I8 negative to UI8", Of(VT_I8, -1), VT_UI8, DISP_E_OVERFLOW, ""},
        {"I8 to R8", Of(VT_I8, 1LL << 40), VT_R8, S_OK, "R8:1099511627776.000000"},
        {"half rounds to even down", R8(2.5), VT_I4, S_OK, "I4:2"},
        {"half rounds to even up", R8(3.5), VT_I4, S_OK, "I4:4"},
        {"negative half", R8(-2.5), VT_I4, S_OK, "I4:-2"},
        {"above half", R8(2.6), VT_I4, S_OK, "I4:3"},
        {"R8 just below I4 limit", R8(2147483647.4), VT_I4, S_OK, "I4:2147483647"},
        {"R8 at I4 limit", R8(2147483648.0), VT_I4, DISP_E_OVERFLOW, ""},
        {"R8 lowest I4 half", R8(-2147483648.5), VT_I4, S_OK, "I4:-2147483648"},
        {"R8 at I8 limit", R8(9223372036854775808.0), VT_I8, DISP_E_OVERFLOW, ""},
        {"NaN to integer", R8(nan), VT_I4, DISP_E_OVERFLOW, ""},
        {"R8 beyond R4", R8(1e300), VT_R4, DISP_E_OVERFLOW, ""},
        {"R4 to R8", Real4(0.5f), VT_R8, S_OK, "R8:0.500000"},
        {"true to I4", Bool(true), VT_I4, S_OK, "I4:-1"},
        {"true to UI1", Bool(true), VT_UI1, S_OK, "UI1:255"},
        {"true to UI4", Bool(true), VT_UI4, S_OK, "UI4:4294967295"},
        {"true to R8", Bool(true), VT_R8, S_OK, "R8:-1.000000"},
        {"number to bool", I4(7), VT_BOOL, S_OK, "BOOL:-1"},
        {"zero to bool", R8(0.0), VT_BOOL, S_OK, "BOOL:0"},
        {"empty to I4", MakeVariant(VT_EMPTY), VT_I4, S_OK, "I4:0"},
        {"empty to bool", MakeVariant(VT_EMPTY), VT_BOOL, S_OK, "BOOL:0"},
        {"anything to empty", I4(3), VT_EMPTY, S_OK, "EMPTY"},
        {"null to I4", MakeVariant(VT_NULL), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {"error to I4", Of(VT_ERROR, DISP_E_PARAMNOTFOUND), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {"error to error", Of(VT_ERROR, DISP_E_PARAMNOTFOUND), VT_ERROR, S_OK, "ERROR:-2147352572"},
        {"I4 to error", I4(1), VT_ERROR, DISP_E_TYPEMISMATCH, ""},
    };
    Check(rows);
}

TEST(VariantChangeType, EveryIntegerWidthTakesItsLimitsAndRefusesOneBeyond)
{
    struct Limits {
        VARTYPE type;
        long double lowest;
        long double highest;
    };
    const Limits widths[] = {
        {VT_I1, -128, 127},
        {VT_UI1, 0, 255},
        {VT_I2, -32768, 32767},
        {VT_UI2, 0, 65535},
        {VT_I4, -2147483648.0L, 2147483647},
        {VT_UI4, 0, 4294967295.0L},
        {VT_INT, -2147483648.0L, 2147483647},
        {VT_UINT, 0, 4294967295.0L},
    };
    for (const Limits& width : widths) {
        for (const long double limit : {width.lowest, width.highest}) {
            const long double beyond = limit == width.lowest ? limit - 1 : limit + 1;
            // The limits from each kind of source: a signed and an unsigned 64-bit integer, a real.
            const struct {
                VARIANT source;
                bool fits;
            } sources[] = {
                {Of(VT_I8, static_cast<LONGLONG>(limit)), true},
                {Of(VT_I8, static_cast<LONGLONG>(beyond)), false},
                {R8(static_cast<double>(limit)), true},
                {R8(static_cast<double>(beyond)), false},
                {Of(VT_UI8, static_cast<LONGLONG>(limit < 0 ? -limit : limit)), limit >= 0},
            };
            for (const auto& source : sources) {
                SCOPED_TRACE(Describe(source.source) + " to vt " + std::to_string(width.type));
                VARIANT result{};
                EXPECT_EQ(VariantChangeType(&result, &source.source, 0, width.type),
                          source.fits ? S_OK : DISP_E_OVERFLOW);
                EXPECT_EQ(result.vt, source.fits ? width.type : VARTYPE{VT_EMPTY});
            }
        }
    }
    // The 64-bit widths from reals: their limits are powers of two, exactly representable.
    std::vector<Conversion> rows = {
        {"R8 at the lowest I8", R8(-9223372036854775808.0), VT_I8, S_OK, "I8:-9223372036854775808"},
        {"R8 below the lowest I8", R8(-9223372036854777856.0), VT_I8, DISP_E_OVERFLOW, ""},
        {"R8 negative to UI8", R8(-1.0), VT_UI8, DISP_E_OVERFLOW, ""},
        {"R8 at the UI8 limit", R8(18446744073709551616.0), VT_UI8, DISP_E_OVERFLOW, ""},
        {"R8 to UI8", R8(4294967296.0), VT_UI8, S_OK, "UI8:4294967296"},
        {"NaN to UI1", R8(std::numeric_limits<double>::quiet_NaN()), VT_UI1, DISP_E_OVERFLOW, ""},
        {"I8 lowest to R4", Of(VT_I8, std::numeric_limits<LONGLONG>::min()), VT_R4, S_OK,
         "R4:-9223372036854775808.000000"},
        {"UI8 top to R8", Of(VT_UI8, -1), VT_R8, S_OK, "R8:18446744073709551616.000000"},
        {"infinity stays infinite in R4", R8(std::numeric_limits<double>::infinity()), VT_R4, S_OK, "R4:inf"},
        {"false to UI2", Bool(false), VT_UI2, S_OK, "UI2:0"},
        {"true to UI2", Bool(true), VT_UI2, S_OK, "UI2:65535"},
        {"true to UI8", Bool(true), VT_UI8, S_OK, "UI8:18446744073709551615"},
        {"true to I8", Bool(true), VT_I8, S_OK, "I8:-1"},
    };
    Check(rows);
}

TEST(VariantChangeType, TextConvertsWithTheInvariantSeparators)
{
    std::vector<Conversion> rows = {
        {"blanks around", Text(u" \t42 "), VT_I4, S_OK, "I4:42"},
        {"plus sign", Text(u"+7"), VT_I2, S_OK, "I2:7"},
        {"I4 lowest", Text(u"-2147483648"), VT_I4, S_OK, "I4:-2147483648"},
        {"beyond I4", Text(u"2147483648"), VT_I4, DISP_E_OVERFLOW, ""},
        {"fraction rounds half to even", Text(u"2.5"), VT_I4, S_OK, "I4:2"},
        {"fraction rounds up", Text(u"1.5"), VT_I4, S_OK, "I4:2"},
        {"exponent", Text(u"1E3"), VT_I2, S_OK, "I2:1000"},
        {"I8 top exactly", Text(u"9223372036854775807"), VT_I8, S_OK, "I8:9223372036854775807"},
        {"I8 lowest exactly", Text(u"-9223372036854775808"), VT_I8, S_OK, "I8:-9223372036854775808"},
        {"UI8 top exactly", Text(u"18446744073709551615"), VT_UI8, S_OK, "UI8:18446744073709551615"},
        {"beyond UI8", Text(u"18446744073709551616"), VT_UI8, DISP_E_OVERFLOW, ""},
        {"real", Text(u"-3.25"), VT_R8, S_OK, "R8:-3.250000"},
        {"beyond double", Text(u"1e400"), VT_R8, DISP_E_OVERFLOW, ""},
        {"letters", Text(u"abc"), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {"trailing letters", Text(u"12abc"), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {"empty text", Text(u""), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {"only blanks", Text(u"  "), VT_R8, DISP_E_TYPEMISMATCH, ""},
        {"comma decimal", Text(u"1,5"), VT_R8, DISP_E_TYPEMISMATCH, ""},
        {"lone point", Text(u"."), VT_R8, DISP_E_TYPEMISMATCH, ""},
        {"exponent without digits", Text(u"1e"), VT_R8, DISP_E_TYPEMISMATCH, ""},
        {"null text", MakeVariant(VT_BSTR), VT_I4, DISP_E_TYPEMISMATCH, ""},
        {"True word", Text(u"True"), VT_BOOL, S_OK, "BOOL:-1"},
        {"false in lower case", Text(u" false "), VT_BOOL, S_OK, "BOOL:0"},
        {"number as truth", Text(u"2"), VT_BOOL, S_OK, "BOOL:-1"},
        {"zero as truth", Text(u"0"), VT_BOOL, S_OK, "BOOL:0"},
        {"other word as truth", Text(u"yes"), VT_BOOL, DISP_E_TYPEMISMATCH, ""},
        {"fraction as truth", Text(u"0.25"), VT_BOOL, S_OK, "BOOL:-1"},
        {"hexadecimal zero as truth", Text(u"&H0"), VT_BOOL, S_OK, "BOOL:0"},
        {"separators to R8", Text(u"1,000.25"), VT_R8, S_OK, "R8:1000.250000"},
        {"hexadecimal to R8", Text(u"&HFFFF"), VT_R8, S_OK, "R8:65535.000000"},
        {"too small for a double", Text(u"1e-400"), VT_R8, S_OK, "R8:0.000000"},
        {"hexadecimal pattern to I2", Text(u"&HFFFF"), VT_I2, S_OK, "I2:-1"},
        {"hexadecimal to UI2", Text(u"&HFFFF"), VT_UI2, S_OK, "UI2:65535"},
        {"hexadecimal beyond I2", Text(u"&H10000"), VT_I2, DISP_E_OVERFLOW, ""},
        {"octal pattern to I1", Text(u"&O377"), VT_I1, S_OK, "I1:-1"},
        {"hexadecimal pattern to I8", Text(u"&HFFFFFFFFFFFFFFFF"), VT_I8, S_OK, "I8:-1"},
        {"hexadecimal to UI8", Text(u"&HFFFFFFFFFFFFFFFF"), VT_UI8, S_OK, "UI8:18446744073709551615"},
        {"negative beyond I8", Text(u"-9223372036854775809"), VT_I8, DISP_E_OVERFLOW, ""},
        {"I4 to text", I4(-42), VT_BSTR, S_OK, "BSTR:-42"},
        {"UI8 to text", Of(VT_UI8, -1), VT_BSTR, S_OK, "BSTR:18446744073709551615"},
        {"R8 to text", R8(2.5), VT_BSTR, S_OK, "BSTR:2.5"},
        {"R8 tenth to text", R8(0.1), VT_BSTR, S_OK, "BSTR:0.1"},
        {"R8 with exponent", R8(1e20), VT_BSTR, S_OK, "BSTR:1E+20"},
        {"R4 to text", Real4(0.1f), VT_BSTR, S_OK, "BSTR:0.1"},
        {"true as number text", Bool(true), VT_BSTR, S_OK, "BSTR:-1"},
        {"false as number text", Bool(false), VT_BSTR, S_OK, "BSTR:0"},
        {"true as word", Bool(true), VT_BSTR, S_OK, "BSTR:True", VARIANT_ALPHABOOL},
        {"false as word", Bool(false), VT_BSTR, S_OK, "BSTR:False", VARIANT_ALPHABOOL},
        {"empty to text", MakeVariant(VT_EMPTY), VT_BSTR, S_OK, "BSTR:"},
        {"null to text", MakeVariant(VT_NULL), VT_BSTR, DISP_E_TYPEMISMATCH, ""},
        {"text to text", Text(u"same"), VT_BSTR, S_OK, "BSTR:same"},
    };
    Check(rows);
}

TEST(VariantChangeType, ReferencesAreReadThrough)
{
    LONG number = 12;
    BSTR text = SysAllocString(u"34");
    VARIANT inner = Text(u"56");
    VARIANT innerReference = ByRef(VT_I4, &number);
    VARIANT nested = ByRef(VT_VARIANT, &inner);
    std::vector<Conversion> rows = {
        {"long by reference", ByRef(VT_I4, &number), VT_BSTR, S_OK, "BSTR:12"},
        {"text by reference", ByRef(VT_BSTR, &text), VT_I4, S_OK, "I4:34"},
        {"variant by reference", ByRef(VT_VARIANT, &inner), VT_I2, S_OK, "I2:56"},
        {"variant holding a reference", ByRef(VT_VARIANT, &innerReference), VT_R8, S_OK, "R8:12.000000"},
        {"reference to a variant reference", ByRef(VT_VARIANT, &nested), VT_I4, DISP_E_BADVARTYPE, ""},
        {"null reference", ByRef(VT_I4, nullptr), VT_I4, E_INVALIDARG, ""},
    };
    Check(rows);
    EXPECT_EQ(number, 12);
    EXPECT_EQ(TextOf(text), u"34");
    EXPECT_EQ(TextOf(inner.bstrVal), u"56");
    SysFreeString(text);
    VariantClear(&inner);
}

// A value followed by bytes that a read of the wrong width would take in.
struct Slot {
    alignas(16) unsigned char bytes[32];
};

template <typename T>
Slot SlotOf(T value)
{
    Slot slot;
    std::memset(slot.bytes, 0x5A, sizeof slot.bytes);
    std::memcpy(slot.bytes, &value, sizeof value);
    return slot;
}

TEST(VariantChangeType, EveryReferenceIsReadAtItsOwnWidth)
{
    Slot slots[] = {SlotOf<signed char>(-5),
                    SlotOf<BYTE>(200),
                    SlotOf<SHORT>(-300),
                    SlotOf<USHORT>(60000),
                    SlotOf<ULONG>(4000000000u),
                    SlotOf<INT>(-7),
                    SlotOf<UINT>(7),
                    SlotOf<LONGLONG>(-5000000000LL),
                    SlotOf<ULONGLONG>(5000000000ULL),
                    SlotOf<float>(0.25f),
                    SlotOf<double>(-0.5),
                    SlotOf<VARIANT_BOOL>(VARIANT_TRUE),
                    SlotOf<SCODE>(DISP_E_PARAMNOTFOUND)};
    std::vector<Conversion> rows = {
        {"I1", ByRef(VT_I1, slots[0].bytes), VT_BSTR, S_OK, "BSTR:-5"},
        {"UI1", ByRef(VT_UI1, slots[1].bytes), VT_BSTR, S_OK, "BSTR:200"},
        {"I2", ByRef(VT_I2, slots[2].bytes), VT_BSTR, S_OK, "BSTR:-300"},
        {"UI2", ByRef(VT_UI2, slots[3].bytes), VT_BSTR, S_OK, "BSTR:60000"},
        {"UI4", ByRef(VT_UI4, slots[4].bytes), VT_BSTR, S_OK, "BSTR:4000000000"},
        {"INT", ByRef(VT_INT, slots[5].bytes), VT_BSTR, S_OK, "BSTR:-7"},
        {"UINT", ByRef(VT_UINT, slots[6].bytes), VT_BSTR, S_OK, "BSTR:7"},
        {"I8", ByRef(VT_I8, slots[7].bytes), VT_BSTR, S_OK, "BSTR:-5000000000"},
        {"UI8", ByRef(VT_UI8, slots[8].bytes), VT_BSTR, S_OK, "BSTR:5000000000"},
        {"R4", ByRef(VT_R4, slots[9].bytes), VT_BSTR, S_OK, "BSTR:0.25"},
        {"R8", ByRef(VT_R8, slots[10].bytes), VT_BSTR, S_OK, "BSTR:-0.5"},
        {"BOOL", ByRef(VT_BOOL, slots[11].bytes), VT_I4, S_OK, "I4:-1"},
        {"ERROR", ByRef(VT_ERROR, slots[12].bytes), VT_ERROR, S_OK, "ERROR:-2147352572"},
    };
    Check(rows);

    // The types that convert only to themselves still come through a reference whole.
    CY currency{};
    currency.int64 = 123456;
    DATE date = 45000.5;
    DECIMAL decimal{};
    decimal.Lo64 = 99;
    decimal.scale = 2;
    IUnknown* nothing = nullptr;
    const struct {
        VARTYPE type;
        void* target;
    } wholes[] = {{VT_CY, &currency}, {VT_DATE, &date}, {VT_DECIMAL, &decimal}, {VT_UNKNOWN, &nothing}};
    for (const auto& whole : wholes) {
        SCOPED_TRACE(whole.type);
        VARIANT reference = ByRef(whole.type, whole.target);
        VARIANT result{};
        ASSERT_EQ(VariantChangeType(&result, &reference, 0, whole.type), S_OK);
        EXPECT_EQ(result.vt, whole.type);
        switch (whole.type) {
        case VT_CY: EXPECT_EQ(result.cyVal.int64, 123456); break;
        case VT_DATE: EXPECT_EQ(result.date, 45000.5); break;
        case VT_DECIMAL: EXPECT_EQ(result.decVal.Lo64, 99u); break;
        default: EXPECT_EQ(result.punkVal, nullptr); break;
        }
        VariantClear(&result);
    }
    VARIANT decimalReference = ByRef(VT_DECIMAL, &decimal);
    VARIANT result{};
    EXPECT_EQ(VariantChangeType(&result, &decimalReference, 0, VT_I4), DISP_E_TYPEMISMATCH);
}

TEST(VariantChangeType, BadTypesAreRefused)
{
    const VARTYPE targets[] = {15, VT_VARIANT, VT_BYREF | VT_I4, VT_ARRAY | VT_I4, VT_RECORD};
    for (VARTYPE target : targets) {
        SCOPED_TRACE(target);
        VARIANT source = I4(1);
        VARIANT result{};
        EXPECT_EQ(VariantChangeType(&result, &source, 0, target), DISP_E_BADVARTYPE);
    }
    VARIANT odd = MakeVariant(0x7F);
    VARIANT result{};
    EXPECT_EQ(VariantChangeType(&result, &odd, 0, VT_I4), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantChangeType(nullptr, &odd, 0, VT_I4), E_INVALIDARG);
}

TEST(VariantChangeType, InPlaceReplacesTheOldValue)
{
    VARIANT value = Text(u"7");
    ASSERT_EQ(VariantChangeType(&value, &value, 0, VT_I4), S_OK);
    EXPECT_EQ(Describe(value), "I4:7");
    ASSERT_EQ(VariantChangeType(&value, &value, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Describe(value), "BSTR:7");
    ASSERT_EQ(VariantChangeType(&value, &value, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Describe(value), "BSTR:7");
    VariantClear(&value);
}

TEST(VariantChangeType, FailureLeavesDestinationAsItWas)
{
    VARIANT destination = Text(u"kept");
    const BSTR kept = destination.bstrVal;
    VARIANT source = Text(u"not a number");
    EXPECT_EQ(VariantChangeType(&destination, &source, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(destination.vt, VT_BSTR);
    EXPECT_EQ(destination.bstrVal, kept);

    VARIANT number = I4(5);
    {
        ScopedFault fault("SysAllocStringLen", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(VariantChangeType(&destination, &number, 0, VT_BSTR), E_OUTOFMEMORY);
    }
    EXPECT_EQ(destination.bstrVal, kept);
    VariantClear(&destination);
    VariantClear(&source);
}

TEST(VariantChangeType, InterfacesConvertByQueryAndCount)
{
    CountedObject dispatch(/*isDispatch=*/true);
    CountedObject plain(/*isDispatch=*/false);

    VARIANT unknown = MakeVariant(VT_UNKNOWN);
    unknown.punkVal = &dispatch;
    VARIANT result{};
    ASSERT_EQ(VariantChangeType(&result, &unknown, 0, VT_DISPATCH), S_OK);
    EXPECT_EQ(result.vt, VT_DISPATCH);
    EXPECT_EQ(result.pdispVal, &dispatch);
    EXPECT_EQ(dispatch.references, 2);
    VARIANT back{};
    ASSERT_EQ(VariantChangeType(&back, &result, 0, VT_UNKNOWN), S_OK);
    EXPECT_EQ(dispatch.references, 3);
    VariantClear(&back);
    VariantClear(&result);
    EXPECT_EQ(dispatch.references, 1);

    unknown.punkVal = &plain;
    EXPECT_EQ(VariantChangeType(&result, &unknown, 0, VT_DISPATCH), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(plain.references, 1);
    EXPECT_EQ(VariantChangeType(&result, &unknown, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
    VARIANT number = I4(1);
    EXPECT_EQ(VariantChangeType(&result, &number, 0, VT_UNKNOWN), DISP_E_TYPEMISMATCH);

    IDispatch* pointer = &dispatch;
    VARIANT reference = ByRef(VT_DISPATCH, &pointer);
    ASSERT_EQ(VariantChangeType(&result, &reference, 0, VT_DISPATCH), S_OK);
    EXPECT_EQ(dispatch.references, 2);
    VariantClear(&result);
    EXPECT_EQ(dispatch.references, 1);
}

}  // namespace
}  // namespace quenvar::testing
