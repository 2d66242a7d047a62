#include "tools/regsvr/RegsvrOptions.h"

#include <gtest/gtest.h>

namespace quenvar::tools {
namespace {

TEST(RegsvrOptions, FlagsInAnyOrderAndGrouped)
{
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {"-u", "-s", "lib.so"}, {"lib.so", "-s", "-u"}, {"-us", "lib.so"}, {"-su", "--", "lib.so"}}) {
        SCOPED_TRACE(arguments[0]);
        RegsvrOptions options;
        std::string error;
        ASSERT_TRUE(ParseRegsvrOptions(arguments, options, error)) << error;
        EXPECT_TRUE(options.unregister);
        EXPECT_TRUE(options.silent);
        EXPECT_EQ(options.library, "lib.so");
    }
    RegsvrOptions options;
    std::string error;
    ASSERT_TRUE(ParseRegsvrOptions({"--", "-u"}, options, error));
    EXPECT_EQ(options.library, "-u");
    EXPECT_FALSE(options.unregister);
}

TEST(RegsvrOptions, BadInputIsRefusedWithAMessage)
{
    const struct {
        std::vector<std::string> arguments;
        const char* error;
    } cases[] = {
        {{}, "no library given"},
        {{"-u"}, "no library given"},
        {{"-x", "lib.so"}, "unknown option '-x'"},
        {{"-ux", "lib.so"}, "unknown option '-ux'"},
        {{"a.so", "b.so"}, "only one library may be given"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        RegsvrOptions options;
        std::string error;
        EXPECT_FALSE(ParseRegsvrOptions(c.arguments, options, error));
        EXPECT_EQ(error, c.error);
    }
}

}  // namespace
}  // namespace quenvar::tools
