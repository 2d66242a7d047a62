#include "module/ModuleFileName.h"

#include "module/LastErrorResult.h"

namespace quenvar {

HRESULT ModuleFileName(HINSTANCE instance, OLECHAR (&path)[MAX_PATH]) noexcept
{
    const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? LastErrorResult() : S_OK;
}

}  // namespace quenvar
