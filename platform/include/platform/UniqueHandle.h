// One move-only owner for every kind of handle and block the component holds: the raw type, the
// close function and the invalid value come from a traits class. Closing keeps the thread's
// last error, so an owner going out of scope never hides the code of the call that failed.
#pragma once

#include "platform/Win32.h"

#include <utility>

namespace quenvar {

template <typename Traits>
class UniqueHandle {
public:
    using Pointer = typename Traits::Pointer;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Pointer value) noexcept : value_(value) {}
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Pointer get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }

    // Gives up ownership; the caller now closes the value.
    [[nodiscard]] Pointer release() noexcept { return std::exchange(value_, Traits::Invalid()); }

    void reset(Pointer value = Traits::Invalid()) noexcept
    {
        const Pointer old = std::exchange(value_, value);
        if (old == Traits::Invalid()) return;
        if constexpr (kCloseKeepsLastError) {
            Traits::Close(old);
        } else {
            const DWORD lastError = GetLastError();
            Traits::Close(old);
            SetLastError(lastError);
        }
    }

    // For an out parameter of a call that opens a value; the owner must be empty.
    Pointer* put() noexcept
    {
        reset();
        return &value_;
    }

private:
    // Traits whose close never sets the last error say so, and spare its saving.
    static constexpr bool kCloseKeepsLastError = requires { requires Traits::kCloseKeepsLastError; };

    Pointer value_ = Traits::Invalid();
};

struct BstrTraits {
    using Pointer = BSTR;
    static constexpr bool kCloseKeepsLastError = true;  // freeing a string cannot fail
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer value) noexcept { SysFreeString(value); }
};
using UniqueBstr = UniqueHandle<BstrTraits>;

struct TaskMemoryTraits {
    using Pointer = void*;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer value) noexcept { CoTaskMemFree(value); }
};
using UniqueTaskMemory = UniqueHandle<TaskMemoryTraits>;

struct LocalMemoryTraits {
    using Pointer = HLOCAL;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer value) noexcept { LocalFree(value); }
};
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;

// A module from LoadLibraryA, LoadLibraryExA or LoadLibraryExW, data files included.
struct ModuleTraits {
    using Pointer = HMODULE;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer value) noexcept { FreeLibrary(value); }
};
using UniqueModule = UniqueHandle<ModuleTraits>;

// A registry key; closing a predefined root is harmless.
struct RegistryKeyTraits {
    using Pointer = HKEY;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer value) noexcept { RegCloseKey(value); }
};
using UniqueKey = UniqueHandle<RegistryKeyTraits>;

// A handle closed with CloseHandle (a mutex).
struct KernelHandleTraits {
    using Pointer = HANDLE;
    static Pointer Invalid() noexcept { return nullptr; }
    static void Close(Pointer value) noexcept { CloseHandle(value); }
};
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;

// Holds a critical section for one scope.
class CriticalSectionGuard {
public:
    explicit CriticalSectionGuard(CRITICAL_SECTION& section) noexcept : section_(section)
    {
        EnterCriticalSection(&section_);
    }
    ~CriticalSectionGuard() { LeaveCriticalSection(&section_); }
    CriticalSectionGuard(const CriticalSectionGuard&) = delete;
    CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

private:
    CRITICAL_SECTION& section_;
};

}  // namespace quenvar
