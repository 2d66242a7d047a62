// Every module this build hosts (the .so, and in a Windows-convention build the Windows DLL of its
// machine) loaded through the platform's loader and called through its exports and vtables: from
// DllGetClassObject to QueryServer against a loopback server.
#include "component/IPalvex.h"
#include "platform/EntryPoints.h"
#include "platform/UniqueInterface.h"
#include "platform/test_support/InternetTesting.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/platform/loader/TestFiles.h"
#include "tests/support/HostedModules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace quenvar::testing {
namespace {

std::u16string Text(BSTR value)
{
    std::u16string text(value ? value : u"", SysStringLen(value));
    SysFreeString(value);
    return text;
}

class LoadedQuenvarDll : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryA(GetParam().c_str());
        ASSERT_NE(module_, nullptr) << GetLastError();
        getClassObject_ = ProcAs<LPFNGETCLASSOBJECT>(GetProcAddress(module_, "DllGetClassObject"));
        canUnloadNow_ = ProcAs<LPFNCANUNLOADNOW>(GetProcAddress(module_, "DllCanUnloadNow"));
        ASSERT_NE(getClassObject_, nullptr);
        ASSERT_NE(canUnloadNow_, nullptr);
        handlesBefore_ = OpenInternetHandles();
    }
    void TearDown() override
    {
        if (module_ == nullptr || canUnloadNow_ == nullptr) return;
        EXPECT_EQ(OpenInternetHandles(), handlesBefore_);
        EXPECT_EQ(canUnloadNow_(), S_OK) << "a test left an object alive";
        EXPECT_TRUE(FreeLibrary(module_));  // the process detach
    }

    void CreatePalvex(UniqueInterface<IPalvex>& palvex)
    {
        UniqueInterface<IClassFactory> factory;
        ASSERT_EQ(getClassObject_(CLSID_Palvex, IID_IClassFactory, PutVoid(factory)), S_OK);
        ASSERT_EQ(factory.get()->CreateInstance(nullptr, IID_IPalvex, PutVoid(palvex)), S_OK);
    }
    static HRESULT Query(IPalvex* palvex, const std::string& host)
    {
        const std::u16string wide(host.begin(), host.end());
        BSTR url = SysAllocString(wide.c_str());
        const HRESULT putResult = palvex->put_ServerURL(url);
        SysFreeString(url);
        if (putResult != S_OK) return putResult;
        return palvex->QueryServer();
    }
    static std::u16string Read(IPalvex* palvex, HRESULT (STDMETHODCALLTYPE IPalvex::*getter)(BSTR*))
    {
        BSTR value = nullptr;
        EXPECT_EQ((palvex->*getter)(&value), S_OK);
        return Text(value);
    }

    HMODULE module_ = nullptr;
    LPFNGETCLASSOBJECT getClassObject_ = nullptr;
    LPFNCANUNLOADNOW canUnloadNow_ = nullptr;
    std::size_t handlesBefore_ = 0;
};

INSTANTIATE_TEST_SUITE_P(HostedModules, LoadedQuenvarDll, ::testing::ValuesIn(HostedModules()),
                         [](const auto& info) { return ModuleTestName(info.param); });

TEST_P(LoadedQuenvarDll, ExportsTheFourEntryPointsCountsLoadsAndKnowsItsFile)
{
    for (const char* name : {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}) {
        EXPECT_NE(GetProcAddress(module_, name), nullptr) << name;
    }
    ASSERT_EQ(LoadLibraryA(GetParam().c_str()), module_);
    EXPECT_TRUE(FreeLibrary(module_));
    EXPECT_NE(GetProcAddress(module_, "DllCanUnloadNow"), nullptr) << "one load is still counted";
    char path[4096];
    ASSERT_NE(GetModuleFileNameA(module_, path, sizeof path), 0u);
    EXPECT_EQ(path, std::filesystem::canonical(GetParam()).string());
}

