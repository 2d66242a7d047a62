// Requests: HttpOpenRequestA records what goes on the wire, HttpSendRequestA does the exchange.
#include "linux/internet/HttpExchange.h"
#include "linux/internet/InternetCall.h"
#include "linux/internet/InternetHandles.h"
#include "linux/internet/RequestText.h"
#include "linux/internet/ServerName.h"
#include "linux/edge/WithLastError.h"

using namespace quenvar::platform;

namespace {

bool IsEmpty(LPCSTR text) { return text == nullptr || text[0] == '\0'; }

// The accept types joined into one header value; false when one of them could forge a line.
bool JoinAcceptTypes(LPCSTR* acceptTypes, std::string& accept)
{
    for (LPCSTR* type = acceptTypes; type != nullptr && *type != nullptr; ++type) {
        if (HasControlCharacter(*type)) return false;
        if (!accept.empty()) accept += ", ";
        accept += *type;
    }
    return true;
}

}  // namespace

extern "C" {

HINTERNET WINAPI HttpOpenRequestA(HINTERNET connectionHandle, LPCSTR verb, LPCSTR objectName, LPCSTR version,
                                  LPCSTR referrer, LPCSTR* acceptTypes, DWORD flags, DWORD_PTR /*context*/) noexcept
{
    return InternetCall("HttpOpenRequestA", HINTERNET{}, [&]() -> HINTERNET {
        auto connection = FindInternet<InternetConnection>(connectionHandle, InternetHandleKind::Connection);
        if (connection == nullptr) return HINTERNET{};
        if ((flags & INTERNET_FLAG_SECURE) != 0) return WithLastError(ERROR_NOT_SUPPORTED, HINTERNET{});
        auto request = std::make_shared<HttpRequest>();
        request->agent = connection->agent;
        request->serverName = connection->serverName;
        request->port = connection->port;
        request->verb = IsEmpty(verb) ? "GET" : verb;
        if (!IsMethodToken(request->verb)) return WithLastError(ERROR_INVALID_PARAMETER, HINTERNET{});
        const std::string_view object = objectName == nullptr ? std::string_view() : objectName;
        if (HasControlCharacter(object)) return WithLastError(ERROR_INTERNET_INVALID_URL, HINTERNET{});
        request->target = RequestTarget(object);
        const std::string_view versionText = IsEmpty(version) ? "HTTP/1.1" : version;
        if (versionText != "HTTP/1.0" && versionText != "HTTP/1.1") {
            return WithLastError(ERROR_INVALID_PARAMETER, HINTERNET{});
        }
        request->http10 = versionText == "HTTP/1.0";
        if (!IsEmpty(referrer)) request->referrer = referrer;
        if (HasControlCharacter(request->referrer) || !JoinAcceptTypes(acceptTypes, request->accept)) {
            return WithLastError(ERROR_INVALID_PARAMETER, HINTERNET{});
        }
        HINTERNET handle = RegisterInternetObject(std::move(request), connectionHandle);
        return WithLastError(ERROR_SUCCESS, handle);
    });
}

BOOL WINAPI HttpSendRequestA(HINTERNET requestHandle, LPCSTR headers, DWORD headersLength, LPVOID optional,
                             DWORD optionalLength) noexcept
{
    return InternetCall("HttpSendRequestA", FALSE, [&]() -> BOOL {
        auto request = FindInternet<HttpRequest>(requestHandle, InternetHandleKind::Request);
        if (request == nullptr) return FALSE;
        if ((headers != nullptr && headersLength != 0) || (optional != nullptr && optionalLength != 0)) {
            return WithLastError(ERROR_NOT_SUPPORTED, FALSE);
        }
        const std::optional<ServerAddress> server = ParseServerName(request->serverName, request->port);
        if (!server) return WithLastError(ERROR_INTERNET_NAME_NOT_RESOLVED, FALSE);
        HttpAnswer answer;
        const DWORD error = RunHttpExchange(*request, *server, ConnectTimeoutMs(), ReceiveTimeoutMs(), answer);
        if (error != ERROR_SUCCESS) return WithLastError(error, FALSE);
        std::lock_guard guard(request->answerLock);
        request->answer = std::move(answer);
        return WithLastError(ERROR_SUCCESS, TRUE);
    });
}

}  // extern "C"
