#include "tests/windows/PeImage.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace quenvar::testing {
namespace {

constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kFileDll = 0x2000;
constexpr std::uint16_t kMagicPe32Plus = 0x20B;
constexpr std::uint32_t kDirectoryExport = 0;
constexpr std::uint32_t kDirectoryImport = 1;
constexpr std::uint32_t kDirectoryRelocation = 5;
constexpr std::uint16_t kRelocationNone = 0;
constexpr std::uint16_t kRelocationDir64 = 10;
constexpr std::uint64_t kImportByOrdinal = 1ULL << 63;
// Larger than any DLL of ours by far; keeps a damaged size field from asking for gigabytes.
constexpr std::uint32_t kMaxImageSize = 64u << 20;
constexpr std::size_t kMaxNameLength = 256;

struct Malformed : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> file) : file_(file) {}

    template <typename T>
    T At(std::uint64_t offset, const char* what) const
    {
        if (offset > file_.size() || file_.size() - offset < sizeof(T)) {
            throw Malformed(std::string(what) + " lies beyond the end of the file");
        }
        T value;
        std::memcpy(&value, file_.data() + offset, sizeof(T));
        return value;
    }

    std::uint64_t Size() const { return file_.size(); }

    // A NUL-terminated name at a file offset.
    std::string NameAt(std::uint64_t offset, const char* what) const
    {
        std::string name;
        for (;;) {
            const char c = At<char>(offset + name.size(), what);
            if (c == '\0') return name;
            if (name.size() == kMaxNameLength) throw Malformed(std::string(what) + " is not terminated");
            name.push_back(c);
        }
    }

private:
    std::span<const std::uint8_t> file_;
};

class ImageReader {
public:
    ImageReader(const Reader& file, PeImage& image) : file_(file), image_(image) {}

    // The file offset of `size` bytes at an address of the image, which must lie in one section's
    // file data.
    std::uint64_t Offset(std::uint64_t address, std::uint64_t size, const char* what) const
    {
        for (const PeSection& section : image_.sections) {
            if (address >= section.address && address - section.address < section.fileSize &&
                section.fileSize - (address - section.address) >= size) {
                return section.fileOffset + (address - section.address);
            }
        }
        throw Malformed(std::string(what) + " lies outside the file data of the sections");
    }

    template <typename T>
    T At(std::uint64_t address, const char* what) const
    {
        return file_.At<T>(Offset(address, sizeof(T), what), what);
    }

    std::string NameAt(std::uint64_t address, const char* what) const
    {
        return file_.NameAt(Offset(address, 1, what), what);
    }

    void RequireInImage(std::uint64_t address, std::uint64_t size, const char* what) const
    {
        if (address > image_.imageSize || image_.imageSize - address < size) {
            throw Malformed(std::string(what) + " lies outside the image");
        }
    }

private:
    const Reader& file_;
    PeImage& image_;
};

struct Directory {
    std::uint32_t address;
    std::uint32_t size;
};

void ReadSections(const Reader& file, std::uint64_t table, std::uint16_t count, PeImage& image)
{
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::uint64_t entry = table + 40ULL * i;
        PeSection section{};
        const std::uint32_t virtualSize = file.At<std::uint32_t>(entry + 8, "a section header");
        section.address = file.At<std::uint32_t>(entry + 12, "a section header");
        const std::uint32_t rawSize = file.At<std::uint32_t>(entry + 16, "a section header");
        section.fileOffset = file.At<std::uint32_t>(entry + 20, "a section header");
        section.characteristics = file.At<std::uint32_t>(entry + 36, "a section header");
        section.size = virtualSize != 0 ? virtualSize : rawSize;
        section.fileSize = std::min(rawSize, section.size);
        if (section.fileOffset > file.Size() || file.Size() - section.fileOffset < section.fileSize) {
            throw Malformed("the data of section " + std::to_string(i + 1) + " lies beyond the end of the file");
        }
        if (section.address % 4096 != 0) throw Malformed("section " + std::to_string(i + 1) + " is not page-aligned");
        if (section.address < image.headerSize || section.address > image.imageSize ||
            image.imageSize - section.address < section.size) {
            throw Malformed("section " + std::to_string(i + 1) + " lies outside the image");
        }
        image.sections.push_back(section);
    }
}

void ReadRelocations(const ImageReader& reader, Directory directory, PeImage& image)
{
    std::uint64_t block = directory.address;
    const std::uint64_t end = std::uint64_t{directory.address} + directory.size;
    while (block < end) {
        const auto page = reader.At<std::uint32_t>(block, "a relocation block");
        const auto blockSize = reader.At<std::uint32_t>(block + 4, "a relocation block");
        if (blockSize < 8 || blockSize > end - block) throw Malformed("a relocation block has a bad size");
        for (std::uint64_t entry = block + 8; entry + 2 <= block + blockSize; entry += 2) {
            const auto value = reader.At<std::uint16_t>(entry, "a relocation");
            const std::uint16_t type = value >> 12;
            if (type == kRelocationNone) continue;
            if (type != kRelocationDir64) throw Malformed("relocation type " + std::to_string(type) + " is not x64's");
            const std::uint64_t target = std::uint64_t{page} + (value & 0xFFF);
            reader.RequireInImage(target, 8, "a relocated address");
            image.relocations.push_back(static_cast<std::uint32_t>(target));
        }
        block += blockSize;
    }
}

