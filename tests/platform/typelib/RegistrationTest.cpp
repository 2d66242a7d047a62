// RegisterTypeLib, LoadRegTypeLib and UnRegisterTypeLib against a private registry: the exact keys
// written, the version and locale rules of the lookup, and removal.
#include "TypeLibTestSupport.h"

#include "platform/test_support/FaultInjection.h"
#include "platform/test_support/RegistryTesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace typelibtest {
namespace {

using Key = quenvar::UniqueKey;

// Every key and value under `key`, one line each: "path" for a key, "path:name=data" for a value
// ("@" names the default value). Sorted, so that tests compare whole trees.
void Dump(HKEY key, const std::string& path, std::vector<std::string>& lines)
{
    if (!path.empty()) lines.push_back(path);
    for (DWORD index = 0;; ++index) {
        char name[256];
        BYTE data[1024];
        DWORD nameLength = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        const std::string text = type == REG_SZ ? std::string(reinterpret_cast<char*>(data), dataSize - 1) : "?";
        lines.push_back(path + ":" + (nameLength == 0 ? "@" : std::string(name)) + "=" + text);
    }
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        Key child;
        ASSERT_EQ(RegOpenKeyExA(key, name, 0, KEY_READ, child.put()), ERROR_SUCCESS);
        Dump(child.get(), path.empty() ? name : path + "\\" + name, lines);
    }
}

std::vector<std::string> Tree()
{
    std::vector<std::string> lines;
    Dump(HKEY_CLASSES_ROOT, "", lines);
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::string LibraryKey(const char* rest = "")
{
    return "TypeLib\\{6C1D4F22-8A31-4E7B-9D02-5B7A3E91C4D8}" + std::string(rest);
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Load(kComponentLibrary, component_), S_OK); }

    HRESULT Register(ITypeLib* library, const std::filesystem::path& path, const char16_t* helpDirectory)
    {
        return RegisterTypeLib(library, Wide(path.string()).c_str(), helpDirectory);
    }

    // A copy of the component's library with another version or locale, registered from `folder`.
    std::filesystem::path RegisterVariant(const std::string& file, WORD major, WORD minor, LCID lcid)
    {
        std::vector<BYTE> bytes = ReadBytes(kComponentLibrary);
        const DWORD version = major | static_cast<DWORD>(minor) << 16;
        std::memcpy(bytes.data() + 0x18, &version, 4);
        std::memcpy(bytes.data() + 0x10, &lcid, 4);
        auto path = folder_.path() / file;
        WriteBytes(path, bytes);
        Owned<ITypeLib> library;
        EXPECT_EQ(Load(path, library), S_OK);
        EXPECT_EQ(Register(library.get(), path, u""), S_OK);
        return path;
    }

    quenvar::testing::ScopedPrivateRegistry registry_;
    TempDirectory folder_;
    Owned<ITypeLib> component_;
};

TEST_F(Registration, WritesTheLibraryAndItsDualInterface)
{
    const std::string path = kComponentLibrary.string();
    ASSERT_EQ(Register(component_.get(), kComponentLibrary, u"/opt/quenvar/"), S_OK);
    const std::string interfaceKey = "Interface\\{6C1D4F21-8A31-4E7B-9D02-5B7A3E91C4D8}";
    const std::string proxy = "{00020424-0000-0000-C000-000000000046}";
    const std::vector<std::string> expected = {
        "Interface",
        interfaceKey,
        interfaceKey + ":@=IPalvex",
        interfaceKey + "\\ProxyStubClsid",
        interfaceKey + "\\ProxyStubClsid32",
        interfaceKey + "\\ProxyStubClsid32:@=" + proxy,
        interfaceKey + "\\ProxyStubClsid:@=" + proxy,
        interfaceKey + "\\TypeLib",
        interfaceKey + "\\TypeLib:@={6C1D4F22-8A31-4E7B-9D02-5B7A3E91C4D8}",
        interfaceKey + "\\TypeLib:Version=1.0",
        "TypeLib",
        LibraryKey(),
        LibraryKey("\\1.0"),
        LibraryKey("\\1.0:@=Quenvar 1.0 Type Library"),
        LibraryKey("\\1.0\\0"),
        LibraryKey("\\1.0\\0\\win32"),
        LibraryKey("\\1.0\\0\\win32:@=") + path,
        LibraryKey("\\1.0\\FLAGS"),
        LibraryKey("\\1.0\\FLAGS:@=0"),
        LibraryKey("\\1.0\\HELPDIR"),
        LibraryKey("\\1.0\\HELPDIR:@=/opt/quenvar/"),
    };
    EXPECT_EQ(Tree(), expected);
}

