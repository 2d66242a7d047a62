// An owner for a handle of the Internet client.
#pragma once

#include "platform/UniqueHandle.h"

namespace quenvar {

struct InternetHandleTraits {
    using Pointer = HINTERNET;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer value) noexcept { InternetCloseHandle(value); }
};
using UniqueInternetHandle = UniqueHandle<InternetHandleTraits>;

// Closes the handle now, for callers that report a failed close; the last error tells why it
// failed. A handle that did not close stays with its owner, which tries again when it goes.
[[nodiscard]] inline bool CloseNow(UniqueInternetHandle& handle) noexcept
{
    if (!InternetCloseHandle(handle.get())) return false;
    (void)handle.release();
    return true;
}

}  // namespace quenvar
