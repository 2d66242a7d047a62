// The module resource reader. The input's first byte picks what the rest is: even, the bytes of a
// compiled resource file (.res), carried in the ".rsrc" section of a small ELF file made around
// them; odd, a whole module file. The file is loaded as data, and every resource the .res names
// (and a few usual ones) is found, loaded and read to the end of its declared size.
#include "platform/UniqueHandle.h"
#include "platform/Win32.h"

#include "InputFile.h"

#include <elf.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

volatile std::uint32_t sink;

// A 64-bit ELF file whose only sections are ".rsrc" holding `resources` and the section names.
Bytes ElfAround(const std::uint8_t* resources, std::size_t size)
{
    static constexpr char kNames[] = "\0.rsrc\0.shstrtab";
    Elf64_Ehdr header{};
    std::memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = ELFCLASS64;
    header.e_ident[EI_DATA] = ELFDATA2LSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_type = ET_DYN;
    header.e_machine = EM_X86_64;
    header.e_version = EV_CURRENT;
    header.e_ehsize = sizeof header;
    header.e_shentsize = sizeof(Elf64_Shdr);
    header.e_shnum = 3;
    header.e_shstrndx = 2;
    const std::size_t namesOffset = sizeof header;
    const std::size_t dataOffset = namesOffset + sizeof kNames;
    header.e_shoff = (dataOffset + size + 7) & ~std::size_t{7};

    Elf64_Shdr sections[3]{};
    sections[1].sh_name = 1;
    sections[1].sh_type = SHT_PROGBITS;
    sections[1].sh_offset = dataOffset;
    sections[1].sh_size = size;
    sections[2].sh_name = 7;
    sections[2].sh_type = SHT_STRTAB;
    sections[2].sh_offset = namesOffset;
    sections[2].sh_size = sizeof kNames;

    Bytes file(header.e_shoff + sizeof sections);
    std::memcpy(file.data(), &header, sizeof header);
    std::memcpy(file.data() + namesOffset, kNames, sizeof kNames);
    if (size > 0) std::memcpy(file.data() + dataOffset, resources, size);
    std::memcpy(file.data() + header.e_shoff, sections, sizeof sections);
    return file;
}

// A resource type or name as FindResourceA takes it: "#id" for a number, else the name, which
// the reader compares in the ANSI code page.
using ResourceArgument = std::string;

// Reads one type or name field of a .res entry header at `at`; false when it runs past `end`.
bool ReadIdField(const std::uint8_t* bytes, std::size_t end, std::size_t& at, ResourceArgument& out)
{
    auto unit = [&](std::size_t offset) { return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8); };
    if (at + 2 > end) return false;
    if (unit(at) == 0xFFFF) {
        if (at + 4 > end) return false;
        out = "#" + std::to_string(unit(at + 2));
        at += 4;
        return true;
    }
    out.clear();
    for (; at + 2 <= end; at += 2) {
        const std::uint16_t character = unit(at);
        if (character == 0) {
            at += 2;
            return true;
        }
        out.push_back(static_cast<char>(character < 0x80 ? character : '?'));
    }
    return false;
}

// The types and names the entries of a .res claim, read as loosely as a hostile file allows.
std::vector<std::pair<ResourceArgument, ResourceArgument>> ClaimedResources(const std::uint8_t* bytes, std::size_t size)
{
    std::vector<std::pair<ResourceArgument, ResourceArgument>> claimed;
    std::size_t at = 0;
    while (at + 8 <= size && claimed.size() < 64) {
        std::uint32_t dataSize = 0, headerSize = 0;
        std::memcpy(&dataSize, bytes + at, 4);
        std::memcpy(&headerSize, bytes + at + 4, 4);
        const std::size_t end = std::min<std::size_t>(size, at + headerSize);
        std::size_t field = at + 8;
        ResourceArgument type, name;
        if (ReadIdField(bytes, end, field, type) && ReadIdField(bytes, end, field, name)) {
            claimed.emplace_back(type, name);
        }
        const std::uint64_t next = (at + std::uint64_t{headerSize} + 3) / 4 * 4 + (std::uint64_t{dataSize} + 3) / 4 * 4;
        if (headerSize < 8 || next > size) break;
        at = static_cast<std::size_t>(next);
    }
    return claimed;
}

void ReadResource(HMODULE module, LPCSTR name, LPCSTR type)
{
    const HRSRC resource = FindResourceA(module, name, type);
    if (resource == nullptr) return;
    const HGLOBAL loaded = LoadResource(module, resource);
    const auto* data = static_cast<const std::uint8_t*>(LockResource(loaded));
    const DWORD size = SizeofResource(module, resource);
    if (data == nullptr) return;
    std::uint32_t sum = 0;
    for (DWORD i = 0; i < size; ++i) sum += data[i];
    sink = sink + sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const bool wholeModule = (data[0] & 1) != 0;
    const Bytes file = wholeModule ? Bytes(data + 1, data + size) : ElfAround(data + 1, size - 1);
    const InputFile input(file.data(), file.size());
    if (input.Path().empty()) return 0;
    const quenvar::UniqueModule module(LoadLibraryExA(input.Path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return 0;

    if (!wholeModule) {
        for (const auto& [type, name] : ClaimedResources(data + 1, size - 1)) {
            ReadResource(module.get(), name.c_str(), type.c_str());
        }
    }
    ReadResource(module.get(), MAKEINTRESOURCEA(101), "REGISTRY");
    ReadResource(module.get(), MAKEINTRESOURCEA(1), "TYPELIB");
    ReadResource(module.get(), MAKEINTRESOURCEA(1), RT_VERSION);
    ReadResource(module.get(), MAKEINTRESOURCEA(1), RT_STRING);
    return 0;
}
