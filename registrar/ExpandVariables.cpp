#include "registrar/ExpandVariables.h"

#include "platform/UniqueHandle.h"
#include "registrar/ReplacementMap.h"
#include "registrar/detail/ExpandBuffer.h"

namespace quenvar {
namespace {

constexpr char kPercent = '%';

// Appends `value` converted to the ANSI code page, without its NUL. For registration a value the
// code page cannot hold is refused: written with stand-in characters, a module path would name no
// file. Removal writes no value, so there the stand-ins are harmless.
HRESULT AppendValue(detail::ExpandBuffer& output, LPCOLESTR value, ScriptMode mode) noexcept
{
    BOOL lossy = FALSE;
    const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, value, -1, nullptr, 0, nullptr, &lossy);
    if (bytes <= 0) return E_FAIL;
    if (lossy && mode == ScriptMode::Registration) return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    UniqueTaskMemory converted(CoTaskMemAlloc(static_cast<SIZE_T>(bytes)));
    if (!converted) return E_OUTOFMEMORY;
    auto* text = static_cast<LPSTR>(converted.get());
    text[0] = '\0';
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, value, -1, text, bytes, nullptr, nullptr) != bytes) {
        return E_FAIL;
    }
    return output.Append(text, text + bytes - 1) ? S_OK : E_OUTOFMEMORY;
}

// Expands the reference whose name starts at the cursor (just behind the opening percent sign)
// and leaves the cursor behind its closing one.
HRESULT ExpandReference(RegistryScriptParser& parser, detail::ExpandBuffer& output, ScriptMode mode) noexcept
{
    const LPCSTR closing = RegistryScriptParser::FindChar(parser.Cursor(), kPercent);
    if (closing == nullptr) return RegistryScriptParser::ScriptError();
    const auto length = closing - parser.Cursor();
    if (length > kMaxVariableName) return E_FAIL;
    char name[kMaxVariableName + 1];
    lstrcpynA(name, parser.Cursor(), static_cast<int>(length) + 1);
    const LPCOLESTR value = parser.Replacements().Find(name);
    if (value == nullptr) return RegistryScriptParser::ScriptError();
    const HRESULT hr = AppendValue(output, value, mode);
    if (FAILED(hr)) return hr;
    while (parser.Cursor() != closing) parser.NextChar();
    parser.NextChar();
    return S_OK;
}

}  // namespace

HRESULT ExpandVariables(RegistryScriptParser& parser, LPCSTR text, ScriptMode mode, LPSTR* expanded) noexcept
{
    *expanded = nullptr;
    // Twice the script holds it with every value shorter than the script itself; an empty
    // script still needs room for its NUL.
    const SIZE_T length = static_cast<SIZE_T>(lstrlenA(text));
    detail::ExpandBuffer output(length == 0 ? 1 : 2 * length);
    if (!output.Allocated()) return E_OUTOFMEMORY;

    parser.SetCursor(text);
    while (*parser.Cursor() != '\0') {
        if (*parser.Cursor() != kPercent) {
            const LPCSTR start = parser.Cursor();
            if (!output.Append(start, parser.NextChar())) return E_OUTOFMEMORY;
            continue;
        }
        parser.NextChar();
        if (*parser.Cursor() == kPercent) {
            if (!output.Append(kPercent)) return E_OUTOFMEMORY;
            parser.NextChar();
            continue;
        }
        const HRESULT hr = ExpandReference(parser, output, mode);
        if (FAILED(hr)) return hr;
    }
    if (!output.Append('\0')) return E_OUTOFMEMORY;
    *expanded = output.Detach();
    return S_OK;
}

}  // namespace quenvar
