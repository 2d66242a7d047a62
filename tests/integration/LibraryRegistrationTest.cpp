#include "platform/test_support/FaultInjection.h"
#include "platform/test_support/RegistryTesting.h"
#include "tests/integration/RegistryView.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quenvar {
namespace {

using testing::BuildPath;
using testing::DefaultValue;
using testing::ExportKey;
using testing::ServerLibrary;
using testing::WideDefaultValue;

const std::string kClassKey = "CLSID\\{6C1D4F20-8A31-4E7B-9D02-5B7A3E91C4D8}";
const std::string kTypeLibKey = "TypeLib\\{6C1D4F22-8A31-4E7B-9D02-5B7A3E91C4D8}\\1.0";

std::string Canonical(const std::string& path) { return std::filesystem::canonical(path).string(); }

std::string Directory(const std::string& path) { return path.substr(0, path.find_last_of('/') + 1); }

// What the script writes, with the module's path in its place.
std::string ScriptEntries(const std::string& module)
{
    return "[HKEY_CLASSES_ROOT\\CLSID\\{6C1D4F20-8A31-4E7B-9D02-5B7A3E91C4D8}]\n"
           "@=\"Palvex Class\"\n\n"
           "[HKEY_CLASSES_ROOT\\CLSID\\{6C1D4F20-8A31-4E7B-9D02-5B7A3E91C4D8}\\InprocServer32]\n"
           "@=\"" +
           module +
           "\"\n"
           "\"ThreadingModel\"=\"Both\"\n\n"
           "[HKEY_CLASSES_ROOT\\CLSID\\{6C1D4F20-8A31-4E7B-9D02-5B7A3E91C4D8}\\ProgID]\n"
           "@=\"Palvex.Palvex.1\"\n\n"
           "[HKEY_CLASSES_ROOT\\CLSID\\{6C1D4F20-8A31-4E7B-9D02-5B7A3E91C4D8}\\Programmable]\n\n"
           "[HKEY_CLASSES_ROOT\\CLSID\\{6C1D4F20-8A31-4E7B-9D02-5B7A3E91C4D8}\\VersionIndependentProgID]\n"
           "@=\"Palvex.Palvex\"\n\n";
}

std::string ProgIdEntries()
{
    return "[HKEY_CLASSES_ROOT\\Palvex.Palvex]\n"
           "@=\"Palvex Class\"\n\n"
           "[HKEY_CLASSES_ROOT\\Palvex.Palvex\\CurVer]\n"
           "@=\"Palvex.Palvex.1\"\n\n"
           "[HKEY_CLASSES_ROOT\\Palvex.Palvex.1]\n"
           "@=\"Palvex Class\"\n\n"
           "[HKEY_CLASSES_ROOT\\Palvex.Palvex.1\\CLSID]\n"
           "@=\"{6C1D4F20-8A31-4E7B-9D02-5B7A3E91C4D8}\"\n\n";
}

// What the type library's registration writes for a library file and help directory.
std::string InterfaceEntries()
{
    return "[HKEY_CLASSES_ROOT\\Interface]\n\n"
           "[HKEY_CLASSES_ROOT\\Interface\\{6C1D4F21-8A31-4E7B-9D02-5B7A3E91C4D8}]\n"
           "@=\"IPalvex\"\n\n"
           "[HKEY_CLASSES_ROOT\\Interface\\{6C1D4F21-8A31-4E7B-9D02-5B7A3E91C4D8}\\ProxyStubClsid]\n"
           "@=\"{00020424-0000-0000-C000-000000000046}\"\n\n"
           "[HKEY_CLASSES_ROOT\\Interface\\{6C1D4F21-8A31-4E7B-9D02-5B7A3E91C4D8}\\ProxyStubClsid32]\n"
           "@=\"{00020424-0000-0000-C000-000000000046}\"\n\n"
           "[HKEY_CLASSES_ROOT\\Interface\\{6C1D4F21-8A31-4E7B-9D02-5B7A3E91C4D8}\\TypeLib]\n"
           "@=\"{6C1D4F22-8A31-4E7B-9D02-5B7A3E91C4D8}\"\n"
           "\"Version\"=\"1.0\"\n\n";
}

std::string TypeLibEntries(const std::string& file, const std::string& helpDirectory)
{
    return "[HKEY_CLASSES_ROOT\\TypeLib]\n\n"
           "[HKEY_CLASSES_ROOT\\TypeLib\\{6C1D4F22-8A31-4E7B-9D02-5B7A3E91C4D8}]\n\n"
           "[HKEY_CLASSES_ROOT\\TypeLib\\{6C1D4F22-8A31-4E7B-9D02-5B7A3E91C4D8}\\1.0]\n"
           "@=\"Quenvar 1.0 Type Library\"\n\n"
           "[HKEY_CLASSES_ROOT\\TypeLib\\{6C1D4F22-8A31-4E7B-9D02-5B7A3E91C4D8}\\1.0\\0]\n\n"
           "[HKEY_CLASSES_ROOT\\TypeLib\\{6C1D4F22-8A31-4E7B-9D02-5B7A3E91C4D8}\\1.0\\0\\win32]\n"
           "@=\"" +
           file +
           "\"\n\n"
           "[HKEY_CLASSES_ROOT\\TypeLib\\{6C1D4F22-8A31-4E7B-9D02-5B7A3E91C4D8}\\1.0\\FLAGS]\n"
           "@=\"0\"\n\n"
           "[HKEY_CLASSES_ROOT\\TypeLib\\{6C1D4F22-8A31-4E7B-9D02-5B7A3E91C4D8}\\1.0\\HELPDIR]\n"
           "@=\"" +
           helpDirectory + "\"\n\n";
}

constexpr char kHeader[] = "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT]\n\n";

std::string Registered(const std::string& module)
{
    return kHeader + std::string("[HKEY_CLASSES_ROOT\\CLSID]\n\n") + ScriptEntries(module) + InterfaceEntries() +
           ProgIdEntries() + TypeLibEntries(module, Directory(module));
}

// Removal leaves CLSID (NoRemove) and everything the type library's registration wrote.
std::string Removed(const std::string& module)
{
    return kHeader + std::string("[HKEY_CLASSES_ROOT\\CLSID]\n\n") + InterfaceEntries() +
           TypeLibEntries(module, Directory(module));
}

class LibraryRegistration : public ::testing::Test {
protected:
    quenvar::testing::ScopedPrivateRegistry registry;
};

TEST_F(LibraryRegistration, RegisterWritesScriptEntriesAndTypeLibrary)
{
    ServerLibrary library(BuildPath("lib/Quenvar.so"));
    ASSERT_TRUE(library.Loaded());
    ASSERT_EQ(library.registerServer(), S_OK);
    const std::string module = Canonical(library.Path());
    EXPECT_EQ(ExportKey("HKEY_CLASSES_ROOT"), kHeader + std::string("[HKEY_CLASSES_ROOT\\CLSID]\n\n") +
                                                  ScriptEntries(module) + InterfaceEntries() + ProgIdEntries() +
                                                  TypeLibEntries(module, Directory(module)));

    // Removal leaves CLSID (NoRemove) and everything the type library's registration wrote.
    EXPECT_EQ(library.unregisterServer(), S_OK);
    EXPECT_EQ(ExportKey("HKEY_CLASSES_ROOT"), kHeader + std::string("[HKEY_CLASSES_ROOT\\CLSID]\n\n") +
                                                  InterfaceEntries() + TypeLibEntries(module, Directory(module)));
    // Again, with nothing of the script left to remove.
    EXPECT_EQ(library.unregisterServer(), S_OK);
}

std::u16string FromUtf8(const std::string& text)
{
    std::u16string wide(text.size(), u'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                             wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

// The path goes from the file system through the registry and back without a detour through the
// ANSI code page: registered, read and exported as written, and loaded again from its registration.
TEST_F(LibraryRegistration, ModuleInANonAsciiFolderRegistersAsWrittenAndActivates)
{
    namespace fs = std::filesystem;
    const std::string folder = Canonical(registry.Folder()) +
                               "/Pr\xC3\xBC"
                               "fung \xC3\xBC";
    const std::string module = folder + "/Quenvar.so";
    fs::create_directories(folder);
    fs::copy_file(BuildPath("lib/Quenvar.so"), module);
    {
        ServerLibrary library(module);
        ASSERT_TRUE(library.Loaded());
        ASSERT_EQ(library.registerServer(), S_OK);
    }
    const std::u16string wideKey(kClassKey.begin(), kClassKey.end());
    const std::u16string wideTypeLibKey(kTypeLibKey.begin(), kTypeLibKey.end());
    EXPECT_EQ(WideDefaultValue(wideKey + u"\\InprocServer32"), FromUtf8(module));
    EXPECT_EQ(WideDefaultValue(wideTypeLibKey + u"\\0\\win32"), FromUtf8(module));
    EXPECT_EQ(WideDefaultValue(wideTypeLibKey + u"\\HELPDIR"), FromUtf8(folder + "/"));
    EXPECT_EQ(ExportKey("HKEY_CLASSES_ROOT"), kHeader + std::string("[HKEY_CLASSES_ROOT\\CLSID]\n\n") +
                                                  ScriptEntries(module) + InterfaceEntries() + ProgIdEntries() +
                                                  TypeLibEntries(module, Directory(module)));

    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CLSID clsid{};
    IDispatch* object = nullptr;
    EXPECT_EQ(CLSIDFromProgID(u"Palvex.Palvex", &clsid), S_OK);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&object)),
              S_OK);
    ASSERT_NE(object, nullptr);
    object->Release();
    CoFreeUnusedLibraries();
    CoUninitialize();

