#include "linux/internet/HttpExchange.h"

#include "linux/internet/AnswerReader.h"
#include "linux/internet/ExchangeErrors.h"
#include "linux/internet/ExchangeSocket.h"
#include "linux/internet/RequestText.h"
#include "linux/internet/Resolver.h"

#include <cerrno>
#include <chrono>

namespace quenvar::platform {
namespace {

using Clock = std::chrono::steady_clock;

// A typical header arrives in one piece.
constexpr std::size_t kReceiveBytes = std::size_t{8} * 1024;

// The first address that takes the connection, tried in order while the deadline lasts.
int ConnectToAny(ExchangeSocket& socket, const ResolvedServer& server, Clock::time_point deadline)
{
    int error = ECONNREFUSED;
    for (const SocketAddress& address : server.addresses) {
        error = socket.Connect(address, deadline);
        if (error == 0 || error == ETIMEDOUT) break;
    }
    return error;
}

DWORD ReadAnswer(ExchangeSocket& socket, Clock::time_point deadline, HttpAnswer& answer)
{
    AnswerReader reader;
    char buffer[kReceiveBytes];
    for (;;) {
        std::size_t received = 0;
        if (const int error = socket.Receive(buffer, sizeof buffer, deadline, received); error != 0) {
            return InternetErrorFrom(ExchangeStep::Receive, error);
        }
        // Closed before the header's end.
        if (received == 0) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
        switch (reader.Read(std::string_view(buffer, received))) {
        case AnswerReader::Progress::NeedMore: break;
        case AnswerReader::Progress::Complete:
            answer.status = reader.Status();
            answer.rawHeader = reader.TakeRawHeader();
            return ERROR_SUCCESS;
        case AnswerReader::Progress::Invalid: return ERROR_HTTP_INVALID_SERVER_RESPONSE;
        }
    }
}

}  // namespace

DWORD RunHttpExchange(const HttpRequest& request, const ServerAddress& server, DWORD connectTimeoutMs,
                      DWORD receiveTimeoutMs, HttpAnswer& answer)
{
    const Clock::time_point connectDeadline = Clock::now() + std::chrono::milliseconds(connectTimeoutMs);
    // The thread's own addresses and request text keep their blocks from one exchange to the next.
    thread_local ResolvedServer resolved;
    thread_local std::string bytes;
    resolved.addresses.clear();
    if (const int error = ResolveServer(server, connectDeadline, resolved); error != 0) {
        return InternetErrorFrom(ExchangeStep::Resolve, error);
    }
    ComposeRequest(request, resolved.host, server.port, bytes);
    ExchangeSocket socket;
    if (const int error = ConnectToAny(socket, resolved, connectDeadline); error != 0) {
        return InternetErrorFrom(ExchangeStep::Connect, error);
    }
    const Clock::time_point receiveDeadline = Clock::now() + std::chrono::milliseconds(receiveTimeoutMs);
    if (const int error = socket.Send(bytes); error != 0) return InternetErrorFrom(ExchangeStep::Send, error);
    return ReadAnswer(socket, receiveDeadline, answer);
}

}  // namespace quenvar::platform
