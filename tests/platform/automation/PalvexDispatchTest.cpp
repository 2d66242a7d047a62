// The component's core reached through the dispatch engine, with function descriptions that
// mirror its type library: DISPIDs 1 to 7 on slots 7 to 13.
#include "TestFunctions.h"
#include "TestObjects.h"

#include "tests/component/TestPalvex.h"
#include "linux/automation/FunctionIndex.h"
#include "linux/automation/Invoke.h"

#include <gtest/gtest.h>

#include <memory>

namespace quenvar::testing {
namespace {

using platform::InvokeThroughVtable;

COM_NO_VTABLE_DTOR_WARNING_BEGIN

class FilledPalvex final : public TestPalvex {
public:
    void Fill()
    {
        httpVer.reset(SysAllocString(u"HTTP/1.1"));
        serverSoftware.reset(SysAllocString(u"nginx"));
        contentLocation.reset(SysAllocString(u"/index.html"));
        currentServerTime.reset(SysAllocString(u"Tue, 08 Dec 2026 17:35:46 GMT"));
        errorInfo.reset(SysAllocString(u"no error"));
    }
};

COM_NO_VTABLE_DTOR_WARNING_END

// IPalvex as its type library describes it: every member HRESULT, getters with a BSTR retval.
class PalvexDispatchTest : public ::testing::Test {
protected:
    PalvexDispatchTest()
    {
        const auto getter = [this](MEMBERID id, SHORT slot) {
            Add(TestFunction(id, INVOKE_PROPERTYGET, {Retval(VT_BSTR)}), slot);
        };
        getter(kDispIdHTTPVer, 7);
        getter(kDispIdServerSoftware, 8);
        getter(kDispIdContentLocation, 9);
        Add(TestFunction(kDispIdServerURL, INVOKE_PROPERTYPUT, {In(VT_BSTR)}), 10);
        getter(kDispIdCurrentServerTime, 11);
        Add(TestFunction(kDispIdQueryServer, INVOKE_FUNC, {}), 12);
        getter(kDispIdErrorInfo, 13);
        std::vector<platform::FunctionKey> keys;
        for (TestFunction& owner : owners_) {
            keys.push_back({owner.desc().memid, owner.desc().invkind});
            calls_.push_back(std::make_unique<platform::PreparedCall>(owner.desc()));
        }
        index_ = platform::FunctionIndex(keys);
    }

    // What ITypeInfo::Invoke does with them: select by DISPID and flags, call the slot.
    HRESULT Dispatch(DISPID id, WORD flags, Arguments& arguments, VARIANT* result = nullptr,
                     EXCEPINFO* exception = nullptr, UINT* argError = nullptr)
    {
        std::size_t chosen = 0;
        const HRESULT hr = index_.Select(id, flags, &chosen);
        if (FAILED(hr)) return hr;
        const platform::PreparedCall& call = *calls_[chosen];
        return InvokeThroughVtable(static_cast<IPalvex*>(&palvex_), call,
                                   static_cast<unsigned>(call.function().oVft) / sizeof(void*), arguments.get(), result,
                                   exception, argError);
    }

