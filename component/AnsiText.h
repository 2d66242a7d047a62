// Storing ANSI text in a BSTR field.
#pragma once

#include "platform/UniqueHandle.h"

#include <string_view>

namespace quenvar {

// Frees the field's string, then stores `text` converted from the ANSI code page to UTF-16.
// The field is left null when the new string cannot be made.
void AssignAnsiText(UniqueBstr& field, std::string_view text) noexcept;

}  // namespace quenvar
