// The platform's own OLE Automation type library.
#include "linux/typelib/BuiltinLibraries.h"

#include "linux/typelib/LoadTypeLibrary.h"

namespace quenvar::platform {

HRESULT LoadStdOleLibrary(ITypeLib** out) noexcept
{
    return OpenTypeLibrary(std::span(kStdOleTypeLibrary, kStdOleTypeLibrarySize), std::u16string(), out);
}

}  // namespace quenvar::platform