    ServerLibrary library(module);
    ASSERT_TRUE(library.Loaded());
    EXPECT_EQ(library.unregisterServer(), S_OK);
    EXPECT_EQ(WideDefaultValue(wideKey + u"\\InprocServer32"), u"<absent>");
}

// The registry script is ANSI text: a module path the code page cannot hold is refused instead of
// registered with stand-in characters under a success. Removal writes no path and goes ahead.
TEST_F(LibraryRegistration, ModulePathOutsideTheAnsiCodePageIsRefusedForRegistrationOnly)
{
    namespace fs = std::filesystem;
    const std::string folder = Canonical(registry.Folder()) + "/\xE6\x97\xA5\xE6\x9C\xAC";
    const std::string module = folder + "/Quenvar.so";
    fs::create_directories(folder);
    fs::copy_file(BuildPath("lib/Quenvar.so"), module);
    ServerLibrary library(module);
    ASSERT_TRUE(library.Loaded());
    EXPECT_EQ(library.registerServer(), HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION));
    const std::u16string wideKey(kClassKey.begin(), kClassKey.end());
    EXPECT_EQ(WideDefaultValue(wideKey + u"\\InprocServer32"), u"<absent>");
    ServerLibrary plain(BuildPath("lib/Quenvar.so"));
    ASSERT_EQ(plain.registerServer(), S_OK);
    EXPECT_EQ(library.unregisterServer(), S_OK);
    EXPECT_EQ(ExportKey("HKEY_CLASSES_ROOT"), Removed(Canonical(plain.Path())));
}

