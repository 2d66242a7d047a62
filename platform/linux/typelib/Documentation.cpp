// GetDocumentation's out-parameters.
#include "linux/typelib/Documentation.h"

#include "platform/UniqueHandle.h"

namespace quenvar::platform {

BSTR CopyText(const OptionalText& text, bool& failed) noexcept
{
    failed = false;
    if (!text) return nullptr;
    BSTR copy = SysAllocStringLen(text->data(), static_cast<UINT>(text->size()));
    failed = copy == nullptr;
    return copy;
}

HRESULT StoreDocumentation(const OptionalText& name, const OptionalText& docString, DWORD helpContext,
                           const OptionalText& helpFile, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                           BSTR* pBstrHelpFile) noexcept
{
    bool failed[3] = {};
    UniqueBstr nameCopy(pBstrName != nullptr ? CopyText(name, failed[0]) : nullptr);
    UniqueBstr docCopy(pBstrDocString != nullptr ? CopyText(docString, failed[1]) : nullptr);
    UniqueBstr fileCopy(pBstrHelpFile != nullptr ? CopyText(helpFile, failed[2]) : nullptr);
    if (failed[0] || failed[1] || failed[2]) return E_OUTOFMEMORY;
    if (pBstrName != nullptr) *pBstrName = nameCopy.release();
    if (pBstrDocString != nullptr) *pBstrDocString = docCopy.release();
    if (pdwHelpContext != nullptr) *pdwHelpContext = helpContext;
    if (pBstrHelpFile != nullptr) *pBstrHelpFile = fileCopy.release();
    return S_OK;
}

}  // namespace quenvar::platform
