// The owner of one registry key handle through which the registrar reads and writes the
// registry. Every operation answers a Win32 code (0 for success); on failure the key held stays
// held and unchanged.
#pragma once

#include "platform/Win32.h"

namespace quenvar {

class RegKey {
public:
    RegKey() noexcept = default;
    ~RegKey() { Close(); }
    RegKey(RegKey&& other) noexcept : key_(other.Detach()) {}
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    HKEY get() const noexcept { return key_; }

    // RegCloseKey's result; 0 when nothing is held. The key is empty afterwards either way.
    LONG Close() noexcept;
    // On success the key held before is closed and that close's result answered.
    [[nodiscard]] LONG Open(HKEY parent, LPCSTR name, REGSAM access) noexcept;
    // Creates the key or opens it if it exists; `disposition` (may be null) tells which.
    [[nodiscard]] LONG Create(HKEY parent, LPCSTR name, LPSTR keyClass = nullptr, DWORD options = 0,
                              REGSAM access = KEY_ALL_ACCESS, LPSECURITY_ATTRIBUTES security = nullptr,
                              LPDWORD disposition = nullptr) noexcept;

    // A null name writes the default value. A string is stored with its NUL.
    [[nodiscard]] LONG SetDwordValue(DWORD value, LPCSTR name) noexcept;
    [[nodiscard]] LONG SetStringValue(LPCSTR value, LPCSTR name) noexcept;

    // Deletes the subkey `name` of the key held with everything below it. Answers the first
    // failure met (opening the subkey, deleting one below it, deleting it); keys below one that
    // failed may already be gone.
    [[nodiscard]] LONG RecurseDeleteKey(LPCSTR name) noexcept;

    // For a key this object must not close (a predefined root, a body's key): Attach lends it,
    // Detach gives it back before the owner could close it.
    void Attach(HKEY key) noexcept;
    [[nodiscard]] HKEY Detach() noexcept;

private:
    HKEY key_ = nullptr;
};

// A RegKey that borrows, for one scope, a key it must never close.
class LentKey {
public:
    explicit LentKey(HKEY key) noexcept { key_.Attach(key); }
    ~LentKey() { (void)key_.Detach(); }
    LentKey(const LentKey&) = delete;
    LentKey& operator=(const LentKey&) = delete;

    RegKey* operator->() noexcept { return &key_; }

private:
    RegKey key_;
};

}  // namespace quenvar
