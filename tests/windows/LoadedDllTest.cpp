// The x64 Quenvar.dll run in this process through the PE loader, over the platform library:
// its early-bound path from DllGetClassObject to QueryServer against a loopback server.
#include "component/IPalvex.h"
#include "platform/test_support/InternetTesting.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/windows/BuildOutput.h"
#include "tests/windows/LoadedDll.h"
#include "tests/windows/WindowsAbi.h"
#include "tests/windows/WindowsImports.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quenvar::testing {
namespace {

using namespace windows;

std::u16string Text(BSTR value)
{
    std::u16string text(value ? value : u"", SysStringLen(value));
    SysFreeString(value);
    return text;
}

// An interface pointer of the DLL's, released through its own vtable.
class Reference {
public:
    Reference() = default;
    ~Reference() { Reset(); }
    Reference(const Reference&) = delete;
    Reference& operator=(const Reference&) = delete;
    void** Out()
    {
        Reset();
        return &object_;
    }
    void* get() const { return object_; }
    void Reset()
    {
        if (object_ != nullptr) VtableOf<UnknownSlots>(object_).Release(object_);
        object_ = nullptr;
    }

private:
    void* object_ = nullptr;
};

class LoadedQuenvarDll : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const std::vector<std::uint8_t> file = ReadBuildOutput("win64/Quenvar.dll");
        std::string error;
        dll_ = LoadedDll::Load(file, WindowsImport, &error);
        ASSERT_NE(dll_, nullptr) << error;
    }
    static void TearDownTestSuite() { dll_.reset(); }  // DllMain's process detach
    void SetUp() override
    {
        ASSERT_NE(dll_, nullptr);
        getClassObject_ = reinterpret_cast<DllGetClassObjectFunction>(dll_->Export("DllGetClassObject"));
        canUnloadNow_ = reinterpret_cast<DllCanUnloadNowFunction>(dll_->Export("DllCanUnloadNow"));
        ASSERT_NE(getClassObject_, nullptr);
        ASSERT_NE(canUnloadNow_, nullptr);
        handlesBefore_ = OpenInternetHandles();
    }
    void TearDown() override
    {
        EXPECT_EQ(OpenInternetHandles(), handlesBefore_);
        EXPECT_EQ(canUnloadNow_(), S_OK) << "a test left an object alive";
    }

    void CreatePalvex(Reference& palvex)
    {
        Reference factory;
        ASSERT_EQ(getClassObject_(&CLSID_Palvex, &IID_IClassFactory, factory.Out()), S_OK);
        ASSERT_EQ(VtableOf<ClassFactorySlots>(factory.get())
                      .CreateInstance(factory.get(), nullptr, &IID_IPalvex, palvex.Out()),
                  S_OK);
    }
    static HRESULT Query(void* palvex, const std::string& host)
    {
        const std::u16string wide(host.begin(), host.end());
        BSTR url = SysAllocString(wide.c_str());
        const HRESULT putResult = VtableOf<PalvexSlots>(palvex).put_ServerURL(palvex, url);
        SysFreeString(url);
        if (putResult != S_OK) return putResult;
        return VtableOf<PalvexSlots>(palvex).QueryServer(palvex);
    }
    static std::u16string Read(void* palvex, HRESULT (MS_ABI* PalvexSlots::*getter)(void*, BSTR*))
    {
        BSTR value = nullptr;
        EXPECT_EQ((VtableOf<PalvexSlots>(palvex).*getter)(palvex, &value), S_OK);
        return Text(value);
    }

    static std::unique_ptr<LoadedDll> dll_;
    DllGetClassObjectFunction getClassObject_ = nullptr;
    DllCanUnloadNowFunction canUnloadNow_ = nullptr;
    std::size_t handlesBefore_ = 0;
};

std::unique_ptr<LoadedDll> LoadedQuenvarDll::dll_;

TEST_F(LoadedQuenvarDll, ExportsTheFourEntryPoints)
{
    for (const char* name : {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}) {
        EXPECT_NE(dll_->Export(name), nullptr) << name;
    }
}

