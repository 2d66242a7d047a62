// The objects behind Internet handles and the process-wide table that maps handle values to them.
// A handle value is a number, never a pointer, so an unknown or closed value is refused instead of
// followed. Callers hold objects by shared_ptr, so closing a handle while another thread still
// uses its object is safe.
#pragma once

#include "platform/Win32.h"

#include "linux/edge/QuickLock.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace quenvar::platform {

enum class InternetHandleKind { Session, Connection, Request };

struct InternetObject {
    explicit InternetObject(InternetHandleKind kind) : kind(kind) {}
    virtual ~InternetObject() = default;
    const InternetHandleKind kind;
};

struct InternetSession final : InternetObject {
    InternetSession() : InternetObject(InternetHandleKind::Session) {}
    std::string agent;
};

struct InternetConnection final : InternetObject {
    InternetConnection() : InternetObject(InternetHandleKind::Connection) {}
    std::string agent;
    std::string serverName;  // as given; checked when a request is sent
    INTERNET_PORT port = INTERNET_INVALID_PORT_NUMBER;
};

// What a successful send leaves for HttpQueryInfoA.
struct HttpAnswer {
    DWORD status = 0;
    std::string rawHeader;  // status line and header lines, each ended by CR LF, then CR LF
};

struct HttpRequest final : InternetObject {
    HttpRequest() : InternetObject(InternetHandleKind::Request) {}
    std::string agent;
    std::string serverName;
    INTERNET_PORT port = INTERNET_INVALID_PORT_NUMBER;
    std::string verb;
    std::string target;
    bool http10 = false;
    std::string referrer;
    std::string accept;  // empty: no Accept header

    QuickLock answerLock;
    std::optional<HttpAnswer> answer;  // set by a successful send
};

// Registers `object` under a new handle value, as a child of `parent` (NULL for a session).
// Throws std::bad_alloc.
HINTERNET RegisterInternetObject(std::shared_ptr<InternetObject> object, HINTERNET parent);

// The object of an open handle of the given kind; nullptr with the last error set otherwise.
std::shared_ptr<InternetObject> FindInternetObject(HINTERNET handle, InternetHandleKind kind);

template <typename Object>
std::shared_ptr<Object> FindInternet(HINTERNET handle, InternetHandleKind kind)
{
    return std::static_pointer_cast<Object>(FindInternetObject(handle, kind));
}

// Closes the handle and every handle opened from it; false (ERROR_INVALID_HANDLE) when it is not open.
bool CloseInternetObject(HINTERNET handle);

}  // namespace quenvar::platform
