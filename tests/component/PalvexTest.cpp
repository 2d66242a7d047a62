#include "tests/component/TestPalvex.h"
#include "platform/EntryPoints.h"
#include "platform/test_support/FaultInjection.h"

#include <gtest/gtest.h>

#include <string>

namespace quenvar {
namespace {

using testing::TestPalvex;

using Getter = HRESULT (STDMETHODCALLTYPE IPalvex::*)(BSTR*);
constexpr Getter kGetters[] = {&IPalvex::get_HTTPVer, &IPalvex::get_ServerSoftware, &IPalvex::get_ContentLocation,
                               &IPalvex::get_CurrentServerTime, &IPalvex::get_ErrorInfo};

TEST(Palvex, NewObjectReadsEmptyStringsAndHoldsDefaultHost)
{
    TestPalvex palvex;
    IPalvex* object = &palvex;
    for (Getter getter : kGetters) {
        BSTR value = nullptr;
        EXPECT_EQ((object->*getter)(&value), S_OK);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(SysStringLen(value), 0u);
        SysFreeString(value);
        EXPECT_EQ((object->*getter)(nullptr), E_POINTER);
    }
    EXPECT_EQ(palvex.StoredServerURL(), u"localhost");
}

TEST(Palvex, GetterCopiesByLengthIntoFreshString)
{
    TestPalvex palvex;
    palvex.SetHttpVer(u"HTTP\0/1.1", 9);
    BSTR first = nullptr;
    BSTR second = nullptr;
    ASSERT_EQ(palvex.get_HTTPVer(&first), S_OK);
    ASSERT_EQ(palvex.get_HTTPVer(&second), S_OK);
    EXPECT_NE(first, second);
    EXPECT_EQ(std::u16string_view(first, SysStringLen(first)), std::u16string_view(u"HTTP\0/1.1", 9));
    SysFreeString(first);
    EXPECT_EQ(std::u16string_view(second, SysStringLen(second)), std::u16string_view(u"HTTP\0/1.1", 9));
    SysFreeString(second);
}

TEST(Palvex, PutServerURLStoresCopyUpToFirstNul)
{
    TestPalvex palvex;
    struct Case {
        const char16_t* text;
        UINT length;
        std::u16string stored;
    } cases[] = {
        {u"example.test", 12, u"example.test"},
        {u"", 0, u""},
        {u"one\0two", 7, u"one"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.stored.begin(), c.stored.end()));
        BSTR argument = SysAllocStringLen(c.text, c.length);
        EXPECT_EQ(palvex.put_ServerURL(argument), S_OK);
        SysFreeString(argument);  // the object keeps its own copy
        EXPECT_EQ(palvex.StoredServerURL(), c.stored);
    }
}

TEST(Palvex, PutOfNullKeepsStoredHost)
{
    TestPalvex palvex;
    EXPECT_EQ(palvex.put_ServerURL(nullptr), E_POINTER);
    EXPECT_EQ(palvex.StoredServerURL(), u"localhost");
}

TEST(Palvex, OutOfMemoryIsReportedAndLosesNothing)
{
    TestPalvex palvex;
    BSTR host = SysAllocString(u"kept.test");
    ASSERT_EQ(palvex.put_ServerURL(host), S_OK);
    {
        testing::ScopedFault fault("SysAllocString", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(palvex.put_ServerURL(host), E_OUTOFMEMORY);
    }
    EXPECT_EQ(palvex.StoredServerURL(), u"kept.test");
    SysFreeString(host);

    BSTR value = reinterpret_cast<BSTR>(&palvex);  // garbage that must be overwritten
    {
        testing::ScopedFault fault("SysAllocStringLen", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(palvex.get_ErrorInfo(&value), E_OUTOFMEMORY);
    }
    EXPECT_EQ(value, nullptr);
}

TEST(Palvex, SlotsFollowTypeLibraryOrder)
{
    // The vtable is what compiled clients and dispatch bind to: slot 7 onward in member order.
    TestPalvex palvex;
    auto** vtable = *reinterpret_cast<void***>(static_cast<IPalvex*>(&palvex));
    using GetSlot = MethodSlot<HRESULT, BSTR*>;
    using PutSlot = MethodSlot<HRESULT, BSTR>;
    BSTR host = SysAllocString(u"slot.test");
    EXPECT_EQ(reinterpret_cast<PutSlot>(vtable[10])(&palvex, host), S_OK);
    EXPECT_EQ(palvex.StoredServerURL(), u"slot.test");
    SysFreeString(host);
    for (int slot : {7, 8, 9, 11, 13}) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(reinterpret_cast<GetSlot>(vtable[slot])(&palvex, nullptr), E_POINTER);
    }
}

}  // namespace
}  // namespace quenvar
