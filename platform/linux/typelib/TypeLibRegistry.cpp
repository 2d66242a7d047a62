// Registry keys of type libraries.
#include "linux/typelib/TypeLibRegistry.h"

#include "linux/kernel/CodePage.h"
#include "linux/registry/TextValue.h"
#include "platform/UniqueInterface.h"

#include <cstdio>
#include <new>

namespace quenvar::platform {
namespace {

// {00020424-0000-0000-C000-000000000046}: the proxy for dual and OLE Automation interfaces.
constexpr GUID kAutomationProxy = {0x00020424, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// {00020420-0000-0000-C000-000000000046}: the proxy for pure dispatch interfaces.
constexpr GUID kDispatchProxy = {0x00020420, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// A key name is at most 255 characters; one more for the NUL.
constexpr DWORD kKeyNameBuffer = 256;

bool ParseHex(const std::string& text, std::size_t maxDigits, DWORD& value)
{
    if (text.empty() || text.size() > maxDigits) return false;
    value = 0;
    for (char c : text) {
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

}  // namespace

std::string FormatGuid(REFGUID guid)
{
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2,
                  guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}

std::string LibraryKeyPath(REFGUID libid) { return "TypeLib\\" + FormatGuid(libid); }

std::string VersionKeyName(WORD major, WORD minor)
{
    char text[16];
    std::snprintf(text, sizeof text, "%x.%x", major, minor);
    return text;
}

std::string LocaleKeyName(LCID lcid)
{
    char text[16];
    std::snprintf(text, sizeof text, "%x", lcid);
    return text;
}

std::optional<std::string> SysKindKeyName(SYSKIND sysKind)
{
    switch (sysKind) {
    case SYS_WIN16: return "win16";
    case SYS_WIN32: return "win32";
    case SYS_MAC: return "mac";
    case SYS_WIN64: return "win64";
    }
    return std::nullopt;
}

bool ParseVersionKeyName(const std::string& name, WORD& major, WORD& minor)
{
    const std::size_t dot = name.find('.');
    DWORD high = 0, low = 0;
    if (dot == std::string::npos || !ParseHex(name.substr(0, dot), 4, high) ||
        !ParseHex(name.substr(dot + 1), 4, low)) {
        return false;
    }
    major = static_cast<WORD>(high);
    minor = static_cast<WORD>(low);
    return true;
}

bool ParseLocaleKeyName(const std::string& name, LCID& lcid) { return ParseHex(name, 8, lcid); }

LONG SubkeyNames(HKEY key, std::vector<std::string>& names)
{
    for (DWORD index = 0;; ++index) {
        char name[kKeyNameBuffer];
        DWORD length = kKeyNameBuffer;
        const LONG code = RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (code == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (code != ERROR_SUCCESS) return code;
        names.emplace_back(name, length);
    }
}

LONG ReadString(HKEY key, const std::string& subKey, LPCSTR name, std::string& text)
{
    DWORD type = REG_NONE;
    const LONG code = ReadTextValue(key, subKey, name, text, type);
    if (code != ERROR_SUCCESS) return code;
    return type == REG_SZ || type == REG_EXPAND_SZ ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

std::string ToAnsi(std::u16string_view text)
{
    std::string ansi;
    bool usedDefault = false;
    static_cast<void>(EncodeFromWide(AnsiCodePage(), text, '?', /*strict=*/false, ansi, usedDefault));
    return ansi;
}

std::u16string FromAnsi(std::string_view text)
{
    std::u16string wide;
    static_cast<void>(DecodeToWide(AnsiCodePage(), text, /*strict=*/false, wide));
    return wide;
}

HRESULT RegisteredInterfaces(ITypeLib* library, std::vector<RegisteredInterface>& interfaces) noexcept
{
    try {
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
            interfaces.push_back({iid, ToAnsi(name != nullptr ? std::u16string_view(name, SysStringLen(name)) : u""),
                                  pureDispatch ? kDispatchProxy : kAutomationProxy});
        }
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace quenvar::platform
