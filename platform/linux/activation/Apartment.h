// The calling thread's COM initialisation, as activation needs to see it.
#pragma once

namespace quenvar::platform {

// Whether the calling thread holds at least one successful CoInitializeEx.
[[nodiscard]] bool IsComInitialized() noexcept;

}  // namespace quenvar::platform
