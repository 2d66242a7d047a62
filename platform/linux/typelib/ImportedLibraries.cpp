// Libraries that imported types come from.
#include "linux/typelib/ImportedLibraries.h"

#include "linux/typelib/BuiltinLibraries.h"
#include "platform/UniqueInterface.h"
#include "linux/typelib/LoadTypeLibrary.h"
#include "linux/edge/Boundary.h"

#include <new>

namespace quenvar::platform {

HRESULT LoadImportedLibrary(const ImportedLibraryModel& imported, const std::u16string& importerDirectory,
                            ITypeLib** out) noexcept
{
    *out = nullptr;
    if (imported.libid == kStdOleLibraryId) return LoadStdOleLibrary(out);
    if (SUCCEEDED(LoadRegTypeLib(imported.libid, imported.majorVersion, imported.minorVersion, imported.lcid, out))) {
        return S_OK;
    }
    if (importerDirectory.empty()) return TYPE_E_CANTLOADLIBRARY;
    return Boundary(ReturnsHResult{}, [&]() -> HRESULT {
        // The import names a file; only its last part counts, so it cannot lead elsewhere.
        const std::u16string_view fileName(imported.fileName);
        const std::size_t separator = fileName.find_last_of(u"/\\");
        const std::u16string path =
            importerDirectory +
            std::u16string(separator == std::u16string_view::npos ? fileName : fileName.substr(separator + 1));
        UniqueInterface<TypeLibrary> library;
        if (FAILED(LoadTypeLibraryFromPath(path, library.put())) || library.get()->model().libid != imported.libid) {
            return TYPE_E_CANTLOADLIBRARY;
        }
        *out = library.release();
        return S_OK;
    });
}

}  // namespace quenvar::platform
