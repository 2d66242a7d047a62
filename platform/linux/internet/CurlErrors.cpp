#include "linux/internet/CurlErrors.h"

namespace quenvar::platform {
namespace {

struct CurlErrorMapping {
    CURLcode result;
    DWORD beforeConnection;
    DWORD whileReading;
};

// URL_MALFORMAT: only names that passed our own check reach libcurl, so a URL it still refuses
// names a host that cannot exist. UNSUPPORTED_PROTOCOL: with an http URL, libcurl refusing an
// answer without a status line. GOT_NOTHING: the server closed without a byte of answer.
// OUT_OF_MEMORY while reading: libcurl's own bound on one header line, longer than any answer
// within our bound on the whole header.
constexpr CurlErrorMapping kCurlErrors[] = {
    {CURLE_URL_MALFORMAT, ERROR_INTERNET_NAME_NOT_RESOLVED, ERROR_INTERNET_NAME_NOT_RESOLVED},
    {CURLE_COULDNT_RESOLVE_HOST, ERROR_INTERNET_NAME_NOT_RESOLVED, ERROR_INTERNET_NAME_NOT_RESOLVED},
    {CURLE_COULDNT_CONNECT, ERROR_INTERNET_CANNOT_CONNECT, ERROR_INTERNET_CANNOT_CONNECT},
    {CURLE_OPERATION_TIMEDOUT, ERROR_INTERNET_TIMEOUT, ERROR_INTERNET_TIMEOUT},
    {CURLE_SEND_ERROR, ERROR_INTERNET_CONNECTION_ABORTED, ERROR_INTERNET_CONNECTION_ABORTED},
    {CURLE_RECV_ERROR, ERROR_INTERNET_CONNECTION_RESET, ERROR_INTERNET_CONNECTION_RESET},
    {CURLE_GOT_NOTHING, ERROR_HTTP_INVALID_SERVER_RESPONSE, ERROR_HTTP_INVALID_SERVER_RESPONSE},
    {CURLE_WEIRD_SERVER_REPLY, ERROR_HTTP_INVALID_SERVER_RESPONSE, ERROR_HTTP_INVALID_SERVER_RESPONSE},
    {CURLE_UNSUPPORTED_PROTOCOL, ERROR_HTTP_INVALID_SERVER_RESPONSE, ERROR_HTTP_INVALID_SERVER_RESPONSE},
    {CURLE_PARTIAL_FILE, ERROR_HTTP_INVALID_SERVER_RESPONSE, ERROR_HTTP_INVALID_SERVER_RESPONSE},
    {CURLE_OUT_OF_MEMORY, ERROR_NOT_ENOUGH_MEMORY, ERROR_HTTP_INVALID_SERVER_RESPONSE},
};

}  // namespace

DWORD InternetErrorFromCurl(CURLcode result, bool connected)
{
    for (const CurlErrorMapping& mapping : kCurlErrors) {
        if (mapping.result == result) return connected ? mapping.whileReading : mapping.beforeConnection;
    }
    return ERROR_INTERNET_INTERNAL_ERROR;
}

}  // namespace quenvar::platform
