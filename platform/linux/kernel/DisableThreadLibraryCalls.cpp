#include "platform/Win32.h"

#include "linux/edge/Boundary.h"
#include "linux/edge/WithLastError.h"

// Linux has no thread attach notifications to switch off; the call only validates its handle.
extern "C" BOOL WINAPI DisableThreadLibraryCalls(HMODULE module) noexcept
{
    using namespace quenvar::platform;
    return Boundary("DisableThreadLibraryCalls", SetsLastError<BOOL>{FALSE}, [&]() -> BOOL {
        if (module == nullptr) return WithLastError(ERROR_INVALID_HANDLE, FALSE);
        return TRUE;
    });
}
