// Reads the entry headers of a .res file. Every offset and size in it is checked against the end
// of the bytes before it is used: the bytes come from a file that anyone may have written.
#include "linux/loader/ResourceDirectory.h"

#include <cstring>

namespace quenvar::platform {
namespace {

constexpr std::size_t kSizeFields = 8;  // DataSize, HeaderSize
constexpr std::size_t kTrailer = 16;    // DataVersion, MemoryFlags, LanguageId, Version, Characteristics
constexpr std::size_t kLanguageOffset = 6;
constexpr char16_t kIntegerMarker = 0xFFFF;

std::size_t AlignToDword(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

template <typename T>
T ReadAt(std::span<const BYTE> bytes, std::size_t offset)
{
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

char16_t UpperCase(char16_t unit) { return unit >= u'a' && unit <= u'z' ? unit - (u'a' - u'A') : unit; }

// Reads a TYPE or NAME field that must end before `end`; answers the offset behind it, or 0.
std::size_t ReadId(std::span<const BYTE> bytes, std::size_t offset, std::size_t end, ResourceId& id)
{
    if (end - offset < sizeof(char16_t)) return 0;
    if (ReadAt<char16_t>(bytes, offset) == kIntegerMarker) {
        if (end - offset < 2 * sizeof(char16_t)) return 0;
        id = ResourceId{true, ReadAt<WORD>(bytes, offset + sizeof(char16_t)), {}};
        return offset + 2 * sizeof(char16_t);
    }
    id = ResourceId{false, 0, {}};
    for (std::size_t position = offset; end - position >= sizeof(char16_t); position += sizeof(char16_t)) {
        const char16_t unit = ReadAt<char16_t>(bytes, position);
        if (unit == u'\0') return position + sizeof(char16_t);
        id.name.push_back(UpperCase(unit));
    }
    return 0;
}

// Parses the entry at `offset`; answers the offset of the next one, or 0 when it is malformed.
std::size_t ReadEntry(std::span<const BYTE> bytes, std::size_t offset, ResourceEntry& entry)
{
    const std::size_t left = bytes.size() - offset;
    if (left < kSizeFields) return 0;
    const DWORD dataSize = ReadAt<DWORD>(bytes, offset);
    const DWORD headerSize = ReadAt<DWORD>(bytes, offset + sizeof(DWORD));
    if (headerSize < kSizeFields + kTrailer || headerSize > left) return 0;
    const std::size_t headerEnd = offset + headerSize;
    if (dataSize > bytes.size() - headerEnd) return 0;

    const std::size_t idsEnd = headerEnd - kTrailer;
    const std::size_t afterType = ReadId(bytes, offset + kSizeFields, idsEnd, entry.type);
    if (afterType == 0) return 0;
    const std::size_t afterName = ReadId(bytes, afterType, idsEnd, entry.name);
    if (afterName == 0) return 0;
    const std::size_t trailer = offset + AlignToDword(afterName - offset);
    if (trailer > idsEnd) return 0;

    entry.language = ReadAt<WORD>(bytes, trailer + kLanguageOffset);
    entry.dataOffset = headerEnd;
    entry.dataSize = dataSize;
    return AlignToDword(headerEnd + dataSize);
}

bool IsEmptyEntry(const ResourceEntry& entry)
{
    return entry.dataSize == 0 && entry.type.isInteger && entry.type.integer == 0;
}

bool ParseInteger(LPCSTR digits, WORD& value)
{
    if (*digits == '\0') return false;
    DWORD number = 0;
    for (; *digits != '\0'; ++digits) {
        if (*digits < '0' || *digits > '9') return false;
        number = number * 10 + static_cast<DWORD>(*digits - '0');
        if (number > 0xFFFF) return false;
    }
    value = static_cast<WORD>(number);
    return true;
}

}  // namespace

bool ParseResourceFile(std::span<const BYTE> bytes, std::vector<ResourceEntry>& entries)
{
    entries.clear();
    for (std::size_t offset = 0; offset < bytes.size();) {
        ResourceEntry entry;
        const std::size_t next = ReadEntry(bytes, offset, entry);
        if (next == 0) {
            entries.clear();
            return false;
        }
        if (!IsEmptyEntry(entry)) entries.push_back(std::move(entry));
        offset = next;
    }
    return true;
}

bool ResourceIdFromArgument(LPCSTR argument, ResourceId& id)
{
    if (IS_INTRESOURCE(argument)) {
        id = ResourceId{true, LOWORD(reinterpret_cast<ULONG_PTR>(argument)), {}};
        return true;
    }
    WORD integer = 0;
    if (argument[0] == '#' && ParseInteger(argument + 1, integer)) {
        id = ResourceId{true, integer, {}};
        return true;
    }
    const int units = MultiByteToWideChar(CP_ACP, 0, argument, -1, nullptr, 0);
    if (units <= 0) return false;
    std::u16string name(static_cast<std::size_t>(units), u'\0');
    if (MultiByteToWideChar(CP_ACP, 0, argument, -1, name.data(), units) != units) return false;
    name.pop_back();
    for (char16_t& unit : name) unit = UpperCase(unit);
    id = ResourceId{false, 0, std::move(name)};
    return true;
}

}  // namespace quenvar::platform
