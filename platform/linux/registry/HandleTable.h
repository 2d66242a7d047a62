// The key handles this process holds: each stands for a key row and the access it was opened
// with. Handle values are numbers that are never handed out twice, so a stale or forged handle
// is found missing from the table instead of being followed.
#pragma once

#include "linux/registry/KeyStore.h"

#include <unordered_map>

namespace quenvar::platform {

struct KeyHandle {
    KeyId key;
    REGSAM access;
};

// The rights a handle opened with `requested` holds: generic rights become the key rights
// they stand for, MAXIMUM_ALLOWED every right.
REGSAM GrantedAccess(REGSAM requested);

class HandleTable {
public:
    HKEY Add(KeyId key, REGSAM access);
    // The predefined roots are always found, with every right.
    bool Find(HKEY handle, KeyHandle& found) const;
    // Closing a predefined root succeeds and changes nothing; false for an unknown handle.
    bool Remove(HKEY handle);
    void Clear() { handles_.clear(); }
    std::size_t Count() const { return handles_.size(); }

private:
    std::unordered_map<ULONG_PTR, KeyHandle> handles_;
    ULONG_PTR next_ = 0x1000;
};

}  // namespace quenvar::platform
