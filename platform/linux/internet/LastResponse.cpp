// The thread's last response text, and the test-only text that an injected extended error leaves.
#include "linux/internet/InternetCall.h"
#include "linux/edge/TestHooks.h"
#include "linux/edge/WithLastError.h"

#include <cstring>
#include <mutex>
#include <string>

namespace quenvar::platform {
namespace {

// Set only together with lastResponseError.
thread_local std::string lastResponseText;

struct ArmedText {
    std::mutex lock;
    std::string text;
};

ArmedText& Armed()
{
    static ArmedText armed;
    return armed;
}

}  // namespace

constinit thread_local DWORD lastResponseError = ERROR_SUCCESS;

void ForgetLastResponse()
{
    lastResponseError = ERROR_SUCCESS;
    lastResponseText.clear();
}

void FailInjectedCall(DWORD error)
{
    if (error == ERROR_INTERNET_EXTENDED_ERROR) {
        ArmedText& armed = Armed();
        std::lock_guard guard(armed.lock);
        try {
            lastResponseText = armed.text;
            lastResponseError = error;
        } catch (const std::bad_alloc&) {
            ForgetLastResponse();
        }
    }
    SetLastError(error);
}

}  // namespace quenvar::platform

void QuenvarTestSetExtendedErrorText(const char* text) noexcept
{
    quenvar::platform::ArmedText& armed = quenvar::platform::Armed();
    std::lock_guard guard(armed.lock);
    armed.text = text;
}

using quenvar::platform::lastResponseError;
using quenvar::platform::lastResponseText;

using quenvar::platform::WithLastError;

extern "C" BOOL WINAPI InternetGetLastResponseInfoA(LPDWORD error, LPSTR buffer, LPDWORD bufferLength) noexcept
{
    // Not an InternetCall: reading the last response must not clear it.
    constexpr quenvar::platform::SetsLastError<BOOL> failure{FALSE};
    return quenvar::platform::Boundary("InternetGetLastResponseInfoA", failure, [&]() -> BOOL {
        if (error == nullptr || bufferLength == nullptr) return WithLastError(ERROR_INVALID_PARAMETER, FALSE);
        *error = lastResponseError;
        const std::string& text = lastResponseText;
        if (text.empty()) {
            if (buffer != nullptr && *bufferLength > 0) buffer[0] = '\0';
            *bufferLength = 0;
            return WithLastError(ERROR_SUCCESS, TRUE);
        }
        const DWORD needed = static_cast<DWORD>(text.size() + 1);
        if (buffer == nullptr || *bufferLength < needed) {
            *bufferLength = needed;
            return WithLastError(ERROR_INSUFFICIENT_BUFFER, FALSE);
        }
        std::memcpy(buffer, text.c_str(), needed);
        *bufferLength = needed - 1;
        return WithLastError(ERROR_SUCCESS, TRUE);
    });
}
