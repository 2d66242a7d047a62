// Private heaps: every block is linked into its heap, so HeapDestroy can release them all at
// once. A heap is serialised by its own lock unless created with HEAP_NO_SERIALIZE. A freed small
// block is kept for the next allocation of its size class: a module's heap serves many short-lived
// blocks of a few sizes (a query's host name, header and values), and reuse skips the C library's
// allocator.
#include "platform/Win32.h"

#include "linux/edge/Boundary.h"
#include "linux/edge/QuickLock.h"
#include "linux/edge/WithLastError.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr std::uint64_t kHeapMagic = 0x5145'4e56'4845'4150;  // "QENVHEAP"

// Sits in front of every block; its size keeps the caller's memory 16-byte aligned.
struct alignas(16) BlockHeader {
    BlockHeader* previous;
    BlockHeader* next;
    SIZE_T size;
};

// Size classes of kClassBytes each below kSmallBlockBytes; a small block's memory always holds the
// whole of its class, so that any block of the class can serve any size in it.
constexpr SIZE_T kClassBytes = 64;
constexpr SIZE_T kSmallBlockBytes = 512;
constexpr std::size_t kSizeClasses = kSmallBlockBytes / kClassBytes;
constexpr std::size_t kKeptPerClass = 16;
// Under the address sanitizer every block is obtained and freed at its own size, so that it sees
// each use after a free and each write past the end.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kKeepsBlocks = false;
#else
constexpr bool kKeepsBlocks = true;
#endif

std::size_t SizeClass(SIZE_T bytes) { return bytes / kClassBytes; }

// The bytes to obtain for a block of `bytes`: the whole class for a small one that may be kept.
SIZE_T BytesToObtain(SIZE_T bytes)
{
    const bool small = kKeepsBlocks && bytes < kSmallBlockBytes;
    return sizeof(BlockHeader) + (small ? (SizeClass(bytes) + 1) * kClassBytes : bytes);
}

struct Heap {
    std::uint64_t magic = kHeapMagic;
    DWORD options;
    SIZE_T maximumSize;
    SIZE_T bytesInUse = 0;
    quenvar::platform::QuickLock lock;
    BlockHeader* blocks = nullptr;
    // Freed small blocks by size class, chained through `next`; not in use and not in `blocks`.
    std::array<BlockHeader*, kSizeClasses> kept{};
    std::array<std::size_t, kSizeClasses> keptCount{};
};

class HeapGuard {
public:
    explicit HeapGuard(Heap* heap, DWORD flags)
        : lock_((heap->options | flags) & HEAP_NO_SERIALIZE ? nullptr : &heap->lock)
    {
        if (lock_) lock_->lock();
    }
    ~HeapGuard()
    {
        if (lock_) lock_->unlock();
    }
    HeapGuard(const HeapGuard&) = delete;
    HeapGuard& operator=(const HeapGuard&) = delete;

private:
    quenvar::platform::QuickLock* lock_;
};

Heap* HeapFromHandle(HANDLE handle)
{
    auto* heap = static_cast<Heap*>(handle);
    return heap != nullptr && heap->magic == kHeapMagic ? heap : nullptr;
}

BlockHeader* HeaderOf(LPCVOID block) { return const_cast<BlockHeader*>(static_cast<const BlockHeader*>(block) - 1); }

void Link(Heap* heap, BlockHeader* header)
{
    header->previous = nullptr;
    header->next = heap->blocks;
    if (heap->blocks) heap->blocks->previous = header;
    heap->blocks = header;
    heap->bytesInUse += header->size;
}

void Unlink(Heap* heap, BlockHeader* header)
{
    if (header->previous) header->previous->next = header->next;
    else heap->blocks = header->next;
    if (header->next) header->next->previous = header->previous;
    heap->bytesInUse -= header->size;
}

bool ExceedsLimit(const Heap* heap, SIZE_T extra)
{
    return heap->maximumSize != 0 && heap->bytesInUse + extra > heap->maximumSize;
}

BlockHeader* TakeKept(Heap* heap, SIZE_T bytes)
{
    if (bytes >= kSmallBlockBytes) return nullptr;
    const std::size_t sizeClass = SizeClass(bytes);
    BlockHeader* header = heap->kept[sizeClass];
    if (header == nullptr) return nullptr;
    heap->kept[sizeClass] = header->next;
    --heap->keptCount[sizeClass];
    return header;
}

