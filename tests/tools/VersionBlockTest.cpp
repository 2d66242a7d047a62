#include "tools/palvex/VersionBlock.h"

#include <gtest/gtest.h>

#include <vector>

namespace quenvar::tools {
namespace {

void PutWord(std::vector<std::uint8_t>& block, std::uint32_t value, std::size_t bytes)
{
    for (std::size_t i = 0; i < bytes; ++i) block.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A version block as the resource compiler lays it out, without the string tables.
std::vector<std::uint8_t> Block(std::uint32_t high, std::uint32_t low)
{
    std::vector<std::uint8_t> block;
    PutWord(block, 92, 2);  // 6 header + 32 key + 2 padding + 52 fixed
    PutWord(block, 52, 2);
    PutWord(block, 0, 2);
    for (const char16_t c : std::u16string_view(u"VS_VERSION_INFO\0", 16)) PutWord(block, c, 2);
    PutWord(block, 0, 2);
    PutWord(block, 0xFEEF04BD, 4);
    PutWord(block, 0x10000, 4);
    PutWord(block, high, 4);
    PutWord(block, low, 4);
    block.resize(92, 0);
    return block;
}

TEST(VersionBlock, ReadsTheFixedFileVersion)
{
    const std::vector<std::uint8_t> block = Block(0x00020003, 0x0004FFFF);
    EXPECT_EQ(FileVersionFromBlock(block.data(), block.size()), "2.3.4.65535");
}

TEST(VersionBlock, MalformedBlocksGiveNothing)
{
    const std::vector<std::uint8_t> good = Block(1, 1);
    EXPECT_EQ(FileVersionFromBlock(nullptr, 0), std::nullopt);
    for (std::size_t size = 0; size < good.size(); ++size) {
        EXPECT_EQ(FileVersionFromBlock(good.data(), size), std::nullopt) << size;
    }
    const struct {
        std::size_t offset;
        std::uint8_t byte;
    } damage[] = {
        {0, 50},     // the block's length shorter than its fixed information
        {2, 10},     // a value too small for the fixed information
        {6, 'W'},    // another key
        {40, 0x00},  // no signature
    };
    for (const auto& d : damage) {
        std::vector<std::uint8_t> block = good;
        block[d.offset] = d.byte;
        EXPECT_EQ(FileVersionFromBlock(block.data(), block.size()), std::nullopt) << d.offset;
    }
}

}  // namespace
}  // namespace quenvar::tools
