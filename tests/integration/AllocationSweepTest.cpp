// Every whole operation of the built server with each of its fallible platform calls failed in
// turn: the result says so, nothing is left half done or held, and the server stays usable. The
// sanitizer build adds the check that no run leaks.
#include "component/IPalvex.h"
#include "platform/UniqueHandle.h"
#include "platform/test_support/RegistryTesting.h"
#include "tests/integration/ServerLibrary.h"
#include "tests/registrar/RegistrySnapshot.h"
#include "tests/support/AllocationSweep.h"
#include "tests/support/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace quenvar {
namespace {

using testing::BuildPath;
using testing::OpenRegistryHandles;
using testing::ScopedPrivateRegistry;
using testing::ServerLibrary;
using testing::Snapshot;
using testing::SweepAllocations;
using testing::TakeSnapshot;

constexpr char kAnswer[] =
    "HTTP/1.1 200 OK\r\nServer: Sweeper/1.0\r\nContent-Location: /index.html\r\n"
    "Date: Wed, 09 Dec 2026 06:00:00 GMT\r\n\r\n";

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::u16string Text(BSTR value) { return std::u16string(value, SysStringLen(value)); }

// The lines that only one snapshot has: "-" for found only, "+" for wanted only.
std::string Difference(const Snapshot& found, const Snapshot& wanted)
{
    std::string lines;
    for (const std::string& line : found) {
        if (wanted.count(line) == 0) lines += "- " + line + "\n";
    }
    for (const std::string& line : wanted) {
        if (found.count(line) == 0) lines += "+ " + line + "\n";
    }
    return lines;
}

struct BstrTraits {
    using Pointer = BSTR;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer text) noexcept { SysFreeString(text); }
};
using UniqueBstr = UniqueHandle<BstrTraits>;

class AllocationSweep : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library.Loaded());
        registry.emplace();
    }

    void Register() { ASSERT_EQ(library.registerServer(), S_OK); }

    // A new object through the library's class factory, asked for IPalvex.
    IPalvex* NewObject()
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(library.getClassObject(CLSID_Palvex, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        if (factory == nullptr) return nullptr;
        IPalvex* object = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPalvex, reinterpret_cast<void**>(&object)), S_OK);
        factory->Release();
        return object;
    }

    static HRESULT PutServerURL(IPalvex* object, const std::string& host)
    {
        UniqueBstr url(SysAllocString(Wide(host).c_str()));
        return object->put_ServerURL(url.get());
    }

    // Releases the object and checks that nothing else holds the module.
    void ReleaseAndCheckUnload(IPalvex* object)
    {
        if (object != nullptr) {
            EXPECT_EQ(object->Release(), 0u);
        }
        EXPECT_EQ(library.canUnloadNow(), S_OK);
    }

    ServerLibrary library{BuildPath("lib/Quenvar.so")};
    std::optional<ScopedPrivateRegistry> registry;
};

TEST_F(AllocationSweep, RegisterServerFailsWholeOrRegistersWhole)
{
    // Every system has the class key, which removal never deletes.
    const auto freshSystem = [&] {
        registry.emplace();
        HKEY classes = nullptr;
        ASSERT_EQ(
            RegCreateKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &classes, nullptr),
            ERROR_SUCCESS);
        RegCloseKey(classes);
    };
    Register();
    const Snapshot complete = TakeSnapshot();
    // The script's entries stay when the type library step fails after it; that step itself is
    // whole or absent.
    Snapshot scriptOnly;
    for (const std::string& line : complete) {
        if (line.rfind("HKCR\\Interface", 0) != 0 && line.rfind("HKCR\\TypeLib", 0) != 0) scriptOnly.insert(line);
    }
    freshSystem();
    const Snapshot before = TakeSnapshot();

    const unsigned faults = SweepAllocations(
        freshSystem, [&] { return library.registerServer(); },
        [&](HRESULT hr, const char* failedIn) {
            const Snapshot after = TakeSnapshot();
            EXPECT_EQ(OpenRegistryHandles(), 0u);
            if (SUCCEEDED(hr)) {
                EXPECT_EQ(hr, S_OK);
                EXPECT_EQ(after, complete);
            } else {
                EXPECT_NE(failedIn, nullptr);
                EXPECT_TRUE(after == before || after == scriptOnly || after == complete) << Difference(after, complete);
            }
            EXPECT_EQ(library.registerServer(), S_OK);
        });
    std::printf("DllRegisterServer: %u fallible calls\n", faults);
}

