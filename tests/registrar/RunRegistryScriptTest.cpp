#include "registrar/RunRegistryScript.h"

#include "RegistrySnapshot.h"
#include "WorkedExample.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace quenvar {
namespace {

using testing::kRemovedEntries;
using testing::RegisteredEntries;
using testing::RegistryTest;
using testing::ScopedFault;
using testing::Snapshot;
using testing::TakeSnapshot;

constexpr UINT kScriptId = 101;
constexpr UINT kScriptEndingAtNul = 102;

class RunRegistryScriptTest : public RegistryTest {
protected:
    RunRegistryScriptTest() : RunRegistryScriptTest(QUENVAR_REGISTRAR_MODULE) {}
    explicit RunRegistryScriptTest(const std::string& path) : library(LoadLibraryA(path.c_str()))
    {
        EXPECT_TRUE(library) << GetLastError();
        module.moduleInstance = library.get();
        char fileName[4096];
        modulePath.assign(fileName, GetModuleFileNameA(library.get(), fileName, sizeof fileName));
    }

    UniqueModule library;
    ModuleState module{};
    std::string modulePath;
};

TEST_F(RunRegistryScriptTest, RegistersAndRemovesTheModuleScript)
{
    EXPECT_EQ(modulePath, std::filesystem::path(QUENVAR_REGISTRAR_MODULE).string());
    EXPECT_EQ(RunRegistryScript(module, kScriptId, TRUE, nullptr), S_OK);
    EXPECT_EQ(TakeSnapshot(), RegisteredEntries(modulePath));
    // Only the low 16 bits name the resource.
    EXPECT_EQ(RunRegistryScript(module, 0x10000 | kScriptId, FALSE, nullptr), S_OK);
    EXPECT_EQ(TakeSnapshot(), kRemovedEntries);
}

TEST_F(RunRegistryScriptTest, BuiltInModuleVariableComesFirst)
{
    const ScriptVariable extra[] = {{u"MODULE", u"/elsewhere/Quenvar.so"}, {nullptr, nullptr}};
    EXPECT_EQ(RunRegistryScript(module, kScriptId, TRUE, extra), S_OK);
    EXPECT_EQ(TakeSnapshot(), RegisteredEntries(modulePath));
}

TEST_F(RunRegistryScriptTest, ScriptEndsAtItsFirstNul)
{
    EXPECT_EQ(RunRegistryScript(module, kScriptEndingAtNul, TRUE, nullptr), S_OK);
    EXPECT_EQ(TakeSnapshot(), Snapshot{"HKCU\\Kept"});
}

TEST_F(RunRegistryScriptTest, FailuresToLoadTheScriptAnswerTheirError)
{
    struct Case {
        const char* label;
        const char* function;  // the platform call made to fail, or null
        DWORD error;
        HINSTANCE instance;
        UINT resourceId;
        HRESULT result;
    };
    const HINSTANCE loaded = module.moduleInstance;
    const Case cases[] = {
        {"module without resources", nullptr, 0, nullptr, kScriptId, HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND)},
        {"missing resource", nullptr, 0, loaded, 103, HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND)},
        {"not a module", nullptr, 0, reinterpret_cast<HINSTANCE>(0x1000), kScriptId,
         HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)},
        {"file name", "GetModuleFileNameW", ERROR_SUCCESS, loaded, kScriptId, E_FAIL},
        {"load", "LoadLibraryExW", ERROR_SUCCESS, loaded, kScriptId, E_FAIL},
        {"load with code", "LoadLibraryExW", ERROR_FILE_NOT_FOUND, loaded, kScriptId, HRESULT_FROM_WIN32(2)},
        {"find", "FindResourceA", ERROR_SUCCESS, loaded, kScriptId, E_FAIL},
        {"load resource", "LoadResource", ERROR_SUCCESS, loaded, kScriptId, E_FAIL},
        {"size", "SizeofResource", ERROR_INVALID_HANDLE, loaded, kScriptId, HRESULT_FROM_WIN32(6)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        if (c.function != nullptr) testing::ArmFault(c.function, 1, c.error);
        ModuleState state{};
        state.moduleInstance = c.instance;
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(RunRegistryScript(state, c.resourceId, TRUE, nullptr), c.result);
        testing::DisarmFaults();
        EXPECT_EQ(TakeSnapshot(), Snapshot{});
    }
}

// A copy of the test module at a path of exactly `length` bytes.
std::string ModuleCopyAt(const std::string& folder, std::size_t length)
{
    const std::string name = "/module.so";
    const std::string padding(length - folder.size() - 1 - name.size(), 'p');
    std::string path = folder + "/" + padding + name;
    std::filesystem::create_directories(folder + "/" + padding);
    std::filesystem::copy_file(QUENVAR_REGISTRAR_MODULE, path);
    return path;
}

TEST_F(RunRegistryScriptTest, ModulePathMustFitWhole)
{
    for (const std::size_t length : {MAX_PATH - 1, MAX_PATH + 0}) {
        SCOPED_TRACE(length);
        const std::string path = ModuleCopyAt(registry.Folder(), length);
        UniqueModule copy(LoadLibraryA(path.c_str()));
        ASSERT_TRUE(copy);
        ModuleState state{};
        state.moduleInstance = copy.get();
        if (length < MAX_PATH) {
            EXPECT_EQ(RunRegistryScript(state, kScriptId, TRUE, nullptr), S_OK);
            EXPECT_EQ(TakeSnapshot(), RegisteredEntries(path));
            EXPECT_EQ(RunRegistryScript(state, kScriptId, FALSE, nullptr), S_OK);
        } else {
            EXPECT_EQ(RunRegistryScript(state, kScriptId, TRUE, nullptr),
                      HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
            EXPECT_EQ(TakeSnapshot(), kRemovedEntries);
        }
    }
}

}  // namespace
}  // namespace quenvar
