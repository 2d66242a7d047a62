#include "ClassRegistration.h"
#include "TestServer.h"
#include "platform/UniqueHandle.h"
#include "platform/test_support/FaultInjection.h"
#include "platform/test_support/RegistryTesting.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

namespace quenvar::testing {
namespace {

// {0B4E6A1F-53C2-4F3D-8E91-7A2C5D0F1B36}: registered to the test server, which does not serve it.
constexpr CLSID kForeignClass = {0x0B4E6A1F, 0x53C2, 0x4F3D, {0x8E, 0x91, 0x7A, 0x2C, 0x5D, 0x0F, 0x1B, 0x36}};
// {0B4E6A1E-53C2-4F3D-8E91-7A2C5D0F1B36}: registered to whatever a test needs.
constexpr CLSID kOtherClass = {0x0B4E6A1E, 0x53C2, 0x4F3D, {0x8E, 0x91, 0x7A, 0x2C, 0x5D, 0x0F, 0x1B, 0x36}};

struct TestObjectTraits {
    using Pointer = ITestObject*;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer object) noexcept { object->Release(); }
};
using UniqueTestObject = UniqueHandle<TestObjectTraits>;

// Whether the process has the library mapped, asked without loading it.
bool IsLoaded(const char* path)
{
    void* library = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) return false;
    dlclose(library);
    return true;
}

class ComThread {
public:
    ComThread() { EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
    ~ComThread() { CoUninitialize(); }
    ComThread(const ComThread&) = delete;
    ComThread& operator=(const ComThread&) = delete;
};

class Activation : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterInprocServer(CLSID_TestObject, TEST_SERVER_PATH);
        RegisterInprocServer(kForeignClass, TEST_SERVER_PATH);
        // Every test starts with the server unloaded, whatever the previous one left.
        CoFreeUnusedLibraries();
        ASSERT_FALSE(IsLoaded(TEST_SERVER_PATH));
    }
    void TearDown() override { CoFreeUnusedLibraries(); }

    HRESULT Create(UniqueTestObject& object, REFCLSID clsid = CLSID_TestObject)
    {
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ITestObject,
                                reinterpret_cast<void**>(object.put()));
    }

    ScopedPrivateRegistry registry;
    ComThread com;
};

