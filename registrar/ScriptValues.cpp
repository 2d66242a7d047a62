#include "registrar/ScriptValues.h"

#include "registrar/RegKey.h"

namespace quenvar {
namespace {

struct ValueType {
    const char* name;
    VARTYPE type;
};

constexpr ValueType kValueTypes[] = {{"S", VT_BSTR}, {"D", VT_I4}};

// The number a D value's text stands for; the text is converted as the platform's Automation
// conversion reads it, and a text that is not a number gives 0.
DWORD NumberOf(LPCSTR text) noexcept
{
    OLECHAR wide[kTokenSize];
    wide[0] = u'\0';
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide, static_cast<int>(kTokenSize)) == 0) return 0;
    LONG number = 0;
    VarI4FromStr(wide, /*lcid=*/0, /*flags=*/0, &number);
    return static_cast<DWORD>(number);
}

}  // namespace

VARTYPE FindValueType(LPCSTR type) noexcept
{
    for (const ValueType& row : kValueTypes) {
        if (lstrcmpiA(row.name, type) == 0) return row.type;
    }
    return VT_EMPTY;
}

HRESULT AddValue(RegistryScriptParser& parser, HKEY key, LPCSTR name, char* token) noexcept
{
    char value[kTokenSize];
    HRESULT hr = parser.NextToken(value);
    if (FAILED(hr)) return hr;
    const VARTYPE type = FindValueType(value);
    if (type == VT_EMPTY) return RegistryScriptParser::ScriptError();
    parser.SkipSpace();
    hr = parser.NextToken(value);
    if (FAILED(hr)) return hr;

    // A value that cannot be written fails the pass, so that a registration answered S_OK is whole.
    LentKey target(key);
    const LONG written =
        type == VT_I4 ? target->SetDwordValue(NumberOf(value), name) : target->SetStringValue(value, name);
    if (written != ERROR_SUCCESS) return HRESULT_FROM_WIN32(written);
    return parser.NextToken(token, kTokenSize);
}

HRESULT SkipAssignment(RegistryScriptParser& parser, char* token) noexcept
{
    if (token[0] != '=') return S_OK;
    char skipped[kTokenSize];
    HRESULT hr = parser.NextToken(skipped);
    if (FAILED(hr)) return hr;
    parser.SkipSpace();
    hr = parser.NextToken(skipped);
    if (FAILED(hr)) return hr;
    return parser.NextToken(token, kTokenSize);
}

}  // namespace quenvar