TEST_F(Registration, RegistersDispatchAndAutomationInterfacesOnly)
{
    Owned<ITypeLib> reader;
    ASSERT_EQ(Load(kReaderLibrary, reader), S_OK);
    ASSERT_EQ(Register(reader.get(), kReaderLibrary, nullptr), S_OK);
    std::vector<std::string> interfaces;
    for (const std::string& line : Tree()) {
        if (line.rfind("Interface\\", 0) == 0 && (line.find(":@=") != std::string::npos)) interfaces.push_back(line);
    }
    const std::string dispatchProxy = "{00020420-0000-0000-C000-000000000046}";
    const std::string dualProxy = "{00020424-0000-0000-C000-000000000046}";
    const std::string library = "{8B0E6A10-3F2C-4D51-A7E4-1C9D2B3A4F50}";
    auto key = [](char last) { return "Interface\\{8B0E6A1" + std::string(1, last) + "-3F2C-4D51-A7E4-1C9D2B3A4F50}"; };
    const std::vector<std::string> expected = {
        key('4') + ":@=IFirstDual",
        key('4') + "\\ProxyStubClsid32:@=" + dualProxy,
        key('4') + "\\ProxyStubClsid:@=" + dualProxy,
        key('4') + "\\TypeLib:@=" + library,
        key('5') + ":@=ISecondDual",
        key('5') + "\\ProxyStubClsid32:@=" + dualProxy,
        key('5') + "\\ProxyStubClsid:@=" + dualProxy,
        key('5') + "\\TypeLib:@=" + library,
        key('6') + ":@=DNotify",
        key('6') + "\\ProxyStubClsid32:@=" + dispatchProxy,
        key('6') + "\\ProxyStubClsid:@=" + dispatchProxy,
        key('6') + "\\TypeLib:@=" + library,
    };
    EXPECT_EQ(interfaces, expected);
    // Flags in decimal without the disk-image flag the loader adds; version and locale in hex.
    const std::vector<std::string> tree = Tree();
    const std::string version = "TypeLib\\" + library + "\\3.2";
    EXPECT_NE(std::find(tree.begin(), tree.end(), version + "\\FLAGS:@=2"), tree.end());
    EXPECT_NE(std::find(tree.begin(), tree.end(), version + ":@=Reader test library"), tree.end());
    EXPECT_NE(std::find(tree.begin(), tree.end(), version + "\\0\\win32:@=" + kReaderLibrary.string()), tree.end());
}

TEST_F(Registration, HelpDirectoryDefaultsToTheLibraryFolder)
{
    struct Row {
        std::u16string path;
        const char* helpDirectory;
    };
    const Row rows[] = {{u"/opt/q/Quenvar.so", "/opt/q"},
                        {u"/opt/q/Quenvar.so\\2", "/opt/q"},
                        {u"C:\\dir\\lib.dll", "C:\\dir"},
                        {u"lib.tlb", ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.helpDirectory);
        quenvar::testing::ScopedPrivateRegistry registry;
        ASSERT_EQ(RegisterTypeLib(component_.get(), row.path.c_str(), nullptr), S_OK);
        const std::vector<std::string> tree = Tree();
        EXPECT_NE(std::find(tree.begin(), tree.end(), LibraryKey("\\1.0\\HELPDIR:@=") + row.helpDirectory), tree.end());
    }
    // An existing help folder stays when none is given.
    ASSERT_EQ(RegisterTypeLib(component_.get(), u"/a/lib.tlb", u"/help"), S_OK);
    ASSERT_EQ(RegisterTypeLib(component_.get(), u"/b/lib.tlb", nullptr), S_OK);
    const std::vector<std::string> tree = Tree();
    EXPECT_NE(std::find(tree.begin(), tree.end(), LibraryKey("\\1.0\\HELPDIR:@=/help")), tree.end());
    EXPECT_NE(std::find(tree.begin(), tree.end(), LibraryKey("\\1.0\\0\\win32:@=/b/lib.tlb")), tree.end());
}

