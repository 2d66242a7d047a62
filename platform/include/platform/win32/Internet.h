// The Internet client, ANSI forms: a session, a connection to one HTTP server and a request on it,
// used synchronously. Nothing touches the network before HttpSendRequestA, which resolves the
// name, connects, sends the request and reads the answer's header, never its body. Access is
// always direct (no proxy), nothing is cached and redirects are not followed.
//
// Every function fails with NULL or FALSE and the thread's last error; on success it leaves the
// last error at ERROR_SUCCESS. A handle that is unknown or already closed fails with
// ERROR_INVALID_HANDLE, one of the wrong kind with ERROR_INTERNET_INCORRECT_HANDLE_TYPE.
#pragma once

#include "platform/win32/Types.h"

using HINTERNET = void*;
using LPHINTERNET = HINTERNET*;
using INTERNET_PORT = WORD;

constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;

constexpr INTERNET_PORT INTERNET_INVALID_PORT_NUMBER = 0;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;

constexpr DWORD INTERNET_SERVICE_FTP = 1;
constexpr DWORD INTERNET_SERVICE_GOPHER = 2;
constexpr DWORD INTERNET_SERVICE_HTTP = 3;

constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;
constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000;
constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000;
constexpr DWORD INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000;
constexpr DWORD INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS = 0x00004000;
constexpr DWORD INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP = 0x00008000;
constexpr DWORD INTERNET_FLAG_PRAGMA_NOCACHE = 0x00000100;
constexpr DWORD INTERNET_FLAG_ASYNC = 0x10000000;

constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
constexpr DWORD HTTP_QUERY_RAW_HEADERS_CRLF = 22;
constexpr DWORD HTTP_QUERY_FLAG_NUMBER = 0x20000000;
constexpr DWORD HTTP_QUERY_FLAG_REQUEST_HEADERS = 0x80000000;

constexpr DWORD HTTP_STATUS_OK = 200;
constexpr DWORD HTTP_STATUS_DENIED = 401;
constexpr DWORD HTTP_STATUS_NOT_FOUND = 404;
constexpr DWORD HTTP_STATUS_PROXY_AUTH_REQ = 407;
constexpr DWORD HTTP_STATUS_SERVER_ERROR = 500;

constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2;
constexpr DWORD INTERNET_OPTION_RECEIVE_TIMEOUT = 6;

constexpr DWORD INTERNET_ERROR_BASE = 12000;
constexpr DWORD ERROR_INTERNET_OUT_OF_HANDLES = 12001;
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
constexpr DWORD ERROR_INTERNET_EXTENDED_ERROR = 12003;
constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
constexpr DWORD ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;
constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr DWORD ERROR_INTERNET_INVALID_OPTION = 12009;
constexpr DWORD ERROR_INTERNET_BAD_OPTION_LENGTH = 12010;
constexpr DWORD ERROR_INTERNET_INVALID_OPERATION = 12016;
constexpr DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr DWORD ERROR_INTERNET_CONNECTION_RESET = 12031;
constexpr DWORD ERROR_INTERNET_HTTP_TO_HTTPS_ON_REDIR = 12039;
constexpr DWORD ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR = 12040;
constexpr DWORD ERROR_HTTP_HEADER_NOT_FOUND = 12150;
constexpr DWORD ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
constexpr DWORD ERROR_HTTP_INVALID_HEADER = 12153;
constexpr DWORD ERROR_HTTP_INVALID_QUERY_REQUEST = 12154;
constexpr DWORD ERROR_HTTP_REDIRECT_FAILED = 12156;

