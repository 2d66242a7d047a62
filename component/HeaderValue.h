// Copying one value out of the raw header text of an HTTP answer into a property field.
#pragma once

#include "component/HeaderText.h"
#include "platform/UniqueHandle.h"

namespace quenvar {

// The value starts after the first occurrence of `prefix` anywhere in `text` (letter case counts)
// and the one byte that follows it, or at the text's first byte when `prefix` is null; it ends
// before the next `endCharacter`. Nothing is trimmed. A value found replaces the field's string
// (an empty value, also when the end follows the prefix at once, gives an empty string); when the
// prefix or the end is missing, the field keeps what it held. Answers false only when the new
// string could not be made: the field then holds nothing.
[[nodiscard]] bool ExtractHeaderValue(const char* prefix, const HeaderText& text, UniqueBstr& target,
                                      char endCharacter) noexcept;

}  // namespace quenvar