TEST_F(LoadedQuenvarDll, ClassFactoryMakesPalvexObjectsOnly)
{
    constexpr CLSID kOther = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    void* object = &object;
    EXPECT_EQ(getClassObject_(&kOther, &IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);

    Reference factory;
    ASSERT_EQ(getClassObject_(&CLSID_Palvex, &IID_IClassFactory, factory.Out()), S_OK);
    const auto& slots = VtableOf<ClassFactorySlots>(factory.get());
    void* outer = factory.get();
    object = &object;
    EXPECT_EQ(slots.CreateInstance(factory.get(), outer, &IID_IPalvex, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);

    Reference palvex;
    ASSERT_EQ(slots.CreateInstance(factory.get(), nullptr, &IID_IPalvex, palvex.Out()), S_OK);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    palvex.Reset();
    EXPECT_EQ(slots.LockServer(factory.get(), TRUE), S_OK);
    factory.Reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "a locked server must stay loaded";
    ASSERT_EQ(getClassObject_(&CLSID_Palvex, &IID_IClassFactory, factory.Out()), S_OK);
    EXPECT_EQ(VtableOf<ClassFactorySlots>(factory.get()).LockServer(factory.get(), FALSE), S_OK);
}

TEST_F(LoadedQuenvarDll, InterfacesKeepOneIdentityAndCountReferences)
{
    Reference palvex;
    CreatePalvex(palvex);
    ASSERT_NE(palvex.get(), nullptr);
    const auto& slots = VtableOf<UnknownSlots>(palvex.get());

    Reference unknown;
    Reference unknownAgain;
    Reference dispatch;
    Reference palvexAgain;
    ASSERT_EQ(slots.QueryInterface(palvex.get(), &IID_IUnknown, unknown.Out()), S_OK);
    ASSERT_EQ(slots.QueryInterface(palvex.get(), &IID_IDispatch, dispatch.Out()), S_OK);
    ASSERT_EQ(VtableOf<UnknownSlots>(dispatch.get()).QueryInterface(dispatch.get(), &IID_IUnknown, unknownAgain.Out()),
              S_OK);
    EXPECT_EQ(unknown.get(), unknownAgain.get());
    ASSERT_EQ(VtableOf<UnknownSlots>(unknown.get()).QueryInterface(unknown.get(), &IID_IPalvex, palvexAgain.Out()),
              S_OK);
    EXPECT_EQ(palvexAgain.get(), palvex.get());

    void* none = &none;
    EXPECT_EQ(slots.QueryInterface(palvex.get(), &IID_IClassFactory, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(slots.QueryInterface(palvex.get(), &IID_IUnknown, nullptr), E_POINTER);

    // Five references so far: palvex, unknown, unknownAgain, dispatch, palvexAgain.
    EXPECT_EQ(slots.AddRef(palvex.get()), 6u);
    EXPECT_EQ(slots.Release(palvex.get()), 5u);
    unknown.Reset();
    unknownAgain.Reset();
    dispatch.Reset();
    palvexAgain.Reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    EXPECT_EQ(slots.AddRef(palvex.get()), 2u);
    EXPECT_EQ(slots.Release(palvex.get()), 1u);
}

TEST_F(LoadedQuenvarDll, QueryServerFillsTheFourProperties)
{
    ScriptedHttpServer server(
        ScriptedAnswer{"HTTP/1.1 200 OK\r\nServer: scripted/3\r\nContent-Location: /here\r\nDate: Tue, 01 Jan 2030 "
                       "00:00:00 GMT\r\n\r\n"});
    Reference palvex;
    CreatePalvex(palvex);
    ASSERT_EQ(Query(palvex.get(), server.Address()), S_OK)
        << ::testing::PrintToString(Read(palvex.get(), &PalvexSlots::get_ErrorInfo));
    EXPECT_EQ(Read(palvex.get(), &PalvexSlots::get_HTTPVer), u"HTTP/1.1");
    EXPECT_EQ(Read(palvex.get(), &PalvexSlots::get_ServerSoftware), u"scripted/3");
    EXPECT_EQ(Read(palvex.get(), &PalvexSlots::get_ContentLocation), u"/here");
    EXPECT_EQ(Read(palvex.get(), &PalvexSlots::get_CurrentServerTime), u"Tue, 01 Jan 2030 00:00:00 GMT");
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(LoadedQuenvarDll, RefusedConnectionIsTheErrorInfo)
{
    Reference palvex;
    CreatePalvex(palvex);
    EXPECT_EQ(Query(palvex.get(), "127.0.0.1:" + std::to_string(ClosedLoopbackPort())), E_FAIL);
    EXPECT_EQ(Read(palvex.get(), &PalvexSlots::get_ErrorInfo), u"HttpSend error 12029\n ");
    EXPECT_EQ(VtableOf<PalvexSlots>(palvex.get()).put_ServerURL(palvex.get(), nullptr), E_POINTER);
}

}  // namespace
}  // namespace quenvar::testing