extern "C" {

// A session. The agent goes out as the User-Agent header (none when NULL or empty); one holding
// a control character fails with ERROR_INVALID_PARAMETER. PRECONFIG and DIRECT both mean direct
// access; PROXY and INTERNET_FLAG_ASYNC fail with ERROR_NOT_SUPPORTED.
HINTERNET WINAPI InternetOpenA(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass, DWORD flags) noexcept;

// Records the server of a session; no network activity. The name is a host name or address,
// optionally followed by ":port" ("[v6address]:port" for IPv6); a port in the name wins over
// `port`, and port 0 means 80. A NULL or empty name fails with ERROR_INVALID_PARAMETER; any other
// name that is not a host name fails later, in HttpSendRequestA. Only INTERNET_SERVICE_HTTP is
// served (ERROR_NOT_SUPPORTED otherwise, and for INTERNET_FLAG_SECURE). Credentials are ignored.
HINTERNET WINAPI InternetConnectA(HINTERNET session, LPCSTR serverName, INTERNET_PORT port, LPCSTR userName,
                                  LPCSTR password, DWORD service, DWORD flags, DWORD_PTR context) noexcept;

// A request on a connection; no network activity. verb NULL or "" means "GET"; objectName NULL or
// "" means "/" (a missing leading '/' is added, blanks go out as %20); version NULL or "" means
// "HTTP/1.1", and only "HTTP/1.0" and "HTTP/1.1" are accepted; referrer NULL or "" sends no
// Referer, acceptTypes NULL no Accept header. Text with a control character fails with
// ERROR_INVALID_PARAMETER (ERROR_INTERNET_INVALID_URL for the object name).
HINTERNET WINAPI HttpOpenRequestA(HINTERNET connection, LPCSTR verb, LPCSTR objectName, LPCSTR version, LPCSTR referrer,
                                  LPCSTR* acceptTypes, DWORD flags, DWORD_PTR context) noexcept;

// Resolves the name, connects within the connect time-out, sends the request and reads the
// answer's header within the receive time-out; TRUE for any well-formed answer, whatever its
// status. Failures: ERROR_INTERNET_NAME_NOT_RESOLVED (also for a name that is not a host name:
// nothing is sent), ERROR_INTERNET_CANNOT_CONNECT, ERROR_INTERNET_TIMEOUT,
// ERROR_INTERNET_CONNECTION_RESET or _ABORTED, ERROR_HTTP_INVALID_SERVER_RESPONSE (malformed,
// over-long or missing header). Extra headers and a request body are not supported.
BOOL WINAPI HttpSendRequestA(HINTERNET request, LPCSTR headers, DWORD headersLength, LPVOID optional,
                             DWORD optionalLength) noexcept;

// After a successful send: HTTP_QUERY_STATUS_CODE (a DWORD with HTTP_QUERY_FLAG_NUMBER, decimal
// text without) and HTTP_QUERY_RAW_HEADERS_CRLF (the status line and the header lines as
// received, blanks kept, each ended by CR LF, then an empty line); other levels fail with
// ERROR_HTTP_INVALID_QUERY_REQUEST.
// A buffer that is NULL or too small fails with ERROR_INSUFFICIENT_BUFFER and leaves in
// *bufferLength the size needed, the NUL included; on success *bufferLength is the text's length
// without the NUL. Before a send: ERROR_INTERNET_INCORRECT_HANDLE_STATE.
BOOL WINAPI HttpQueryInfoA(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength,
                           LPDWORD index) noexcept;

// Closes a handle and every handle opened from it.
BOOL WINAPI InternetCloseHandle(HINTERNET handle) noexcept;

// The text that came with the calling thread's last ERROR_INTERNET_EXTENDED_ERROR, and its error
// number. No text: TRUE with *bufferLength 0. A buffer that is NULL or too small: FALSE with
// ERROR_INSUFFICIENT_BUFFER and the size needed, the NUL included. Otherwise TRUE with the text
// and its length without the NUL. Every other Internet call of the thread clears the text.
BOOL WINAPI InternetGetLastResponseInfoA(LPDWORD error, LPSTR buffer, LPDWORD bufferLength) noexcept;

// With a NULL handle, INTERNET_OPTION_CONNECT_TIMEOUT and INTERNET_OPTION_RECEIVE_TIMEOUT set the
// process-wide time-outs in milliseconds (a DWORD; defaults 60000 and 30000) for the sends that
// start afterwards. Other options fail with ERROR_INTERNET_INVALID_OPTION, a non-NULL handle with
// ERROR_NOT_SUPPORTED, a short buffer with ERROR_INTERNET_BAD_OPTION_LENGTH, 0 with
// ERROR_INVALID_PARAMETER.
BOOL WINAPI InternetSetOptionA(HINTERNET handle, DWORD option, LPVOID buffer, DWORD bufferLength) noexcept;

}  // extern "C"
