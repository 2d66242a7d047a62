// The variables of one registry-script run: name and value pairs (UTF-16) that %NAME% in the
// script text is replaced by. Names need not be unique; a lookup answers the first added.
#pragma once

#include "platform/Win32.h"

namespace quenvar {

class ReplacementMap {
public:
    // Room for kInitialCapacity pairs from the module's private heap; a failed allocation is
    // retried by the first Add.
    ReplacementMap() noexcept;
    ~ReplacementMap();
    ReplacementMap(const ReplacementMap&) = delete;
    ReplacementMap& operator=(const ReplacementMap&) = delete;

    // Stores copies of both strings. E_OUTOFMEMORY adds nothing and keeps the pairs stored.
    [[nodiscard]] HRESULT Add(LPCOLESTR name, LPCOLESTR value) noexcept;
    // The value of the first pair whose name, in the ANSI code page, equals `name` without
    // regard to case; null when there is none. Owned by the map.
    LPCOLESTR Find(LPCSTR name) const noexcept;
    // Frees every pair; the array stays for reuse.
    void Clear() noexcept;

    int Count() const noexcept { return count_; }

private:
    static constexpr int kInitialCapacity = 10;

    struct Pair {
        LPOLESTR name;   // task memory
        LPOLESTR value;  // task memory
    };

    [[nodiscard]] bool Grow() noexcept;

    Pair** items_;  // module heap, as is each Pair
    int count_ = 0;
    int capacity_ = kInitialCapacity;
};

}  // namespace quenvar
