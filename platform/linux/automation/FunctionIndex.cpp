#include "linux/automation/FunctionIndex.h"

#include <algorithm>

namespace quenvar::platform {

FunctionIndex::FunctionIndex(std::span<const FunctionKey> keys)
{
    entries_.reserve(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        entries_.push_back({keys[i].memid, static_cast<WORD>(keys[i].invkind), i});
    }
    // Stable, so that among functions of one DISPID the first in the table still comes first.
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.memid < b.memid; });
}

}  // namespace quenvar::platform
