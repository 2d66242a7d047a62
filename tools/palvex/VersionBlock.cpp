#include "tools/palvex/VersionBlock.h"

#include <string_view>

namespace quenvar::tools {
namespace {

constexpr std::u16string_view kKey = u"VS_VERSION_INFO";
constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::size_t kFixedInfoSize = 52;
constexpr std::size_t kHeaderSize = 6;  // length, value length, type: one WORD each

std::uint32_t Read(const std::uint8_t* at, std::size_t bytes)
{
    std::uint32_t value = 0;
    for (std::size_t i = bytes; i-- > 0;) value = value << 8 | at[i];
    return value;
}

}  // namespace

std::optional<std::string> FileVersionFromBlock(const std::uint8_t* data, std::size_t size)
{
    if (data == nullptr || size < kHeaderSize) return std::nullopt;
    const std::size_t length = Read(data, 2);
    const std::size_t valueLength = Read(data + 2, 2);
    if (length > size || valueLength < kFixedInfoSize) return std::nullopt;
    // The key and its NUL, then padding to a 32-bit boundary, then the fixed information.
    const std::size_t keyEnd = kHeaderSize + (kKey.size() + 1) * 2;
    const std::size_t fixed = (keyEnd + 3) & ~std::size_t{3};
    if (fixed + kFixedInfoSize > length) return std::nullopt;
    for (std::size_t i = 0; i <= kKey.size(); ++i) {
        const char16_t expected = i < kKey.size() ? kKey[i] : u'\0';
        if (Read(data + kHeaderSize + 2 * i, 2) != expected) return std::nullopt;
    }
    if (Read(data + fixed, 4) != kFixedSignature) return std::nullopt;
    const std::uint32_t high = Read(data + fixed + 8, 4);
    const std::uint32_t low = Read(data + fixed + 12, 4);
    return std::to_string(high >> 16) + '.' + std::to_string(high & 0xFFFF) + '.' + std::to_string(low >> 16) + '.' +
           std::to_string(low & 0xFFFF);
}

}  // namespace quenvar::tools
