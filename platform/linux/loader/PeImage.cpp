#include "linux/loader/PeImage.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace quenvar::platform {
namespace {

constexpr std::uint16_t kFileDll = 0x2000;
constexpr std::uint16_t kMagicPe32 = 0x10B;
constexpr std::uint16_t kMagicPe32Plus = 0x20B;
constexpr std::uint32_t kDirectoryExport = 0;
constexpr std::uint32_t kDirectoryImport = 1;
constexpr std::uint32_t kDirectoryResource = 2;
constexpr std::uint32_t kDirectoryRelocation = 5;
constexpr std::uint16_t kRelocationNone = 0;
constexpr std::uint16_t kRelocationHighLow = 3;
constexpr std::uint16_t kRelocationDir64 = 10;
// A resource tree has three levels (type, name, language); more entries than any DLL of ours
// has by far means a tree whose directories share children to multiply them.
constexpr std::size_t kMaxResources = 4096;
constexpr std::uint32_t kResourceSubdirectory = 0x80000000;
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
        if ((section.characteristics & kSectionExecute) != 0 && (section.characteristics & kSectionWrite) != 0) {
            throw Malformed("section " + std::to_string(i + 1) + " is both writable and executable");
        }
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
            const std::uint16_t expected = image.pointerSize == 8 ? kRelocationDir64 : kRelocationHighLow;
            if (type != expected) throw Malformed("relocation type " + std::to_string(type) + " is not the machine's");
            const std::uint64_t target = std::uint64_t{page} + (value & 0xFFF);
            reader.RequireInImage(target, image.pointerSize, "a relocated address");
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
        const std::uint32_t width = image.pointerSize;
        const std::uint64_t byOrdinal = 1ULL << (8 * width - 1);
        for (std::uint64_t i = 0;; ++i) {
            const std::uint64_t entry = width == 8 ? reader.At<std::uint64_t>(names + 8 * i, "an import lookup entry")
                                                   : reader.At<std::uint32_t>(names + 4 * i, "an import lookup entry");
            if (entry == 0) break;
            if (entry & byOrdinal) throw Malformed("an import from " + dll + " is by ordinal");
            const std::uint64_t slot = slots + width * i;
            reader.RequireInImage(slot, width, "an import address slot");
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

// The resource tree under the directory at `root` (an image address): type, name and language
// levels, each data entry's bytes found in the file.
class ResourceTreeReader {
public:
    ResourceTreeReader(const ImageReader& reader, std::uint64_t root) : reader_(reader), root_(root) {}

    void Read(std::vector<ResourceEntry>& entries)
    {
        ResourceEntry entry{};
        ReadLevel(0, 0, entry, entries);
    }

private:
    void ReadLevel(std::uint64_t directory, int level, ResourceEntry& entry, std::vector<ResourceEntry>& entries)
    {
        const std::uint64_t at = root_ + directory;
        const std::uint32_t count = std::uint32_t{reader_.At<std::uint16_t>(at + 12, "a resource directory")} +
                                    reader_.At<std::uint16_t>(at + 14, "a resource directory");
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint64_t item = at + 16 + 8ULL * i;
            const auto id = reader_.At<std::uint32_t>(item, "a resource directory entry");
            const auto target = reader_.At<std::uint32_t>(item + 4, "a resource directory entry");
            const bool subdirectory = (target & kResourceSubdirectory) != 0;
            if (subdirectory != (level < 2)) throw Malformed("the resource tree is not three levels deep");
            if (level == 0) entry.type = Id(id);
            if (level == 1) entry.name = Id(id);
            if (level == 2) entry.language = static_cast<WORD>(id);
            if (subdirectory) {
                ReadLevel(target & ~kResourceSubdirectory, level + 1, entry, entries);
                continue;
            }
            if (entries.size() == kMaxResources) throw Malformed("the resource tree has too many entries");
            const auto address = reader_.At<std::uint32_t>(root_ + target, "a resource data entry");
            entry.dataSize = reader_.At<std::uint32_t>(root_ + target + 4, "a resource data entry");
            entry.dataOffset = reader_.Offset(address, entry.dataSize, "a resource's data");
            entries.push_back(entry);
        }
    }

    // An integer id, or a name: a counted UTF-16 string at an offset from the tree's root.
    ResourceId Id(std::uint32_t value) const
    {
        ResourceId id;
        if ((value & kResourceSubdirectory) == 0) {
            if (value > 0xFFFF) throw Malformed("a resource id is out of range");
            id.integer = static_cast<WORD>(value);
            return id;
        }
        id.isInteger = false;
        const std::uint64_t name = root_ + (value & ~kResourceSubdirectory);
        const auto length = reader_.At<std::uint16_t>(name, "a resource name");
        for (std::uint32_t i = 0; i < length; ++i) {
            const auto unit = reader_.At<char16_t>(name + 2 + 2ULL * i, "a resource name");
            id.name.push_back(unit >= u'a' && unit <= u'z' ? unit - (u'a' - u'A') : unit);
        }
        return id;
    }

    const ImageReader& reader_;
    std::uint64_t root_;
};

struct Headers {
    PeImage image;
    std::uint64_t directories = 0;  // the file offset of the data directories
    std::uint32_t directoryCount = 0;
};

Headers ReadHeaders(const Reader& file)
{
    if (file.At<std::uint16_t>(0, "the DOS header") != 0x5A4D) throw Malformed("no MZ signature");
    const std::uint64_t header = file.At<std::uint32_t>(0x3C, "the DOS header");
    if (file.At<std::uint32_t>(header, "the PE signature") != 0x00004550) throw Malformed("no PE signature");
    Headers headers;
    PeImage& image = headers.image;
    image.machine = file.At<std::uint16_t>(header + 4, "the file header");
    const auto sectionCount = file.At<std::uint16_t>(header + 6, "the file header");
    const auto optionalSize = file.At<std::uint16_t>(header + 20, "the file header");
    if ((file.At<std::uint16_t>(header + 22, "the file header") & kFileDll) == 0) throw Malformed("not a DLL");

    const std::uint64_t optional = header + 24;
    const auto magic = file.At<std::uint16_t>(optional, "the optional header");
    if (image.machine == kMachineAmd64 && magic == kMagicPe32Plus) {
        image.pointerSize = 8;
        image.preferredBase = file.At<std::uint64_t>(optional + 24, "the optional header");
    } else if (image.machine == kMachineI386 && magic == kMagicPe32) {
        image.pointerSize = 4;
        image.preferredBase = file.At<std::uint32_t>(optional + 28, "the optional header");
    } else {
        throw Malformed("neither an x86 nor an x64 image");
    }
    // The data directories follow 96 bytes of fields in PE32, 112 in PE32+.
    const std::uint64_t fields = image.pointerSize == 8 ? 112 : 96;
    image.entryPoint = file.At<std::uint32_t>(optional + 16, "the optional header");
    const auto sectionAlignment = file.At<std::uint32_t>(optional + 32, "the optional header");
    image.imageSize = file.At<std::uint32_t>(optional + 56, "the optional header");
    image.headerSize = file.At<std::uint32_t>(optional + 60, "the optional header");
    headers.directoryCount = file.At<std::uint32_t>(optional + fields - 4, "the optional header");
    headers.directories = optional + fields;
    if (sectionAlignment % 4096 != 0 || sectionAlignment == 0) throw Malformed("sections are not page-aligned");
    if (image.imageSize == 0 || image.imageSize > kMaxPeBytes) throw Malformed("the image size is implausible");
    if (image.headerSize > image.imageSize || image.headerSize > file.Size()) {
        throw Malformed("the headers are larger than the image or the file");
    }
    if (std::uint64_t{optionalSize} < fields + 8ULL * std::min<std::uint32_t>(headers.directoryCount, 16)) {
        throw Malformed("the optional header is too small for its directories");
    }
    ReadSections(file, optional + optionalSize, sectionCount, image);
    return headers;
}

Directory DirectoryOf(const Reader& file, const Headers& headers, std::uint32_t index)
{
    if (index >= headers.directoryCount) return Directory{0, 0};
    const std::uint64_t entry = headers.directories + 8ULL * index;
    return Directory{file.At<std::uint32_t>(entry, "a data directory"),
                     file.At<std::uint32_t>(entry + 4, "a data directory")};
}

PeImage Read(const Reader& file)
{
    Headers headers = ReadHeaders(file);
    PeImage& image = headers.image;
    ImageReader reader(file, image);
    reader.RequireInImage(image.entryPoint, 1, "the entry point");
    ReadRelocations(reader, DirectoryOf(file, headers, kDirectoryRelocation), image);
    ReadImports(reader, DirectoryOf(file, headers, kDirectoryImport), image);
    ReadExports(reader, DirectoryOf(file, headers, kDirectoryExport), image);
    return std::move(image);
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

bool ReadPeResources(std::span<const std::uint8_t> bytes, std::vector<ResourceEntry>& entries, std::string* error)
{
    entries.clear();
    try {
        const Reader file(bytes);
        Headers headers = ReadHeaders(file);
        const Directory resources = DirectoryOf(file, headers, kDirectoryResource);
        if (resources.size == 0) return true;
        ImageReader reader(file, headers.image);
        ResourceTreeReader(reader, resources.address).Read(entries);
        return true;
    } catch (const Malformed& malformed) {
        entries.clear();
        *error = malformed.what();
        return false;
    }
}

}  // namespace quenvar::platform
