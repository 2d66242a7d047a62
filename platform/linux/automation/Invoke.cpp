#include "linux/automation/Invoke.h"

#include "linux/automation/ArgumentBinding.h"
#include "linux/automation/CallFrame.h"
#include "platform/UniqueInterface.h"

#include <new>
#include <vector>

namespace quenvar::platform {
namespace {

bool IsConsistent(const DISPPARAMS& params)
{
    return params.cNamedArgs <= params.cArgs && (params.cArgs == 0 || params.rgvarg != nullptr) &&
           (params.cNamedArgs == 0 || params.rgdispidNamedArgs != nullptr);
}

bool IsVtableFunction(const FUNCDESC& function)
{
    return (function.funckind == FUNC_VIRTUAL || function.funckind == FUNC_PUREVIRTUAL) && function.cParams >= 0 &&
           (function.cParams == 0 || function.lprgelemdescParam != nullptr);
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

HRESULT Invoke(void* instance, const FUNCDESC& function, unsigned slotIndex, const DISPPARAMS& params,
               VARIANT* result, EXCEPINFO* exception, UINT* argError)
{
    const std::span<const ELEMDESC> declared(function.lprgelemdescParam, static_cast<std::size_t>(function.cParams));
    const bool hasRetval =
        !declared.empty() && (declared.back().paramdesc.wParamFlags & PARAMFLAG_FRETVAL) != 0;
    const std::span<const ELEMDESC> inputs = declared.first(declared.size() - (hasRetval ? 1 : 0));

    std::vector<BoundArgument> bound(inputs.size());
    HRESULT hr = BindArguments(function, params, bound, argError);
    if (FAILED(hr)) return hr;

    CallFrame frame(instance, declared.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        hr = frame.AddInput(inputs[i], *bound[i].value);
        if (FAILED(hr)) {
            if (argError != nullptr) *argError = bound[i].index;
            return hr;
        }
    }
    if (hasRetval) {
        hr = frame.AddRetval(declared.back());
        if (FAILED(hr)) return hr;
    }

    // Only an error object that the callee sets may describe its failure.
    SetErrorInfo(/*reserved=*/0, nullptr);
    HRESULT returned = S_OK;
    hr = frame.Call(slotIndex, function.elemdescFunc.tdesc.vt, &returned);
    if (FAILED(hr)) return hr;
    if (FAILED(returned)) {
        FillException(exception, returned);
        return DISP_E_EXCEPTION;
    }
    frame.TakeResult(result);
    return S_OK;
}

}  // namespace

HRESULT InvokeThroughVtable(void* instance, const FUNCDESC& function, unsigned slotIndex, DISPPARAMS* params,
                            VARIANT* result, EXCEPINFO* exception, UINT* argError) noexcept
{
    if (instance == nullptr || params == nullptr || !IsConsistent(*params) || !IsVtableFunction(function)) {
        return E_INVALIDARG;
    }
    if (result != nullptr) VariantInit(result);
    try {
        return Invoke(instance, function, slotIndex, *params, result, exception, argError);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace quenvar::platform
