// Truncated and corrupted module files: every load either succeeds with resources inside the
// file or fails with the platform's code, and never reads outside what it read from the file
// (the sanitizer build checks the reads).
#include "platform/UniqueHandle.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <elf.h>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace quenvar {
namespace {

using testing::ReadWholeFile;
using testing::TempFolder;
using testing::WriteWholeFile;
using Bytes = std::vector<unsigned char>;

template <typename T>
T Get(const Bytes& bytes, std::size_t offset)
{
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

template <typename T>
void Put(Bytes& bytes, std::size_t offset, T value)
{
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

// The test module is built for this process's machine, so its headers have this word size.
using Ehdr = std::conditional_t<sizeof(void*) == 8, Elf64_Ehdr, Elf32_Ehdr>;
using Shdr = std::conditional_t<sizeof(void*) == 8, Elf64_Shdr, Elf32_Shdr>;
using Offset = decltype(Ehdr::e_shoff);
using SectionSize = decltype(Shdr::sh_size);
constexpr SectionSize kLargest = std::numeric_limits<SectionSize>::max();

// Where the interesting parts of the test module lie.
struct Layout {
    std::size_t sectionTable;
    std::size_t sectionCount;
    std::size_t rsrcHeader;  // offset of .rsrc's section header
    std::size_t rsrcOffset;
    std::size_t rsrcSize;
};

Layout Inspect(const Bytes& file)
{
    const auto header = Get<Ehdr>(file, 0);
    const auto names = Get<Shdr>(file, header.e_shoff + header.e_shstrndx * sizeof(Shdr));
    for (std::size_t index = 0; index < header.e_shnum; ++index) {
        const std::size_t at = header.e_shoff + index * sizeof(Shdr);
        const auto section = Get<Shdr>(file, at);
        if (std::strcmp(reinterpret_cast<const char*>(file.data()) + names.sh_offset + section.sh_name, ".rsrc") == 0) {
            return {header.e_shoff, header.e_shnum, at, section.sh_offset, section.sh_size};
        }
    }
    ADD_FAILURE() << "no .rsrc in the test module";
    return {};
}

// Loads `bytes` as a data file; on success reads every byte of every resource it can find.
DWORD LoadAndRead(const std::string& path, const Bytes& bytes)
{
    WriteWholeFile(path, bytes);
    SetLastError(0);
    UniqueModule module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return GetLastError();
    const struct {
        LPCSTR name;
        LPCSTR type;
    } wanted[] = {{MAKEINTRESOURCEA(101), "REGISTRY"},
                  {MAKEINTRESOURCEA(1), RT_VERSION},
                  {MAKEINTRESOURCEA(7), RT_STRING},
                  {"NAME", "TYPE"}};
    for (const auto& resource : wanted) {
        HRSRC found = FindResourceA(module.get(), resource.name, resource.type);
        if (found == nullptr) continue;
        const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(module.get(), found)));
        unsigned sum = 0;
        for (DWORD i = 0; i < SizeofResource(module.get(), found); ++i) sum += data[i];
        EXPECT_GE(sum, 0u);
    }
    return ERROR_SUCCESS;
}

class HostileModule : public ::testing::Test {
protected:
    const Bytes original = ReadWholeFile(QUENVAR_PRODUCT_MODULE);
    const Layout layout = Inspect(original);
    TempFolder folder;
    const std::string path = folder.File("hostile.so");
};

TEST_F(HostileModule, EveryTruncationIsRefused)
{
    ASSERT_EQ(LoadAndRead(path, original), ERROR_SUCCESS);
    // The section table comes last, so any truncation loses part of it.
    std::vector<std::size_t> lengths;
    for (std::size_t length = 0; length < original.size(); length += length < 128 ? 1 : 97) lengths.push_back(length);
    for (std::size_t length = layout.sectionTable - 64; length < original.size(); length += 5)
        lengths.push_back(length);
    for (std::size_t length : lengths) {
        SCOPED_TRACE(length);
        const Bytes truncated(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(LoadAndRead(path, truncated), length == 0 ? ERROR_FILE_INVALID : ERROR_BAD_EXE_FORMAT);
    }
}

TEST_F(HostileModule, CorruptHeadersAndResourceEntriesAreRefused)
{
    const std::size_t rsrc = layout.rsrcOffset;
    const std::size_t entry = rsrc + 32;  // the first entry after the empty one: REGISTRY 101
    const std::size_t size = original.size();
    const std::size_t rsrcSizeField = layout.rsrcHeader + offsetof(Shdr, sh_size);
    struct Case {
        const char* label;
        std::function<void(Bytes&)> corrupt;
    };
    const Case cases[] = {
        {"class", [](Bytes& b) { b[EI_CLASS] = 3; }},
        {"byte order", [](Bytes& b) { b[EI_DATA] = ELFDATA2MSB; }},
        {"table past the end", [&](Bytes& b) { Put<Offset>(b, offsetof(Ehdr, e_shoff), size); }},
        {"table offset overflows", [](Bytes& b) { Put<Offset>(b, offsetof(Ehdr, e_shoff), kLargest - 8); }},
        {"entry size too small", [](Bytes& b) { Put<Elf64_Half>(b, offsetof(Ehdr, e_shentsize), 8); }},
        {"too many sections", [](Bytes& b) { Put<Elf64_Half>(b, offsetof(Ehdr, e_shnum), 0xFFFE); }},
        {"extended count too large",
         [&](Bytes& b) {
             Put<Elf64_Half>(b, offsetof(Ehdr, e_shnum), 0);
             Put<SectionSize>(b, layout.sectionTable + offsetof(Shdr, sh_size), kLargest / 2);
         }},
        {"names index", [&](Bytes& b) { Put<Elf64_Half>(b, offsetof(Ehdr, e_shstrndx), layout.sectionCount); }},
        {"name outside names", [&](Bytes& b) { Put<Elf64_Word>(b, layout.rsrcHeader, 0xFFFFFFF0u); }},
        {"section past the end",
         [&](Bytes& b) { Put<Offset>(b, layout.rsrcHeader + offsetof(Shdr, sh_offset), size); }},
        {"section too long", [&](Bytes& b) { Put<SectionSize>(b, rsrcSizeField, size); }},
        {"section size overflows", [&](Bytes& b) { Put<SectionSize>(b, rsrcSizeField, kLargest); }},
        {"section without bytes",
         [&](Bytes& b) { Put<Elf64_Word>(b, layout.rsrcHeader + offsetof(Shdr, sh_type), SHT_NOBITS); }},
        {"section cut inside an entry", [&](Bytes& b) { Put<SectionSize>(b, rsrcSizeField, layout.rsrcSize - 1); }},
        {"section shorter than sizes", [&](Bytes& b) { Put<SectionSize>(b, rsrcSizeField, 7); }},
        {"data past the section", [&](Bytes& b) { Put<DWORD>(b, entry, 0xFFFFFFFFu); }},
        {"header size zero", [&](Bytes& b) { Put<DWORD>(b, entry + 4, 0); }},
        {"header size below minimum", [&](Bytes& b) { Put<DWORD>(b, entry + 4, 20); }},
        {"header past the section", [&](Bytes& b) { Put<DWORD>(b, entry + 4, 0xFFFFFFF0u); }},
        {"type without terminator", [&](Bytes& b) { std::memset(b.data() + entry + 8, 'A', 40); }},
        {"name cut by the trailer", [&](Bytes& b) { Put<DWORD>(b, entry + 4, 8 + 18 + 2 + 16); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Bytes corrupted = original;
        c.corrupt(corrupted);
        EXPECT_EQ(LoadAndRead(path, corrupted), ERROR_BAD_EXE_FORMAT);
    }
}

TEST_F(HostileModule, SectionTableMissingOrResourcesEmptyLoadWithoutResources)
{
    Bytes noTable = original;
    Put<Offset>(noTable, offsetof(Ehdr, e_shoff), 0);
    Bytes emptySection = original;
    Put<SectionSize>(emptySection, layout.rsrcHeader + offsetof(Shdr, sh_size), 0);
    const std::pair<Bytes*, DWORD> cases[] = {{&noTable, ERROR_RESOURCE_DATA_NOT_FOUND},
                                              {&emptySection, ERROR_RESOURCE_TYPE_NOT_FOUND}};
    for (const auto& [bytes, error] : cases) {
        WriteWholeFile(path, *bytes);
        UniqueModule module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(module);
        SetLastError(0);
        EXPECT_EQ(FindResourceA(module.get(), MAKEINTRESOURCEA(101), "REGISTRY"), nullptr);
        EXPECT_EQ(GetLastError(), error);
    }
}

TEST_F(HostileModule, RandomCorruptionsNeverReadOutOfBounds)
{
    std::mt19937 random(20240601);
    const std::pair<std::size_t, std::size_t> regions[] = {
        {0, sizeof(Ehdr)},
        {layout.sectionTable, layout.sectionCount * sizeof(Shdr)},
        {layout.rsrcOffset, layout.rsrcSize},
    };
    for (int round = 0; round < 600; ++round) {
        Bytes corrupted = original;
        const auto& [start, length] = regions[static_cast<std::size_t>(round) % std::size(regions)];
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int change = 0; change < changes; ++change) {
            corrupted[start + random() % length] = static_cast<unsigned char>(random());
        }
        SCOPED_TRACE(round);
        const DWORD error = LoadAndRead(path, corrupted);
        EXPECT_TRUE(error == ERROR_SUCCESS || error == ERROR_BAD_EXE_FORMAT) << error;
    }
}

}  // namespace
}  // namespace quenvar
