#include "platform/UniqueHandle.h"
#include "platform/test_support/FaultInjection.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace quenvar {
namespace {

using testing::TempFolder;
using testing::WriteWholeFile;

std::uintptr_t Address(const void* pointer) { return reinterpret_cast<std::uintptr_t>(pointer); }

TEST(Library, LoadsFindsOwnExportsAndCountsLoads)
{
    HMODULE first = LoadLibraryA(QUENVAR_PLAIN_MODULE);
    ASSERT_NE(first, nullptr) << GetLastError();
    EXPECT_EQ(LoadLibraryExA(QUENVAR_PLAIN_MODULE, nullptr, 0), first);
    EXPECT_EQ(Address(first) % 4096, 0u);  // the load address

    FARPROC answer = GetProcAddress(first, "QuenvarTestAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(reinterpret_cast<int (*)()>(reinterpret_cast<void*>(answer))(), 42);
    // malloc is found through the libraries this one uses, but is not its own export.
    for (const char* missing : {"QuenvarMissing", "malloc"}) {
        SetLastError(0);
        EXPECT_EQ(GetProcAddress(first, missing), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    }

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_NE(GetProcAddress(first, "QuenvarTestAnswer"), nullptr);
    EXPECT_TRUE(FreeLibrary(first));
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(first));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Library, ModuleHandleOfAnAddressOrAName)
{
    constexpr DWORD kFromAddress =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    UniqueModule module(LoadLibraryA(QUENVAR_PLAIN_MODULE));
    ASSERT_TRUE(module);
    const auto answer = reinterpret_cast<LPCSTR>(GetProcAddress(module.get(), "QuenvarTestAnswer"));
    HMODULE found = nullptr;
    EXPECT_TRUE(GetModuleHandleExA(kFromAddress, answer, &found));
    EXPECT_EQ(found, module.get());

    // Without the unchanged-refcount flag the caller owns a load of its own.
    HMODULE referenced = nullptr;
    EXPECT_TRUE(GetModuleHandleExA(0, QUENVAR_PLAIN_MODULE, &referenced));
    EXPECT_EQ(referenced, module.get());
    module.reset();
    EXPECT_NE(GetProcAddress(referenced, "QuenvarTestAnswer"), nullptr);
    EXPECT_TRUE(FreeLibrary(referenced));

    HMODULE executable = nullptr;
    HMODULE executableByAddress = nullptr;
    EXPECT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, nullptr, &executable));
    EXPECT_TRUE(GetModuleHandleExA(kFromAddress, reinterpret_cast<LPCSTR>(&Address), &executableByAddress));
    EXPECT_EQ(executable, executableByAddress);

