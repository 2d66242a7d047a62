// The bytes of a file the build made, named relative to the build folder (QUENVAR_BUILD_DIR);
// empty when it is missing.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quenvar::testing {

inline std::vector<std::uint8_t> ReadBuildOutput(const char* relative)
{
    const char* build = std::getenv("QUENVAR_BUILD_DIR");
    std::ifstream file(std::string(build ? build : ".") + "/" + relative, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

}  // namespace quenvar::testing
