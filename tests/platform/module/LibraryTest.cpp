#include "platform/UniqueHandle.h"
#include "platform/testing/FaultInjection.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace quenvar {
namespace {

using testing::ScopedFault;
using testing::TempFolder;
using testing::WriteWholeFile;

using AnswerFunction = int (*)();

std::uintptr_t Address(const void* pointer) { return reinterpret_cast<std::uintptr_t>(pointer); }

std::string ModuleFileName(HMODULE module)
{
    char buffer[4096];
    const DWORD length = GetModuleFileNameA(module, buffer, sizeof buffer);
    return std::string(buffer, length);
}

TEST(Library, LoadAnswersLoadAddressAndFindsOwnExports)
{
    UniqueModule module(LoadLibraryA(QUENVAR_PLAIN_MODULE));
    ASSERT_TRUE(module) << GetLastError();
    EXPECT_EQ(Address(module.get()) % 4096, 0u);
    FARPROC answer = GetProcAddress(module.get(), "QuenvarTestAnswer");
    ASSERT_NE(answer, nullptr);
    EXPECT_GT(Address(reinterpret_cast<void*>(answer)), Address(module.get()));
    EXPECT_EQ(reinterpret_cast<AnswerFunction>(reinterpret_cast<void*>(answer))(), 42);

    SetLastError(0);
    EXPECT_EQ(GetProcAddress(module.get(), "QuenvarMissing"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    // A symbol of a library this one uses is not the module's own export.
    EXPECT_EQ(GetProcAddress(module.get(), "malloc"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
}

TEST(Library, EachLoadNeedsItsOwnFree)
{
    HMODULE first = LoadLibraryA(QUENVAR_PLAIN_MODULE);
    HMODULE second = LoadLibraryExA(QUENVAR_PLAIN_MODULE, nullptr, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_NE(GetProcAddress(second, "QuenvarTestAnswer"), nullptr);
    EXPECT_TRUE(FreeLibrary(second));
    SetLastError(0);
    EXPECT_FALSE(FreeLibrary(second));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Library, LoadFailuresAnswerPlatformCodes)
{
    TempFolder folder;
    const std::string text = folder.File("text.so");
    WriteWholeFile(text, {'n', 'o', 't', ' ', 'E', 'L', 'F'});
    struct Case {
        const char* label;
        std::string name;
        HANDLE reserved;
        DWORD flags;
        DWORD error;
    };
    const Case cases[] = {
        {"unknown library", "libquenvar-absent.so", nullptr, 0, ERROR_MOD_NOT_FOUND},
        {"missing path", folder.File("absent.so"), nullptr, 0, ERROR_MOD_NOT_FOUND},
        {"not an object", text, nullptr, 0, ERROR_BAD_EXE_FORMAT},
        {"empty name", "", nullptr, 0, ERROR_INVALID_PARAMETER},
        {"reserved handle", QUENVAR_PLAIN_MODULE, reinterpret_cast<HANDLE>(1), 0, ERROR_INVALID_PARAMETER},
        {"unknown flag", QUENVAR_PLAIN_MODULE, nullptr, 0x8, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        SetLastError(0);
        EXPECT_EQ(LoadLibraryExA(c.name.c_str(), c.reserved, c.flags), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Library, DataFileHandleIsMarkedAndRunsNothing)
{
    UniqueModule data(LoadLibraryExA(QUENVAR_PLAIN_MODULE, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(data);
    EXPECT_EQ(Address(data.get()) & 1, 1u);
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(data.get(), "QuenvarTestAnswer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    char buffer[16] = "untouched";
    EXPECT_EQ(GetModuleFileNameA(data.get(), buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_STREQ(buffer, "untouched");
}

TEST(Library, ModuleFileNameIsAbsoluteEvenForRelativeLoads)
{
    const std::filesystem::path path = std::filesystem::canonical(QUENVAR_PLAIN_MODULE);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(path.parent_path());
    HMODULE module = LoadLibraryA(("./" + path.filename().string()).c_str());
    std::filesystem::current_path("/");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(ModuleFileName(module), path.string());
    FreeLibrary(module);
    std::filesystem::current_path(previous);

    EXPECT_EQ(ModuleFileName(nullptr), std::filesystem::read_symlink("/proc/self/exe").string());
}

TEST(Library, ModuleFileNameTruncatesWithTerminator)
{
    UniqueModule module(LoadLibraryA(QUENVAR_PLAIN_MODULE));
    ASSERT_TRUE(module);
    const std::string path = ModuleFileName(module.get());
    ASSERT_FALSE(path.empty());
    const DWORD length = static_cast<DWORD>(path.size());
    std::string buffer(length + 8, 'x');

    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(module.get(), buffer.data(), length + 1), length);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(buffer.c_str(), path);

    buffer.assign(length + 8, 'x');
    EXPECT_EQ(GetModuleFileNameA(module.get(), buffer.data(), length), length);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(buffer.c_str(), path.substr(0, length - 1));

    buffer.assign(4, 'x');
    EXPECT_EQ(GetModuleFileNameA(module.get(), buffer.data(), 0), 0u);
    EXPECT_EQ(buffer, "xxxx");
}

TEST(Library, ModuleFileNameRefusesOtherAddresses)
{
    UniqueModule module(LoadLibraryA(QUENVAR_PLAIN_MODULE));
    ASSERT_TRUE(module);
    const HMODULE inside = reinterpret_cast<HMODULE>(reinterpret_cast<char*>(module.get()) + 4096);
    int local = 0;
    for (HMODULE wrong : {inside, reinterpret_cast<HMODULE>(&local)}) {
        char buffer[16] = "untouched";
        SetLastError(0);
        EXPECT_EQ(GetModuleFileNameA(wrong, buffer, sizeof buffer), 0u);
        EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
        EXPECT_STREQ(buffer, "untouched");
    }
}

TEST(Library, InjectedFaultsFailWithTheirError)
{
    UniqueModule module(LoadLibraryA(QUENVAR_PLAIN_MODULE));
    ASSERT_TRUE(module);
    char buffer[MAX_PATH];
    {
        ScopedFault fault("LoadLibraryA", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(LoadLibraryA(QUENVAR_PLAIN_MODULE), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    }
    {
        ScopedFault fault("LoadLibraryExA", 1, ERROR_ACCESS_DENIED);
        EXPECT_EQ(LoadLibraryExA(QUENVAR_PLAIN_MODULE, nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    {
        ScopedFault fault("GetProcAddress", 1, ERROR_PROC_NOT_FOUND);
        EXPECT_EQ(GetProcAddress(module.get(), "QuenvarTestAnswer"), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    }
    {
        ScopedFault fault("GetModuleFileNameA", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(GetModuleFileNameA(module.get(), buffer, sizeof buffer), 0u);
        EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    }
}

}  // namespace
}  // namespace quenvar
