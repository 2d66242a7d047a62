// Registry keys of type libraries.
#include "linux/typelib/TypeLibRegistry.h"

#include "linux/activation/GuidText.h"
#include "linux/registry/KeyNames.h"
#include "linux/registry/TextValue.h"
#include "linux/edge/Boundary.h"
#include "platform/UniqueInterface.h"

#include <iterator>
#include <new>

namespace quenvar::platform {
namespace {

// {00020424-0000-0000-C000-000000000046}: the proxy for dual and OLE Automation interfaces.
constexpr GUID kAutomationProxy = {0x00020424, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00020420-0000-0000-C000-000000000046}: the proxy for pure dispatch interfaces.
constexpr GUID kDispatchProxy = {0x00020420, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// A key name is at most 255 characters; one more for the NUL.
constexpr DWORD kKeyNameBuffer = 256;

bool ParseHex(std::u16string_view text, std::size_t maxDigits, DWORD& value)
{
    if (text.empty() || text.size() > maxDigits) return false;
    value = 0;
    for (char16_t c : text) {
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        value = value * 16 + static_cast<DWORD>(digit);
    }
    return true;
}

// Lower-case hexadecimal without leading zeros.
std::u16string Hex(DWORD value)
{
    std::u16string text;
    do {
        text.insert(text.begin(), u"0123456789abcdef"[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

}  // namespace

std::u16string FormatGuid(REFGUID guid)
{
    char16_t text[kGuidStringLength - 1];
    FormatBracedGuid(guid, text);
    return std::u16string(std::begin(text), std::end(text));
}

std::u16string LibraryKeyPath(REFGUID libid) { return u"TypeLib\\" + FormatGuid(libid); }

std::u16string VersionKeyName(WORD major, WORD minor) { return Hex(major) + u"." + Hex(minor); }

std::u16string LocaleKeyName(LCID lcid) { return Hex(lcid); }

std::optional<std::u16string> SysKindKeyName(SYSKIND sysKind)
{
    switch (sysKind) {
    case SYS_WIN16: return u"win16";
    case SYS_WIN32: return u"win32";
    case SYS_MAC: return u"mac";
    case SYS_WIN64: return u"win64";
    }
    return std::nullopt;
}

bool ParseVersionKeyName(std::u16string_view name, WORD& major, WORD& minor)
{
    const std::size_t dot = name.find(u'.');
    DWORD high = 0, low = 0;
    if (dot == std::u16string_view::npos || !ParseHex(name.substr(0, dot), 4, high) ||
        !ParseHex(name.substr(dot + 1), 4, low)) {
        return false;
    }
    major = static_cast<WORD>(high);
    minor = static_cast<WORD>(low);
    return true;
}

bool ParseLocaleKeyName(std::u16string_view name, LCID& lcid) { return ParseHex(name, 8, lcid); }

bool SameKeyName(std::u16string_view left, std::u16string_view right) { return FoldName(left) == FoldName(right); }

LONG SubkeyNames(HKEY key, std::vector<std::u16string>& names)
{
    for (DWORD index = 0;; ++index) {
        char16_t name[kKeyNameBuffer];
        DWORD length = kKeyNameBuffer;
        const LONG code = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (code == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (code != ERROR_SUCCESS) return code;
        names.emplace_back(name, length);
    }
}

LONG ReadString(HKEY key, const std::u16string& subKey, LPCWSTR name, std::u16string& text)
{
    DWORD type = REG_NONE;
    const LONG code = ReadTextValue(key, subKey, name, text, type);
    if (code != ERROR_SUCCESS) return code;
    return static_cast<LONG>(type == REG_SZ || type == REG_EXPAND_SZ ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
}

HRESULT RegisteredInterfaces(ITypeLib* library, std::vector<RegisteredInterface>& interfaces) noexcept
{
    return Boundary(ReturnsHResult{}, [&]() -> HRESULT {
        for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
            UniqueInterface<ITypeInfo> info;
            TYPEATTR* attr = nullptr;
            HRESULT hr = library->GetTypeInfo(i, info.put());
            if (SUCCEEDED(hr)) hr = info.get()->GetTypeAttr(&attr);
            if (FAILED(hr)) return hr;
            const TYPEKIND kind = attr->typekind;
            const WORD flags = attr->wTypeFlags;
            const GUID iid = attr->guid;
            info.get()->ReleaseTypeAttr(attr);
            const bool dual = (flags & TYPEFLAG_FDUAL) != 0;
            const bool automation = (flags & TYPEFLAG_FOLEAUTOMATION) != 0;
            if (kind != TKIND_DISPATCH && !(kind == TKIND_INTERFACE && automation)) continue;
            BSTR name = nullptr;
            hr = info.get()->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
            if (FAILED(hr)) return hr;
            const UniqueBstr nameOwner(name);
            const bool pureDispatch = kind == TKIND_DISPATCH && !dual;
            interfaces.push_back({iid, name != nullptr ? std::u16string(name, SysStringLen(name)) : std::u16string(),
                                  pureDispatch ? kDispatchProxy : kAutomationProxy});
        }
        return S_OK;
    });
}

}  // namespace quenvar::platform