TEST_F(LibraryRegistration, ModuleWithoutTypeLibraryRegistersTheTlbBesideIt)
{
    ServerLibrary library(BuildPath("tests/lib/QuenvarNoTypeLib.so"));
    ASSERT_TRUE(library.Loaded());
    ASSERT_EQ(library.registerServer(), S_OK);
    const std::string module = Canonical(library.Path());
    const std::string tlb = module.substr(0, module.size() - 3) + ".tlb";
    EXPECT_EQ(DefaultValue(kClassKey + "\\InprocServer32"), module);
    EXPECT_EQ(DefaultValue(kTypeLibKey + "\\0\\win32"), tlb);
    EXPECT_EQ(DefaultValue(kTypeLibKey + "\\HELPDIR"), Directory(module));
}

TEST_F(LibraryRegistration, TypeLibraryFallbackTakesTheLastDotOfThePath)
{
    namespace fs = std::filesystem;
    const fs::path base = Canonical(registry.Folder());
    const fs::path tlb = BuildPath("tests/lib/QuenvarNoTypeLib.tlb");
    struct Case {
        const char* name;
        fs::path module;
        fs::path expectedTlb;
    } cases[] = {
        {"no dot anywhere", base / "plain" / "Quenvar", base / "plain" / "Quenvar.tlb"},
        {"only dot in a folder", base / "lib.d" / "Quenvar", base / "lib.tlb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directories(c.module.parent_path());
        fs::copy_file(BuildPath("tests/lib/QuenvarNoTypeLib.so"), c.module);
        fs::copy_file(tlb, c.expectedTlb);
        ServerLibrary library(c.module.string());
        ASSERT_TRUE(library.Loaded());
        ASSERT_EQ(library.registerServer(), S_OK);
        EXPECT_EQ(DefaultValue(kTypeLibKey + "\\0\\win32"), c.expectedTlb.string());
        // The help directory is that of the file that loaded.
        EXPECT_EQ(DefaultValue(kTypeLibKey + "\\HELPDIR"), c.expectedTlb.parent_path().string() + "/");
    }
}

TEST_F(LibraryRegistration, FallbackPathThatWouldNotFitIsRefused)
{
    namespace fs = std::filesystem;
    // A module path of 257 bytes without a dot: its ".tlb" path would need 262.
    fs::path folder = Canonical(registry.Folder());
    while (folder.string().size() < 240) folder /= "abcdefghij";
    const fs::path module = folder / std::string(256 - folder.string().size(), 'q');
    ASSERT_EQ(module.string().size(), 257u);
    fs::create_directories(folder);
    fs::copy_file(BuildPath("tests/lib/QuenvarNoTypeLib.so"), module);
    ServerLibrary library(module.string());
    ASSERT_TRUE(library.Loaded());
    EXPECT_EQ(library.registerServer(), HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(DefaultValue(kClassKey + "\\InprocServer32"), module.string());
    EXPECT_EQ(DefaultValue(kTypeLibKey), "<absent>");
}

TEST_F(LibraryRegistration, ScriptErrorFailsAndRegistersNoTypeLibrary)
{
    ServerLibrary library(BuildPath("tests/lib/QuenvarBadScript.so"));
    ASSERT_TRUE(library.Loaded());
    EXPECT_EQ(library.registerServer(), DISP_E_EXCEPTION);
    EXPECT_EQ(DefaultValue(kTypeLibKey), "<absent>");
    EXPECT_EQ(library.unregisterServer(), S_OK);  // even though its script cannot be run
}

TEST_F(LibraryRegistration, RegistryFailureIsAnsweredAndLeavesNoTypeLibrary)
{
    ServerLibrary library(BuildPath("lib/Quenvar.so"));
    ASSERT_TRUE(library.Loaded());
    {
        quenvar::testing::ScopedFault fault("RegCreateKeyExA", 1, ERROR_ACCESS_DENIED);
        EXPECT_TRUE(FAILED(library.registerServer()));
    }
    EXPECT_EQ(DefaultValue(kTypeLibKey), "<absent>");
    EXPECT_EQ(library.registerServer(), S_OK);
}

TEST_F(LibraryRegistration, TypeLibraryFailuresAreAnsweredAndTheClassEntriesKept)
{
    namespace fs = std::filesystem;
    const fs::path module = fs::path(Canonical(registry.Folder())) / "alone" / "QuenvarNoTypeLib.so";
    fs::create_directories(module.parent_path());
    fs::copy_file(BuildPath("tests/lib/QuenvarNoTypeLib.so"), module);  // without its .tlb
    {
        ServerLibrary library(module.string());
        ASSERT_TRUE(library.Loaded());
        EXPECT_EQ(library.registerServer(), TYPE_E_CANTLOADLIBRARY);
        EXPECT_EQ(DefaultValue(kClassKey + "\\InprocServer32"), module.string());
        EXPECT_EQ(DefaultValue(kTypeLibKey), "<absent>");
        EXPECT_EQ(library.unregisterServer(), S_OK);
    }

    // The script creates its keys through the ANSI calls, the type library registration through
    // the wide ones: the first wide creation is the type library's.
    ServerLibrary library(BuildPath("lib/Quenvar.so"));
    ASSERT_TRUE(library.Loaded());
    {
        quenvar::testing::ScopedFault fault("RegCreateKeyExW", 1, ERROR_ACCESS_DENIED);
        EXPECT_EQ(library.registerServer(), TYPE_E_REGISTRYACCESS);
        EXPECT_TRUE(quenvar::testing::FaultFired("RegCreateKeyExW"));
    }
    EXPECT_EQ(DefaultValue(kClassKey + "\\InprocServer32"), Canonical(library.Path()));
}

// Two registrar processes at once, 50 rounds each: every call succeeds, and the registry ends as
// the last call left it.
TEST_F(LibraryRegistration, TwoProcessesRegisteringAtOnceTakeTurns)
{
    const std::string module = Canonical(BuildPath("lib/Quenvar.so"));
    const std::string registered = Registered(module), removed = Removed(module);
    for (const char* last : {"register", "unregister"}) {
        SCOPED_TRACE(last);
        std::vector<pid_t> registrars;
        for (int process = 0; process < 2; ++process) {
            const std::string program = BuildPath("tests/registration_rounds");
            char* arguments[] = {const_cast<char*>(program.c_str()), const_cast<char*>(module.c_str()),
                                 const_cast<char*>("50"), const_cast<char*>(last), nullptr};
            pid_t child = 0;
            ASSERT_EQ(posix_spawn(&child, program.c_str(), nullptr, nullptr, arguments, environ), 0);
            registrars.push_back(child);
        }
        for (const pid_t child : registrars) {
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        }
        EXPECT_EQ(ExportKey("HKEY_CLASSES_ROOT"), std::string(last) == "register" ? registered : removed);
    }
}

// A process that read the registry keeps its database locks through its registrations: others see
// what each call left, and its closing (as at exit) keeps a later registration by another process.
TEST_F(LibraryRegistration, RegistrarThatReadTheRegistryLosesNoWrites)
{
    const std::string module = Canonical(BuildPath("lib/Quenvar.so"));
    const std::string other = Canonical(registry.Folder()) + "/Quenvar.so";
    std::filesystem::copy_file(module, other);
    ServerLibrary library(module);
    EXPECT_EQ(DefaultValue(kClassKey), "<absent>");
    for (const auto call : {library.registerServer, library.registerServer, library.unregisterServer}) {
        EXPECT_EQ(call(), S_OK);
        EXPECT_EQ(ExportKey("HKEY_CLASSES_ROOT"),
                  call == library.registerServer ? Registered(module) : Removed(module));
    }
    EXPECT_EQ(std::system((BuildPath("tests/registration_rounds") + " '" + other + "' 1 register").c_str()), 0);
    quenvar::testing::ReopenRegistry();
    EXPECT_EQ(ExportKey("HKEY_CLASSES_ROOT"), Registered(other));
}

}  // namespace
}  // namespace quenvar
