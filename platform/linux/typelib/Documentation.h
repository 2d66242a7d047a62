// The out-parameters of GetDocumentation, shared by ITypeLib and ITypeInfo.
#pragma once

#include "linux/typelib/LibraryModel.h"

namespace quenvar::platform {

// Stores a new copy of each text (NULL for an absent one) and the help context into the
// out-parameters that are not NULL. E_OUTOFMEMORY leaves every out-parameter as it was.
[[nodiscard]] HRESULT StoreDocumentation(const OptionalText& name, const OptionalText& docString, DWORD helpContext,
                                         const OptionalText& helpFile, BSTR* pBstrName, BSTR* pBstrDocString,
                                         DWORD* pdwHelpContext, BSTR* pBstrHelpFile) noexcept;

// A new BSTR copy of `text`, or NULL for an absent text; `failed` tells an allocation failure.
BSTR CopyText(const OptionalText& text, bool& failed) noexcept;

}  // namespace quenvar::platform
