// Finding the library that an imported type comes from.
#pragma once

#include "linux/typelib/LibraryModel.h"

namespace quenvar::platform {

// Loads the imported library: the platform's own OLE Automation library for its LIBID; else the
// registered library of that LIBID and version; else the file the import names, in
// `importerDirectory` (the folder of the importing library, empty when it has none).
// TYPE_E_CANTLOADLIBRARY when none of them is that library.
[[nodiscard]] HRESULT LoadImportedLibrary(const ImportedLibraryModel& imported, const std::u16string& importerDirectory,
                                          ITypeLib** out) noexcept;

}  // namespace quenvar::platform
