#include "component/IPalvex.h"
#include "platform/test_support/RegistryTesting.h"
#include "tests/integration/ServerLibrary.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <set>
#include <thread>
#include <vector>

namespace quenvar {
namespace {

using testing::BuildPath;
using testing::ServerLibrary;

constexpr IID kISupportErrorInfo = {0xDF0B3D60, 0x548F, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
constexpr CLSID kOtherClass = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};

class LibraryObjects : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(library.Loaded()) << library.Path(); }

    IClassFactory* Factory()
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(library.getClassObject(CLSID_Palvex, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        return factory;
    }

    quenvar::testing::ScopedPrivateRegistry registry;
    ServerLibrary library{BuildPath("lib/Quenvar.so")};
};

TEST_F(LibraryObjects, ExportsExactlyTheFourEntryPoints)
{
    const std::string command = "nm -D --defined-only " + library.Path();
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> exported;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get()) != nullptr) {
        std::string text(line);
        const std::string name =
            text.substr(text.find_last_of(' ') + 1, text.find_last_not_of("\r\n") - text.find_last_of(' '));
        const char kind = text[text.find(' ') + 1];
        if (kind == 'T' || kind == 'D' || kind == 'B' || kind == 'W' || kind == 'u') exported.insert(name);
    }
    EXPECT_EQ(exported, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                               "DllUnregisterServer"}));
}

TEST_F(LibraryObjects, CarriesItsResources)
{
    HMODULE data = LoadLibraryExA(library.Path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(data, nullptr);
    struct Resource {
        LPCSTR name;
        LPCSTR type;
    } resources[] = {
        {MAKEINTRESOURCEA(101), "REGISTRY"},
        {MAKEINTRESOURCEA(1), "TYPELIB"},
        {MAKEINTRESOURCEA(1), RT_VERSION},
        {MAKEINTRESOURCEA(100 / 16 + 1), RT_STRING},
    };
    for (const Resource& resource : resources) {
        HRSRC found = FindResourceA(data, resource.name, resource.type);
        EXPECT_NE(found, nullptr);
        if (found != nullptr) {
            EXPECT_GT(SizeofResource(data, found), 0u);
        }
    }
    FreeLibrary(data);
}

TEST_F(LibraryObjects, ClassObjectLocksTheModuleWhileAClientHoldsIt)
{
    EXPECT_EQ(library.canUnloadNow(), S_OK);
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(library.canUnloadNow(), S_FALSE);
    IClassFactory* again = Factory();
    EXPECT_EQ(again, factory);
    again->Release();
    EXPECT_EQ(library.canUnloadNow(), S_FALSE);
    factory->Release();
    EXPECT_EQ(library.canUnloadNow(), S_OK);

    factory = Factory();
    factory->LockServer(TRUE);
    factory->Release();
    EXPECT_EQ(library.canUnloadNow(), S_FALSE);
    factory = Factory();
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(library.canUnloadNow(), S_OK);
}

TEST_F(LibraryObjects, GetClassObjectFailures)
{
    void* object = this;
    EXPECT_EQ(library.getClassObject(CLSID_Palvex, IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(library.canUnloadNow(), S_OK);
    object = this;
    EXPECT_EQ(library.getClassObject(kOtherClass, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(library.getClassObject(CLSID_Palvex, IID_IClassFactory, nullptr), E_POINTER);
    // The factory made by the refused call stayed cached and serves the next one.
    IClassFactory* factory = Factory();
    ASSERT_NE(factory, nullptr);
    factory->Release();
}

TEST_F(LibraryObjects, ObjectIdentityAndLifetime)
{
    IClassFactory* factory = Factory();
    IUnknown* unknown = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    factory->Release();
    EXPECT_EQ(library.canUnloadNow(), S_FALSE);
    void* palvex = nullptr;
    void* dispatch = nullptr;
    EXPECT_EQ(unknown->QueryInterface(IID_IPalvex, &palvex), S_OK);
    EXPECT_EQ(unknown->QueryInterface(IID_IDispatch, &dispatch), S_OK);
    EXPECT_EQ(palvex, unknown);
    EXPECT_EQ(dispatch, unknown);
    void* other = this;
    EXPECT_EQ(unknown->QueryInterface(kISupportErrorInfo, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(unknown->Release(), 2u);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(unknown->Release(), 0u);
    EXPECT_EQ(library.canUnloadNow(), S_OK);
}

TEST_F(LibraryObjects, DetachWithCachedClassObjectReleasesEverything)
{
    // Leak checking in the sanitizer build sees a class object or heap that detach forgot.
    IClassFactory* factory = Factory();
    IPalvex* palvex = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPalvex, reinterpret_cast<void**>(&palvex)), S_OK);
    palvex->Release();
    factory->Release();
    EXPECT_EQ(library.canUnloadNow(), S_OK);
    library.Unload();
    ServerLibrary reloaded(library.Path());
    ASSERT_TRUE(reloaded.Loaded());
    EXPECT_EQ(reloaded.canUnloadNow(), S_OK);
}

TEST_F(LibraryObjects, ManyThreadsRaceForTheClassObjectAndDispatch)
{
    ASSERT_EQ(library.registerServer(), S_OK);
    constexpr int kThreads = 8;
    constexpr int kRounds = 1000;
    std::atomic<bool> go{false};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            while (!go.load()) std::this_thread::yield();
            for (int i = 0; i < kRounds; ++i) {
                IClassFactory* factory = nullptr;
                if (library.getClassObject(CLSID_Palvex, IID_IClassFactory, reinterpret_cast<void**>(&factory)) !=
                    S_OK) {
                    ++failures;
                    continue;
                }
                IPalvex* palvex = nullptr;
                if (factory->CreateInstance(nullptr, IID_IPalvex, reinterpret_cast<void**>(&palvex)) == S_OK) {
                    IDispatch* dispatch = nullptr;
                    palvex->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
                    DISPPARAMS none{nullptr, nullptr, 0, 0};
                    VARIANT result;
                    VariantInit(&result);
                    if (dispatch->Invoke(kDispIdHTTPVer, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                         &result, nullptr, nullptr) != S_OK) {
                        ++failures;
                    }
                    VariantClear(&result);
                    dispatch->Release();
                    palvex->Release();
                } else {
                    ++failures;
                }
                factory->Release();
            }
        });
    }
    go = true;
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(library.canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace quenvar
