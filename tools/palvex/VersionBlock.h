// The file version in a module's version resource (a VS_VERSIONINFO block).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace quenvar::tools {

// "major.minor.build.revision" from the block's fixed file information; nothing when the bytes
// are not a well-formed block with that information.
[[nodiscard]] std::optional<std::string> FileVersionFromBlock(const std::uint8_t* data, std::size_t size);

}  // namespace quenvar::tools
