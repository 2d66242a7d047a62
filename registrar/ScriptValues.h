// Assignments of a registry script: "= type value", written to a key or skipped over.
#pragma once

#include "registrar/RegistryScriptParser.h"

namespace quenvar {

// VT_BSTR for "S", VT_I4 for "D" (without regard to case); VT_EMPTY for anything else.
VARTYPE FindValueType(LPCSTR type) noexcept;

// Reads the type and value tokens behind an "=" and writes the value to `key` under `name`
// (null: the default value), then reads the next token into `token` (kTokenSize bytes). A D
// value is the 32-bit number of its text (0 when the text is not one). A value that cannot be
// written answers the write's code as an HRESULT; DISP_E_EXCEPTION for an unknown type or a token
// that cannot be read.
[[nodiscard]] HRESULT AddValue(RegistryScriptParser& parser, HKEY key, LPCSTR name, char* token) noexcept;

// When `token` is "=", reads over the type and value tokens and reads the next token into
// `token` (kTokenSize bytes); otherwise reads nothing. The type is not checked.
[[nodiscard]] HRESULT SkipAssignment(RegistryScriptParser& parser, char* token) noexcept;

}  // namespace quenvar
