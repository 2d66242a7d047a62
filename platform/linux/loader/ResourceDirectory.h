// The entries of a compiled resource file (.res): a reader that trusts no offset or size in it,
// and the matching of resource names and types.
#pragma once

#include "platform/Win32.h"

#include <span>
#include <string>
#include <vector>

namespace quenvar::platform {

// An integer id or a name; names are kept upper-cased, as the resource compiler stores them.
struct ResourceId {
    bool isInteger = true;
    WORD integer = 0;
    std::u16string name;

    bool operator==(const ResourceId&) const = default;
};

struct ResourceEntry {
    ResourceId type;
    ResourceId name;
    WORD language;
    std::size_t dataOffset;  // from the start of the .res bytes
    DWORD dataSize;
};

// false when an entry header or its data reaches past the end of `bytes`, or the file ends
// inside an entry; `entries` is then left empty. The leading empty entry is not listed.
bool ParseResourceFile(std::span<const BYTE> bytes, std::vector<ResourceEntry>& entries);

// A resource name or type as the Win32 calls take it: MAKEINTRESOURCEA(id), "#id" or a name in
// the ANSI code page. false when the text cannot be converted.
bool ResourceIdFromArgument(LPCSTR argument, ResourceId& id);

}  // namespace quenvar::platform
