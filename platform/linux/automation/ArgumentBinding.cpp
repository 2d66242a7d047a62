#include "linux/automation/ArgumentBinding.h"

namespace quenvar::platform {

HRESULT BindArguments(const FUNCDESC& function, const DISPPARAMS& params, std::span<BoundArgument> inputs,
                      UINT* argError) noexcept
{
    const bool put = (function.invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) != 0;
    std::size_t freeInputs = inputs.size();
    UINT named = 0;
    if (put) {
        if (params.cNamedArgs == 0 || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return DISP_E_PARAMNOTFOUND;
        if (inputs.empty()) return DISP_E_BADPARAMCOUNT;
        inputs.back() = {&params.rgvarg[0], 0};
        --freeInputs;
        named = 1;
    }

    const UINT positional = params.cArgs - params.cNamedArgs;
    if (positional > freeInputs) return DISP_E_BADPARAMCOUNT;
    for (UINT position = 0; position < positional; ++position) {
        const UINT index = params.cArgs - 1 - position;
        inputs[position] = {&params.rgvarg[index], index};
    }

    // A variable argument list has no parameter positions to name.
    if (named < params.cNamedArgs && function.cParamsOpt == -1) return DISP_E_NONAMEDARGS;
    for (; named < params.cNamedArgs; ++named) {
        const DISPID position = params.rgdispidNamedArgs[named];
        if (position < 0 || static_cast<std::size_t>(position) >= freeInputs || inputs[position].value != nullptr) {
            if (argError != nullptr) *argError = named;
            return DISP_E_PARAMNOTFOUND;
        }
        inputs[position] = {&params.rgvarg[named], named};
    }

    for (const BoundArgument& input : inputs) {
        if (input.value == nullptr) return DISP_E_BADPARAMCOUNT;
    }
    return S_OK;
}

}  // namespace quenvar::platform
