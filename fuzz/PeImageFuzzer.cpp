// The PE reader of the Windows DLL loader on arbitrary bytes: it must refuse with a reason or
// give a layout whose every copy and write stays inside the file and the image, as the loader
// relies on.
#include "tests/windows/PeImage.h"

#include <cstddef>
#include <cstdint>
#include <string>

using quenvar::testing::PeImage;
using quenvar::testing::ReadPeImage;

namespace {

bool Inside(std::uint64_t offset, std::uint64_t size, std::uint64_t bound)
{
    return offset <= bound && bound - offset >= size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string error;
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
        if (!Inside(address, 8, image->imageSize)) __builtin_trap();
    }
    for (const auto& import : image->imports) {
        if (!Inside(import.slot, 8, image->imageSize)) __builtin_trap();
    }
    for (const auto& entry : image->exports) {
        if (!Inside(entry.address, 1, image->imageSize)) __builtin_trap();
    }
    return 0;
}
