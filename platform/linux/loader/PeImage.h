// The layout of a Windows DLL (PE32 for x86, PE32+ for x64) as the loader needs it: where its
// sections go, which words to relocate, which functions it imports into which slots, what it
// exports, and its resources. Read from the file's bytes with every offset and size checked, so
// that a damaged file is refused, never followed out of bounds.
#pragma once

#include "linux/loader/ResourceDirectory.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quenvar::platform {

inline constexpr std::uint16_t kMachineI386 = 0x014C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;
// Section characteristics.
inline constexpr std::uint32_t kSectionExecute = 0x20000000;
inline constexpr std::uint32_t kSectionWrite = 0x80000000;
// Larger than any DLL of ours by far, in the file or in memory: keeps a damaged size field from
// asking for gigabytes, and a bigger file from being read whole.
inline constexpr std::uint32_t kMaxPeBytes = 64u << 20;

// Whether a file starts as every Windows image does ("MZ"), from its first two bytes: how the loader
// tells a DLL from a shared object before reading either.
inline bool StartsLikePeImage(std::span<const std::uint8_t> start)
{
    return start.size() >= 2 && start[0] == 'M' && start[1] == 'Z';
}

struct PeSection {
    std::uint32_t address;  // relative to the image base
    std::uint32_t size;     // in memory
    std::uint32_t fileOffset;
    std::uint32_t fileSize;  // at most size
    std::uint32_t characteristics;
};

struct PeImport {
    std::string dll;
    std::string name;
    std::uint32_t slot;  // the address-table entry to fill, relative to the image base
};

struct PeExport {
    std::string name;
    std::uint32_t address;
};

struct PeImage {
    std::uint16_t machine = 0;
    std::uint32_t pointerSize = 0;  // 4 for PE32, 8 for PE32+: relocated words and import slots
    std::uint64_t preferredBase = 0;
    std::uint32_t imageSize = 0;
    std::uint32_t headerSize = 0;
    std::uint32_t entryPoint = 0;
    std::vector<PeSection> sections;
    std::vector<std::uint32_t> relocations;  // pointer-sized absolute addresses to move by the load offset
    std::vector<PeImport> imports;
    std::vector<PeExport> exports;
};

// The layout of a DLL, or nothing with *error saying what is wrong with the bytes.
std::optional<PeImage> ReadPeImage(std::span<const std::uint8_t> file, std::string* error);

// The resources of a DLL read as data (its headers, sections and resource tree only), each
// entry's data offset counted from the start of the file. false with *error saying what is wrong.
bool ReadPeResources(std::span<const std::uint8_t> file, std::vector<ResourceEntry>& entries, std::string* error);

}  // namespace quenvar::platform
