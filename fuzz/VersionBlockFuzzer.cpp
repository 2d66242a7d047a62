// palvex --version reads the fixed file information out of a module's version resource.
#include "tools/palvex/VersionBlock.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    (void)quenvar::tools::FileVersionFromBlock(data, size);
    return 0;
}
