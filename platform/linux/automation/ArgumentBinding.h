// Which element of DISPPARAMS feeds each parameter of a call.
#pragma once

#include "platform/Win32.h"

#include <span>

namespace quenvar::platform {

struct BoundArgument {
    const VARIANTARG* value = nullptr;
    UINT index = 0;  // within rgvarg
};

// Binds the arguments of `params` to `inputs`, the parameters the caller supplies (all but the
// [out, retval] one) in declaration order: positional arguments first, then named ones by
// position; a put's value (named DISPID_PROPERTYPUT) goes to the last. Answers
// DISP_E_PARAMNOTFOUND (*argError = the named argument's index), DISP_E_NONAMEDARGS or
// DISP_E_BADPARAMCOUNT. `params` must be consistent: cNamedArgs <= cArgs, arrays present.
[[nodiscard]] HRESULT BindArguments(const FUNCDESC& function, const DISPPARAMS& params, std::span<BoundArgument> inputs,
                                    UINT* argError) noexcept;

}  // namespace quenvar::platform
