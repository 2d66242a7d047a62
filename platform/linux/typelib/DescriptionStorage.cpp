// Storage of handed-out descriptions.
#include "linux/typelib/DescriptionStorage.h"

namespace quenvar::platform {

DescriptionStorage::~DescriptionStorage()
{
    for (VARIANT* variant : variants_) VariantClear(variant);
}

void* DescriptionStorage::AllocateBytes(std::size_t bytes)
{
    blocks_.push_back(std::make_unique<std::byte[]>(bytes == 0 ? 1 : bytes));
    return blocks_.back().get();
}

}  // namespace quenvar::platform
