// Loading a type library from a file or from the resources of a module file, by path.
#pragma once

#include "platform/Win32.h"

#include "linux/typelib/TypeLibrary.h"

#include <span>
#include <string>
#include <string_view>

namespace quenvar::platform {

// A library from bytes already in memory; `directory` is where its file lies, or empty.
[[nodiscard]] HRESULT OpenTypeLibrary(std::span<const BYTE> bytes, std::u16string directory,
                                      TypeLibrary** out) noexcept;

// LoadTypeLib's work on a path given as UTF-16: a type library file, a module file (its TYPELIB
// resource 1), or "module\N" for its TYPELIB resource N. The platform's own object, so that a
// caller checking which library it got reads the model instead of asking for task memory.
[[nodiscard]] HRESULT LoadTypeLibraryFromPath(std::u16string_view path, TypeLibrary** out) noexcept;

// The folder part of a path, with its trailing separator ("/" or "\"); empty when it has none.
std::u16string DirectoryOf(std::u16string_view path);

}  // namespace quenvar::platform