TEST_F(Registration, RefusesMissingArgumentsAndReportsRegistryFailures)
{
    EXPECT_EQ(RegisterTypeLib(nullptr, u"/x.tlb", nullptr), E_INVALIDARG);
    EXPECT_EQ(RegisterTypeLib(component_.get(), nullptr, nullptr), E_INVALIDARG);
    // Every registry write that can fail makes the registration fail, whichever it is.
    for (unsigned nth = 1;; ++nth) {
        SCOPED_TRACE(nth);
        quenvar::testing::ScopedPrivateRegistry registry;
        HRESULT hr = S_OK;
        bool fired = false;
        {
            const quenvar::testing::ScopedFault fault("RegCreateKeyExW", nth, ERROR_ACCESS_DENIED);
            hr = Register(component_.get(), kComponentLibrary, u"/help");
            fired = quenvar::testing::FaultFired("RegCreateKeyExW");
        }
        if (!fired) {
            EXPECT_EQ(hr, S_OK);
            break;
        }
        EXPECT_EQ(hr, TYPE_E_REGISTRYACCESS);
        EXPECT_EQ(Tree(), std::vector<std::string>{});  // nothing of the half-made registration stays
    }
    const quenvar::testing::ScopedFault fault("RegSetValueExW", 3, ERROR_ACCESS_DENIED);
    EXPECT_EQ(Register(component_.get(), kComponentLibrary, u"/help"), TYPE_E_REGISTRYACCESS);
}

// A failed registration over an earlier one keeps the keys that were there; only new ones go.
TEST_F(Registration, FailureOverAnEarlierRegistrationKeepsItsKeys)
{
    ASSERT_EQ(Register(component_.get(), kComponentLibrary, u"/help"), S_OK);
    const std::vector<std::string> before = Tree();
    const quenvar::testing::ScopedFault fault("RegSetValueExW", 2, ERROR_ACCESS_DENIED);
    EXPECT_EQ(Register(component_.get(), "/other/lib.tlb", u"/help"), TYPE_E_REGISTRYACCESS);
    const auto keys = [](std::vector<std::string> lines) {
        std::erase_if(lines, [](const std::string& line) { return line.find(':') != std::string::npos; });
        return lines;
    };
    EXPECT_EQ(keys(Tree()), keys(before));
}

TEST_F(Registration, RoundTripFindsTheLibraryWhateverTheLocale)
{
    Owned<ITypeLib> found;
    EXPECT_EQ(LoadRegTypeLib(kComponentLibraryId, 1, 0, 0, found.put()), TYPE_E_LIBNOTREGISTERED);
    ASSERT_EQ(Register(component_.get(), kComponentLibrary, u""), S_OK);
    for (LCID lcid : {0x0u, 0x409u, 0x400u, 0x800u, 0x411u}) {
        SCOPED_TRACE(lcid);
        ASSERT_EQ(LoadRegTypeLib(kComponentLibraryId, 1, 0, lcid, found.put()), S_OK);
        Owned<ITypeInfo> info;
        EXPECT_EQ(TypeInfoOfGuid(found.get(), kPalvexInterfaceId, info), S_OK);
    }
    EXPECT_EQ(LoadRegTypeLib(kComponentLibraryId, 1, 0, 0, nullptr), E_INVALIDARG);
}

// The path is kept as given, characters that no ANSI code page holds included, and opens again.
TEST_F(Registration, PathOutsideTheAnsiCodePageIsFoundAgain)
{
    const auto folder = folder_.path() / "\xE6\x97\xA5\xE6\x9C\xAC \xC3\xBC";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(kComponentLibrary, folder / "Quenvar.tlb");
    const std::u16string path = Wide(folder_.path().string()) + u"/\u65E5\u672C \u00FC/Quenvar.tlb";
    Owned<ITypeLib> library, found;
    ASSERT_EQ(LoadTypeLib(path.c_str(), library.put()), S_OK);
    ASSERT_EQ(RegisterTypeLib(library.get(), path.c_str(), nullptr), S_OK);

    Key key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"TypeLib\\{6C1D4F22-8A31-4E7B-9D02-5B7A3E91C4D8}\\1.0\\0\\win32", 0,
                            KEY_READ, key.put()),
              ERROR_SUCCESS);
    char16_t stored[MAX_PATH];
    DWORD size = sizeof stored;
    ASSERT_EQ(RegQueryValueExW(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(stored), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(stored), path);
    EXPECT_EQ(LoadRegTypeLib(kComponentLibraryId, 1, 0, 0, found.put()), S_OK);
    Owned<ITypeInfo> info;
    EXPECT_EQ(TypeInfoOfGuid(found.get(), kPalvexInterfaceId, info), S_OK);
    EXPECT_EQ(UnRegisterTypeLib(kComponentLibraryId, 1, 0, 0, SYS_WIN32), S_OK);
}

