#include "module/ModuleState.h"
#include "platform/test_support/FaultInjection.h"
#include "platform/test_support/InternetTesting.h"
#include "tests/component/TestPalvex.h"
#include "tests/support/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <string>

namespace quenvar::testing {
namespace {

// What a first, complete answer leaves in the four properties.
constexpr char kEarlierAnswer[] =
    "HTTP/1.0 200 OK\r\nServer: before\r\nContent-Location: /before\r\nDate: yesterday\r\n\r\n";

struct Properties {
    std::u16string httpVer;
    std::u16string serverSoftware;
    std::u16string contentLocation;
    std::u16string currentServerTime;
    bool operator==(const Properties&) const = default;
};

void PrintTo(const Properties& p, std::ostream* out)
{
    *out << ::testing::PrintToString(p.httpVer) << " " << ::testing::PrintToString(p.serverSoftware) << " "
         << ::testing::PrintToString(p.contentLocation) << " " << ::testing::PrintToString(p.currentServerTime);
}

const Properties kEarlier{u"HTTP/1.0", u"before", u"/before", u"yesterday"};

class QueryServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        handlesBefore_ = OpenInternetHandles();
        // The heap exists before a test counts its allocations.
        ModuleFree(ModuleAlloc(1));
    }
    // No failure path may leave a handle open.
    void TearDown() override { EXPECT_EQ(OpenInternetHandles(), handlesBefore_); }

    HRESULT Query(const std::string& host)
    {
        palvex.SetServerURL(host);
        return palvex.QueryServer();
    }
    // Fills the four properties from a complete answer.
    void QueryEarlierServer()
    {
        ScriptedHttpServer earlier(ScriptedAnswer{kEarlierAnswer});
        ASSERT_EQ(Query(earlier.Address()), S_OK);
        ASSERT_EQ(Read(), kEarlier);
    }
    Properties Read()
    {
        return {palvex.Read(&IPalvex::get_HTTPVer), palvex.Read(&IPalvex::get_ServerSoftware),
                palvex.Read(&IPalvex::get_ContentLocation), palvex.Read(&IPalvex::get_CurrentServerTime)};
    }
    std::u16string ErrorInfo() { return palvex.Read(&IPalvex::get_ErrorInfo); }

    TestPalvex palvex;

private:
    std::size_t handlesBefore_ = 0;
};

// The whole request, byte for byte: what a server learns about its client is this and no more.
TEST_F(QueryServer, SendsOneBareGetRequest)
{
    ScriptedHttpServer server(ScriptedAnswer{kEarlierAnswer});
    ASSERT_EQ(Query(server.Address()), S_OK);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], "GET / HTTP/1.0\r\nHost: " + server.Address() + "\r\nUser-Agent: Ferrowin\r\n\r\n");
}

