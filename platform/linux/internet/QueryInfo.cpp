// HttpQueryInfoA over the answer that the last successful send left on a request.
#include "linux/internet/InternetCall.h"
#include "linux/internet/InternetHandles.h"
#include "linux/edge/WithLastError.h"

#include <cstring>
#include <string>

using namespace quenvar::platform;

namespace {

constexpr DWORD kModifierMask = 0xF0000000;

// Copies text and its NUL when they fit; else FALSE with the size needed, the NUL included.
BOOL CopyText(const std::string& text, LPVOID buffer, LPDWORD bufferLength)
{
    const DWORD needed = static_cast<DWORD>(text.size() + 1);
    if (buffer == nullptr || *bufferLength < needed) {
        *bufferLength = needed;
        return WithLastError(ERROR_INSUFFICIENT_BUFFER, FALSE);
    }
    std::memcpy(buffer, text.c_str(), needed);
    *bufferLength = needed - 1;
    return WithLastError(ERROR_SUCCESS, TRUE);
}

}  // namespace

extern "C" BOOL WINAPI HttpQueryInfoA(HINTERNET requestHandle, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength,
                                      LPDWORD /*index*/) noexcept
{
    return InternetCall("HttpQueryInfoA", FALSE, [&]() -> BOOL {
        auto request = FindInternet<HttpRequest>(requestHandle, InternetHandleKind::Request);
        if (request == nullptr) return FALSE;
        if (bufferLength == nullptr) return WithLastError(ERROR_INVALID_PARAMETER, FALSE);
        std::lock_guard guard(request->answerLock);
        if (!request->answer) return WithLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE, FALSE);
        const HttpAnswer& answer = *request->answer;
        const DWORD level = infoLevel & ~kModifierMask;
        const DWORD modifiers = infoLevel & kModifierMask;
        if (level == HTTP_QUERY_STATUS_CODE && modifiers == HTTP_QUERY_FLAG_NUMBER) {
            if (buffer == nullptr || *bufferLength < sizeof(DWORD)) {
                *bufferLength = sizeof(DWORD);
                return WithLastError(ERROR_INSUFFICIENT_BUFFER, FALSE);
            }
            std::memcpy(buffer, &answer.status, sizeof(DWORD));
            *bufferLength = sizeof(DWORD);
            return WithLastError(ERROR_SUCCESS, TRUE);
        }
        if (modifiers != 0) return WithLastError(ERROR_HTTP_INVALID_QUERY_REQUEST, FALSE);
        if (level == HTTP_QUERY_STATUS_CODE) return CopyText(std::to_string(answer.status), buffer, bufferLength);
        if (level == HTTP_QUERY_RAW_HEADERS_CRLF) return CopyText(answer.rawHeader, buffer, bufferLength);
        return WithLastError(ERROR_HTTP_INVALID_QUERY_REQUEST, FALSE);
    });
}
