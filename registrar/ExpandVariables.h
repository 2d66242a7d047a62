// Variable substitution: every %NAME% of a registry script is replaced by the value of NAME in
// the parser's replacement map, and every %% by one percent sign, before the script is parsed.
#pragma once

#include "registrar/KeyTree.h"
#include "registrar/RegistryScriptParser.h"

namespace quenvar {

// Names of variables are 1 to kMaxVariableName bytes long.
constexpr int kMaxVariableName = 31;

// Expands the NUL-terminated ANSI `text` with the parser's cursor and map. On success *expanded
// is a new NUL-terminated text the caller frees with CoTaskMemFree; on failure it is null:
// E_OUTOFMEMORY, DISP_E_EXCEPTION for a percent sign without its closing one or a name not in
// the map, E_FAIL for a name of 32 bytes or more; for registration, a value the ANSI code page
// cannot hold answers HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION).
[[nodiscard]] HRESULT ExpandVariables(RegistryScriptParser& parser, LPCSTR text, ScriptMode mode,
                                      LPSTR* expanded) noexcept;

}  // namespace quenvar
