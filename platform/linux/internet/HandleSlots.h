// Entries by handle value in one array, found by probing from the slot that the value names:
// handle values are consecutive multiples of four, so value / 4 spreads the open ones over the
// slots and a look-up nearly always hits at once, with no block per entry. Removing an entry
// moves the later ones of its run back, so that no slot is left marked as deleted. Not
// thread-safe: its owner serialises the calls.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace quenvar::platform {

template <typename Entry>
class HandleSlots {
public:
    // The entry of `value`, or null. 0 is no handle's value.
    Entry* Find(std::uintptr_t value) noexcept
    {
        if (value == 0 || slots_.empty()) return nullptr;
        for (std::size_t at = Home(value);; at = Next(at)) {
            if (slots_[at].value == value) return &slots_[at].entry;
            if (slots_[at].value == 0) return nullptr;
        }
    }

    // Adds the entry of a value that has none. Pointers to entries are invalid afterwards. Throws
    // std::bad_alloc, with the table unchanged.
    void Insert(std::uintptr_t value, Entry entry)
    {
        // At most half full, so that runs stay short.
        if (2 * (count_ + 1) > slots_.size()) Grow();
        std::size_t at = Home(value);
        while (slots_[at].value != 0) at = Next(at);
        slots_[at] = Slot{value, std::move(entry)};
        ++count_;
    }

    // Removes the entry of `value` and answers it; pointers to entries are invalid afterwards.
    // The value must have an entry.
    Entry Remove(std::uintptr_t value) noexcept
    {
        std::size_t hole = Home(value);
        while (slots_[hole].value != value) hole = Next(hole);
        Entry removed = std::move(slots_[hole].entry);
        slots_[hole] = Slot{};
        --count_;
        // A later entry of the run moves into the hole unless the hole lies before its own slot.
        for (std::size_t at = Next(hole); slots_[at].value != 0; at = Next(at)) {
            if (Distance(Home(slots_[at].value), at) >= Distance(hole, at)) {
                slots_[hole] = std::move(slots_[at]);
                slots_[at] = Slot{};
                hole = at;
            }
        }
        return removed;
    }

    std::size_t size() const noexcept { return count_; }

private:
    struct Slot {
        std::uintptr_t value = 0;  // 0: empty
        Entry entry{};
    };

    std::size_t Home(std::uintptr_t value) const noexcept { return (value >> 2) & mask_; }
    std::size_t Next(std::size_t at) const noexcept { return (at + 1) & mask_; }
    std::size_t Distance(std::size_t from, std::size_t to) const noexcept { return (to - from) & mask_; }

    void Grow()
    {
        std::vector<Slot> old(slots_.empty() ? 16 : 2 * slots_.size());
        old.swap(slots_);
        mask_ = slots_.size() - 1;
        count_ = 0;
        for (Slot& slot : old) {
            if (slot.value != 0) Insert(slot.value, std::move(slot.entry));
        }
    }

    std::vector<Slot> slots_;  // a power of two of them
    // Their count less one, kept: the vector's size is a division by the slot's size.
    std::size_t mask_ = 0;
    std::size_t count_ = 0;
};

}  // namespace quenvar::platform
