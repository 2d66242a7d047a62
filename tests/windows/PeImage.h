// The layout of an x64 Windows DLL as a loader needs it: where its sections go, which words to
// relocate, which functions it imports into which slots, and what it exports. Read from the
// file's bytes with every offset and size checked, so that a damaged file is refused, never
// followed out of bounds.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quenvar::testing {

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
    std::uint64_t preferredBase = 0;
    std::uint32_t imageSize = 0;
    std::uint32_t headerSize = 0;
    std::uint32_t entryPoint = 0;
    std::vector<PeSection> sections;
    std::vector<std::uint32_t> relocations;  // 64-bit absolute addresses to move by the load offset
    std::vector<PeImport> imports;
    std::vector<PeExport> exports;
};

// The layout of an x64 DLL, or nothing with *error saying what is wrong with the bytes.
std::optional<PeImage> ReadPeImage(std::span<const std::uint8_t> file, std::string* error);

}  // namespace quenvar::testing