TEST_F(Registration, LibrariesRegisteredFromModules)
{
    // A module's path names its TYPELIB 1, "module\\N" its TYPELIB N; both are found again.
    const std::u16string module = Wide(QUENVAR_TYPELIB_MODULE);
    Owned<ITypeLib> first, second, found;
    ASSERT_EQ(LoadTypeLib(module.c_str(), first.put()), S_OK);
    ASSERT_EQ(LoadTypeLib((module + u"\\2").c_str(), second.put()), S_OK);
    ASSERT_EQ(RegisterTypeLib(first.get(), module.c_str(), nullptr), S_OK);
    ASSERT_EQ(RegisterTypeLib(second.get(), (module + u"\\2").c_str(), nullptr), S_OK);
    EXPECT_EQ(LoadRegTypeLib(kComponentLibraryId, 1, 0, 0, found.put()), S_OK);
    const GUID readerLibrary = {0x8B0E6A10, 0x3F2C, 0x4D51, {0xA7, 0xE4, 0x1C, 0x9D, 0x2B, 0x3A, 0x4F, 0x50}};
    EXPECT_EQ(LoadRegTypeLib(readerLibrary, 3, 2, 0, found.put()), S_OK);
}

TEST_F(Registration, VersionRules)
{
    // Registered 3.0, 3.1 and 3.55 (key "3.37"): the major must match, the minor asked for is
    // taken when registered, else the highest above it.
    RegisterVariant("v30.tlb", 3, 0, 0);
    RegisterVariant("v31.tlb", 3, 1, 0);
    RegisterVariant("v355.tlb", 3, 55, 0);
    const std::vector<std::string> tree = Tree();
    EXPECT_NE(std::find(tree.begin(), tree.end(), LibraryKey("\\3.37")), tree.end());
    struct Row {
        WORD major, minor;
        HRESULT result;
        WORD found;
    };
    const Row rows[] = {{3, 0, S_OK, 0},
                        {3, 1, S_OK, 1},
                        {3, 2, S_OK, 55},
                        {3, 22, S_OK, 55},
                        {3, 40, S_OK, 55},
                        {3, 55, S_OK, 55},
                        {3, 56, TYPE_E_LIBNOTREGISTERED, 0},
                        {1, 0, TYPE_E_LIBNOTREGISTERED, 0},
                        {4, 0, TYPE_E_LIBNOTREGISTERED, 0},
                        {2, 99, TYPE_E_LIBNOTREGISTERED, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.major) + "." + std::to_string(row.minor));
        Owned<ITypeLib> library;
        ASSERT_EQ(LoadRegTypeLib(kComponentLibraryId, row.major, row.minor, 0, library.put()), row.result);
        if (FAILED(row.result)) continue;
        TLIBATTR* attributes = nullptr;
        ASSERT_EQ(library.get()->GetLibAttr(&attributes), S_OK);
        EXPECT_EQ(attributes->wMinorVerNum, row.found);
        library.get()->ReleaseTLibAttr(attributes);
    }
}

TEST_F(Registration, LocaleFallback)
{
    // Registered under 409 only: asked for its own locale, for another of its language, for a
    // neutral locale or any other, the library is found.
    RegisterVariant("english.tlb", 1, 0, 0x409);
    const std::vector<std::string> tree = Tree();
    EXPECT_NE(std::find(tree.begin(), tree.end(), LibraryKey("\\1.0\\409\\win32")), tree.end());
    for (LCID lcid : {0x409u, 0x809u, 0x9u, 0x0u, 0x411u}) {
        SCOPED_TRACE(lcid);
        Owned<ITypeLib> library;
        EXPECT_EQ(LoadRegTypeLib(kComponentLibraryId, 1, 0, lcid, library.put()), S_OK);
    }
}

TEST_F(Registration, RegisteredPathThatDoesNotHoldTheLibrary)
{
    const auto path = folder_.path() / "moved.tlb";
    WriteBytes(path, ReadBytes(kComponentLibrary));
    ASSERT_EQ(Register(component_.get(), path, u""), S_OK);
    Owned<ITypeLib> library;
    // Found and kept first: the file written over it must still be checked, not the kept library.
    ASSERT_EQ(LoadRegTypeLib(kComponentLibraryId, 1, 0, 0, library.put()), S_OK);
    WriteBytes(path, ReadBytes(kReaderLibrary));
    EXPECT_EQ(LoadRegTypeLib(kComponentLibraryId, 1, 0, 0, library.put()), TYPE_E_LIBNOTREGISTERED);
    std::filesystem::remove(path);
    EXPECT_EQ(LoadRegTypeLib(kComponentLibraryId, 1, 0, 0, library.put()), TYPE_E_CANTLOADLIBRARY);
    EXPECT_EQ(library.get(), nullptr);

    const quenvar::testing::ScopedFault fault("LoadRegTypeLib", 1, static_cast<DWORD>(TYPE_E_REGISTRYACCESS));
    EXPECT_EQ(LoadRegTypeLib(kComponentLibraryId, 1, 0, 0, library.put()), TYPE_E_REGISTRYACCESS);
}

