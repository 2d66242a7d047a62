// The process-wide time-outs, read by each send when it starts.
#include "linux/internet/InternetCall.h"
#include "linux/edge/WithLastError.h"

#include <atomic>
#include <cstring>

namespace quenvar::platform {
namespace {

std::atomic<DWORD> connectTimeoutMs{60000};
std::atomic<DWORD> receiveTimeoutMs{30000};

}  // namespace

DWORD ConnectTimeoutMs() { return connectTimeoutMs.load(std::memory_order_relaxed); }

DWORD ReceiveTimeoutMs() { return receiveTimeoutMs.load(std::memory_order_relaxed); }

}  // namespace quenvar::platform

using namespace quenvar::platform;

extern "C" BOOL WINAPI InternetSetOptionA(HINTERNET handle, DWORD option, LPVOID buffer, DWORD bufferLength) noexcept
{
    return InternetCall("InternetSetOptionA", FALSE, [&]() -> BOOL {
        if (handle != nullptr) return WithLastError(ERROR_NOT_SUPPORTED, FALSE);
        std::atomic<DWORD>* target = nullptr;
        if (option == INTERNET_OPTION_CONNECT_TIMEOUT) target = &connectTimeoutMs;
        else if (option == INTERNET_OPTION_RECEIVE_TIMEOUT) target = &receiveTimeoutMs;
        else return WithLastError(ERROR_INTERNET_INVALID_OPTION, FALSE);
        if (buffer == nullptr || bufferLength < sizeof(DWORD)) {
            return WithLastError(ERROR_INTERNET_BAD_OPTION_LENGTH, FALSE);
        }
        DWORD value = 0;
        std::memcpy(&value, buffer, sizeof value);
        if (value == 0) return WithLastError(ERROR_INVALID_PARAMETER, FALSE);
        target->store(value, std::memory_order_relaxed);
        return WithLastError(ERROR_SUCCESS, TRUE);
    });
}
