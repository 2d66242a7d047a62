// The tools as a user runs them against the real component: register it, query loopback servers
// late- and early-bound, unregister it.
#include "ToolRun.h"
#include "platform/test_support/RegistryTesting.h"
#include "tests/support/NginxServer.h"
#include "tests/support/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <future>

namespace quenvar::testing {
namespace {

constexpr char kAnswer[] =
    "HTTP/1.1 200 OK\r\n"
    "Server: QuenvarTest/1.0\r\n"
    "Content-Location: /index.html\r\n"
    "Date: Tue, 08 Dec 2026 17:00:00 GMT\r\n"
    "Content-Length: 0\r\n"
    "\r\n";

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

class QuenvarEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        const ToolRun registered = RunTool(REGSVR_PATH, {QUENVAR_LIBRARY_PATH});
        ASSERT_EQ(registered.exitCode, 0) << registered.err;
        EXPECT_EQ(registered.out, std::string("DllRegisterServer in ") + QUENVAR_LIBRARY_PATH + " succeeded.\n");
    }

    ToolRun Palvex(const std::vector<std::string>& arguments) { return RunTool(PALVEX_PATH, arguments); }

    ScopedPrivateRegistry registry;
    ScriptedHttpServer server{ScriptedAnswer{kAnswer}};
};

TEST_F(QuenvarEndToEnd, LateAndEarlyBoundPrintTheSame)
{
    const ToolRun late = Palvex({server.Address()});
    const ToolRun early = Palvex({"--early", server.Address()});
    EXPECT_EQ(late.exitCode, 0) << late.err;
    EXPECT_EQ(early.exitCode, 0) << early.err;
    EXPECT_EQ(late.out, early.out);
    EXPECT_EQ(late.err, "");
    const std::vector<std::string> lines = Lines(late.out);
    ASSERT_EQ(lines.size(), 2u) << late.out;
    EXPECT_EQ(lines[1].rfind(server.Address(), 0), 0u);
    for (const char* value : {"HTTP/1.1", "QuenvarTest/1.0", "/index.html", "Tue, 08 Dec 2026 17:00:00 GMT"}) {
        EXPECT_NE(lines[1].find(value), std::string::npos) << value;
    }

    const ToolRun json = Palvex({"--json", "--early", server.Address()});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_EQ(json.out.rfind("{\"host\":\"" + server.Address() +
                                 "\",\"ok\":true,\"HTTPVer\":\"HTTP/1.1\",\"ServerSoftware\":\"QuenvarTest/1.0\","
                                 "\"ContentLocation\":\"/index.html\",\"CurrentServerTime\":\"Tue, 08 Dec 2026 "
                                 "17:00:00 GMT\",\"error\":null,\"elapsedMs\":",
                             0),
              0u)
        << json.out;
}

TEST_F(QuenvarEndToEnd, RealServerLateAndEarlyBound)
{
    if (!NginxServer::Installed()) GTEST_SKIP() << NginxServer::kBinary << " is not installed";
    NginxServer nginx;
    ASSERT_TRUE(nginx.Running()) << nginx.ErrorLog();
    const ToolRun late = Palvex({"--json", nginx.Address()});
    const ToolRun early = Palvex({"--json", "--early", nginx.Address()});
    ASSERT_EQ(late.exitCode, 0) << late.out << late.err;
    ASSERT_EQ(early.exitCode, 0) << early.out << early.err;
    for (const ToolRun* run : {&late, &early}) {
        EXPECT_NE(run->out.find("\"ok\":true,\"HTTPVer\":\"HTTP/1.1\",\"ServerSoftware\":\"nginx/"), std::string::npos)
            << run->out;
    }
}

TEST_F(QuenvarEndToEnd, ParallelQueriesKeepInputOrder)
{
    const std::string closed = "127.0.0.1:" + std::to_string(ClosedLoopbackPort());
    std::vector<std::string> hosts;
    for (int i = 0; i < 12; ++i) hosts.push_back(i % 3 == 1 ? server.Address() : closed);
    for (const bool early : {false, true}) {
        SCOPED_TRACE(early ? "early-bound" : "late-bound");
        std::vector<std::string> arguments{"-j", "8", "--json"};
        if (early) arguments.push_back("--early");
        arguments.insert(arguments.end(), hosts.begin(), hosts.end());
        const ToolRun run = Palvex(arguments);
        EXPECT_EQ(run.exitCode, 1);
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_EQ(lines.size(), hosts.size()) << run.out;
        for (std::size_t i = 0; i < hosts.size(); ++i) {
            SCOPED_TRACE(i);
            const bool ok = hosts[i] == server.Address();
            EXPECT_EQ(lines[i].rfind("{\"host\":\"" + hosts[i] + "\",\"ok\":" + (ok ? "true" : "false"), 0), 0u)
                << lines[i];
            if (!ok) {
                EXPECT_NE(lines[i].find("\"error\":\"HttpSend error 12029"), std::string::npos) << lines[i];
            }
        }
    }
}

