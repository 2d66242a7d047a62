// ITypeInfo::Invoke: a DISPID and flags choose a function of the interface's table, which is
// called through the object's table of functions; a pure dispatch interface hands the call to
// the object's own IDispatch.
#include "TypeLibTestSupport.h"

#include "platform/test_support/RegistryTesting.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace typelibtest {
namespace {

COM_NO_VTABLE_DTOR_WARNING_BEGIN

// An object with IDispatch's table and no working IDispatch: what Invoke must not need.
class TableObject : public IDispatch {
public:
    std::vector<std::string> calls;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        calls.push_back("IDispatch::Invoke");
        return E_NOTIMPL;
    }

protected:
    HRESULT Answer(const char* member, BSTR* out, const char16_t* text)
    {
        calls.push_back(member);
        *out = SysAllocString(text);
        return S_OK;
    }
};

// Slots 7 to 13 in the order of the component's type library.
class PalvexShape : public TableObject {
public:
    std::u16string url;

    virtual HRESULT STDMETHODCALLTYPE HTTPVer(BSTR* out) { return Answer("HTTPVer", out, u"HTTP/1.0"); }
    virtual HRESULT STDMETHODCALLTYPE ServerSoftware(BSTR* out) { return Answer("ServerSoftware", out, u"nginx"); }
    virtual HRESULT STDMETHODCALLTYPE ContentLocation(BSTR* out) { return Answer("ContentLocation", out, u"/"); }
    virtual HRESULT STDMETHODCALLTYPE ServerURL(BSTR value)
    {
        calls.push_back("ServerURL");
        url = value;
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE CurrentServerTime(BSTR* out) { return Answer("CurrentServerTime", out, u"now"); }
    virtual HRESULT STDMETHODCALLTYPE QueryServer()
    {
        calls.push_back("QueryServer");
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE ErrorInfo(BSTR* out) { return Answer("ErrorInfo", out, u"none"); }
};

// ISecondDual of the Reader library: First on slot 7, Second on slot 8.
class SecondDualShape : public TableObject {
public:
    virtual HRESULT STDMETHODCALLTYPE First()
    {
        calls.push_back("First");
        return S_OK;
    }
    virtual HRESULT STDMETHODCALLTYPE Second(BSTR name, LONG* length)
    {
        calls.push_back("Second");
        *length = static_cast<LONG>(SysStringLen(name));
        return S_OK;
    }
};

// An IDispatch that records what reaches its Invoke.
class RecordingDispatch : public TableObject {
public:
    DISPID memid = 0;
    WORD flags = 0;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) override
    {
        memid = dispIdMember;
        flags = wFlags;
        result->vt = VT_I4;
        result->lVal = 77;
        return S_OK;
    }
};

COM_NO_VTABLE_DTOR_WARNING_END

struct Arguments {
    std::vector<VARIANT> values;
    std::vector<DISPID> named;
    DISPPARAMS params{};

    explicit Arguments(std::vector<VARIANT> positional = {}, bool put = false) : values(std::move(positional))
    {
        if (put) named.push_back(DISPID_PROPERTYPUT);
        params = {values.empty() ? nullptr : values.data(), named.empty() ? nullptr : named.data(),
                  static_cast<UINT>(values.size()), static_cast<UINT>(named.size())};
    }
    ~Arguments()
    {
        for (VARIANT& value : values) VariantClear(&value);
    }
};

VARIANT Text(const char16_t* text)
{
    VARIANT value{};
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(text);
    return value;
}

class TypeInfoInvoke : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(Load(kComponentLibrary, library_), S_OK);
        ASSERT_EQ(TypeInfoOfGuid(library_.get(), kPalvexInterfaceId, dispatch_), S_OK);
        ASSERT_EQ(InterfaceView(dispatch_.get(), interface_), S_OK);
    }

    Owned<ITypeLib> library_;
    Owned<ITypeInfo> dispatch_;
    Owned<ITypeInfo> interface_;
    PalvexShape object_;
};

