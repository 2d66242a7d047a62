#include "linux/automation/Invoke.h"

#include "linux/automation/ArgumentBinding.h"
#include "linux/automation/CallFrame.h"
#include "linux/automation/InlineBuffer.h"
#include "linux/automation/ThreadErrorInfo.h"
#include "linux/edge/Boundary.h"
#include "platform/UniqueInterface.h"

#include <new>

namespace quenvar::platform {
namespace {

bool IsConsistent(const DISPPARAMS& params)
{
    return params.cNamedArgs <= params.cArgs && (params.cArgs == 0 || params.rgvarg != nullptr) &&
           (params.cNamedArgs == 0 || params.rgdispidNamedArgs != nullptr);
}

// Only what the error object really answers is taken; the rest stays empty.
void FillException(EXCEPINFO* exception, HRESULT failure)
{
    if (exception == nullptr) return;
    *exception = EXCEPINFO{};
    exception->scode = failure;
    UniqueInterface<IErrorInfo> errorInfo;
    if (GetErrorInfo(/*reserved=*/0, errorInfo.put()) != S_OK) return;
    UniqueBstr text;
    if (SUCCEEDED(errorInfo.get()->GetSource(text.put()))) exception->bstrSource = text.release();
    if (SUCCEEDED(errorInfo.get()->GetDescription(text.put()))) exception->bstrDescription = text.release();
    if (SUCCEEDED(errorInfo.get()->GetHelpFile(text.put()))) exception->bstrHelpFile = text.release();
    DWORD helpContext = 0;
    if (SUCCEEDED(errorInfo.get()->GetHelpContext(&helpContext))) exception->dwHelpContext = helpContext;
}

// A frameless member called with no arguments: nothing to bind or convert. The commonest dispatch
// of all, the read of a property, takes this road.
HRESULT InvokeWithoutArguments(void* instance, const PreparedCall& call, unsigned slotIndex, VARIANT* result,
                               EXCEPINFO* exception)
{
    // The callee answers straight into the caller's variant, or into one freed afterwards: a copy
    // made after the call would read across the callee's narrower store and stall on it.
    VARIANT discarded{};
    VARIANT& answer = result != nullptr ? *result : discarded;
    answer = VARIANT{};
    void* retval = call.retval() != nullptr ? PointRetval(*call.retval(), answer) : nullptr;
    void* arguments[] = {&instance, &retval};

    // Only an error object that the callee sets may describe its failure.
    ClearErrorInfo();
    ffi_arg returned = 0;
    HRESULT hr = call.Call(slotIndex, arguments, &returned);
    if (SUCCEEDED(hr) && FAILED(static_cast<HRESULT>(returned))) {
        FillException(exception, static_cast<HRESULT>(returned));
        hr = DISP_E_EXCEPTION;
    }
    if (FAILED(hr) || result == nullptr) {
        VariantClear(&answer);
        answer.vt = VT_EMPTY;  // also when the callee left a type that VariantClear refuses
    }
    return hr;
}

HRESULT BindAndInvoke(void* instance, const PreparedCall& call, unsigned slotIndex, const DISPPARAMS& params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError)
{
    InlineBuffer<BoundArgument, kInlineParameters> bound(call.inputs().size());
    HRESULT hr = BindArguments(call.function(), params, bound.span(), argError);
    if (FAILED(hr)) return hr;

    CallFrame frame(instance, call);
    for (std::size_t i = 0; i < bound.size(); ++i) {
        hr = frame.AddInput(*bound[i].value);
        if (FAILED(hr)) {
            if (argError != nullptr) *argError = bound[i].index;
            return hr;
        }
    }
    if (call.retval() != nullptr) {
        hr = frame.AddRetval();
        if (FAILED(hr)) return hr;
    }

    // Only an error object that the callee sets may describe its failure.
    ClearErrorInfo();
    HRESULT returned = S_OK;
    hr = frame.Call(slotIndex, &returned);
    if (FAILED(hr)) return hr;
    if (FAILED(returned)) {
        FillException(exception, returned);
        return DISP_E_EXCEPTION;
    }
    frame.TakeResult(result);
    return S_OK;
}

// Kept apart from the road without arguments, which then needs no handler and no saved registers.
[[gnu::noinline]] HRESULT InvokeWithArguments(void* instance, const PreparedCall& call, unsigned slotIndex,
                                              const DISPPARAMS& params, VARIANT* result, EXCEPINFO* exception,
                                              UINT* argError) noexcept
{
    if (result != nullptr) VariantInit(result);
    return Boundary(ReturnsHResult{}, [&]() -> HRESULT {
        return BindAndInvoke(instance, call, slotIndex, params, result, exception, argError);
    });
}

}  // namespace

HRESULT InvokeThroughVtable(void* instance, const PreparedCall& call, unsigned slotIndex, DISPPARAMS* params,
                            VARIANT* result, EXCEPINFO* exception, UINT* argError) noexcept
{
    if (instance == nullptr || params == nullptr || !IsConsistent(*params) || !call.inVtable()) {
        return E_INVALIDARG;
    }
    if (call.frameless() && params->cArgs == 0) {
        return InvokeWithoutArguments(instance, call, slotIndex, result, exception);
    }
    return InvokeWithArguments(instance, call, slotIndex, *params, result, exception, argError);
}

}  // namespace quenvar::platform
