#include "ToolRun.h"
#include "platform/test_support/RegistryTesting.h"

#include <gtest/gtest.h>

namespace quenvar::testing {
namespace {

constexpr char kRegisterHint[] = "Register it with: build/bin/regsvr build/lib/Quenvar.so\n";

class PalvexCommand : public ::testing::Test {
protected:
    ToolRun Palvex(const std::vector<std::string>& arguments, const std::string& input = {})
    {
        return RunTool(PALVEX_PATH, arguments, input);
    }

    ScopedPrivateRegistry registry;  // empty: the component is not registered
};

TEST_F(PalvexCommand, BadInputGetsAClearMessageAndNothingOnStandardOutput)
{
    const std::string missing = registry.Folder() + "/hosts.txt";
    const struct {
        std::vector<std::string> arguments;
        std::string input;
        std::string err;
    } cases[] = {
        {{"--bogus", "a"}, "", "palvex: unknown option '--bogus'\nTry 'palvex --help'.\n"},
        {{"-j", "0", "a"}, "", "palvex: invalid number of jobs '0' (1 to 4096)\nTry 'palvex --help'.\n"},
        {{"-f", missing},
         "",
         "palvex: cannot open host list '" + missing + "': No such file or directory\nTry 'palvex --help'.\n"},
        {{}, "", "palvex: no hosts given\nTry 'palvex --help'.\n"},
        {{"--json", "--csv", "a"}, "", "palvex: --json and --csv cannot be combined\nTry 'palvex --help'.\n"},
        {{"-f", "-"}, "# nothing but comments\n\n", "palvex: no hosts given\nTry 'palvex --help'.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        const ToolRun run = Palvex(c.arguments, c.input);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.err);
    }
}

TEST_F(PalvexCommand, UnregisteredComponentNamesTheRegisteringCommand)
{
    const ToolRun run = Palvex({"127.0.0.1:9"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, std::string("palvex: the Palvex component is not registered (Palvex.Palvex: Invalid class "
                                   "string (0x800401F3))\n") +
                           kRegisterHint);
}

TEST_F(PalvexCommand, VersionWithoutTheComponentStillNamesTheTool)
{
    const ToolRun run = Palvex({"--version"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "palvex 1.0.0.1\n");
    EXPECT_NE(run.err.find("the Palvex component is not registered"), std::string::npos) << run.err;
}

TEST_F(PalvexCommand, HelpGoesToStandardOutput)
{
    const ToolRun run = Palvex({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.rfind("Usage: palvex [options] HOST...\n", 0), 0u);
    EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace quenvar::testing