    int local = 0;
    found = reinterpret_cast<HMODULE>(1);
    SetLastError(0);
    EXPECT_FALSE(GetModuleHandleExA(kFromAddress, reinterpret_cast<LPCSTR>(&local), &found));
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_FALSE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, "libquenvar-absent.so", &found));
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST(Library, LoadFailuresAnswerPlatformCodes)
{
    TempFolder folder;
    const std::string text = folder.File("text.so");
    WriteWholeFile(text, {'n', 'o', 't', ' ', 'E', 'L', 'F'});
    struct Case {
        std::string name;
        HANDLE reserved;
        DWORD flags;
        DWORD error;
    };
    const Case cases[] = {
        {"libquenvar-absent.so", nullptr, 0, ERROR_MOD_NOT_FOUND},
        {folder.File("absent.so"), nullptr, 0, ERROR_MOD_NOT_FOUND},
        {text, nullptr, 0, ERROR_BAD_EXE_FORMAT},
        {"", nullptr, 0, ERROR_INVALID_PARAMETER},
        {QUENVAR_PLAIN_MODULE, reinterpret_cast<HANDLE>(1), 0, ERROR_INVALID_PARAMETER},
        {QUENVAR_PLAIN_MODULE, nullptr, 0x8, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(LoadLibraryExA(c.name.c_str(), c.reserved, c.flags), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST(Library, ModuleFileNameIsAbsoluteAndCutWithTerminator)
{
    const std::filesystem::path path = std::filesystem::canonical(QUENVAR_PLAIN_MODULE);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(path.parent_path());
    UniqueModule module(LoadLibraryA(("./" + path.filename().string()).c_str()));
    std::filesystem::current_path(previous);
    ASSERT_TRUE(module);

    const std::string expected = path.string();
    const DWORD length = static_cast<DWORD>(expected.size());
    std::string buffer(length + 8, 'x');
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(module.get(), buffer.data(), length + 1), length);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(buffer.c_str(), expected);
    EXPECT_EQ(GetModuleFileNameA(module.get(), buffer.data(), length), length);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(buffer.c_str(), expected.substr(0, length - 1));

    const DWORD exeLength = GetModuleFileNameA(nullptr, buffer.data(), length + 8);
    EXPECT_EQ(std::filesystem::path(buffer.substr(0, exeLength)), std::filesystem::read_symlink("/proc/self/exe"));
}

TEST(Library, ModuleFileNameRefusesWhatIsNotALoadAddress)
{
    UniqueModule module(LoadLibraryA(QUENVAR_PLAIN_MODULE));
    UniqueModule data(LoadLibraryExA(QUENVAR_PLAIN_MODULE, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    ASSERT_TRUE(data);
    EXPECT_EQ(Address(data.get()) & 1, 1u);  // marked, unlike a load address
    int local = 0;
    const HMODULE wrong[] = {reinterpret_cast<HMODULE>(reinterpret_cast<char*>(module.get()) + 4096),
                             reinterpret_cast<HMODULE>(&local), data.get()};
    for (HMODULE handle : wrong) {
        char buffer[16] = "untouched";
        SetLastError(0);
        EXPECT_EQ(GetModuleFileNameA(handle, buffer, sizeof buffer), 0u);
        EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
        EXPECT_STREQ(buffer, "untouched");
    }
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(data.get(), "QuenvarTestAnswer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// The W forms name files in UTF-16, which the file system holds as UTF-8; the A forms give its
// bytes unchanged. A name that UTF-8 cannot hold names no file.
TEST(Library, WideFileNamesAreTheFileSystemsUtf8)
{
    const TempFolder folder;
    const std::string prefix = folder.File("");
    const std::string narrow = folder.File(
        "Pr\xC3\xBC"
        "fung \xE6\x97\xA5/plain.so");
    const std::u16string wide = std::u16string(prefix.begin(), prefix.end()) + u"Pr\u00FCfung \u65E5/plain.so";
    std::filesystem::create_directories(std::filesystem::path(narrow).parent_path());
    std::filesystem::copy_file(QUENVAR_PLAIN_MODULE, narrow);

    UniqueModule module(LoadLibraryExW(wide.c_str(), nullptr, 0));
    ASSERT_TRUE(module) << GetLastError();
    EXPECT_EQ(UniqueModule(LoadLibraryA(narrow.c_str())).get(), module.get());
    const DWORD length = static_cast<DWORD>(wide.size());
    std::u16string buffer(length + 8, u'x');
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(module.get(), buffer.data(), length + 1), length);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(buffer.c_str(), wide);
    EXPECT_EQ(GetModuleFileNameW(module.get(), buffer.data(), length), length);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(buffer.c_str(), wide.substr(0, length - 1));
    char bytes[MAX_PATH];
    EXPECT_EQ(GetModuleFileNameA(module.get(), bytes, MAX_PATH), narrow.size());
    EXPECT_EQ(bytes, narrow);
    EXPECT_TRUE(UniqueModule(LoadLibraryExW(wide.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)));

    const std::u16string loneSurrogate = std::u16string(prefix.begin(), prefix.end()) + u"\xD800.so";
    const struct {
        const char16_t* name;
        DWORD flags;
        DWORD error;
    } refused[] = {
        {loneSurrogate.c_str(), LOAD_LIBRARY_AS_DATAFILE, ERROR_FILE_NOT_FOUND},
        {loneSurrogate.c_str(), 0, ERROR_MOD_NOT_FOUND},
        {u"", 0, ERROR_INVALID_PARAMETER},
        {nullptr, LOAD_LIBRARY_AS_DATAFILE, ERROR_INVALID_PARAMETER},
    };
    for (const auto& r : refused) {
        SetLastError(0);
        EXPECT_EQ(LoadLibraryExW(r.name, nullptr, r.flags), nullptr);
        EXPECT_EQ(GetLastError(), r.error);
    }
}

TEST(Library, InjectedFaultsFailWithTheirError)
{
    UniqueModule module(LoadLibraryA(QUENVAR_PLAIN_MODULE));
    UniqueModule data(LoadLibraryExA(QUENVAR_PRODUCT_MODULE, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    ASSERT_TRUE(data);
    HRSRC resource = FindResourceA(data.get(), MAKEINTRESOURCEA(101), "REGISTRY");
    ASSERT_NE(resource, nullptr);
    char buffer[MAX_PATH];
    struct Case {
        const char* function;
        bool (*fails)(HMODULE, HMODULE, HRSRC, char*);
    };
    const Case cases[] = {
        {"LoadLibraryA", [](HMODULE, HMODULE, HRSRC, char*) { return LoadLibraryA(QUENVAR_PLAIN_MODULE) == nullptr; }},
        {"LoadLibraryExA",
         [](HMODULE, HMODULE, HRSRC, char*) {
             return LoadLibraryExA(QUENVAR_PLAIN_MODULE, nullptr, LOAD_LIBRARY_AS_DATAFILE) == nullptr;
         }},
        {"GetProcAddress",
         [](HMODULE m, HMODULE, HRSRC, char*) { return GetProcAddress(m, "QuenvarTestAnswer") == nullptr; }},
        {"GetModuleFileNameA",
         [](HMODULE m, HMODULE, HRSRC, char* b) { return GetModuleFileNameA(m, b, MAX_PATH) == 0; }},
        {"LoadLibraryExW",
         [](HMODULE, HMODULE, HRSRC, char*) {
             return LoadLibraryExW(u"" QUENVAR_PLAIN_MODULE, nullptr, LOAD_LIBRARY_AS_DATAFILE) == nullptr;
         }},
        {"GetModuleFileNameW",
         [](HMODULE m, HMODULE, HRSRC, char*) {
             char16_t wide[MAX_PATH];
             return GetModuleFileNameW(m, wide, MAX_PATH) == 0;
         }},
        {"FindResourceA", [](HMODULE, HMODULE d, HRSRC,
                             char*) { return FindResourceA(d, MAKEINTRESOURCEA(101), "REGISTRY") == nullptr; }},
        {"LoadResource", [](HMODULE, HMODULE d, HRSRC r, char*) { return LoadResource(d, r) == nullptr; }},
        {"SizeofResource", [](HMODULE, HMODULE d, HRSRC r, char*) { return SizeofResource(d, r) == 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        testing::ScopedFault fault(c.function, 1, ERROR_NOT_ENOUGH_MEMORY);
        SetLastError(0);
        EXPECT_TRUE(c.fails(module.get(), data.get(), resource, buffer));
        EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    }
}

}  // namespace
}  // namespace quenvar
