#include "component/IPalvex.h"
#include "platform/UniqueHandle.h"
#include "platform/test_support/RegistryTesting.h"
#include "tests/integration/ServerLibrary.h"

#include <gtest/gtest.h>

#include <string>

namespace quenvar {
namespace {

using testing::BuildPath;
using testing::ServerLibrary;

std::u16string Text(BSTR value) { return std::u16string(value, SysStringLen(value)); }

class LibraryDispatch : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(library.Loaded()); }

    IDispatch* NewObject()
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(library.getClassObject(CLSID_Palvex, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        IDispatch* dispatch = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
        factory->Release();
        return dispatch;
    }

    static HRESULT PutServerURL(IDispatch* object, const char16_t* host)
    {
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_BSTR;
        argument.bstrVal = SysAllocString(host);
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&argument, &named, 1, 1};
        const HRESULT hr = object->Invoke(kDispIdServerURL, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                                          &params, nullptr, nullptr, nullptr);
        VariantClear(&argument);
        return hr;
    }

    static HRESULT Get(IDispatch* object, DISPID member, VARIANT* result)
    {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        return object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result, nullptr,
                              nullptr);
    }

    quenvar::testing::ScopedPrivateRegistry registry;
    ServerLibrary library{BuildPath("lib/Quenvar.so")};
};

TEST_F(LibraryDispatch, NamesAndMembersThroughTheRegisteredTypeLibrary)
{
    ASSERT_EQ(library.registerServer(), S_OK);
    IDispatch* object = NewObject();
    UINT count = 0;
    EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);

    const struct {
        const char16_t* name;
        DISPID id;
    } names[] = {{u"HTTPVer", 1},           {u"serversoftware", 2}, {u"CONTENTLOCATION", 3}, {u"ServerURL", 4},
                 {u"CurrentServerTime", 5}, {u"queryServer", 6},    {u"ErrorInfo", 7}};
    for (const auto& entry : names) {
        LPOLESTR name = const_cast<LPOLESTR>(entry.name);
        DISPID id = 0;
        EXPECT_EQ(object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        EXPECT_EQ(id, entry.id);
    }
    LPOLESTR unknownName = const_cast<LPOLESTR>(u"Nothing");
    DISPID id = 0;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, &unknownName, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);

    EXPECT_EQ(PutServerURL(object, u"127.0.0.1:1"), S_OK);
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(Get(object, kDispIdServerURL, &result), DISP_E_MEMBERNOTFOUND);  // write-only
    ASSERT_EQ(Get(object, kDispIdHTTPVer, &result), S_OK);
    EXPECT_EQ(result.vt, VT_BSTR);
    EXPECT_EQ(Text(result.bstrVal), u"");
    VariantClear(&result);

    // A failed query comes back as an exception carrying E_FAIL, its text in ErrorInfo.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXCEPINFO exception{};
    EXPECT_EQ(object->Invoke(kDispIdQueryServer, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                             &exception, nullptr),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_FAIL);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    ASSERT_EQ(Get(object, kDispIdErrorInfo, &result), S_OK);
    const std::u16string error = Text(result.bstrVal);
    EXPECT_EQ(error, u"HttpSend error 12029\n ");
    VariantClear(&result);
    object->Release();
}

TEST_F(LibraryDispatch, UnregisteredTypeLibraryFailsUntilItIsRegistered)
{
    IDispatch* object = NewObject();
    ITypeInfo* typeInfo = reinterpret_cast<ITypeInfo*>(this);
    EXPECT_EQ(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &typeInfo), TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(typeInfo, nullptr);
    EXPECT_EQ(PutServerURL(object, u"example.test"), TYPE_E_LIBNOTREGISTERED);

    ASSERT_EQ(library.registerServer(), S_OK);
    ASSERT_EQ(object->GetTypeInfo(3, LOCALE_USER_DEFAULT, &typeInfo), S_OK);  // any index
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(typeInfo->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, IID_IPalvex));
    typeInfo->ReleaseTypeAttr(attributes);
    typeInfo->Release();
    EXPECT_EQ(PutServerURL(object, u"example.test"), S_OK);
    object->Release();
}

TEST_F(LibraryDispatch, CachedTypeInformationGoesWithTheLastObject)
{
    ASSERT_EQ(library.registerServer(), S_OK);
    IDispatch* first = NewObject();
    ITypeInfo* typeInfo = nullptr;
    ASSERT_EQ(first->GetTypeInfo(0, LOCALE_USER_DEFAULT, &typeInfo), S_OK);
    typeInfo->Release();
    IDispatch* second = NewObject();
    first->Release();

    // Still cached for the living object, whatever the registry says now.
    ASSERT_EQ(UnRegisterTypeLib(LIBID_QUENVARLib, 1, 0, 0, SYS_WIN32), S_OK);
    ASSERT_EQ(second->GetTypeInfo(0, 0x0407, &typeInfo), S_OK);
    typeInfo->Release();
    second->Release();

    // The last object took the cache with it: a new one loads again, and finds nothing.
    IDispatch* third = NewObject();
    EXPECT_EQ(third->GetTypeInfo(0, LOCALE_USER_DEFAULT, &typeInfo), TYPE_E_LIBNOTREGISTERED);
    third->Release();
    EXPECT_EQ(library.canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace quenvar