TEST_F(Activation, CreatesObjectOfRegisteredServer)
{
    UniqueTestObject object;
    ASSERT_EQ(Create(object), S_OK);
    ASSERT_TRUE(object);
    EXPECT_EQ(object.get()->ServerLocks(), 1);  // the factory was released again

    IClassFactory* factory = nullptr;
    ASSERT_EQ(
        CoGetClassObject(CLSID_TestObject, CLSCTX_ALL, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
        S_OK);
    EXPECT_EQ(object.get()->ServerLocks(), 2);
    factory->Release();
}

TEST_F(Activation, FailuresLeaveNoObject)
{
    RegisterInprocServer(kOtherClass, "");
    SetClassesRootText("CLSID\\" + GuidText(kOtherClass) + "\\Other", "x");
    struct Case {
        const char* name;
        CLSID clsid;
        DWORD context;
        const char* library;  // registered for kOtherClass when not null
        HRESULT expected;
    } const cases[] = {
        {"class not registered", {0x12345678, 0, 0, {}}, CLSCTX_INPROC_SERVER, nullptr, REGDB_E_CLASSNOTREG},
        {"empty server path", kOtherClass, CLSCTX_INPROC_SERVER, nullptr, REGDB_E_CLASSNOTREG},
        {"no in-process context", CLSID_TestObject, CLSCTX_LOCAL_SERVER, nullptr, REGDB_E_CLASSNOTREG},
        {"class the server does not serve", kForeignClass, CLSCTX_INPROC_SERVER, nullptr, CLASS_E_CLASSNOTAVAILABLE},
        {"library missing", kOtherClass, CLSCTX_INPROC_SERVER, "/nonexistent/quenvar/missing.so",
         HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
        {"not a library", kOtherClass, CLSCTX_INPROC_SERVER, "/etc/passwd", HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
        {"library without DllGetClassObject", kOtherClass, CLSCTX_INPROC_SERVER, TEST_SERVER_NO_ENTRY_PATH,
         CO_E_ERRORINDLL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.library != nullptr) RegisterInprocServer(kOtherClass, c.library);
        void* object = reinterpret_cast<void*>(1);
        EXPECT_EQ(CoCreateInstance(c.clsid, nullptr, c.context, IID_IUnknown, &object), c.expected);
        EXPECT_EQ(object, nullptr);
        object = reinterpret_cast<void*>(1);
        EXPECT_EQ(CoGetClassObject(c.clsid, c.context, nullptr, IID_IClassFactory, &object), c.expected);
        EXPECT_EQ(object, nullptr);
    }
    // A library without the entry point is not kept loaded.
    EXPECT_FALSE(IsLoaded(TEST_SERVER_NO_ENTRY_PATH));
    EXPECT_EQ(CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr), E_INVALIDARG);
}

TEST_F(Activation, RegistryFailureIsNotAMissingClass)
{
    ScopedFault fault("RegQueryValueExW", 1, ERROR_REGISTRY_IO_FAILED);
    UniqueTestObject object;
    EXPECT_EQ(Create(object), REGDB_E_READREGDB);
    EXPECT_FALSE(object);
}

TEST_F(Activation, InjectedFaultsFailWithTheirCode)
{
    for (const char* function : {"CoCreateInstance", "CoGetClassObject"}) {
        SCOPED_TRACE(function);
        ScopedFault fault(function, 1, ERROR_NOT_ENOUGH_MEMORY);
        UniqueTestObject object;
        EXPECT_EQ(Create(object), HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY));
        EXPECT_FALSE(object);
        EXPECT_EQ(Create(object), S_OK);
    }
}

TEST_F(Activation, ExpandableServerPathReadsTheEnvironment)
{
    const std::string path = TEST_SERVER_PATH;
    const std::size_t slash = path.rfind('/');
    ASSERT_EQ(setenv("QUENVAR_TEST_SERVERS", path.substr(0, slash).c_str(), 1), 0);
    RegisterInprocServer(kOtherClass, "%QUENVAR_TEST_SERVERS%" + path.substr(slash), REG_EXPAND_SZ);
    void* factory = nullptr;
    // The server refuses the class, which proves that it was loaded and asked.
    EXPECT_EQ(CoGetClassObject(kOtherClass, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &factory),
              CLASS_E_CLASSNOTAVAILABLE);
    unsetenv("QUENVAR_TEST_SERVERS");
}

TEST_F(Activation, ServerPathOutsideTheAnsiCodePageIsLoaded)
{
    const std::string folder = registry.Folder() + "/\xE6\x97\xA5\xE6\x9C\xAC \xC3\xBC";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(TEST_SERVER_PATH, folder + "/server.so");
    const std::string clsid = GuidText(kOtherClass);
    const std::u16string prefix(registry.Folder().begin(), registry.Folder().end());
    SetClassesRootWideText(u"CLSID\\" + std::u16string(clsid.begin(), clsid.end()) + u"\\InprocServer32",
                           prefix + u"/\u65E5\u672C \u00FC/server.so");
    void* factory = nullptr;
    // The server refuses the class, which proves that it was loaded and asked.
    EXPECT_EQ(CoGetClassObject(kOtherClass, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &factory),
              CLASS_E_CLASSNOTAVAILABLE);
}

TEST_F(Activation, LibraryIsLoadedOncePerProcess)
{
    // Activations from many threads at once; then a single unload must really unmap the library,
    // which it only does if the table held exactly one reference.
    constexpr int kThreads = 8;
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([this] {
            ComThread threadCom;
            for (int round = 0; round < 20; ++round) {
                UniqueTestObject object;
                EXPECT_EQ(Create(object), S_OK);
                if (round % 5 == 0) CoFreeUnusedLibraries();
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    UniqueTestObject object;
    ASSERT_EQ(Create(object), S_OK);
    EXPECT_TRUE(IsLoaded(TEST_SERVER_PATH));
    object.reset();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(TEST_SERVER_PATH));
}

TEST_F(Activation, UnusedLibraryIsUnloadedOnlyWhenItAgrees)
{
    UniqueTestObject object;
    ASSERT_EQ(Create(object), S_OK);
    CoFreeUnusedLibraries();  // DllCanUnloadNow answers S_FALSE while the object lives
    EXPECT_TRUE(IsLoaded(TEST_SERVER_PATH));
    EXPECT_EQ(object.get()->ServerLocks(), 1);

    object.reset();
    CoFreeUnusedLibraries();
    EXPECT_FALSE(IsLoaded(TEST_SERVER_PATH));

    // A later activation loads it again.
    ASSERT_EQ(Create(object), S_OK);
    EXPECT_TRUE(IsLoaded(TEST_SERVER_PATH));
}

TEST_F(Activation, LibraryWithoutDllCanUnloadNowStaysLoaded)
{
    RegisterInprocServer(CLSID_TestObject, TEST_SERVER_PINNED_PATH);
    UniqueTestObject object;
    ASSERT_EQ(Create(object), S_OK);
    object.reset();
    CoFreeUnusedLibraries();
    EXPECT_TRUE(IsLoaded(TEST_SERVER_PINNED_PATH));
}

TEST(ActivationWithoutInit, AnswersNotInitialized)
{
    ScopedPrivateRegistry registry;
    RegisterInprocServer(CLSID_TestObject, TEST_SERVER_PATH);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoGetClassObject(CLSID_TestObject, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);

    // An initialisation counts for its own thread only, and only until it is undone.
    ComThread other;
    std::thread([] {
        void* object = nullptr;
        EXPECT_EQ(CoGetClassObject(CLSID_TestObject, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &object),
                  CO_E_NOTINITIALIZED);
    }).join();
}

}  // namespace
}  // namespace quenvar::testing
