// A plain text search over the whole header, a character at a time, so that a double-byte
// character is never split by a match.
#include "component/HeaderValue.h"

#include "component/AnsiText.h"
#include "module/ModuleBlock.h"

#include <cstring>

namespace quenvar {

bool ExtractHeaderValue(const char* prefix, const HeaderText& text, UniqueBstr& target, char endCharacter) noexcept
{
    const char* start = text.begin();
    std::size_t skip = 0;
    if (prefix != nullptr) {
        const std::string_view name(prefix);
        start = text.Find(name);
        if (start == nullptr) return true;
        skip = name.size() + 1;
    }
    const char* end = text.FindCharacter(start, endCharacter);
    if (end == nullptr) return true;
    // An end right after the prefix would leave the skipped byte beyond the value: it is empty.
    const std::size_t span = static_cast<std::size_t>(end - start);
    const std::size_t length = span > skip ? span - skip : 0;

    UniqueModuleBlock block(ModuleAlloc(length + 1));
    if (!block) return false;
    char* value = static_cast<char*>(block.get());
    if (length > 0) std::memcpy(value, start + skip, length);
    value[length] = '\0';
    AssignAnsiText(target, value);
    return static_cast<bool>(target);
}

}  // namespace quenvar
