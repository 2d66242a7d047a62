// A plain text search over the whole header, stepping a character at a time so that a
// double-byte character is never split by a match.
#include "component/HeaderValue.h"

#include "component/AnsiText.h"
#include "module/ModuleBlock.h"

#include <cstring>

namespace quenvar {
namespace {

const char* FindText(const char* text, const char* pattern)
{
    const std::size_t length = static_cast<std::size_t>(lstrlenA(pattern));
    for (const char* p = text; *p != '\0'; p = CharNextA(p)) {
        if ((length == 0 || *p == *pattern) && std::strncmp(p, pattern, length) == 0) return p;
    }
    return nullptr;
}

const char* FindCharacter(const char* text, char wanted)
{
    for (const char* p = text; *p != '\0'; p = CharNextA(p)) {
        if (*p == wanted) return p;
    }
    return nullptr;
}

}  // namespace

bool ExtractHeaderValue(const char* prefix, const char* text, UniqueBstr& target, char endCharacter) noexcept
{
    const char* start = text;
    std::size_t skip = 0;
    if (prefix != nullptr) {
        start = FindText(text, prefix);
        if (start == nullptr) return true;
        skip = static_cast<std::size_t>(lstrlenA(prefix)) + 1;
    }
    const char* end = FindCharacter(start, endCharacter);
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
