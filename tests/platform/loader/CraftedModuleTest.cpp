// Module files written byte by byte: the 32-bit class, extended section numbering, resource
// entries at the limits of their headers, and the ways a section-name table can be broken. Each
// reads as the system's own tools lay such files out, or fails with ERROR_BAD_EXE_FORMAT.
#include "platform/UniqueHandle.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <elf.h>
#include <string>
#include <string_view>
#include <vector>

namespace quenvar {
namespace {

using testing::TempFolder;
using testing::WriteWholeFile;
using Bytes = std::vector<unsigned char>;

template <typename T>
void Append(Bytes& bytes, const T& value)
{
    const auto* raw = reinterpret_cast<const unsigned char*>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof value);
}

void AlignTo(Bytes& bytes, std::size_t alignment)
{
    while (bytes.size() % alignment != 0) bytes.push_back(0);
}

// One entry of a .res file with numeric type and name.
void AppendResource(Bytes& res, WORD type, WORD name, std::string_view data)
{
    Append<DWORD>(res, static_cast<DWORD>(data.size()));
    Append<DWORD>(res, 32);
    for (WORD field : {WORD{0xFFFF}, type, WORD{0xFFFF}, name}) Append(res, field);
    for (int i = 0; i < 4; ++i) Append<DWORD>(res, 0);  // version, flags and language, versions
    res.insert(res.end(), data.begin(), data.end());
    AlignTo(res, 4);
}

// The usual start of a .res file, an entry of type 0 without data, then two resources: RCDATA
// 5 holding "hello" and RCDATA 6 holding nothing.
Bytes SampleResources()
{
    Bytes res;
    AppendResource(res, 0, 0, "");
    AppendResource(res, 10, 5, "hello");
    AppendResource(res, 10, 6, "");
    return res;
}

struct Shape {
    bool extendedNumbering = false;  // section count and name-table index kept in section 0
    bool unterminatedNames = false;  // the last section name runs to the end of its table
    bool namesWithoutBytes = false;  // the name table marked SHT_NOBITS
};

// A relocatable object of the given class with sections null, .shstrtab and .rsrc.
template <typename Header, typename Section>
Bytes BuildModule(unsigned char elfClass, WORD machine, const Bytes& resources, const Shape& shape)
{
    const std::string_view names = shape.unterminatedNames ? std::string_view("\0.shstrtab\0.rsrc", 16)
                                                           : std::string_view("\0.shstrtab\0.rsrc\0", 17);
    Bytes file(sizeof(Header), 0);
    const std::size_t namesOffset = file.size();
    file.insert(file.end(), names.begin(), names.end());
    AlignTo(file, 8);
    const std::size_t resourcesOffset = file.size();
    file.insert(file.end(), resources.begin(), resources.end());
    AlignTo(file, 8);
    const std::size_t tableOffset = file.size();

    Section null{};
    if (shape.extendedNumbering) {
        null.sh_size = 3;
        null.sh_link = 1;
    }
    Section nameTable{};
    nameTable.sh_name = 1;
    nameTable.sh_type = shape.namesWithoutBytes ? SHT_NOBITS : SHT_STRTAB;
    nameTable.sh_offset = namesOffset;
    nameTable.sh_size = names.size();
    Section resourceSection{};
    resourceSection.sh_name = 11;
    resourceSection.sh_type = SHT_PROGBITS;
    resourceSection.sh_offset = resourcesOffset;
    resourceSection.sh_size = resources.size();
    for (const Section& section : {null, nameTable, resourceSection}) Append(file, section);

    Header header{};
    std::memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = elfClass;
    header.e_ident[EI_DATA] = ELFDATA2LSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_type = ET_REL;
    header.e_machine = machine;
    header.e_version = EV_CURRENT;
    header.e_shoff = tableOffset;
    header.e_ehsize = sizeof(Header);
    header.e_shentsize = sizeof(Section);
    header.e_shnum = shape.extendedNumbering ? 0 : 3;
    header.e_shstrndx = shape.extendedNumbering ? SHN_XINDEX : 1;
    std::memcpy(file.data(), &header, sizeof header);
    return file;
}

Bytes Module32(const Bytes& resources, const Shape& shape = {})
{
    return BuildModule<Elf32_Ehdr, Elf32_Shdr>(ELFCLASS32, EM_386, resources, shape);
}

Bytes Module64(const Bytes& resources, const Shape& shape = {})
{
    return BuildModule<Elf64_Ehdr, Elf64_Shdr>(ELFCLASS64, EM_X86_64, resources, shape);
}

class CraftedModule : public ::testing::Test {
protected:
    // Writes `bytes` and loads them as a data file; the last error when that fails.
    UniqueModule Load(const Bytes& bytes, DWORD* error = nullptr)
    {
        WriteWholeFile(path, bytes);
        SetLastError(0);
        UniqueModule module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (error != nullptr) *error = GetLastError();
        return module;
    }

