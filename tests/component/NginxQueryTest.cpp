// A query of a web server that nobody here wrote.
#include "tests/component/TestPalvex.h"
#include "tests/support/NginxServer.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace quenvar::testing {
namespace {

// Seconds since the epoch of an IMF-fixdate such as "Sun, 06 Nov 1994 08:49:37 GMT"; -1 when
// the text is not one.
std::time_t ParseHttpDate(const std::u16string& text)
{
    const std::string narrow(text.begin(), text.end());
    std::tm parts{};
    const char* end = ::strptime(narrow.c_str(), "%a, %d %b %Y %H:%M:%S GMT", &parts);
    if (end == nullptr || *end != '\0' || narrow.size() != 29) return -1;
    return ::timegm(&parts);
}

TEST(QueryServerOnNginx, ReportsWhatNginxSaysAboutItself)
{
    if (!NginxServer::Installed()) GTEST_SKIP() << NginxServer::kBinary << " is not installed";
    NginxServer nginx;
    ASSERT_TRUE(nginx.Running()) << nginx.ErrorLog();

    TestPalvex palvex;
    palvex.SetServerURL(nginx.Address());
    ASSERT_EQ(palvex.QueryServer(), S_OK) << ::testing::PrintToString(palvex.Read(&IPalvex::get_ErrorInfo));
    EXPECT_EQ(palvex.Read(&IPalvex::get_HTTPVer), u"HTTP/1.1");
    EXPECT_TRUE(palvex.Read(&IPalvex::get_ServerSoftware).starts_with(u"nginx/"));
    const std::u16string date = palvex.Read(&IPalvex::get_CurrentServerTime);
    const std::time_t served = ParseHttpDate(date);
    ASSERT_NE(served, -1) << ::testing::PrintToString(date);
    EXPECT_LE(std::abs(std::difftime(std::time(nullptr), served)), 60.0);
}

}  // namespace
}  // namespace quenvar::testing
