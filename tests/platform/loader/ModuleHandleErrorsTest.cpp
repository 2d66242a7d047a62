// Wrong arguments and foreign or stale handles given to the module calls: each fails with the
// platform's code and leaves every other loaded module as it was.
#include "platform/UniqueHandle.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace quenvar {
namespace {

using testing::TempFolder;
using testing::WriteWholeFile;

TEST(ModuleHandleErrors, RefusedArgumentsChangeNothing)
{
    UniqueModule module(LoadLibraryA(QUENVAR_PLAIN_MODULE));
    ASSERT_TRUE(module);
    SetLastError(0);
    EXPECT_EQ(LoadLibraryExA(nullptr, nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});

    constexpr DWORD kUnknownFlag = 0x100;
    const DWORD refusedFlags[] = {kUnknownFlag,
                                  GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT};
    for (DWORD flags : refusedFlags) {
        HMODULE found = reinterpret_cast<HMODULE>(1);
        SetLastError(0);
        EXPECT_FALSE(GetModuleHandleExA(flags, QUENVAR_PLAIN_MODULE, &found));
        EXPECT_EQ(found, nullptr);
        EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    }
    SetLastError(0);
    EXPECT_FALSE(GetModuleHandleExA(0, QUENVAR_PLAIN_MODULE, nullptr));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});

    // Pinning the executable answers the handle it has anyway.
    HMODULE executable = nullptr;
    HMODULE pinned = nullptr;
    EXPECT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, nullptr, &executable));
    EXPECT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, nullptr, &pinned));
    EXPECT_EQ(pinned, executable);

    // Exports are found by name only.
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module.get(), MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_PROC_NOT_FOUND});
    int local = 0;
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(&local), "QuenvarTestAnswer"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_MOD_NOT_FOUND});

    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(module.get(), nullptr, 8), 0u);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(module.get(), nullptr, 0), 0u);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
    EXPECT_NE(GetProcAddress(module.get(), "QuenvarTestAnswer"), nullptr);
}

TEST(ModuleHandleErrors, FreeingTheOlderOfTwoModulesKeepsTheNewer)
{
    HMODULE olderData = LoadLibraryExA(QUENVAR_PLAIN_MODULE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HMODULE newerData = LoadLibraryExA(QUENVAR_NAMED_MODULE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(olderData, nullptr);
    ASSERT_NE(newerData, nullptr);
    EXPECT_TRUE(FreeLibrary(olderData));
    EXPECT_NE(FindResourceA(newerData, "Greeting", "Text"), nullptr);
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(olderData));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    SetLastError(0);
    EXPECT_EQ(FindResourceA(olderData, "Greeting", "Text"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_TRUE(FreeLibrary(newerData));

    HMODULE older = LoadLibraryA(QUENVAR_PLAIN_MODULE);
    HMODULE newer = LoadLibraryA(QUENVAR_NAMED_MODULE);
    ASSERT_NE(older, nullptr);
    ASSERT_NE(newer, nullptr);
    EXPECT_TRUE(FreeLibrary(older));
    char path[4096];
    EXPECT_GT(GetModuleFileNameA(newer, path, sizeof path), 0u);
    EXPECT_EQ(std::filesystem::path(path), std::filesystem::canonical(QUENVAR_NAMED_MODULE));
    EXPECT_TRUE(FreeLibrary(newer));
}

TEST(ModuleHandleErrors, ResourceHandlesMustBeTheModulesOwn)
{
    UniqueModule data(LoadLibraryExA(QUENVAR_NAMED_MODULE, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    UniqueModule loaded(LoadLibraryA(QUENVAR_NAMED_MODULE));
    ASSERT_TRUE(data);
    ASSERT_TRUE(loaded);
    HRSRC resource = FindResourceA(data.get(), "Greeting", "Text");
    ASSERT_NE(resource, nullptr);
    const HRSRC forged[] = {reinterpret_cast<HRSRC>(reinterpret_cast<char*>(resource) + 1),
                            reinterpret_cast<HRSRC>(reinterpret_cast<char*>(resource) - 4096)};
    for (HRSRC handle : forged) {
        SetLastError(0);
        EXPECT_EQ(LoadResource(data.get(), handle), nullptr);
        EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    }
    // A module loaded to run has no resource table of its own here.
    SetLastError(0);
    EXPECT_EQ(LoadResource(loaded.get(), resource), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_HANDLE});
    EXPECT_EQ(SizeofResource(loaded.get(), resource), 0u);
}

TEST(ModuleHandleErrors, DataFileOpenFailuresNameTheirCause)
{
    TempFolder folder;
    const std::string file = folder.File("plain.so");
    WriteWholeFile(file, {'x'});
    const struct {
        std::string path;
        DWORD error;
    } cases[] = {
        {file + "/inner.so", ERROR_PATH_NOT_FOUND},
        {folder.File(std::string(300, 'n')), ERROR_FILENAME_EXCED_RANGE},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(LoadLibraryExA(c.path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

}  // namespace
}  // namespace quenvar
