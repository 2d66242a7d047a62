// Storage of handed-out descriptions.
#include "linux/typelib/DescriptionStorage.h"

namespace quenvar::platform {

DescriptionStorage::~DescriptionStorage()
{
    for (VARIANT* variant : variants_) {
        if (variant->vt == VT_BSTR) SysFreeString(variant->bstrVal);
    }
}

void* DescriptionStorage::AllocateBytes(std::size_t bytes)
{
    const std::size_t units = (bytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    blocks_.push_back(std::make_unique<std::max_align_t[]>(units == 0 ? 1 : units));
    return blocks_.back().get();
}

}  // namespace quenvar::platform
