// The key-tree walk of a registry script: root blocks of keys and values applied to the
// registry in one of two passes. Registration creates keys and writes values, deleting first
// the keys marked ForceRemove or Delete; removal deletes what the script describes but keeps a
// key that still has subkeys, and every key after a NoRemove in the same body.
#pragma once

#include "registrar/RegistryScriptParser.h"

namespace quenvar {

enum class ScriptMode { Registration, Removal };

// Bodies nested deeper than this are refused: each level costs a few kilobytes of stack.
constexpr int kMaxBodyDepth = 64;

// Expands the variables of the NUL-terminated ANSI `text` (its failure is answered before any
// key is touched) and applies its root blocks in order. A root block that fails to register is
// removed again at once; blocks before it stay registered, blocks after it are not processed.
// Every syntax error and fatal registry failure answers DISP_E_EXCEPTION.
[[nodiscard]] HRESULT ProcessScript(RegistryScriptParser& parser, LPCSTR text, ScriptMode mode) noexcept;

}  // namespace quenvar