void ReadImports(const ImageReader& reader, Directory directory, PeImage& image)
{
    if (directory.size == 0) return;
    for (std::uint64_t descriptor = directory.address;; descriptor += 20) {
        const auto lookup = reader.At<std::uint32_t>(descriptor, "an import descriptor");
        const auto dllName = reader.At<std::uint32_t>(descriptor + 12, "an import descriptor");
        const auto slots = reader.At<std::uint32_t>(descriptor + 16, "an import descriptor");
        if (dllName == 0) return;
        const std::string dll = reader.NameAt(dllName, "an imported DLL's name");
        const std::uint64_t names = lookup != 0 ? lookup : slots;
        for (std::uint64_t i = 0;; ++i) {
            const auto entry = reader.At<std::uint64_t>(names + 8 * i, "an import lookup entry");
            if (entry == 0) break;
            if (entry & kImportByOrdinal) throw Malformed("an import from " + dll + " is by ordinal");
            const std::uint64_t slot = slots + 8 * i;
            reader.RequireInImage(slot, 8, "an import address slot");
            image.imports.push_back(
                {dll, reader.NameAt(entry + 2, "an imported function's name"), static_cast<std::uint32_t>(slot)});
        }
    }
}

void ReadExports(const ImageReader& reader, Directory directory, PeImage& image)
{
    if (directory.size == 0) return;
    const auto functionCount = reader.At<std::uint32_t>(directory.address + 20, "the export directory");
    const auto nameCount = reader.At<std::uint32_t>(directory.address + 24, "the export directory");
    const auto functions = reader.At<std::uint32_t>(directory.address + 28, "the export directory");
    const auto names = reader.At<std::uint32_t>(directory.address + 32, "the export directory");
    const auto ordinals = reader.At<std::uint32_t>(directory.address + 36, "the export directory");
    for (std::uint64_t i = 0; i < nameCount; ++i) {
        const auto name = reader.At<std::uint32_t>(names + 4 * i, "an export name");
        const auto ordinal = reader.At<std::uint16_t>(ordinals + 2 * i, "an export ordinal");
        if (ordinal >= functionCount) throw Malformed("an export ordinal is out of range");
        const auto address = reader.At<std::uint32_t>(functions + 4ULL * ordinal, "an export address");
        reader.RequireInImage(address, 1, "an exported function");
        image.exports.push_back({reader.NameAt(name, "an export name"), address});
    }
}

PeImage Read(const Reader& file)
{
    if (file.At<std::uint16_t>(0, "the DOS header") != 0x5A4D) throw Malformed("no MZ signature");
    const std::uint64_t header = file.At<std::uint32_t>(0x3C, "the DOS header");
    if (file.At<std::uint32_t>(header, "the PE signature") != 0x00004550) throw Malformed("no PE signature");
    if (file.At<std::uint16_t>(header + 4, "the file header") != kMachineAmd64) throw Malformed("not an x64 image");
    const auto sectionCount = file.At<std::uint16_t>(header + 6, "the file header");
    const auto optionalSize = file.At<std::uint16_t>(header + 20, "the file header");
    if ((file.At<std::uint16_t>(header + 22, "the file header") & kFileDll) == 0) throw Malformed("not a DLL");

    const std::uint64_t optional = header + 24;
    if (file.At<std::uint16_t>(optional, "the optional header") != kMagicPe32Plus) {
        throw Malformed("the optional header is not PE32+");
    }
    PeImage image;
    image.entryPoint = file.At<std::uint32_t>(optional + 16, "the optional header");
    image.preferredBase = file.At<std::uint64_t>(optional + 24, "the optional header");
    const auto sectionAlignment = file.At<std::uint32_t>(optional + 32, "the optional header");
    image.imageSize = file.At<std::uint32_t>(optional + 56, "the optional header");
    image.headerSize = file.At<std::uint32_t>(optional + 60, "the optional header");
    const auto directoryCount = file.At<std::uint32_t>(optional + 108, "the optional header");
    if (sectionAlignment % 4096 != 0 || sectionAlignment == 0) throw Malformed("sections are not page-aligned");
    if (image.imageSize == 0 || image.imageSize > kMaxImageSize) throw Malformed("the image size is implausible");
    if (image.headerSize > image.imageSize || image.headerSize > file.Size()) {
        throw Malformed("the headers are larger than the image or the file");
    }
    if (std::uint64_t{optionalSize} < 112 + 8ULL * std::min<std::uint32_t>(directoryCount, 16)) {
        throw Malformed("the optional header is too small for its directories");
    }
    const auto directory = [&](std::uint32_t index) {
        if (index >= directoryCount) return Directory{0, 0};
        const std::uint64_t entry = optional + 112 + 8ULL * index;
        return Directory{file.At<std::uint32_t>(entry, "a data directory"),
                         file.At<std::uint32_t>(entry + 4, "a data directory")};
    };

    ReadSections(file, optional + optionalSize, sectionCount, image);
    ImageReader reader(file, image);
    reader.RequireInImage(image.entryPoint, 1, "the entry point");
    ReadRelocations(reader, directory(kDirectoryRelocation), image);
    ReadImports(reader, directory(kDirectoryImport), image);
    ReadExports(reader, directory(kDirectoryExport), image);
    return image;
}

}  // namespace

std::optional<PeImage> ReadPeImage(std::span<const std::uint8_t> file, std::string* error)
{
    try {
        return Read(Reader(file));
    } catch (const Malformed& malformed) {
        *error = malformed.what();
        return std::nullopt;
    }
}

}  // namespace quenvar::testing
