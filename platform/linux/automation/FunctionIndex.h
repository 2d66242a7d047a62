// Choosing the function of an interface's table that a DISPID and dispatch flags name: built once
// per table, then read by any number of threads.
#pragma once

#include "platform/Win32.h"

#include <cstddef>
#include <span>
#include <vector>

namespace quenvar::platform {

// What chooses a function for a call.
struct FunctionKey {
    MEMBERID memid;
    INVOKEKIND invkind;
};

class FunctionIndex {
public:
    FunctionIndex() = default;  // over no functions
    // Over `keys`, the table's functions in table order. Throws std::bad_alloc.
    explicit FunctionIndex(std::span<const FunctionKey> keys);

    // *chosen = the table index of the first function with `memid` whose invoke kind is among
    // `flags`; DISPATCH_METHOD|DISPATCH_PROPERTYGET, as scripts send to read, finds a method or a
    // property get. DISP_E_MEMBERNOTFOUND (*chosen unchanged) when none matches: an unknown DISPID,
    // a get or call of a put-only property, a put of a get-only one.
    // Inline: every dispatched call asks.
    [[nodiscard]] HRESULT Select(MEMBERID memid, WORD flags, std::size_t* chosen) const noexcept
    {
        for (const Entry& entry : entries_) {
            if (entry.memid < memid) continue;
            if (entry.memid > memid) break;
            if ((entry.invkind & flags) != 0) {
                *chosen = entry.index;
                return S_OK;
            }
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    struct Entry {
        MEMBERID memid;
        WORD invkind;
        std::size_t index;
    };
    // By DISPID, in table order among equal ones: an interface's own small DISPIDs come first,
    // so the search for one of them stops after a few entries.
    std::vector<Entry> entries_;
};

}  // namespace quenvar::platform
