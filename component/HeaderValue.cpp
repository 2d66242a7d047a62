// A plain text search over the whole header, a character at a time, so that a double-byte
// character is never split by a match.
#include "component/HeaderValue.h"

#include "component/AnsiText.h"

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
    const char* const end = text.FindCharacter(start, endCharacter);
    if (end == nullptr) return true;
    // An end right after the prefix would leave the skipped byte beyond the value: it is empty.
    const char* value = end - start > static_cast<std::ptrdiff_t>(skip) ? start + skip : end;

    // Converted where it stands, with its length: no copy, and no end to write into the text.
    AssignAnsiText(target, std::string_view(value, static_cast<std::size_t>(end - value)));
    return static_cast<bool>(target);
}

}  // namespace quenvar
