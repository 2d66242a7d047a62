// HttpQueryInfoA over the answer that the last successful send left on a request.
#include "linux/internet/InternetCall.h"
#include "linux/internet/InternetHandles.h"

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
        return Fail(FALSE, ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(buffer, text.c_str(), needed);
    *bufferLength = needed - 1;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

}  // namespace

extern "C" BOOL WINAPI HttpQueryInfoA(HINTERNET requestHandle, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength,
                                      LPDWORD /*index*/) noexcept
{
    return InternetCall("HttpQueryInfoA", FALSE, [&]() -> BOOL {
        auto request = FindInternet<HttpRequest>(requestHandle, InternetHandleKind::Request);
        if (request == nullptr) return FALSE;
        if (bufferLength == nullptr) return Fail(FALSE, ERROR_INVALID_PARAMETER);
        std::lock_guard guard(request->answerLock);
        if (!request->answer) return Fail(FALSE, ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        const HttpAnswer& answer = *request->answer;
        const DWORD level = infoLevel & ~kModifierMask;
        const DWORD modifiers = infoLevel & kModifierMask;
        if (level == HTTP_QUERY_STATUS_CODE && modifiers == HTTP_QUERY_FLAG_NUMBER) {
            if (buffer == nullptr || *bufferLength < sizeof(DWORD)) {
                *bufferLength = sizeof(DWORD);
                return Fail(FALSE, ERROR_INSUFFICIENT_BUFFER);
            }
            std::memcpy(buffer, &answer.status, sizeof(DWORD));
            *bufferLength = sizeof(DWORD);
            SetLastError(ERROR_SUCCESS);
            return TRUE;
        }
        if (modifiers != 0) return Fail(FALSE, ERROR_HTTP_INVALID_QUERY_REQUEST);
        if (level == HTTP_QUERY_STATUS_CODE) return CopyText(std::to_string(answer.status), buffer, bufferLength);
        if (level == HTTP_QUERY_RAW_HEADERS_CRLF) return CopyText(answer.rawHeader, buffer, bufferLength);
        return Fail(FALSE, ERROR_HTTP_INVALID_QUERY_REQUEST);
    });
}
