// The calling thread's error object. It is released when replaced, when handed over, or when
// the thread ends.
#include "linux/automation/ThreadErrorInfo.h"
#include "linux/edge/Boundary.h"

#include "platform/UniqueInterface.h"

#include <utility>

namespace quenvar::platform {

constinit thread_local IErrorInfo* threadErrorInfo [[gnu::tls_model("initial-exec")]] = nullptr;

namespace {

// Releases what a thread still holds when it ends. Only a thread that stores an error object
// touches it, and so registers its destructor.
struct ThreadEndRelease {
    ThreadEndRelease() noexcept = default;
    ~ThreadEndRelease() { UniqueInterface<IErrorInfo> left(std::exchange(threadErrorInfo, nullptr)); }
};
thread_local ThreadEndRelease threadEndRelease;

}  // namespace
}  // namespace quenvar::platform

using quenvar::platform::Boundary;
using quenvar::platform::ReturnsHResult;
using quenvar::platform::threadErrorInfo;

extern "C" {

HRESULT STDAPICALLTYPE SetErrorInfo(ULONG /*reserved*/, IErrorInfo* errorInfo) noexcept
{
    return Boundary("SetErrorInfo", ReturnsHResult{}, [&]() -> HRESULT {
        // Clearing what is clear already, as every dispatched call does.
        if (errorInfo == nullptr && threadErrorInfo == nullptr) return S_OK;
        if (errorInfo != nullptr) {
            [[maybe_unused]] quenvar::platform::ThreadEndRelease& registered = quenvar::platform::threadEndRelease;
            errorInfo->AddRef();
        }
        // Released after the AddRef: setting the object the thread already holds must not free it.
        const quenvar::UniqueInterface<IErrorInfo> replaced(std::exchange(threadErrorInfo, errorInfo));
        return S_OK;
    });
}

HRESULT STDAPICALLTYPE GetErrorInfo(ULONG /*reserved*/, IErrorInfo** errorInfo) noexcept
{
    return Boundary("GetErrorInfo", ReturnsHResult{}, [&]() -> HRESULT {
        if (errorInfo == nullptr) return E_INVALIDARG;
        *errorInfo = std::exchange(threadErrorInfo, nullptr);
        return *errorInfo == nullptr ? S_FALSE : S_OK;
    });
}

}  // extern "C"
