// The calling thread's error object. It is released when replaced, when handed over, or when
// the thread ends.
#include "platform/UniqueInterface.h"
#include "platform/Win32.h"

namespace {
thread_local quenvar::UniqueInterface<IErrorInfo> threadErrorInfo;
}

extern "C" {

// {1CF2B120-547D-101B-8E65-08002B2BD119}
const IID IID_IErrorInfo = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

HRESULT STDAPICALLTYPE SetErrorInfo(ULONG /*reserved*/, IErrorInfo* errorInfo)
{
    if (errorInfo != nullptr) errorInfo->AddRef();
    // Reset after the AddRef: setting the object the thread already holds must not free it.
    threadErrorInfo.reset(errorInfo);
    return S_OK;
}

HRESULT STDAPICALLTYPE GetErrorInfo(ULONG /*reserved*/, IErrorInfo** errorInfo)
{
    if (errorInfo == nullptr) return E_INVALIDARG;
    *errorInfo = threadErrorInfo.release();
    return *errorInfo == nullptr ? S_FALSE : S_OK;
}

}  // extern "C"
