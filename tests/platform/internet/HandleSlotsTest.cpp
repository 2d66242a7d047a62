// The handle table's slots against a map: values that share a slot form runs, which wrap around
// the end and are mended on every removal.
#include "linux/internet/HandleSlots.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace quenvar::platform {
namespace {

TEST(HandleSlots, FindEveryEntryThroughInsertionsRemovalsAndGrowth)
{
    HandleSlots<int> slots;
    std::map<std::uintptr_t, int> model;
    std::mt19937 random(7);
    for (int step = 0; step < 5000; ++step) {
        // Multiples of 64 share a home while there are 16 slots; the rest spread.
        const std::uintptr_t value = 4 * (1 + random() % 48) * (random() % 2 == 0 ? 16 : 1);
        if (const auto found = model.find(value); found != model.end()) {
            ASSERT_EQ(slots.Remove(value), found->second);
            model.erase(found);
        } else {
            slots.Insert(value, step);
            model.emplace(value, step);
        }
        ASSERT_EQ(slots.size(), model.size());
        for (std::uintptr_t probe = 4; probe <= std::uintptr_t{4} * 48 * 16; probe += 4) {
            const int* entry = slots.Find(probe);
            const auto expected = model.find(probe);
            ASSERT_EQ(entry != nullptr, expected != model.end()) << "step " << step << ", value " << probe;
            if (entry != nullptr) {
                ASSERT_EQ(*entry, expected->second);
            }
        }
    }
}

}  // namespace
}  // namespace quenvar::platform
