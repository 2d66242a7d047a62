// Sessions and connections: records of what a later send will use. No network activity here.
#include "linux/internet/InternetCall.h"
#include "linux/internet/InternetHandles.h"
#include "linux/internet/RequestText.h"
#include "linux/edge/WithLastError.h"

using namespace quenvar::platform;

namespace {

std::string TextOrEmpty(LPCSTR text) { return text == nullptr ? std::string() : std::string(text); }

}  // namespace

extern "C" {

HINTERNET WINAPI InternetOpenA(LPCSTR agent, DWORD accessType, LPCSTR /*proxy*/, LPCSTR /*proxyBypass*/,
                               DWORD flags) noexcept
{
    return InternetCall("InternetOpenA", HINTERNET{}, [&]() -> HINTERNET {
        if (accessType == INTERNET_OPEN_TYPE_PROXY || (flags & INTERNET_FLAG_ASYNC) != 0) {
            return WithLastError(ERROR_NOT_SUPPORTED, HINTERNET{});
        }
        if (accessType != INTERNET_OPEN_TYPE_DIRECT && accessType != INTERNET_OPEN_TYPE_PRECONFIG) {
            return WithLastError(ERROR_INVALID_PARAMETER, HINTERNET{});
        }
        auto session = std::make_shared<InternetSession>();
        session->agent = TextOrEmpty(agent);
        if (HasControlCharacter(session->agent)) return WithLastError(ERROR_INVALID_PARAMETER, HINTERNET{});
        HINTERNET handle = RegisterInternetObject(std::move(session), /*parent=*/nullptr);
        return WithLastError(ERROR_SUCCESS, handle);
    });
}

HINTERNET WINAPI InternetConnectA(HINTERNET sessionHandle, LPCSTR serverName, INTERNET_PORT port, LPCSTR /*userName*/,
                                  LPCSTR /*password*/, DWORD service, DWORD flags, DWORD_PTR /*context*/) noexcept
{
    return InternetCall("InternetConnectA", HINTERNET{}, [&]() -> HINTERNET {
        auto session = FindInternet<InternetSession>(sessionHandle, InternetHandleKind::Session);
        if (session == nullptr) return HINTERNET{};
        if (serverName == nullptr || serverName[0] == '\0') return WithLastError(ERROR_INVALID_PARAMETER, HINTERNET{});
        if (service != INTERNET_SERVICE_HTTP || (flags & INTERNET_FLAG_SECURE) != 0) {
            return WithLastError(ERROR_NOT_SUPPORTED, HINTERNET{});
        }
        auto connection = std::make_shared<InternetConnection>();
        connection->agent = session->agent;
        connection->serverName = serverName;
        connection->port = port;
        HINTERNET handle = RegisterInternetObject(std::move(connection), sessionHandle);
        return WithLastError(ERROR_SUCCESS, handle);
    });
}

BOOL WINAPI InternetCloseHandle(HINTERNET handle) noexcept
{
    return InternetCall("InternetCloseHandle", FALSE, [&]() -> BOOL {
        if (!CloseInternetObject(handle)) return FALSE;
        return WithLastError(ERROR_SUCCESS, TRUE);
    });
}

}  // extern "C"
