#include "TestObjects.h"

#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quenvar::testing {
namespace {

TEST(Variant, CopyDuplicatesTextAndKeepsOddByteLength)
{
    VARIANT source = MakeVariant(VT_BSTR);
    source.bstrVal = SysAllocStringByteLen("abc", 3);
    VARIANT copy = Text(u"old value, freed by the copy");
    ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
    EXPECT_EQ(copy.vt, VT_BSTR);
    EXPECT_NE(copy.bstrVal, source.bstrVal);
    EXPECT_EQ(SysStringByteLen(copy.bstrVal), 3u);
    EXPECT_EQ(std::memcmp(copy.bstrVal, "abc", 3), 0);
    EXPECT_EQ(VariantClear(&source), S_OK);
    EXPECT_EQ(source.vt, VT_EMPTY);
    EXPECT_EQ(std::memcmp(copy.bstrVal, "abc", 3), 0);
    VariantClear(&copy);
}

TEST(Variant, InterfacesAreCountedAndReferencesAreNot)
{
    CountedObject object(/*isDispatch=*/true);
    VARIANT held = MakeVariant(VT_DISPATCH);
    held.pdispVal = &object;
    VARIANT copy{};
    ASSERT_EQ(VariantCopy(&copy, &held), S_OK);
    EXPECT_EQ(object.references, 2);
    EXPECT_EQ(VariantClear(&copy), S_OK);
    EXPECT_EQ(object.references, 1);

    BSTR owned = SysAllocString(u"kept");
    VARIANT reference = ByRef(VT_BSTR, &owned);
    ASSERT_EQ(VariantCopy(&copy, &reference), S_OK);
    EXPECT_EQ(copy.pbstrVal, &owned);
    EXPECT_EQ(VariantClear(&copy), S_OK);
    EXPECT_EQ(VariantClear(&reference), S_OK);
    EXPECT_EQ(TextOf(owned), u"kept");
    SysFreeString(owned);

    VARIANT nothing = MakeVariant(VT_UNKNOWN);
    EXPECT_EQ(VariantCopy(&copy, &nothing), S_OK);
    EXPECT_EQ(VariantClear(&copy), S_OK);
}

TEST(Variant, UnknownTypesAreRefusedUntouched)
{
    const VARTYPE bad[] = {15, VT_VARIANT, VT_ARRAY | VT_I4, VT_RECORD, VT_BYREF | VT_EMPTY, 0x7FF};
    for (VARTYPE type : bad) {
        SCOPED_TRACE(type);
        VARIANT odd = MakeVariant(type);
        odd.lVal = 99;
        EXPECT_EQ(VariantClear(&odd), DISP_E_BADVARTYPE);
        EXPECT_EQ(odd.vt, type);
        VARIANT destination = I4(5);
        EXPECT_EQ(VariantCopy(&destination, &odd), DISP_E_BADVARTYPE);
        EXPECT_EQ(destination.vt, VT_I4);
        EXPECT_EQ(destination.lVal, 5);
    }
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(Variant, CopyOntoItselfKeepsValue)
{
    VARIANT text = Text(u"same");
    BSTR before = text.bstrVal;
    EXPECT_EQ(VariantCopy(&text, &text), S_OK);
    EXPECT_EQ(text.bstrVal, before);
    VariantClear(&text);
}

TEST(Variant, CopyOutOfMemoryLeavesEmptyDestination)
{
    VARIANT source = Text(u"payload");
    VARIANT destination = Text(u"previous");
    {
        ScopedFault fault("SysAllocStringByteLen", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(VariantCopy(&destination, &source), E_OUTOFMEMORY);
    }
    EXPECT_EQ(destination.vt, VT_EMPTY);
    VariantClear(&source);
}

}  // namespace
}  // namespace quenvar::testing
