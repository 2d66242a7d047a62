#include "linux/registry/WalIndex.h"

#include "linux/edge/FaultGate.h"

#include <sqlite3.h>

#include <array>
#include <atomic>
#include <cstring>

namespace quenvar::platform {
namespace {

// The header is 48 bytes, stored twice: SQLite writes the copy at 48, then (after a memory
// barrier) the copy at 0, and reads them in the opposite order.
constexpr std::size_t kHeaderWords = 12;
using HeaderWords = std::array<std::uint32_t, kHeaderWords>;

constexpr std::size_t kVersionWord = 0;
constexpr std::size_t kChangeWord = 2;
constexpr std::size_t kInitializedByte = 12;
constexpr std::size_t kMaxFrameWord = 4;
constexpr std::size_t kSaltWord = 8;
constexpr std::size_t kChecksumWord = 10;  // two words over the 40 bytes before them
constexpr std::uint32_t kWalIndexVersion = 3007000;
// SQLite's unit of WAL-index shared memory.
constexpr int kRegionBytes = 32768;

// Another process may be writing these words: atomic loads, never a torn or cached word. Acquire
// loads keep every later read after them (a standalone fence would do the same, but the thread
// sanitizer cannot follow one). Only loads: the memory is SQLite's and is never written here.
void LoadWords(std::uint32_t* from, HeaderWords& to)
{
    for (std::size_t i = 0; i < kHeaderWords; ++i) to[i] = std::atomic_ref(from[i]).load(std::memory_order_acquire);
}

// SQLite's header checksum, in native byte order.
bool ChecksumFits(const HeaderWords& words)
{
    std::uint32_t first = 0, second = 0;
    for (std::size_t i = 0; i < kChecksumWord; i += 2) {
        first += words[i] + second;
        second += words[i + 1] + first;
    }
    return first == words[kChecksumWord] && second == words[kChecksumWord + 1];
}

}  // namespace

const volatile void* MapWalIndex(sqlite3* connection)
{
    DWORD ignored;
    if (FaultInjected("WalIndexMap", &ignored)) return nullptr;
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(connection, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || file == nullptr ||
        file->pMethods == nullptr || file->pMethods->iVersion < 2 || file->pMethods->xShmMap == nullptr) {
        return nullptr;
    }
    // bExtend 0: the region is handed out only when it exists; nothing is grown.
    volatile void* region = nullptr;
    if (file->pMethods->xShmMap(file, 0, kRegionBytes, 0, &region) != SQLITE_OK) return nullptr;
    return region;
}

bool ReadWalIndexChange(const volatile void* region, WalIndexChange& change)
{
    auto* words = static_cast<std::uint32_t*>(const_cast<void*>(region));
    HeaderWords first, second;
    // The second copy is read after the first: equal copies are one writer's complete header.
    LoadWords(words, first);
    LoadWords(words + kHeaderWords, second);
    if (first != second || first[kVersionWord] != kWalIndexVersion) return false;
    unsigned char initialized = 0;
    std::memcpy(&initialized, reinterpret_cast<const unsigned char*>(first.data()) + kInitializedByte, 1);
    if (initialized == 0 || !ChecksumFits(first)) return false;
    change = WalIndexChange{first[kChangeWord], first[kMaxFrameWord], {first[kSaltWord], first[kSaltWord + 1]}};
    return true;
}

}  // namespace quenvar::platform