TEST_P(LoadedQuenvarDll, ClassFactoryMakesPalvexObjectsOnly)
{
    constexpr CLSID kOther = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    void* object = &object;
    EXPECT_EQ(getClassObject_(kOther, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);

    UniqueInterface<IClassFactory> factory;
    ASSERT_EQ(getClassObject_(CLSID_Palvex, IID_IClassFactory, PutVoid(factory)), S_OK);
    object = &object;
    EXPECT_EQ(factory.get()->CreateInstance(factory.get(), IID_IPalvex, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);

    UniqueInterface<IPalvex> palvex;
    ASSERT_EQ(factory.get()->CreateInstance(nullptr, IID_IPalvex, PutVoid(palvex)), S_OK);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    palvex.reset();
    EXPECT_EQ(factory.get()->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "a locked server must stay loaded";
    ASSERT_EQ(getClassObject_(CLSID_Palvex, IID_IClassFactory, PutVoid(factory)), S_OK);
    EXPECT_EQ(factory.get()->LockServer(FALSE), S_OK);
}

TEST_P(LoadedQuenvarDll, InterfacesKeepOneIdentityAndCountReferences)
{
    UniqueInterface<IPalvex> palvex;
    CreatePalvex(palvex);
    ASSERT_NE(palvex.get(), nullptr);

    UniqueInterface<IUnknown> unknown;
    UniqueInterface<IUnknown> unknownAgain;
    UniqueInterface<IDispatch> dispatch;
    UniqueInterface<IPalvex> palvexAgain;
    ASSERT_EQ(palvex.get()->QueryInterface(IID_IUnknown, PutVoid(unknown)), S_OK);
    ASSERT_EQ(palvex.get()->QueryInterface(IID_IDispatch, PutVoid(dispatch)), S_OK);
    ASSERT_EQ(dispatch.get()->QueryInterface(IID_IUnknown, PutVoid(unknownAgain)), S_OK);
    EXPECT_EQ(unknown.get(), unknownAgain.get());
    ASSERT_EQ(unknown.get()->QueryInterface(IID_IPalvex, PutVoid(palvexAgain)), S_OK);
    EXPECT_EQ(palvexAgain.get(), palvex.get());

    void* none = &none;
    EXPECT_EQ(palvex.get()->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(palvex.get()->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    // Five references so far: palvex, unknown, unknownAgain, dispatch, palvexAgain.
    EXPECT_EQ(palvex.get()->AddRef(), 6u);
    EXPECT_EQ(palvex.get()->Release(), 5u);
    unknown.reset();
    unknownAgain.reset();
    dispatch.reset();
    palvexAgain.reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    EXPECT_EQ(palvex.get()->AddRef(), 2u);
    EXPECT_EQ(palvex.get()->Release(), 1u);
}

TEST_P(LoadedQuenvarDll, QueryServerFillsTheFourProperties)
{
    ScriptedHttpServer server(
        ScriptedAnswer{"HTTP/1.1 200 OK\r\nServer: scripted/3\r\nContent-Location: /here\r\nDate: Tue, 01 Jan 2030 "
                       "00:00:00 GMT\r\n\r\n"});
    UniqueInterface<IPalvex> palvex;
    CreatePalvex(palvex);
    ASSERT_EQ(Query(palvex.get(), server.Address()), S_OK)
        << ::testing::PrintToString(Read(palvex.get(), &IPalvex::get_ErrorInfo));
    EXPECT_EQ(Read(palvex.get(), &IPalvex::get_HTTPVer), u"HTTP/1.1");
    EXPECT_EQ(Read(palvex.get(), &IPalvex::get_ServerSoftware), u"scripted/3");
    EXPECT_EQ(Read(palvex.get(), &IPalvex::get_ContentLocation), u"/here");
    EXPECT_EQ(Read(palvex.get(), &IPalvex::get_CurrentServerTime), u"Tue, 01 Jan 2030 00:00:00 GMT");
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_P(LoadedQuenvarDll, RefusedConnectionIsTheErrorInfo)
{
    UniqueInterface<IPalvex> palvex;
    CreatePalvex(palvex);
    EXPECT_EQ(Query(palvex.get(), "127.0.0.1:" + std::to_string(ClosedLoopbackPort())), E_FAIL);
    EXPECT_EQ(Read(palvex.get(), &IPalvex::get_ErrorInfo), u"HttpSend error 12029\n ");
    EXPECT_EQ(palvex.get()->put_ServerURL(nullptr), E_POINTER);
}

// A Windows DLL runs only in a build with the Windows conventions and only for the process's own
// machine; an import the platform lacks fails the load. Each refusal tells its user why.
TEST(WindowsDll, RunsOnlyWhereItCan)
{
    if (*QUENVAR_WINDOWS_DLL_FOLDER == '\0') GTEST_SKIP() << "this build has no Windows DLLs";
    constexpr bool kRuns = QUENVAR_HOSTS_WINDOWS_DLLS != 0;
    const std::string folder = QUENVAR_WINDOWS_DLL_FOLDER;
    const std::string own = folder + (sizeof(void*) == 8 ? "/win64/Quenvar.dll" : "/win32/Quenvar.dll");
    const std::string other = folder + (sizeof(void*) == 8 ? "/win32/Quenvar.dll" : "/win64/Quenvar.dll");
    TempFolder temp;
    std::vector<unsigned char> bytes = ReadWholeFile(own);
    const std::string imported("HeapAlloc", sizeof "HeapAlloc");
    const auto at = std::search(bytes.begin(), bytes.end(), imported.begin(), imported.end());
    ASSERT_NE(at, bytes.end());
    at[8] = 'x';
    WriteWholeFile(temp.File("Lacking.dll"), bytes);

    const std::string elsewhere = "runs only in the build with the Windows calling conventions";
    const struct {
        std::string path;
        DWORD error;
        std::string message;
    } cases[] = {
        {other, ERROR_BAD_EXE_FORMAT, kRuns ? "a DLL for another machine" : elsewhere},
        {temp.File("Lacking.dll"), kRuns ? ERROR_PROC_NOT_FOUND : ERROR_BAD_EXE_FORMAT,
         kRuns ? "imports KERNEL32.dll!HeapAllox, which the platform does not export" : elsewhere},
        {own, kRuns ? ERROR_SUCCESS : ERROR_BAD_EXE_FORMAT, kRuns ? "" : elsewhere},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ::testing::internal::CaptureStderr();
        SetLastError(ERROR_SUCCESS);
        const HMODULE module = LoadLibraryA(c.path.c_str());
        const std::string told = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(module != nullptr, c.error == ERROR_SUCCESS);
        if (module != nullptr) {
            EXPECT_TRUE(FreeLibrary(module));
        } else {
            EXPECT_EQ(GetLastError(), c.error);
        }
        EXPECT_NE(told.find(c.message), std::string::npos) << told;
    }
}

}  // namespace
}  // namespace quenvar::testing