TEST_F(AllocationSweep, UnregisterServerLeavesWhatASecondRemovalFinishes)
{
    Register();
    ASSERT_EQ(library.unregisterServer(), S_OK);
    const Snapshot removed = TakeSnapshot();

    const unsigned faults = SweepAllocations(
        [&] {
            registry.emplace();
            Register();
        },
        [&] { return library.unregisterServer(); },
        [&](HRESULT hr, const char*) {
            EXPECT_EQ(hr, S_OK);
            EXPECT_EQ(OpenRegistryHandles(), 0u);
            EXPECT_EQ(library.unregisterServer(), S_OK);
            EXPECT_EQ(TakeSnapshot(), removed);
        });
    std::printf("DllUnregisterServer: %u fallible calls\n", faults);
}

TEST_F(AllocationSweep, CreateInstanceByProgIdAnswersAnObjectOrAFailure)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    IPalvex* object = nullptr;
    const unsigned faults = SweepAllocations(
        [&] {
            registry.emplace();
            Register();
        },
        [&] {
            CLSID clsid{};
            HRESULT hr = CLSIDFromProgID(u"Palvex.Palvex", &clsid);
            if (SUCCEEDED(hr)) {
                hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPalvex,
                                      reinterpret_cast<void**>(&object));
            }
            return hr;
        },
        [&](HRESULT hr, const char*) {
            if (SUCCEEDED(hr)) {
                ASSERT_NE(object, nullptr);
                UniqueBstr version;
                EXPECT_EQ(object->get_HTTPVer(version.put()), S_OK);
            } else {
                EXPECT_EQ(object, nullptr);
            }
            ReleaseAndCheckUnload(object);
            object = nullptr;
        });
    std::printf("CoCreateInstance by ProgID: %u fallible calls\n", faults);
    CoUninitialize();
}

// What each member answers through IDispatch on an object that has queried the scripted server.
struct Member {
    const char* name;
    DISPID id;
    WORD flags;
    std::u16string expected;  // the property's text; empty for the put and the method
};

TEST_F(AllocationSweep, EveryMemberThroughInvokeAnswersItsValueOrAFailure)
{
    Register();
    testing::ScriptedHttpServer server(testing::ScriptedAnswer{kAnswer});
    const Member members[] = {
        {"HTTPVer", kDispIdHTTPVer, DISPATCH_PROPERTYGET, u"HTTP/1.1"},
        {"ServerSoftware", kDispIdServerSoftware, DISPATCH_PROPERTYGET, u"Sweeper/1.0"},
        {"ContentLocation", kDispIdContentLocation, DISPATCH_PROPERTYGET, u"/index.html"},
        {"ServerURL", kDispIdServerURL, DISPATCH_PROPERTYPUT, u""},
        {"CurrentServerTime", kDispIdCurrentServerTime, DISPATCH_PROPERTYGET, u"Wed, 09 Dec 2026 06:00:00 GMT"},
        {"QueryServer", kDispIdQueryServer, DISPATCH_METHOD, u""},
        {"ErrorInfo", kDispIdErrorInfo, DISPATCH_PROPERTYGET, u""},
    };
    for (const Member& member : members) {
        SCOPED_TRACE(member.name);
        IPalvex* object = nullptr;
        VARIANT result;
        VariantInit(&result);
        VARIANT argument;
        VariantInit(&argument);
        DISPID named = DISPID_PROPERTYPUT;
        const auto invoke = [&] {
            DISPPARAMS params{nullptr, nullptr, 0, 0};
            if (member.flags == DISPATCH_PROPERTYPUT) params = DISPPARAMS{&argument, &named, 1, 1};
            VARIANT* out = member.flags == DISPATCH_PROPERTYGET ? &result : nullptr;
            return object->Invoke(member.id, IID_NULL, LOCALE_USER_DEFAULT, member.flags, &params, out, nullptr,
                                  nullptr);
        };
        const auto expectAnswered = [&](HRESULT hr) {
            if (FAILED(hr)) {
                EXPECT_EQ(result.vt, VT_EMPTY);
                return;
            }
            EXPECT_EQ(hr, S_OK);
            if (member.flags == DISPATCH_PROPERTYGET) {
                ASSERT_EQ(result.vt, VT_BSTR);
                EXPECT_EQ(Text(result.bstrVal), member.expected);
            } else if (member.id == kDispIdQueryServer) {
                UniqueBstr software;
                EXPECT_EQ(object->get_ServerSoftware(software.put()), S_OK);
                EXPECT_EQ(Text(software.get()), u"Sweeper/1.0");
            }
        };
        const unsigned faults = SweepAllocations(
            [&] {
                object = NewObject();
                ASSERT_NE(object, nullptr);
                ASSERT_EQ(PutServerURL(object, server.Address()), S_OK);
                ASSERT_EQ(object->QueryServer(), S_OK);
                argument.vt = VT_BSTR;
                argument.bstrVal = SysAllocString(Wide(server.Address()).c_str());
            },
            invoke,
            [&](HRESULT hr, const char*) {
                expectAnswered(hr);
                VariantClear(&result);
                // Still usable: the same call again, untouched, answers in full.
                expectAnswered(invoke());
                VariantClear(&result);
                VariantClear(&argument);
                ReleaseAndCheckUnload(object);
            });
        std::printf("Invoke %s: %u fallible calls\n", member.name, faults);
    }
}