TEST_F(QueryServer, TakesTheValuesOfAnyAnswerAndKeepsThoseItLacks)
{
    const struct {
        const char* name;
        const char* answer;
        Properties expected;
    } cases[] = {
        {"200 without Content-Location",
         "HTTP/1.1 200 OK\r\nServer: scripted/2\r\nDate: Tue, 01 Jan 2030 00:00:00 GMT\r\nContent-Length: 0\r\n\r\n",
         {u"HTTP/1.1", u"scripted/2", u"/before", u"Tue, 01 Jan 2030 00:00:00 GMT"}},
        {"404",
         "HTTP/1.1 404 Not Found\r\nServer: s\r\nContent-Location: /gone\r\nDate: d\r\n\r\n",
         {u"HTTP/1.1", u"s", u"/gone", u"d"}},
        {"500",
         "HTTP/1.0 500 Internal Server Error\r\nDate: d500\r\n\r\nbody",
         {u"HTTP/1.0", u"before", u"/before", u"d500"}},
        {"no headers", "HTTP/1.1 204 No Content\r\n\r\n", {u"HTTP/1.1", u"before", u"/before", u"yesterday"}},
        {"X-Server before Server",
         "HTTP/1.1 200 OK\r\nX-Server: first\r\nServer: second\r\n\r\n",
         {u"HTTP/1.1", u"first", u"/before", u"yesterday"}},
        {"lower-case names",
         "HTTP/1.1 200 OK\r\nserver: low\r\ncontent-location: /low\r\ndate: low\r\n\r\n",
         {u"HTTP/1.1", u"before", u"/before", u"yesterday"}},
        {"no blank after the colon",
         "HTTP/1.1 200 OK\r\nServer:tight\r\n\r\n",
         {u"HTTP/1.1", u"ight", u"/before", u"yesterday"}},
        {"two blanks after the colon",
         "HTTP/1.1 200 OK\r\nServer:  wide\r\n\r\n",
         {u"HTTP/1.1", u" wide", u"/before", u"yesterday"}},
        {"empty values", "HTTP/1.1 200 OK\r\nServer: \r\nDate:\r\n\r\n", {u"HTTP/1.1", u"", u"/before", u""}},
        {"bare line feeds on the wire",
         "HTTP/1.1 200 OK\nServer: lf\n\n",
         {u"HTTP/1.1", u"lf", u"/before", u"yesterday"}},
        {"bytes of 0x80 and above",
         "HTTP/1.1 200 OK\r\nServer: caf\xE9 \x80\x81\r\n\r\n",
         {u"HTTP/1.1", u"caf\u00E9 \u20AC\u0081", u"/before", u"yesterday"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QueryEarlierServer();
        ScriptedHttpServer server(ScriptedAnswer{c.answer});
        EXPECT_EQ(Query(server.Address()), S_OK);
        EXPECT_EQ(Read(), c.expected);
    }
    EXPECT_EQ(ErrorInfo(), u"");
}

TEST_F(QueryServer, PasswordProtectedAnswersFailAndChangeNothing)
{
    for (const char* answer : {"HTTP/1.1 401 Unauthorized\r\nServer: guarded\r\n\r\n",
                               "HTTP/1.1 407 Proxy Authentication Required\r\nServer: guarded\r\n\r\n"}) {
        SCOPED_TRACE(answer);
        QueryEarlierServer();
        ScriptedHttpServer server(ScriptedAnswer{answer});
        EXPECT_EQ(Query(server.Address()), E_FAIL);
        EXPECT_EQ(ErrorInfo(), u"This page is password protected error 0\n ");
        EXPECT_EQ(Read(), kEarlier);
    }
}

TEST_F(QueryServer, FailuresNameTheFirstStepThatReportedThem)
{
    ScriptedHttpServer server(ScriptedAnswer{kEarlierAnswer});
    const std::string port = std::to_string(server.Port());
    const struct {
        std::string host;
        std::u16string errorInfo;
    } cases[] = {
        {"127.0.0.1:" + std::to_string(ClosedLoopbackPort()), u"HttpSend error 12029\n "},
        {"http://127.0.0.1:" + port + "/", u"HttpSend error 12007\n "},
        {"127.0.0.1:" + port + "/index.html", u"HttpSend error 12007\n "},
        {"", u"InternetConnect error 87\n "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.host);
        EXPECT_EQ(Query(c.host), E_FAIL);
        EXPECT_EQ(ErrorInfo(), c.errorInfo);
        EXPECT_TRUE(palvex.ContentLocationIsNull());
    }
    EXPECT_TRUE(server.Requests().empty());

    // A later success leaves the last failure's text in place.
    EXPECT_EQ(Query(server.Address()), S_OK);
    EXPECT_EQ(Read(), kEarlier);
    EXPECT_EQ(ErrorInfo(), u"InternetConnect error 87\n ");
}

TEST_F(QueryServer, ContentLocationOfAnEarlierServerStays)
{
    ScriptedHttpServer first(ScriptedAnswer{"HTTP/1.1 200 OK\r\nServer: one\r\nContent-Location: /one\r\n\r\n"});
    ScriptedHttpServer second(ScriptedAnswer{"HTTP/1.0 200 OK\r\nServer: two\r\n\r\n"});
    ASSERT_EQ(Query(first.Address()), S_OK);
    ASSERT_EQ(Query(second.Address()), S_OK);
    EXPECT_EQ(Read(), (Properties{u"HTTP/1.0", u"two", u"/one", u""}));
}

TEST_F(QueryServer, EveryFailingStepIsReportedAndReleasesWhatItHeld)
{
    ScriptedHttpServer server(ScriptedAnswer{kEarlierAnswer});
    // Short host names and headers live on the stack: the two HeapAlloc rows need these long ones.
    const std::string longHost(200, 'h');
    ScriptedHttpServer longHeader(ScriptedAnswer{"HTTP/1.0 200 OK\r\nX-Pad: " + std::string(5000, 'p') + "\r\n\r\n"});
    const Properties untouched{u"", u"", u"", u""};
    const Properties serverLost{u"HTTP/1.0", u"", u"/before", u"yesterday"};
    const struct {
        const char* function;
        unsigned nth;
        DWORD error;
        std::u16string errorInfo;
        Properties properties;
        std::string host = {};  // the scripted server's when empty
    } cases[] = {
        {"InternetOpenA", 1, ERROR_INTERNET_INTERNAL_ERROR, u"InternetOpen error 12004\n ", untouched},
        {"HeapAlloc", 1, ERROR_NOT_ENOUGH_MEMORY, u"InternetConnect error 8\n ", untouched, longHost},
        {"InternetConnectA", 1, ERROR_INTERNET_INTERNAL_ERROR, u"InternetConnect error 12004\n ", untouched},
        {"HttpOpenRequestA", 1, ERROR_INTERNET_INTERNAL_ERROR, u"HttpOpenRequest error 12004\n ", untouched},
        {"HttpSendRequestA", 1, ERROR_INTERNET_TIMEOUT, u"HttpSend error 12002\n ", untouched},
        {"HttpQueryInfoA", 1, ERROR_HTTP_HEADER_NOT_FOUND, u"HttpQueryInfo error 12150\n ", untouched},
        // A failed size query leaves the length at 4: the fetch then finds its block too small.
        {"HttpQueryInfoA", 2, ERROR_HTTP_HEADER_NOT_FOUND, u"HttpQueryInfo error 122\n ", untouched},
        {"HttpQueryInfoA", 3, ERROR_HTTP_HEADER_NOT_FOUND, u"HttpQueryInfo error 12150\n ", untouched},
        {"HeapAlloc", 1, ERROR_NOT_ENOUGH_MEMORY, u"HttpQueryInfo error 122\n ", untouched, longHeader.Address()},
        // The Server value's string: the values after it are still this answer's.
        {"SysAllocStringLen", 2, ERROR_NOT_ENOUGH_MEMORY, u"HttpQueryInfo error 8\n ", serverLost},
        {"InternetCloseHandle", 1, ERROR_INVALID_HANDLE, u"CloseHandle on hReq error 6\n ", kEarlier},
        {"InternetCloseHandle", 2, ERROR_INVALID_HANDLE, u"CloseHandle on hConnect error 6\n ", kEarlier},
        {"InternetCloseHandle", 3, ERROR_INVALID_HANDLE, u"CloseHandle on hOpen error 6\n ", kEarlier},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.function + std::to_string(c.nth));
        TestPalvex fresh;
        fresh.SetServerURL(c.host.empty() ? server.Address() : c.host);
        {
            ScopedFault fault(c.function, c.nth, c.error);
            EXPECT_EQ(fresh.QueryServer(), E_FAIL);
            EXPECT_TRUE(FaultFired(c.function));
        }
        EXPECT_EQ(fresh.Read(&IPalvex::get_ErrorInfo), c.errorInfo);
        const Properties read{fresh.Read(&IPalvex::get_HTTPVer), fresh.Read(&IPalvex::get_ServerSoftware),
                              fresh.Read(&IPalvex::get_ContentLocation), fresh.Read(&IPalvex::get_CurrentServerTime)};
        EXPECT_EQ(read, c.properties);
    }
}

TEST_F(QueryServer, ExtendedErrorCarriesTheResponseText)
{
    ScriptedHttpServer server(ScriptedAnswer{kEarlierAnswer});
    palvex.SetServerURL(server.Address());
    {
        ScopedExtendedErrorText text("421 Too many users\r\n");
        ScopedFault fault("HttpSendRequestA", 1, ERROR_INTERNET_EXTENDED_ERROR);
        EXPECT_EQ(palvex.QueryServer(), E_FAIL);
    }
    EXPECT_EQ(ErrorInfo(), u"HttpSend error 12003\n 421 Too many users\r\n");
    {
        ScopedFault fault("HttpSendRequestA", 1, ERROR_INTERNET_EXTENDED_ERROR);
        EXPECT_EQ(palvex.QueryServer(), E_FAIL);
    }
    EXPECT_EQ(ErrorInfo(), u"HttpSend error 12003\n ");
}

}  // namespace
}  // namespace quenvar::testing
