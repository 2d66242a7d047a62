#include "ToolRun.h"
#include "platform/test_support/RegistryTesting.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace quenvar::testing {
namespace {

class RegsvrCommand : public ::testing::Test {
protected:
    ToolRun Regsvr(const std::vector<std::string>& arguments) { return RunTool(REGSVR_PATH, arguments); }

    ScopedPrivateRegistry registry;
};

TEST_F(RegsvrCommand, ReportsEachOutcomeWithItsExitCode)
{
    const std::string notALibrary = registry.Folder() + "/notes.txt";
    std::ofstream(notALibrary) << "not a library\n";
    const std::string missing = registry.Folder() + "/missing.so";
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        std::string out;
        std::string err;
    } cases[] = {
        {{}, 1, "", "regsvr: no library given\nTry 'regsvr --help'.\n"},
        {{"-q", "x.so"}, 1, "", "regsvr: unknown option '-q'\nTry 'regsvr --help'.\n"},
        {{missing},
         3,
         "",
         "regsvr: cannot load " + missing + ": The specified module could not be found. (0x0000007E)\n"},
        {{notALibrary},
         3,
         "",
         "regsvr: cannot load " + notALibrary + ": " + notALibrary +
             " is not a valid Win32 application. (0x000000C1)\n"},
        {{NO_ENTRY_LIBRARY_PATH},
         4,
         "",
         std::string("regsvr: ") + NO_ENTRY_LIBRARY_PATH +
             " was loaded, but the entry point DllRegisterServer was not found\n"},
        {{SELFREG_LIBRARY_PATH},
         5,
         "",
         std::string("regsvr: DllRegisterServer in ") + SELFREG_LIBRARY_PATH +
             " failed: Access is denied. (0x80070005)\n"},
        {{"-u", SELFREG_LIBRARY_PATH},
         0,
         std::string("DllUnregisterServer in ") + SELFREG_LIBRARY_PATH + " succeeded.\n",
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        const ToolRun run = Regsvr(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
        if (c.exitCode < 3) continue;
        // Silent: the same outcome, nothing printed.
        std::vector<std::string> silent = c.arguments;
        silent.insert(silent.begin(), "-s");
        const ToolRun quiet = Regsvr(silent);
        EXPECT_EQ(quiet.exitCode, c.exitCode);
        EXPECT_EQ(quiet.out, "");
        EXPECT_EQ(quiet.err, "");
    }
    EXPECT_EQ(Regsvr({"--help"}).exitCode, 0);
}

TEST_F(RegsvrCommand, BareFileNameMeansTheCurrentFolder)
{
    const std::filesystem::path library = SELFREG_LIBRARY_PATH;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(library.parent_path());
    const ToolRun run = Regsvr({"-u", library.filename().string()});
    std::filesystem::current_path(previous);
    EXPECT_EQ(run.exitCode, 0) << run.err;
}

}  // namespace
}  // namespace quenvar::testing
