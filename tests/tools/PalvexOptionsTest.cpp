#include "tools/palvex/PalvexOptions.h"

#include <gtest/gtest.h>

namespace quenvar::tools {
namespace {

PalvexOptions Parse(const std::vector<std::string>& arguments)
{
    PalvexOptions options;
    std::string error;
    EXPECT_TRUE(ParsePalvexOptions(arguments, options, error)) << error;
    return options;
}

TEST(PalvexOptions, DefaultsWithOnlyHosts)
{
    const PalvexOptions options = Parse({"example.test", "127.0.0.1:8080"});
    EXPECT_EQ(options.hosts, (std::vector<std::string>{"example.test", "127.0.0.1:8080"}));
    EXPECT_EQ(options.jobs, 1u);
    EXPECT_FALSE(options.json);
    EXPECT_FALSE(options.earlyBound);
    EXPECT_FALSE(options.timeoutMs);
    EXPECT_FALSE(options.hostFile);
    EXPECT_FALSE(options.help);
}

TEST(PalvexOptions, ValuesSeparateOrAttached)
{
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"-j", "8", "--timeout", "250", "-f", "hosts.txt", "--json", "--early", "a"},
             {"-j8", "--timeout=250", "-fhosts.txt", "--json", "--early", "a"},
             {"--jobs=8", "--timeout", "250", "--file=hosts.txt", "a", "--early", "--json"},
         }) {
        SCOPED_TRACE(arguments[0]);
        const PalvexOptions options = Parse(arguments);
        EXPECT_EQ(options.jobs, 8u);
        EXPECT_EQ(options.timeoutMs, 250u);
        EXPECT_EQ(options.hostFile, "hosts.txt");
        EXPECT_TRUE(options.json);
        EXPECT_TRUE(options.earlyBound);
        EXPECT_EQ(options.hosts, std::vector<std::string>{"a"});
    }
}

TEST(PalvexOptions, DoubleDashEndsOptionsAndDashFileIsStandardInput)
{
    const PalvexOptions options = Parse({"-f", "-", "--", "--json", "-j"});
    EXPECT_EQ(options.hostFile, "-");
    EXPECT_FALSE(options.json);
    EXPECT_EQ(options.hosts, (std::vector<std::string>{"--json", "-j"}));
    EXPECT_TRUE(Parse({"-h"}).help);
    EXPECT_TRUE(Parse({"x", "--help"}).help);
    EXPECT_TRUE(Parse({"--csv", "x"}).csv);
    EXPECT_TRUE(Parse({"--version"}).version);
}

TEST(PalvexOptions, BadInputIsRefusedWithAMessage)
{
    const struct {
        std::vector<std::string> arguments;
        const char* error;
    } cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"-x"}, "unknown option '-x'"},
        {{"-j"}, "option '-j' needs a value"},
        {{"-j", "0"}, "invalid number of jobs '0' (1 to 4096)"},
        {{"-j", "4097"}, "invalid number of jobs '4097' (1 to 4096)"},
        {{"-j", "4x"}, "invalid number of jobs '4x' (1 to 4096)"},
        {{"-j", "-3"}, "invalid number of jobs '-3' (1 to 4096)"},
        {{"--timeout", "0"}, "invalid time-out '0' (milliseconds, at least 1)"},
        {{"--timeout=4294967296"}, "invalid time-out '4294967296' (milliseconds, at least 1)"},
        {{"--timeout="}, "invalid time-out '' (milliseconds, at least 1)"},
        {{"--json=yes"}, "option '--json' takes no value"},
        {{"-f", ""}, "option '-f' needs a file name"},
        {{"-f", "a", "-f", "b"}, "only one host file may be given"},
        {{"--json", "--csv"}, "--json and --csv cannot be combined"},
        {{"--version=1"}, "option '--version' takes no value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments[0]);
        PalvexOptions options;
        std::string error;
        EXPECT_FALSE(ParsePalvexOptions(c.arguments, options, error));
        EXPECT_EQ(error, c.error);
    }
}

}  // namespace
}  // namespace quenvar::tools
