#include "tools/palvex/HostList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace quenvar::tools {
namespace {

TEST(HostList, SkipsBlanksAndComments)
{
    EXPECT_EQ(ParseHostList("# servers to watch\n"
                            "example.test\n"
                            "\n"
                            "   \t\n"
                            "  127.0.0.1:8080   # local\r\n"
                            "[::1]:80\r\n"
                            "#127.0.0.2\n"
                            "last-without-line-end"),
              (std::vector<std::string>{"example.test", "127.0.0.1:8080", "[::1]:80", "last-without-line-end"}));
    EXPECT_TRUE(ParseHostList("").empty());
    EXPECT_TRUE(ParseHostList("\n\n# only comments\n").empty());
}

TEST(HostList, ReadsFileAfterGivenHosts)
{
    char folderTemplate[] = "/tmp/quenvar-hosts-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    const std::filesystem::path folder = folderTemplate;
    std::ofstream(folder / "hosts.txt") << "b\n# c\nd\n";

    std::vector<std::string> hosts{"a"};
    std::string error;
    EXPECT_TRUE(ReadHostFile((folder / "hosts.txt").string(), hosts, error)) << error;
    EXPECT_EQ(hosts, (std::vector<std::string>{"a", "b", "d"}));

    const struct {
        std::filesystem::path path;
        const char* error;
    } failures[] = {
        {folder / "missing.txt", "cannot open host list '" },
        {folder, "cannot read host list '"},  // a folder opens but cannot be read
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.path);
        error.clear();
        EXPECT_FALSE(ReadHostFile(failure.path.string(), hosts, error));
        EXPECT_EQ(error.rfind(failure.error + failure.path.string() + "': ", 0), 0u) << error;
    }
    EXPECT_EQ(hosts.size(), 3u);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace quenvar::tools
