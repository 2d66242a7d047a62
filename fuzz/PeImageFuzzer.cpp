// The PE reader of the platform's loader on arbitrary bytes: it must refuse with a reason or give
// a layout whose every copy and write stays inside the file and the image, and resources whose
// data lies in the file, as the loader and the resource calls rely on.
#include "linux/loader/PeImage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using quenvar::platform::PeImage;
using quenvar::platform::ReadPeImage;
using quenvar::platform::ReadPeResources;
using quenvar::platform::ResourceEntry;

namespace {

bool Inside(std::uint64_t offset, std::uint64_t size, std::uint64_t bound)
{
    return offset <= bound && bound - offset >= size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string error;
    std::vector<ResourceEntry> resources;
    if (ReadPeResources({data, size}, resources, &error)) {
        for (const ResourceEntry& entry : resources) {
            if (!Inside(entry.dataOffset, entry.dataSize, size)) __builtin_trap();
        }
    } else if (error.empty()) {
        __builtin_trap();
    }
    error.clear();
    const std::optional<PeImage> image = ReadPeImage({data, size}, &error);
    if (!image) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    if (!Inside(0, image->headerSize, size) || !Inside(0, image->headerSize, image->imageSize)) __builtin_trap();
    if (!Inside(image->entryPoint, 1, image->imageSize)) __builtin_trap();
    for (const auto& section : image->sections) {
        if (!Inside(section.fileOffset, section.fileSize, size)) __builtin_trap();
        if (!Inside(section.address, section.size, image->imageSize) || section.fileSize > section.size)
            __builtin_trap();
    }
    for (std::uint32_t address : image->relocations) {
        if (!Inside(address, image->pointerSize, image->imageSize)) __builtin_trap();
    }
    for (const auto& import : image->imports) {
        if (!Inside(import.slot, image->pointerSize, image->imageSize)) __builtin_trap();
    }
    for (const auto& entry : image->exports) {
        if (!Inside(entry.address, 1, image->imageSize)) __builtin_trap();
    }
    return 0;
}
