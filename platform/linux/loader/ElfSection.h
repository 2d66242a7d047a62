// Finds a named section of an ELF file through its section headers, reading the file as data.
#pragma once

#include "platform/Win32.h"

#include <string_view>
#include <vector>

namespace quenvar::platform {

enum class ElfSectionResult {
    Found,
    Missing,    // a well-formed file without that section
    Malformed,  // not ELF, or a header, table or section reaching past the end of the file
    ReadFailed,
};

// `fileSize` is the size of the open file `descriptor`; the section's bytes go to `contents`.
// Little-endian ELF of either class.
ElfSectionResult ReadElfSection(int descriptor, std::size_t fileSize, std::string_view name,
                                std::vector<BYTE>& contents);

}  // namespace quenvar::platform