    static constexpr WORD kRead = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    FilledPalvex palvex_;

private:
    void Add(TestFunction function, SHORT slot)
    {
        function.desc().oVft = static_cast<SHORT>(slot * sizeof(void*));
        owners_.push_back(std::move(function));
    }
    std::vector<TestFunction> owners_;
    std::vector<std::unique_ptr<platform::PreparedCall>> calls_;
    platform::FunctionIndex index_;
};

TEST_F(PalvexDispatchTest, DispatchIdsReachTheirMembers)
{
    palvex_.Fill();
    const std::pair<DISPID, std::u16string> reads[] = {
        {kDispIdHTTPVer, u"HTTP/1.1"},
        {kDispIdServerSoftware, u"nginx"},
        {kDispIdContentLocation, u"/index.html"},
        {kDispIdCurrentServerTime, u"Tue, 08 Dec 2026 17:35:46 GMT"},
        {kDispIdErrorInfo, u"no error"},
    };
    for (const auto& [id, expected] : reads) {
        SCOPED_TRACE(id);
        Arguments none({});
        VARIANT result{};
        ASSERT_EQ(Dispatch(id, kRead, none, &result), S_OK);
        ASSERT_EQ(result.vt, VT_BSTR);
        EXPECT_EQ(TextOf(result.bstrVal), expected);
        VariantClear(&result);
    }

    Arguments url({}, PutValue(Text(u"example.test")));
    EXPECT_EQ(Dispatch(kDispIdServerURL, DISPATCH_PROPERTYPUT, url), S_OK);
    EXPECT_EQ(palvex_.StoredServerURL(), u"example.test");
}

TEST_F(PalvexDispatchTest, ServerUrlCanOnlyBePutAndTheOthersOnlyRead)
{
    Arguments none({});
    EXPECT_EQ(Dispatch(kDispIdServerURL, kRead, none), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Dispatch(kDispIdServerURL, DISPATCH_PROPERTYGET, none), DISP_E_MEMBERNOTFOUND);
    Arguments put({}, PutValue(Text(u"1.1")));
    EXPECT_EQ(Dispatch(kDispIdHTTPVer, DISPATCH_PROPERTYPUT, put), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Dispatch(kDispIdQueryServer, DISPATCH_PROPERTYPUT, put), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Dispatch(8, kRead, none), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(palvex_.StoredServerURL(), u"localhost");
}

TEST_F(PalvexDispatchTest, BadArgumentsNeverReachTheMember)
{
    CountedObject object(/*isDispatch=*/true);
    VARIANT objectArgument = MakeVariant(VT_DISPATCH);
    objectArgument.pdispVal = &object;
    object.AddRef();  // the argument's own reference, released with it

    struct Row {
        const char* name;
        DISPID id;
        WORD flags;
        std::vector<VARIANT> positional;
        std::vector<std::pair<DISPID, VARIANT>> named;
        HRESULT expected;
        UINT argError;
    };
    std::vector<Row> rows;
    rows.push_back({"put without its named value",
                    kDispIdServerURL,
                    DISPATCH_PROPERTYPUT,
                    {Text(u"host")},
                    {},
                    DISP_E_PARAMNOTFOUND,
                    0xFFFF});
    rows.push_back({"put of an object",
                    kDispIdServerURL,
                    DISPATCH_PROPERTYPUT,
                    {},
                    PutValue(objectArgument),
                    DISP_E_TYPEMISMATCH,
                    0});
    rows.push_back({"put of null",
                    kDispIdServerURL,
                    DISPATCH_PROPERTYPUT,
                    {},
                    PutValue(MakeVariant(VT_NULL)),
                    DISP_E_TYPEMISMATCH,
                    0});
    rows.push_back({"put with an index",
                    kDispIdServerURL,
                    DISPATCH_PROPERTYPUT,
                    {I4(1)},
                    PutValue(Text(u"host")),
                    DISP_E_BADPARAMCOUNT,
                    0xFFFF});
    rows.push_back({"read with an argument", kDispIdHTTPVer, kRead, {I4(1)}, {}, DISP_E_BADPARAMCOUNT, 0xFFFF});
    rows.push_back(
        {"query with an argument", kDispIdQueryServer, DISPATCH_METHOD, {I4(1)}, {}, DISP_E_BADPARAMCOUNT, 0xFFFF});
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        Arguments arguments(row.positional, row.named);
        VARIANT result{};
        UINT argError = 0xFFFF;
        EXPECT_EQ(Dispatch(row.id, row.flags, arguments, &result, nullptr, &argError), row.expected);
        EXPECT_EQ(argError, row.argError);
        EXPECT_EQ(result.vt, VT_EMPTY);
    }
    EXPECT_EQ(palvex_.StoredServerURL(), u"localhost");
    EXPECT_EQ(object.references, 1);
}

TEST_F(PalvexDispatchTest, PutConvertsItsValueToText)
{
    Arguments number({}, PutValue(I4(8080)));
    EXPECT_EQ(Dispatch(kDispIdServerURL, DISPATCH_PROPERTYPUT, number), S_OK);
    EXPECT_EQ(palvex_.StoredServerURL(), u"8080");
}

}  // namespace
}  // namespace quenvar::testing
