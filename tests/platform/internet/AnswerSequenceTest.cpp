// Answers read one after another on one thread: nothing that one answer leaves behind may change
// how the next is read. A header line that continues a previous line, arriving before any header
// of its answer, once made the client read memory freed after the earlier answer; run under the
// sanitizers, these sequences catch that.
#include "platform/Win32.h"
#include "tests/platform/internet/InternetTestSupport.h"
#include "tests/support/ScriptedHttpServer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quenvar::testing {
namespace {

constexpr char kChunked[] =
    "HTTP/1.1 200 OK\r\nServer: nginx\r\nDate: Wed, 09 Dec 2026 05:00:00 GMT\r\nContent-Type: text/html\r\n"
    "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n5\r\nhello\r\n0\r\n\r\n";
constexpr char kChunkedHeader[] =
    "HTTP/1.1 200 OK\r\nServer: nginx\r\nDate: Wed, 09 Dec 2026 05:00:00 GMT\r\nContent-Type: text/html\r\n"
    "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n";

TEST(HttpSendRequest, ContinuationLineWithoutHeaderBeforeItIsRefusedAfterAnEarlierAnswer)
{
    ScopedInternetTimeouts timeouts(2000, 1000);
    const std::string earlier[] = {
        kChunked,
        "HTTP/1.0 200 OK\nServer: SimpleHTTP/0.6 Python/3.11.2\nX-Long: " + std::string(3000, 'v') + "\n\n",
        "HTTP/1.1 100 Continue\r\nX-Interim: 1\r\n\r\nHTTP/1.1 404 Not Found\r\nServer: a\r\n  folded\r\n\r\n",
    };
    const std::string continued[] = {
        "HTTP/1.1 200 OK\n b\n\n",
        "HTTP/1.1 200 OK\r\n b\r\n\r\n",
        "HTTP/1.1 200 OK\n\tb\nServer: x\n\n",
        "HTTP/1.1 200 OK\n b: c\n\n",
        "HTTP/1.1 200 OK\n \n\n",
        "HTTP/1.1 100 Continue\n b\n\nHTTP/1.1 200 OK\n\n",
        "HTTP/1.1 100 Continue\nX: a\n\nHTTP/1.1 200 OK\n b\n\n",
    };
    for (const std::string& first : earlier) {
        for (const std::string& second : continued) {
            SCOPED_TRACE(first.substr(0, 40) + " then " + second);
            ScriptedHttpServer server(
                std::vector<ScriptedAnswer>{ScriptedAnswer{first}, ScriptedAnswer{second}, ScriptedAnswer{kChunked}});
            for (int send = 0; send < 3; ++send) {
                OpenedRequest request(server.Address());
                SetLastError(0);
                const BOOL sent = request.Send();
                EXPECT_EQ(sent, send != 1);
                EXPECT_EQ(GetLastError(), send == 1 ? ERROR_HTTP_INVALID_SERVER_RESPONSE : ERROR_SUCCESS);
                if (send == 2) {
                    EXPECT_EQ(request.RawHeader(), kChunkedHeader);
                }
            }
        }
    }
}

}  // namespace
}  // namespace quenvar::testing
