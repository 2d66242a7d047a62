// Class identifiers from text: braced GUID strings and ProgIDs, and GUIDs back to text.
#include "platform/Win32.h"

#include "linux/activation/GuidText.h"
#include "linux/activation/RegistryText.h"
#include "linux/edge/Boundary.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace quenvar::platform {
namespace {

// CurVer chains are short (version-independent name to versioned name); a longer one is a
// loop or a damaged registry, not a class.
constexpr int kMaxCurVerHops = 8;

HRESULT FromRegistryStatus(LONG status)
{
    return status == ERROR_FILE_NOT_FOUND || status == ERROR_INVALID_DATA ? CO_E_CLASSSTRING : REGDB_E_READREGDB;
}

// A ProgID is a key name directly below HKCR: it cannot be empty or hold a backslash.
bool IsProgIdKeyName(std::u16string_view progId)
{
    return !progId.empty() && progId.find(u'\\') == std::u16string_view::npos;
}

HRESULT ClassIdOfProgId(std::u16string progId, CLSID& clsid)
{
    for (int hop = 0; hop <= kMaxCurVerHops; ++hop) {
        std::u16string text;
        LONG status = ReadClassesRootText(progId + u"\\CLSID", /*allowExpand=*/false, text);
        if (status == ERROR_SUCCESS) return ParseBracedGuid(text, clsid) ? S_OK : CO_E_CLASSSTRING;
        if (status != ERROR_FILE_NOT_FOUND) return FromRegistryStatus(status);
        // No class of its own: the ProgID may name its current version instead.
        status = ReadClassesRootText(progId + u"\\CurVer", /*allowExpand=*/false, text);
        if (status != ERROR_SUCCESS) return FromRegistryStatus(status);
        if (!IsProgIdKeyName(text)) return CO_E_CLASSSTRING;
        progId = std::move(text);
    }
    return CO_E_CLASSSTRING;
}

}  // namespace
}  // namespace quenvar::platform

extern "C" {

HRESULT STDAPICALLTYPE CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid) noexcept
{
    if (progId == nullptr || clsid == nullptr) return E_INVALIDARG;
    *clsid = CLSID_NULL;
    return quenvar::platform::Boundary("CLSIDFromProgID", quenvar::platform::ReturnsHResult{}, [&]() -> HRESULT {
        if (!quenvar::platform::IsProgIdKeyName(progId)) return CO_E_CLASSSTRING;
        CLSID found{};
        const HRESULT hr = quenvar::platform::ClassIdOfProgId(progId, found);
        if (SUCCEEDED(hr)) *clsid = found;
        return hr;
    });
}

HRESULT STDAPICALLTYPE CLSIDFromString(LPCOLESTR text, LPCLSID clsid) noexcept
{
    return quenvar::platform::Boundary("CLSIDFromString", quenvar::platform::ReturnsHResult{}, [&]() -> HRESULT {
        if (text == nullptr || clsid == nullptr) return E_INVALIDARG;
        if (text[0] != u'{') return CLSIDFromProgID(text, clsid);
        *clsid = CLSID_NULL;
        return quenvar::platform::ParseBracedGuid(std::u16string_view(text), *clsid) ? S_OK : CO_E_CLASSSTRING;
    });
}

int STDAPICALLTYPE StringFromGUID2(REFGUID guid, LPOLESTR buffer, int bufferLength) noexcept
{
    // Its one failure signal is 0; nothing is left in the last error.
    return quenvar::platform::Boundary("StringFromGUID2", quenvar::platform::ReturnsOnly<int>{0}, [&]() -> int {
        if (buffer == nullptr || bufferLength < kGuidStringLength) return 0;
        char16_t text[kGuidStringLength - 1];
        quenvar::platform::FormatBracedGuid(guid, text);
        std::copy(std::begin(text), std::end(text), buffer);
        buffer[kGuidStringLength - 1] = u'\0';
        return kGuidStringLength;
    });
}

}  // extern "C"