// Whether a freed block of `size` is kept for reuse rather than freed.
bool Keeps(const Heap* heap, SIZE_T size)
{
    return kKeepsBlocks && size < kSmallBlockBytes && heap->keptCount[SizeClass(size)] != kKeptPerClass;
}

void Keep(Heap* heap, BlockHeader* header)
{
    const std::size_t sizeClass = SizeClass(header->size);
    header->next = heap->kept[sizeClass];
    heap->kept[sizeClass] = header;
    ++heap->keptCount[sizeClass];
}

// Keeps an unlinked block for reuse, or frees it when it is large or its class holds enough.
void Release(Heap* heap, BlockHeader* header)
{
    if (Keeps(heap, header->size)) Keep(heap, header);
    else std::free(header);
}

bool SizeTooLarge(SIZE_T bytes) { return bytes > SIZE_MAX / 2 - sizeof(BlockHeader); }

// Every object's creation and teardown pass through HeapAlloc and HeapFree, so their common case
// runs without a call and saves no registers: a small block of a heap made with no options and no
// maximum, with no flags, its lock free, and for an allocation a kept block of the size's class.
// Anything else takes the general path.
bool IsPlainCall(const Heap* heap, DWORD flags)
{
    return kKeepsBlocks && heap != nullptr && flags == 0 && heap->options == 0 && heap->maximumSize == 0;
}

LPVOID TakeKeptAtOnce(HANDLE handle, DWORD flags, SIZE_T bytes)
{
    Heap* heap = HeapFromHandle(handle);
    if (!IsPlainCall(heap, flags) || bytes >= kSmallBlockBytes || !heap->lock.try_lock()) return nullptr;
    BlockHeader* header = TakeKept(heap, bytes);
    if (header != nullptr) {
        header->size = bytes;
        Link(heap, header);
    }
    heap->lock.unlock();
    return header == nullptr ? nullptr : header + 1;
}

bool KeepAtOnce(HANDLE handle, DWORD flags, LPVOID block)
{
    Heap* heap = HeapFromHandle(handle);
    if (!IsPlainCall(heap, flags) || block == nullptr) return false;
    BlockHeader* header = HeaderOf(block);
    if (header->size >= kSmallBlockBytes || !heap->lock.try_lock()) return false;
    const bool keeps = Keeps(heap, header->size);
    if (keeps) {
        Unlink(heap, header);
        Keep(heap, header);
    }
    heap->lock.unlock();
    return keeps;
}

// HeapAlloc and HeapReAlloc answer NULL and, like the system's without HEAP_GENERATE_EXCEPTIONS,
// leave the last error alone when memory runs out.
constexpr quenvar::platform::ReturnsOnly<LPVOID> kHeapFailure{nullptr};

// The general path, in the frame of the export `name`: out of line, so that the common case in
// HeapAlloc saves no registers for it.
[[gnu::noinline]] LPVOID AllocateInGeneral(const char* name, HANDLE handle, DWORD flags, SIZE_T bytes) noexcept
{
    return quenvar::platform::Boundary(name, kHeapFailure, [&]() -> LPVOID {
        Heap* heap = HeapFromHandle(handle);
        if (heap == nullptr || SizeTooLarge(bytes)) return nullptr;
        HeapGuard guard(heap, flags);
        if (ExceedsLimit(heap, bytes)) return nullptr;
        BlockHeader* header = TakeKept(heap, bytes);
        if (header == nullptr) header = static_cast<BlockHeader*>(std::malloc(BytesToObtain(bytes)));
        if (header == nullptr) return nullptr;
        header->size = bytes;
        if (flags & HEAP_ZERO_MEMORY) std::memset(header + 1, 0, bytes);
        Link(heap, header);
        return header + 1;
    });
}

[[gnu::noinline]] BOOL FreeInGeneral(HANDLE handle, DWORD flags, LPVOID block)
{
    Heap* heap = HeapFromHandle(handle);
    if (heap == nullptr) return quenvar::platform::WithLastError(ERROR_INVALID_HANDLE, FALSE);
    if (block == nullptr) return TRUE;
    HeapGuard guard(heap, flags);
    BlockHeader* header = HeaderOf(block);
    Unlink(heap, header);
    Release(heap, header);
    return TRUE;
}

}  // namespace

