// The PE reader refuses what is not a sound DLL with a reason, never reading outside the file:
// cut copies, damaged header fields and tables.
#include "linux/loader/PeImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quenvar::platform {
namespace {

std::vector<std::uint8_t> FileBytes(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::uint32_t U32(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    std::uint32_t value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

void Put(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value, std::size_t size)
{
    std::memcpy(bytes.data() + offset, &value, size);
}

std::string Refusal(const std::vector<std::uint8_t>& bytes)
{
    std::string error;
    const std::optional<PeImage> image = ReadPeImage(bytes, &error);
    return image ? std::string("accepted") : error;
}

class PeImageReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        dll = FileBytes(QUENVAR_WIN64_DLL);
        ASSERT_GT(dll.size(), 1024u);
        header = U32(dll, 0x3C);
        optional = header + 24;
    }
    std::size_t Directory(std::size_t index) const { return optional + 112 + 8 * index; }
    std::size_t FirstSection() const { return optional + (dll[header + 20] | dll[header + 21] << 8); }

    std::vector<std::uint8_t> dll;
    std::size_t header = 0;
    std::size_t optional = 0;
};

TEST_F(PeImageReader, ReadsTheBuiltDll)
{
    std::string error;
    const std::optional<PeImage> image = ReadPeImage(dll, &error);
    ASSERT_TRUE(image) << error;
    EXPECT_EQ(image->exports.size(), 4u);
    EXPECT_FALSE(image->imports.empty());
    EXPECT_FALSE(image->relocations.empty());
    const std::optional<PeImage> x86 = ReadPeImage(FileBytes(QUENVAR_WIN32_DLL), &error);
    ASSERT_TRUE(x86) << error;
    EXPECT_EQ(x86->machine, kMachineI386);
    EXPECT_EQ(x86->exports.size(), 4u);
}

TEST_F(PeImageReader, RefusesEveryCutCopy)
{
    // Only the padding after the last section's data may go.
    std::string error;
    const std::optional<PeImage> image = ReadPeImage(dll, &error);
    ASSERT_TRUE(image) << error;
    std::size_t needed = 0;
    std::size_t last = 0;
    for (std::size_t i = 0; i < image->sections.size(); ++i) {
        const PeSection& section = image->sections[i];
        if (section.fileOffset + section.fileSize > needed) {
            needed = section.fileOffset + section.fileSize;
            last = i + 1;
        }
    }
    for (std::size_t length = 0; length < needed; length += length < 1024 ? 7 : 251) {
        const std::vector<std::uint8_t> cut(dll.begin(), dll.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_NE(Refusal(cut), "accepted") << length;
    }
    EXPECT_EQ(Refusal({dll.begin(), dll.begin() + static_cast<std::ptrdiff_t>(needed - 1)}),
              "the data of section " + std::to_string(last) + " lies beyond the end of the file");
    EXPECT_EQ(Refusal({dll.begin(), dll.begin() + static_cast<std::ptrdiff_t>(needed)}), "accepted");
}

TEST_F(PeImageReader, RefusesDamagedFieldsWithTheirReason)
{
    const struct {
        const char* name;
        std::size_t offset;
        std::uint32_t value;
        std::size_t size;
        std::string reason;
    } cases[] = {
        {"MZ", 0, 0, 2, "no MZ signature"},
        {"PE header offset", 0x3C, 0xFFFFFFF0, 4, "the PE signature lies beyond the end of the file"},
        {"machine", header + 4, 0x014C, 2, "neither an x86 nor an x64 image"},
        {"section table", header + 20, 0xFFF0, 2, "a section header lies beyond the end of the file"},
        {"image size", optional + 56, 0x7FFFFFFF, 4, "the image size is implausible"},
        {"header size", optional + 60, 0x7FFFFFF, 4, "the headers are larger than the image or the file"},
        {"optional header size", header + 20, 200, 2, "the optional header is too small for its directories"},
        {"section alignment", FirstSection() + 12, 0x1001, 4, "section 1 is not page-aligned"},
        {"section address", FirstSection() + 12, 0x40000000, 4, "section 1 lies outside the image"},
        {"section data", FirstSection() + 20, 0xFFFFFF00, 4, "the data of section 1 lies beyond the end of the file"},
        {"import table", Directory(1), 0x10, 4, "an import descriptor lies outside the file data of the sections"},
        {"export table", Directory(0), 0x7FFFFFF0, 4,
         "the export directory lies outside the file data of the sections"},
        {"relocation table", Directory(5) + 4, 0x7FFFFFF0, 4,
         "a relocation block lies outside the file data of the sections"},
        {"entry point", optional + 16, 0x7FFFFFF0, 4, "the entry point lies outside the image"},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> damaged = dll;
        Put(damaged, c.offset, c.value, c.size);
        EXPECT_EQ(Refusal(damaged), c.reason) << c.name;
    }
}

}  // namespace
}  // namespace quenvar::platform
