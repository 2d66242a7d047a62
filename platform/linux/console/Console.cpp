// Standard handles are the file descriptors 0 to 2, kept one above their number so that no
// handle is NULL.
#include "platform/Win32.h"

#include "linux/edge/Boundary.h"
#include "linux/edge/WithLastError.h"

#include <unistd.h>

namespace {

HANDLE HandleOfDescriptor(int descriptor) { return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(descriptor + 1)); }

int DescriptorOfHandle(HANDLE handle)
{
    const auto value = reinterpret_cast<ULONG_PTR>(handle);
    return value >= 1 && value <= 3 ? static_cast<int>(value - 1) : -1;
}

}  // namespace

using quenvar::platform::Boundary;
using quenvar::platform::SetsLastError;
using quenvar::platform::WithLastError;

extern "C" {

HANDLE WINAPI GetStdHandle(DWORD stdHandle) noexcept
{
    return Boundary("GetStdHandle", SetsLastError<HANDLE>{INVALID_HANDLE_VALUE}, [&]() -> HANDLE {
        switch (stdHandle) {
        case STD_INPUT_HANDLE: return HandleOfDescriptor(STDIN_FILENO);
        case STD_OUTPUT_HANDLE: return HandleOfDescriptor(STDOUT_FILENO);
        case STD_ERROR_HANDLE: return HandleOfDescriptor(STDERR_FILENO);
        default: return WithLastError(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
        }
    });
}

BOOL WINAPI GetConsoleMode(HANDLE console, LPDWORD mode) noexcept
{
    return Boundary("GetConsoleMode", SetsLastError<BOOL>{FALSE}, [&]() -> BOOL {
        if (mode == nullptr) return WithLastError(ERROR_INVALID_PARAMETER, FALSE);
        const int descriptor = DescriptorOfHandle(console);
        if (descriptor < 0 || isatty(descriptor) == 0) return WithLastError(ERROR_INVALID_HANDLE, FALSE);
        *mode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
        return TRUE;
    });
}

}  // extern "C"
