// Helpers of the Internet client's tests: one session, connection and request opened the way the
// component opens them, and time-outs short enough for tests that wait on a silent server.
#pragma once

#include "platform/Win32.h"

#include <string>

namespace quenvar::testing {

class OpenedRequest {
public:
    explicit OpenedRequest(const std::string& server, LPCSTR agent = "Ferrowin")
        : session_(InternetOpenA(agent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)),
          connection_(InternetConnectA(session_, server.c_str(), INTERNET_INVALID_PORT_NUMBER, "", "",
                                       INTERNET_SERVICE_HTTP, 0, 0)),
          request_(HttpOpenRequestA(connection_, "GET", "", "HTTP/1.0", "", nullptr,
                                    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0))
    {
    }
    // Closing the session closes the other two.
    ~OpenedRequest() { InternetCloseHandle(session_); }
    OpenedRequest(const OpenedRequest&) = delete;
    OpenedRequest& operator=(const OpenedRequest&) = delete;

    HINTERNET Request() const { return request_; }
    BOOL Send() const { return HttpSendRequestA(request_, nullptr, 0, nullptr, 0); }

    DWORD Status() const
    {
        DWORD status = 0;
        DWORD length = sizeof status;
        return HttpQueryInfoA(request_, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr)
                   ? status
                   : 0;
    }

    std::string RawHeader() const
    {
        DWORD length = 0;
        HttpQueryInfoA(request_, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &length, nullptr);
        std::string text(length, '\0');
        if (!HttpQueryInfoA(request_, HTTP_QUERY_RAW_HEADERS_CRLF, text.data(), &length, nullptr)) return "<failed>";
        text.resize(length);
        return text;
    }

private:
    HINTERNET session_;
    HINTERNET connection_;
    HINTERNET request_;
};

// Sets the process-wide time-outs for one scope, then restores the defaults.
class ScopedInternetTimeouts {
public:
    ScopedInternetTimeouts(DWORD connectMs, DWORD receiveMs)
    {
        InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs, sizeof connectMs);
        InternetSetOptionA(nullptr, INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveMs, sizeof receiveMs);
    }
    ~ScopedInternetTimeouts()
    {
        DWORD connectMs = 60000;
        DWORD receiveMs = 30000;
        InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs, sizeof connectMs);
        InternetSetOptionA(nullptr, INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveMs, sizeof receiveMs);
    }
    ScopedInternetTimeouts(const ScopedInternetTimeouts&) = delete;
    ScopedInternetTimeouts& operator=(const ScopedInternetTimeouts&) = delete;
};

}  // namespace quenvar::testing
