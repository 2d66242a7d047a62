// A plain text search over the whole header, a character at a time, so that a double-byte
// character is never split by a match.
#include "component/HeaderValue.h"

#include "component/AnsiText.h"

namespace quenvar {

bool ExtractHeaderValue(const char* prefix, const HeaderText& text, UniqueBstr& target, char endCharacter) noexcept
{
    char* start = text.begin();
    std::size_t skip = 0;
    if (prefix != nullptr) {
        const std::string_view name(prefix);
        start = text.Find(name);
        if (start == nullptr) return true;
        skip = name.size() + 1;
    }
    char* const end = text.FindCharacter(start, endCharacter);
    if (end == nullptr) return true;
    // An end right after the prefix would leave the skipped byte beyond the value: it is empty.
    const char* value = end - start > static_cast<std::ptrdiff_t>(skip) ? start + skip : end;

    // The value is converted where it stands, ended by a NUL in place of its end character for
    // the time of the conversion: the same text a copy would hold, without a block to copy it to.
    *end = '\0';
    AssignAnsiText(target, value);
    *end = endCharacter;
    return static_cast<bool>(target);
}

}  // namespace quenvar
