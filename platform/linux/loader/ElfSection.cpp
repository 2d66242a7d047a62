// The section-header walk behind LoadLibraryExA as a data file. Every offset, count and size
// read from the file is checked against the file's size before anything is read through it.
#include "linux/loader/ElfSection.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <elf.h>
#include <unistd.h>

namespace quenvar::platform {
namespace {

static_assert(std::endian::native == std::endian::little, "ELF fields are read in host order");

struct Elf32 {
    using Header = Elf32_Ehdr;
    using Section = Elf32_Shdr;
};
struct Elf64 {
    using Header = Elf64_Ehdr;
    using Section = Elf64_Shdr;
};

// Reads exactly `size` bytes at `offset`, which the caller has checked lie inside the file.
bool ReadExactly(int descriptor, std::size_t offset, void* buffer, std::size_t size)
{
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::pread(descriptor, out, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        offset += static_cast<std::size_t>(got);
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool InsideFile(std::uint64_t offset, std::uint64_t size, std::size_t fileSize)
{
    return offset <= fileSize && size <= fileSize - offset;
}

class ElfReader {
public:
    ElfReader(int descriptor, std::size_t fileSize) : descriptor_(descriptor), fileSize_(fileSize) {}

    template <typename Class>
    ElfSectionResult Find(std::string_view name, std::vector<BYTE>& contents)
    {
        typename Class::Header header;
        if (!InsideFile(0, sizeof header, fileSize_)) return ElfSectionResult::Malformed;
        if (!ReadExactly(descriptor_, 0, &header, sizeof header)) return ElfSectionResult::ReadFailed;
        if (header.e_shoff == 0) return ElfSectionResult::Missing;
        if (header.e_shentsize < sizeof(typename Class::Section)) return ElfSectionResult::Malformed;

        // Section 0 holds the real count and string-table index when they do not fit the header.
        typename Class::Section first;
        ElfSectionResult result = ReadSection<Class>(header, 0, first);
        if (result != ElfSectionResult::Found) return result;
        const std::uint64_t count = header.e_shnum != 0 ? header.e_shnum : first.sh_size;
        const std::uint64_t namesIndex = header.e_shstrndx != SHN_XINDEX ? header.e_shstrndx : first.sh_link;
        if (count > (fileSize_ - header.e_shoff) / header.e_shentsize) return ElfSectionResult::Malformed;
        if (namesIndex >= count) return ElfSectionResult::Malformed;

        typename Class::Section namesSection;
        result = ReadSection<Class>(header, namesIndex, namesSection);
        if (result != ElfSectionResult::Found) return result;
        std::vector<BYTE> names;
        result = ReadContents(namesSection.sh_type, namesSection.sh_offset, namesSection.sh_size, names);
        if (result != ElfSectionResult::Found) return result;

        for (std::uint64_t index = 0; index < count; ++index) {
            typename Class::Section section;
            result = ReadSection<Class>(header, index, section);
            if (result != ElfSectionResult::Found) return result;
            if (section.sh_name >= names.size()) return ElfSectionResult::Malformed;
            const auto* text = reinterpret_cast<const char*>(names.data()) + section.sh_name;
            const std::size_t length = strnlen(text, names.size() - section.sh_name);
            if (length == names.size() - section.sh_name) return ElfSectionResult::Malformed;
            if (std::string_view(text, length) == name) {
                return ReadContents(section.sh_type, section.sh_offset, section.sh_size, contents);
            }
        }
        return ElfSectionResult::Missing;
    }

private:
    // `index` is 0 or below the count checked against the file's size, so the offset cannot wrap.
    template <typename Class>
    ElfSectionResult ReadSection(const typename Class::Header& header, std::uint64_t index,
                                 typename Class::Section& section)
    {
        const std::uint64_t offset = header.e_shoff + index * header.e_shentsize;
        if (!InsideFile(offset, sizeof section, fileSize_)) return ElfSectionResult::Malformed;
        return ReadExactly(descriptor_, offset, &section, sizeof section) ? ElfSectionResult::Found
                                                                          : ElfSectionResult::ReadFailed;
    }

    // A section without bytes in the file (SHT_NOBITS) cannot hold what a caller looks for.
    ElfSectionResult ReadContents(std::uint32_t type, std::uint64_t offset, std::uint64_t size,
                                  std::vector<BYTE>& contents)
    {
        if (type == SHT_NOBITS || !InsideFile(offset, size, fileSize_)) return ElfSectionResult::Malformed;
        contents.resize(size);
        return ReadExactly(descriptor_, offset, contents.data(), size) ? ElfSectionResult::Found
                                                                       : ElfSectionResult::ReadFailed;
    }

    int descriptor_;
    std::size_t fileSize_;
};

}  // namespace

ElfSectionResult ReadElfSection(int descriptor, std::size_t fileSize, std::string_view name,
                                std::vector<BYTE>& contents)
{
    unsigned char ident[EI_NIDENT];
    if (fileSize < sizeof ident) return ElfSectionResult::Malformed;
    if (!ReadExactly(descriptor, 0, ident, sizeof ident)) return ElfSectionResult::ReadFailed;
    if (std::memcmp(ident, ELFMAG, SELFMAG) != 0 || ident[EI_DATA] != ELFDATA2LSB) {
        return ElfSectionResult::Malformed;
    }
    ElfReader reader(descriptor, fileSize);
    switch (ident[EI_CLASS]) {
    case ELFCLASS32: return reader.Find<Elf32>(name, contents);
    case ELFCLASS64: return reader.Find<Elf64>(name, contents);
    default: return ElfSectionResult::Malformed;
    }
}

}  // namespace quenvar::platform
