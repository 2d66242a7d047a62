// The platform's own OLE Automation type library.
#include "linux/typelib/BuiltinLibraries.h"

#include "linux/typelib/LoadTypeLibrary.h"

namespace quenvar::platform {

HRESULT LoadStdOleLibrary(ITypeLib** out) noexcept
{
    TypeLibrary* library = nullptr;
    const HRESULT hr =
        OpenTypeLibrary(std::span(kStdOleTypeLibrary, kStdOleTypeLibrarySize), std::u16string(), &library);
    *out = library;
    return hr;
}

}  // namespace quenvar::platform