TEST_F(AllocationSweep, QueryServerFillsThePropertiesOrFails)
{
    testing::ScriptedHttpServer server(testing::ScriptedAnswer{kAnswer});
    IPalvex* object = nullptr;
    const unsigned faults = SweepAllocations(
        [&] {
            object = NewObject();
            ASSERT_NE(object, nullptr);
            ASSERT_EQ(PutServerURL(object, server.Address()), S_OK);
        },
        [&] { return object->QueryServer(); },
        [&](HRESULT hr, const char*) {
            UniqueBstr version;
            UniqueBstr software;
            UniqueBstr location;
            UniqueBstr time;
            UniqueBstr error;
            ASSERT_EQ(object->get_HTTPVer(version.put()), S_OK);
            ASSERT_EQ(object->get_ServerSoftware(software.put()), S_OK);
            ASSERT_EQ(object->get_ContentLocation(location.put()), S_OK);
            ASSERT_EQ(object->get_CurrentServerTime(time.put()), S_OK);
            ASSERT_EQ(object->get_ErrorInfo(error.put()), S_OK);
            if (SUCCEEDED(hr)) {
                EXPECT_EQ(hr, S_OK);
                EXPECT_EQ(Text(version.get()), u"HTTP/1.1");
                EXPECT_EQ(Text(software.get()), u"Sweeper/1.0");
                EXPECT_EQ(Text(location.get()), u"/index.html");
                EXPECT_EQ(Text(time.get()), u"Wed, 09 Dec 2026 06:00:00 GMT");
            } else {
                EXPECT_EQ(hr, E_FAIL);
            }
            // The object answers a second query in full.
            EXPECT_EQ(object->QueryServer(), S_OK);
            ReleaseAndCheckUnload(object);
        });
    std::printf("QueryServer: %u fallible calls\n", faults);
}

// A new name for the module in every run: the loaded-library cache, which knows a library by the
// path it was loaded from, would otherwise answer every run after the first untouched.
class ModuleAliases {
public:
    explicit ModuleAliases(const std::string& module) : module_(std::filesystem::absolute(module))
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quenvar-sweep-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) directory_ = pattern;
    }
    ~ModuleAliases()
    {
        std::error_code ignored;
        if (!directory_.empty()) std::filesystem::remove_all(directory_, ignored);
    }
    ModuleAliases(const ModuleAliases&) = delete;
    ModuleAliases& operator=(const ModuleAliases&) = delete;

    std::u16string Next()
    {
        const std::filesystem::path alias = directory_ / ("Quenvar-" + std::to_string(++count_) + ".so");
        std::filesystem::create_symlink(module_, alias);
        return Wide(alias.string());
    }

private:
    std::filesystem::path module_;
    std::filesystem::path directory_;
    unsigned count_ = 0;
};

TEST_F(AllocationSweep, LoadTypeLibOfTheModuleAnswersALibraryOrAFailure)
{
    ModuleAliases aliases(library.Path());
    std::u16string path;
    ITypeLib* typeLib = nullptr;
    ITypeInfo* info = nullptr;
    const unsigned faults = SweepAllocations([&] { path = aliases.Next(); },
                                             [&] {
                                                 HRESULT hr = LoadTypeLib(path.c_str(), &typeLib);
                                                 if (SUCCEEDED(hr)) hr = typeLib->GetTypeInfoOfGuid(IID_IPalvex, &info);
                                                 return hr;
                                             },
                                             [&](HRESULT hr, const char*) {
                                                 EXPECT_TRUE(hr == S_OK || hr == E_OUTOFMEMORY) << std::hex << hr;
                                                 EXPECT_EQ(info != nullptr, SUCCEEDED(hr));
                                                 if (typeLib == nullptr) return;
                                                 // A library that loaded hands out the type once memory is back.
                                                 if (info == nullptr) {
                                                     EXPECT_EQ(typeLib->GetTypeInfoOfGuid(IID_IPalvex, &info), S_OK);
                                                 }
                                                 if (info != nullptr) info->Release();
                                                 info = nullptr;
                                                 typeLib->Release();
                                                 typeLib = nullptr;
                                             });
    // The reader keeps the library's texts and objects in task memory: the sweep reaches them.
    EXPECT_GT(faults, 0u);
    std::printf("LoadTypeLib: %u fallible calls\n", faults);
}

}  // namespace
}  // namespace quenvar
