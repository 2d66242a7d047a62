#include "linux/automation/Invoke.h"

namespace quenvar::platform {

HRESULT SelectFunction(std::span<const FUNCDESC> functions, MEMBERID memid, WORD flags,
                       const FUNCDESC** chosen) noexcept
{
    *chosen = nullptr;
    for (const FUNCDESC& function : functions) {
        if (function.memid == memid && (static_cast<WORD>(function.invkind) & flags) != 0) {
            *chosen = &function;
            return S_OK;
        }
    }
    return DISP_E_MEMBERNOTFOUND;
}

}  // namespace quenvar::platform