TEST_F(Registration, ImportsResolveThroughTheRegistry)
{
    const auto alone = folder_.path() / "reader.tlb";
    WriteBytes(alone, ReadBytes(kReaderLibrary));
    Owned<ITypeLib> reader, outside;
    ASSERT_EQ(Load(alone, reader), S_OK);
    ASSERT_EQ(Load(kOutsideLibrary, outside), S_OK);
    ASSERT_EQ(Register(outside.get(), kOutsideLibrary, nullptr), S_OK);
    Owned<ITypeInfo> coclass, plain;
    ASSERT_EQ(TypeInfoOfGuid(reader.get(),
                             {0x8B0E6A13, 0x3F2C, 0x4D51, {0xA7, 0xE4, 0x1C, 0x9D, 0x2B, 0x3A, 0x4F, 0x50}}, plain),
              S_OK);
    FUNCDESC* imported = nullptr;
    ASSERT_EQ(plain.get()->GetFuncDesc(7, &imported), S_OK);
    Owned<ITypeInfo> target;
    EXPECT_EQ(plain.get()->GetRefTypeInfo(imported->lprgelemdescParam[0].tdesc.lptdesc->hreftype, target.put()), S_OK);
    plain.get()->ReleaseFuncDesc(imported);
    EXPECT_EQ(Name(target.get()), "IOutside");
}

TEST_F(Registration, UnregisterRemovesWhatRegistrationWrote)
{
    const std::vector<std::string> before = Tree();
    ASSERT_EQ(Register(component_.get(), kComponentLibrary, u"/help"), S_OK);
    Owned<ITypeLib> found;
    ASSERT_EQ(LoadRegTypeLib(kComponentLibraryId, 1, 0, 0, found.put()), S_OK);
    ASSERT_EQ(UnRegisterTypeLib(kComponentLibraryId, 1, 0, 0, SYS_WIN32), S_OK);
    EXPECT_EQ(Tree(), (std::vector<std::string>{"Interface", "TypeLib"}));
    // What was found before is not found again once the registration is gone.
    EXPECT_EQ(LoadRegTypeLib(kComponentLibraryId, 1, 0, 0, found.put()), TYPE_E_LIBNOTREGISTERED);
    EXPECT_EQ(UnRegisterTypeLib(kComponentLibraryId, 1, 0, 0, SYS_WIN32), E_INVALIDARG);
}

TEST_F(Registration, UnregisterKeepsOtherVersionsAndForeignInterfaceKeys)
{
    ASSERT_EQ(Register(component_.get(), kComponentLibrary, u""), S_OK);
    RegisterVariant("v11.tlb", 1, 1, 0);
    ASSERT_EQ(UnRegisterTypeLib(kComponentLibraryId, 1, 0, 0, SYS_WIN32), S_OK);
    const std::vector<std::string> tree = Tree();
    EXPECT_EQ(std::find(tree.begin(), tree.end(), LibraryKey("\\1.0")), tree.end());
    EXPECT_NE(std::find(tree.begin(), tree.end(), LibraryKey("\\1.1")), tree.end());
    // The interface key names version 1.1 since its registration, so removing 1.0 left it alone.
    EXPECT_NE(
        std::find(tree.begin(), tree.end(), "Interface\\{6C1D4F21-8A31-4E7B-9D02-5B7A3E91C4D8}\\TypeLib:Version=1.1"),
        tree.end());
}

TEST_F(Registration, UnregisterWhenTheFileIsGone)
{
    const auto path = RegisterVariant("gone.tlb", 1, 0, 0);
    std::filesystem::remove(path);
    EXPECT_EQ(UnRegisterTypeLib(kComponentLibraryId, 1, 0, 0, SYS_WIN32), TYPE_E_INVALIDSTATE);
    EXPECT_EQ(UnRegisterTypeLib(kComponentLibraryId, 1, 0, 0x409, SYS_WIN32), E_INVALIDARG);
    EXPECT_EQ(UnRegisterTypeLib(kComponentLibraryId, 1, 0, 0, SYS_WIN64), E_INVALIDARG);
}

}  // namespace
}  // namespace typelibtest
