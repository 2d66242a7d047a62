// Reading a type library in the MSFT format, the layout the platform's interface compilers write.
#pragma once

#include "linux/typelib/LibraryModel.h"

#include <span>

namespace quenvar::platform {

// Far beyond any real type library; larger data is refused, which bounds what reading costs.
constexpr std::size_t kMaxLibraryBytes = std::size_t{16} * 1024 * 1024;

// Whether the bytes begin like an MSFT type library.
bool IsMsftLibrary(std::span<const BYTE> bytes);

// Reads the whole library, checking every offset and count against the bytes. TYPE_E_UNSUPFORMAT
// for data that is not an MSFT library for 32- or 64-bit Windows, TYPE_E_INVDATAREAD for one
// that points outside itself, contradicts itself or is larger than kMaxLibraryBytes,
// E_OUTOFMEMORY. `library` is meaningful only
// on S_OK.
[[nodiscard]] HRESULT ReadMsftLibrary(std::span<const BYTE> bytes, LibraryModel& library) noexcept;

}  // namespace quenvar::platform