TEST_F(TypeInfoInvoke, DispatchIdsReachTheirSlots)
{
    struct Row {
        MEMBERID memid;
        const char* member;
        const char* text;
    };
    const Row rows[] = {{1, "HTTPVer", "HTTP/1.0"},
                        {2, "ServerSoftware", "nginx"},
                        {3, "ContentLocation", "/"},
                        {5, "CurrentServerTime", "now"},
                        {7, "ErrorInfo", "none"}};
    for (ITypeInfo* info : {dispatch_.get(), interface_.get()}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.member);
            Arguments none;
            VARIANT result{};
            object_.calls.clear();
            ASSERT_EQ(info->Invoke(&object_, row.memid, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none.params, &result,
                                   nullptr, nullptr),
                      S_OK);
            EXPECT_EQ(object_.calls, std::vector<std::string>{row.member});
            ASSERT_EQ(result.vt, VT_BSTR);
            EXPECT_EQ(Narrow(result.bstrVal), row.text);
            VariantClear(&result);
        }
    }

    Arguments put({Text(u"example.test")}, /*put=*/true);
    object_.calls.clear();
    ASSERT_EQ(dispatch_.get()->Invoke(&object_, 4, DISPATCH_PROPERTYPUT, &put.params, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(object_.url, u"example.test");
    Arguments none;
    ASSERT_EQ(dispatch_.get()->Invoke(&object_, 6, DISPATCH_METHOD, &none.params, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(object_.calls, (std::vector<std::string>{"ServerURL", "QueryServer"}));
}

TEST_F(TypeInfoInvoke, WhatTheInterfaceLacks)
{
    Arguments none;
    Arguments put({Text(u"x")}, /*put=*/true);
    struct Row {
        const char* what;
        MEMBERID memid;
        WORD flags;
        DISPPARAMS* params;
    };
    const Row rows[] = {{"read of the put-only ServerURL", 4, DISPATCH_PROPERTYGET, &none.params},
                        {"put of the read-only HTTPVer", 1, DISPATCH_PROPERTYPUT, &put.params},
                        {"unknown DISPID", 99, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none.params},
                        {"no flags", 1, 0, &none.params}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(dispatch_.get()->Invoke(&object_, row.memid, row.flags, row.params, nullptr, nullptr, nullptr),
                  DISP_E_MEMBERNOTFOUND);
    }
    EXPECT_TRUE(object_.calls.empty());
    EXPECT_EQ(dispatch_.get()->Invoke(nullptr, 1, DISPATCH_PROPERTYGET, &none.params, nullptr, nullptr, nullptr),
              E_INVALIDARG);
    Owned<ITypeInfo> coclass;
    ASSERT_EQ(library_.get()->GetTypeInfo(0, coclass.put()), S_OK);
    EXPECT_EQ(coclass.get()->Invoke(&object_, 1, DISPATCH_PROPERTYGET, &none.params, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

TEST(TypeInfoInvokeReader, DualDerivedFromDualCallsInheritedSlots)
{
    quenvar::testing::ScopedPrivateRegistry registry;
    Owned<ITypeLib> library;
    Owned<ITypeInfo> second;
    ASSERT_EQ(Load(kReaderLibrary, library), S_OK);
    ASSERT_EQ(TypeInfoOfGuid(library.get(),
                             {0x8B0E6A15, 0x3F2C, 0x4D51, {0xA7, 0xE4, 0x1C, 0x9D, 0x2B, 0x3A, 0x4F, 0x50}}, second),
              S_OK);
    SecondDualShape object;
    Arguments none;
    ASSERT_EQ(second.get()->Invoke(&object, 0x10, DISPATCH_METHOD, &none.params, nullptr, nullptr, nullptr), S_OK);
    Arguments name({Text(u"four")});
    VARIANT result{};
    ASSERT_EQ(second.get()->Invoke(&object, 0x20, DISPATCH_METHOD, &name.params, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(object.calls, (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(result.vt, VT_I4);
    EXPECT_EQ(result.lVal, 4);
}

TEST(TypeInfoInvokeReader, PureDispatchInterfaceAsksTheObject)
{
    quenvar::testing::ScopedPrivateRegistry registry;
    Owned<ITypeLib> library;
    Owned<ITypeInfo> notify;
    ASSERT_EQ(Load(kReaderLibrary, library), S_OK);
    ASSERT_EQ(TypeInfoOfGuid(library.get(),
                             {0x8B0E6A16, 0x3F2C, 0x4D51, {0xA7, 0xE4, 0x1C, 0x9D, 0x2B, 0x3A, 0x4F, 0x50}}, notify),
              S_OK);
    RecordingDispatch object;
    Arguments none;
    VARIANT result{};
    ASSERT_EQ(notify.get()->Invoke(&object, 11, DISPATCH_METHOD, &none.params, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(object.memid, 11);
    EXPECT_EQ(object.flags, DISPATCH_METHOD);
    EXPECT_EQ(result.lVal, 77);
}

}  // namespace
}  // namespace typelibtest