using quenvar::platform::WithLastError;

extern "C" {

HANDLE WINAPI HeapCreate(DWORD options, SIZE_T initialSize, SIZE_T maximumSize) noexcept
{
    constexpr quenvar::platform::SetsLastError<HANDLE> failure{nullptr};
    return quenvar::platform::Boundary("HeapCreate", failure, [&]() -> HANDLE {
        if (maximumSize != 0 && initialSize > maximumSize) return WithLastError(ERROR_INVALID_PARAMETER, nullptr);
        auto* heap = new (std::nothrow) Heap;
        if (heap == nullptr) return WithLastError(ERROR_NOT_ENOUGH_MEMORY, nullptr);
        heap->options = options;
        heap->maximumSize = maximumSize;
        return heap;
    });
}

BOOL WINAPI HeapDestroy(HANDLE handle) noexcept
{
    Heap* heap = HeapFromHandle(handle);
    if (heap == nullptr) return WithLastError(ERROR_INVALID_HANDLE, FALSE);
    const auto freeChain = [](BlockHeader* header) {
        while (header != nullptr) std::free(std::exchange(header, header->next));
    };
    freeChain(heap->blocks);
    for (BlockHeader* chain : heap->kept) freeChain(chain);
    heap->magic = 0;
    delete heap;
    return TRUE;
}

LPVOID WINAPI HeapAlloc(HANDLE handle, DWORD flags, SIZE_T bytes) noexcept
{
    // A test's armed fault is seen by every call.
    if (!quenvar::platform::FaultHookInstalled()) {
        if (LPVOID block = TakeKeptAtOnce(handle, flags, bytes); block != nullptr) return block;
    }
    return AllocateInGeneral("HeapAlloc", handle, flags, bytes);
}

LPVOID WINAPI HeapReAlloc(HANDLE handle, DWORD flags, LPVOID block, SIZE_T bytes) noexcept
{
    return quenvar::platform::Boundary("HeapReAlloc", kHeapFailure, [&]() -> LPVOID {
        Heap* heap = HeapFromHandle(handle);
        if (heap == nullptr || block == nullptr) return WithLastError(ERROR_INVALID_PARAMETER, nullptr);
        if (SizeTooLarge(bytes)) return nullptr;
        HeapGuard guard(heap, flags);
        BlockHeader* header = HeaderOf(block);
        const SIZE_T oldSize = header->size;
        if (bytes > oldSize && ExceedsLimit(heap, bytes - oldSize)) return nullptr;
        if (flags & HEAP_REALLOC_IN_PLACE_ONLY) {
            if (bytes > oldSize) return nullptr;
            heap->bytesInUse -= oldSize - bytes;
            header->size = bytes;
            return block;
        }
        Unlink(heap, header);
        auto* moved = static_cast<BlockHeader*>(std::realloc(header, BytesToObtain(bytes)));
        if (moved == nullptr) {
            Link(heap, header);
            return nullptr;
        }
        moved->size = bytes;
        if ((flags & HEAP_ZERO_MEMORY) && bytes > oldSize) {
            std::memset(reinterpret_cast<BYTE*>(moved + 1) + oldSize, 0, bytes - oldSize);
        }
        Link(heap, moved);
        return moved + 1;
    });
}

BOOL WINAPI HeapFree(HANDLE handle, DWORD flags, LPVOID block) noexcept
{
    return KeepAtOnce(handle, flags, block) ? TRUE : FreeInGeneral(handle, flags, block);
}

SIZE_T WINAPI HeapSize(HANDLE handle, DWORD flags, LPCVOID block) noexcept
{
    constexpr SIZE_T kFailed = static_cast<SIZE_T>(-1);
    return quenvar::platform::Boundary("HeapSize", quenvar::platform::ReturnsOnly<SIZE_T>{kFailed}, [&]() -> SIZE_T {
        Heap* heap = HeapFromHandle(handle);
        if (heap == nullptr || block == nullptr) return kFailed;
        HeapGuard guard(heap, flags);
        return HeaderOf(block)->size;
    });
}

}  // extern "C"
