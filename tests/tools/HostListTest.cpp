#include "tools/palvex/HostList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace quenvar::tools {
namespace {

std::vector<std::string> Texts(const TextList& list)
{
    std::vector<std::string> texts;
    TextList::Cursor cursor(list);
    for (std::string_view text; cursor.Next(text);) texts.emplace_back(text);
    return texts;
}

std::vector<std::string> Parsed(std::string_view text)
{
    HostList hosts;
    ParseHostList(text, hosts);
    return Texts(hosts);
}

TEST(HostList, SkipsBlanksAndComments)
{
    EXPECT_EQ(Parsed("# servers to watch\n"
                     "example.test\n"
                     "\n"
                     "   \t\n"
                     "  127.0.0.1:8080   # local\r\n"
                     "[::1]:80\r\n"
                     "#127.0.0.2\n"
                     "last-without-line-end"),
              (std::vector<std::string>{"example.test", "127.0.0.1:8080", "[::1]:80", "last-without-line-end"}));
    EXPECT_TRUE(Parsed("").empty());
    EXPECT_TRUE(Parsed("\n\n# only comments\n").empty());
}

TEST(TextList, KeepsAnyTextsInOrderAcrossBlocks)
{
    TextList list;
    std::vector<std::string> texts = {"", std::string("line\nfeed and \0 nul", 19), std::string(70'000, 'x')};
    for (int i = 0; i < 5'000; ++i) texts.push_back("host-" + std::to_string(i) + ".test");
    for (const std::string& text : texts) list.Append(text);
    EXPECT_EQ(list.size(), texts.size());
    EXPECT_EQ(Texts(list), texts);
}

TEST(HostList, ReadsFileAfterGivenHosts)
{
    char folderTemplate[] = "/tmp/quenvar-hosts-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    const std::filesystem::path folder = folderTemplate;
    std::ofstream(folder / "hosts.txt") << "b\n# c\nd\n";

    HostList hosts;
    hosts.Append("a");
    std::string error;
    EXPECT_TRUE(ReadHostFile((folder / "hosts.txt").string(), hosts, error)) << error;
    EXPECT_EQ(Texts(hosts), (std::vector<std::string>{"a", "b", "d"}));

    const struct {
        std::filesystem::path path;
        const char* error;
    } failures[] = {
        {folder / "missing.txt", "cannot open host list '"},
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

TEST(HostList, ReadsLinesThatCrossReadBlocks)
{
    char folderTemplate[] = "/tmp/quenvar-hosts-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    const std::filesystem::path folder = folderTemplate;
    std::vector<std::string> expected;
    {
        std::ofstream file(folder / "hosts.txt");
        for (int i = 0; i < 1'000; ++i) {
            expected.push_back("server-" + std::to_string(i) + ".test");
            file << expected.back() << (i % 2 == 0 ? "\r\n" : "  # note\n");
        }
        expected.push_back(std::string(10'000, 'h'));
        file << expected.back();
    }
    HostList hosts;
    std::string error;
    EXPECT_TRUE(ReadHostFile((folder / "hosts.txt").string(), hosts, error)) << error;
    EXPECT_EQ(Texts(hosts), expected);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace quenvar::tools