    std::string Resource(HMODULE module, WORD name)
    {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(name), RT_RCDATA);
        if (found == nullptr) return "<missing>";
        const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
        return std::string(data, SizeofResource(module, found));
    }

    TempFolder folder;
    const std::string path = folder.File("crafted.so");
};

TEST_F(CraftedModule, BothClassesAndExtendedNumberingReadTheSameResources)
{
    const Bytes res = SampleResources();
    const struct {
        const char* label;
        Bytes file;
    } modules[] = {
        {"32-bit", Module32(res)},
        {"64-bit", Module64(res)},
        {"32-bit, extended numbering", Module32(res, {.extendedNumbering = true})},
        {"64-bit, extended numbering", Module64(res, {.extendedNumbering = true})},
    };
    for (const auto& module : modules) {
        SCOPED_TRACE(module.label);
        UniqueModule loaded = Load(module.file);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(Resource(loaded.get(), 5), "hello");
        // An entry without data is a resource like any other; only the type-0 one is padding.
        EXPECT_EQ(Resource(loaded.get(), 6), "");
        SetLastError(0);
        EXPECT_EQ(FindResourceA(loaded.get(), MAKEINTRESOURCEA(0), MAKEINTRESOURCEA(0)), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    }
}

TEST_F(CraftedModule, BrokenNameTablesAndEntryHeadersAreRefused)
{
    Bytes noRoomForTheType;
    Append<DWORD>(noRoomForTheType, 0);
    Append<DWORD>(noRoomForTheType, 24);  // the sizes and the trailer, nothing between
    noRoomForTheType.resize(24, 0);
    // A name that ends two bytes short of the trailer, whose alignment then runs into it.
    Bytes nameIntoTheTrailer;
    Append<DWORD>(nameIntoTheTrailer, 0);
    Append<DWORD>(nameIntoTheTrailer, 8 + 4 + 6 + 16);
    for (WORD field : {WORD{0xFFFF}, WORD{10}, WORD{u'A'}, WORD{u'B'}, WORD{0}}) Append(nameIntoTheTrailer, field);
    nameIntoTheTrailer.resize(nameIntoTheTrailer.size() + 16, 0);
    const struct {
        const char* label;
        Bytes file;
    } modules[] = {
        {"unterminated section name", Module64(SampleResources(), {.unterminatedNames = true})},
        {"name table without bytes", Module32(SampleResources(), {.namesWithoutBytes = true})},
        {"entry without room for its type", Module64(noRoomForTheType)},
        {"entry whose name runs into its trailer", Module64(nameIntoTheTrailer)},
    };
    for (const auto& module : modules) {
        SCOPED_TRACE(module.label);
        DWORD error = 0;
        EXPECT_FALSE(Load(module.file, &error));
        EXPECT_EQ(error, DWORD{ERROR_BAD_EXE_FORMAT});
    }
}

TEST_F(CraftedModule, ObjectsForAnotherMachineAreABadFormatToRun)
{
    const Bytes res = SampleResources();
    const Bytes otherWordSize = sizeof(void*) == 8 ? Module32(res) : Module64(res);
    const Bytes foreign[] = {otherWordSize, BuildModule<Elf64_Ehdr, Elf64_Shdr>(ELFCLASS64, EM_AARCH64, res, {})};
    for (const Bytes& file : foreign) {
        WriteWholeFile(path, file);
        SetLastError(0);
        EXPECT_EQ(LoadLibraryA(path.c_str()), nullptr);
        EXPECT_EQ(GetLastError(), DWORD{ERROR_BAD_EXE_FORMAT});
        // Its resources are still there to read.
        UniqueModule data = Load(file);
        ASSERT_TRUE(data);
        EXPECT_EQ(Resource(data.get(), 5), "hello");
    }
}

}  // namespace
}  // namespace quenvar