TEST_F(QuenvarEndToEnd, TimeoutReachesTheInternetClient)
{
    ScriptedAnswer slow{kAnswer};
    slow.delay = std::chrono::milliseconds(10000);
    ScriptedHttpServer silent(slow);
    const ToolRun run = Palvex({"--timeout", "200", "--json", silent.Address()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("\"error\":\"HttpSend error 12002"), std::string::npos) << run.out;
}

TEST_F(QuenvarEndToEnd, DescriptorLimitTooLowForTheJobsIsSaidOnceAndEveryHostAnswered)
{
    // Slow enough that every job holds its socket at once.
    ScriptedAnswer slow{kAnswer};
    slow.delay = std::chrono::milliseconds(200);
    ScriptedHttpServer patient(slow);
    std::vector<std::string> arguments{"-c", "ulimit -n 64 && exec \"$0\" \"$@\"", PALVEX_PATH, "-j", "100", "--json"};
    arguments.insert(arguments.end(), 100, patient.Address());
    const ToolRun run = RunTool("/bin/sh", arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Lines(run.out).size(), 100u);
    EXPECT_EQ(run.err, "palvex: the descriptor limit (64) allows 32 jobs at once: running 32 instead of 100\n");
}

TEST_F(QuenvarEndToEnd, EachHostGetsAFreshObject)
{
    // An object keeps a value the next answer lacks: reusing one would show /index.html again.
    ScriptedHttpServer without{ScriptedAnswer{"HTTP/1.1 200 OK\r\nServer: Other/2.0\r\n\r\n"}};
    for (const bool early : {false, true}) {
        SCOPED_TRACE(early ? "early-bound" : "late-bound");
        std::vector<std::string> arguments{"--json", server.Address(), without.Address()};
        if (early) arguments.push_back("--early");
        const ToolRun run = Palvex(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_EQ(lines.size(), 2u) << run.out;
        EXPECT_NE(lines[0].find("\"ContentLocation\":\"/index.html\""), std::string::npos) << lines[0];
        EXPECT_NE(lines[1].find("\"ServerSoftware\":\"Other/2.0\",\"ContentLocation\":\"\""), std::string::npos)
            << lines[1];
    }
}

TEST_F(QuenvarEndToEnd, RunGoesOnWhenTheComponentIsUnregisteredMeanwhile)
{
    ScriptedAnswer slow{kAnswer};
    slow.delay = std::chrono::milliseconds(3000);
    ScriptedHttpServer first(slow);
    for (const bool early : {false, true}) {
        SCOPED_TRACE(early ? "early-bound" : "late-bound");
        ASSERT_EQ(RunTool(REGSVR_PATH, {"-s", QUENVAR_LIBRARY_PATH}).exitCode, 0);
        std::vector<std::string> arguments{"--json", first.Address(), server.Address(), server.Address()};
        if (early) arguments.push_back("--early");
        auto running = std::async(std::launch::async, [&] { return Palvex(arguments); });
        // Unregistered once palvex waits for its first answer: the later hosts need what it loaded.
        const std::size_t asked = first.Requests().size();
        while (first.Requests().size() == asked &&
               running.wait_for(std::chrono::milliseconds(10)) == std::future_status::timeout) {
        }
        ASSERT_EQ(RunTool(REGSVR_PATH, {"-u", "-s", QUENVAR_LIBRARY_PATH}).exitCode, 0);
        const ToolRun run = running.get();
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        EXPECT_EQ(Lines(run.out).size(), 3u) << run.out;
    }
}

TEST_F(QuenvarEndToEnd, UrlsAreAskedByHostAndPortAndOtherSchemesAreErrorRows)
{
    const std::string url = "http://" + server.Address() + "/some/page?x=1";
    const ToolRun run = Palvex({"--csv", url, "https://" + server.Address() + "/", "ftp://example.test"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    EXPECT_EQ(lines[0], "host,ok,HTTPVer,ServerSoftware,ContentLocation,CurrentServerTime,error,elapsedMs\r");
    EXPECT_EQ(lines[1].rfind(url + ",true,HTTP/1.1,QuenvarTest/1.0,/index.html,\"Tue, 08 Dec 2026 17:00:00 GMT\",,", 0),
              0u)
        << lines[1];
    EXPECT_NE(lines[2].find(",false,,,,,HTTPS is not supported: the component speaks plain HTTP,"), std::string::npos)
        << lines[2];
    EXPECT_NE(lines[3].find("the scheme 'ftp' is not supported"), std::string::npos) << lines[3];
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].find("/some/page"), std::string::npos) << requests[0];
}

TEST_F(QuenvarEndToEnd, VersionNamesTheToolAndTheRegisteredModule)
{
    const ToolRun run = Palvex({"--version"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, std::string("palvex 1.0.0.1\nPalvex component 1.0.0.1 (") + QUENVAR_LIBRARY_PATH + ")\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(QuenvarEndToEnd, UnregisteredComponentIsReported)
{
    const ToolRun unregistered = RunTool(REGSVR_PATH, {"-u", QUENVAR_LIBRARY_PATH});
    EXPECT_EQ(unregistered.exitCode, 0) << unregistered.err;
    EXPECT_EQ(unregistered.out, std::string("DllUnregisterServer in ") + QUENVAR_LIBRARY_PATH + " succeeded.\n");
    const ToolRun run = Palvex({server.Address()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("Register it with: build/bin/regsvr build/lib/Quenvar.so\n"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace quenvar::testing
