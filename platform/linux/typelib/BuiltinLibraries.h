// The type libraries the platform carries itself: the OLE Automation library (stdole2.tlb)
// that other libraries import IDispatch from.
#pragma once

#include "platform/Win32.h"

#include <cstddef>

namespace quenvar::platform {

// {00020430-0000-0000-C000-000000000046}
inline constexpr GUID kStdOleLibraryId = {0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The built stdole2.tlb, embedded at build time.
extern const unsigned char kStdOleTypeLibrary[];
extern const std::size_t kStdOleTypeLibrarySize;

// A new ITypeLib over the built-in OLE Automation library.
[[nodiscard]] HRESULT LoadStdOleLibrary(ITypeLib** out) noexcept;

}  // namespace quenvar::platform
