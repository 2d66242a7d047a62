// Mutexes. Inside the process a mutex is a condition variable over its owning thread; a named one
// is also one across the user's processes through an advisory lock (flock) on a file beside the
// registry, which the owning process holds while one of its threads owns the mutex. The kernel
// drops that lock when the process ends, however it ends.
#include "platform/Win32.h"

#include "linux/edge/Boundary.h"
#include "linux/edge/WithLastError.h"
#include "linux/kernel/RegistryLocation.h"

#include <sys/file.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <unordered_set>

namespace quenvar::platform {
namespace {

using Clock = std::chrono::steady_clock;

// How often a wait with a time limit asks for another process's lock again.
constexpr std::chrono::milliseconds kLockPoll{5};
// The encoded name is one file name component; longer names are refused rather than cut.
constexpr std::size_t kMaxEncodedName = 200;

struct Mutex {
    std::string name;  // empty for an unnamed mutex
    int lockFile = -1;
    std::mutex state;
    std::condition_variable released;
    std::thread::id owner;
    DWORD recursion = 0;

    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    ~Mutex()
    {
        if (lockFile >= 0) close(lockFile);
    }
};

// A handle shares its mutex with every other handle of the same name; the mutex goes with the
// last of them.
struct MutexHandle {
    std::shared_ptr<Mutex> mutex;
};

struct MutexTable {
    std::mutex lock;
    std::unordered_set<MutexHandle*> handles;
    std::map<std::string, std::weak_ptr<Mutex>> named;
};

MutexTable& Table()
{
    static MutexTable* table = new MutexTable;  // outlives every static destructor that may close one
    return *table;
}

// Bytes that need no escaping in a file name stay; every other byte is %XX.
std::string EncodeName(const std::string& name)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
            byte == '.' || byte == '_' || byte == '-') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0xF];
        }
    }
    return encoded;
}

// The lock file of a name, created (mode 0600) when missing. The registry file itself is never
// opened here: closing a descriptor of it would drop SQLite's locks in this process.
DWORD OpenLockFile(const std::string& name, int& descriptor)
{
    const std::string encoded = EncodeName(name);
    if (encoded.size() > kMaxEncodedName) return ERROR_FILENAME_EXCED_RANGE;
    std::string registry;
    DWORD error = RegistryFilePath(registry);
    if (error == ERROR_SUCCESS) error = CreateRegistryFolders(registry);
    if (error != ERROR_SUCCESS) return error;
    descriptor = open((registry + ".mutex-" + encoded).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    return descriptor >= 0 ? ERROR_SUCCESS : ERROR_CANTOPEN;
}

std::shared_ptr<Mutex> FindMutex(HANDLE handle)
{
    MutexTable& table = Table();
    std::lock_guard guard(table.lock);
    const auto found = table.handles.find(static_cast<MutexHandle*>(handle));
    return found != table.handles.end() ? (*found)->mutex : nullptr;
}

// Takes the cross-process lock of `mutex` before `deadline` (max: no limit).
bool LockAcrossProcesses(const Mutex& mutex, Clock::time_point deadline)
{
    if (mutex.lockFile < 0) return true;
    const bool waitForever = deadline == Clock::time_point::max();
    for (;;) {
        if (flock(mutex.lockFile, waitForever ? LOCK_EX : LOCK_EX | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK || Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kLockPoll);
    }
}

// A new handle to the mutex of `name` (a new mutex when there is none; an unnamed one for null);
// null with the error in `error`.
MutexHandle* OpenHandle(LPCSTR name, bool& existed, DWORD& error)
{
    MutexTable& table = Table();
    std::lock_guard guard(table.lock);
    auto handle = std::make_unique<MutexHandle>();
    if (name != nullptr) handle->mutex = table.named[name].lock();
    existed = handle->mutex != nullptr;
    if (!existed) {
        handle->mutex = std::make_shared<Mutex>();
        if (name != nullptr) {
            error = OpenLockFile(name, handle->mutex->lockFile);
            if (error != ERROR_SUCCESS) {
                table.named.erase(name);
                return nullptr;
            }
            handle->mutex->name = name;
            table.named[name] = handle->mutex;
        }
    }
    table.handles.insert(handle.get());
    return handle.release();
}

}  // namespace
}  // namespace quenvar::platform

using namespace quenvar::platform;

extern "C" {

HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) noexcept
{
    return Boundary("CreateMutexA", SetsLastError<HANDLE>{nullptr}, [&]() -> HANDLE {
        if (name != nullptr && *name == '\0') name = nullptr;
        bool existed = false;
        DWORD error = ERROR_SUCCESS;
        MutexHandle* handle = OpenHandle(name, existed, error);
        if (handle == nullptr) return WithLastError(error, nullptr);
        if (initialOwner && !existed) (void)WaitForSingleObject(handle, INFINITE);
        return WithLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS, handle);
    });
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) noexcept
{
    return Boundary("WaitForSingleObject", SetsLastError<DWORD>{WAIT_FAILED}, [&]() -> DWORD {
        const std::shared_ptr<Mutex> mutex = FindMutex(handle);
        if (mutex == nullptr) return WithLastError(ERROR_INVALID_HANDLE, WAIT_FAILED);
        const auto deadline = milliseconds == INFINITE ? Clock::time_point::max()
                                                       : Clock::now() + std::chrono::milliseconds(milliseconds);
        const std::thread::id self = std::this_thread::get_id();
        std::unique_lock guard(mutex->state);
        if (mutex->owner == self) {
            ++mutex->recursion;
            return WAIT_OBJECT_0;
        }
        const auto unowned = [&] { return mutex->owner == std::thread::id(); };
        if (!mutex->released.wait_until(guard, deadline, unowned)) return WAIT_TIMEOUT;
        // Claimed in the process first, so that one thread at a time waits for the other processes.
        mutex->owner = self;
        mutex->recursion = 1;
        guard.unlock();
        if (LockAcrossProcesses(*mutex, deadline)) return WAIT_OBJECT_0;
        guard.lock();
        mutex->owner = std::thread::id();
        mutex->recursion = 0;
        mutex->released.notify_one();
        return WAIT_TIMEOUT;
    });
}

BOOL WINAPI ReleaseMutex(HANDLE handle) noexcept
{
    return Boundary("ReleaseMutex", SetsLastError<BOOL>{FALSE}, [&]() -> BOOL {
        const std::shared_ptr<Mutex> mutex = FindMutex(handle);
        if (mutex == nullptr) return WithLastError(ERROR_INVALID_HANDLE, FALSE);
        std::lock_guard guard(mutex->state);
        if (mutex->owner != std::this_thread::get_id()) return WithLastError(ERROR_NOT_OWNER, FALSE);
        if (--mutex->recursion == 0) {
            if (mutex->lockFile >= 0) (void)flock(mutex->lockFile, LOCK_UN);
            mutex->owner = std::thread::id();
            mutex->released.notify_one();
        }
        return TRUE;
    });
}

// An armed fault leaves the handle open.
BOOL WINAPI CloseHandle(HANDLE handle) noexcept
{
    return Boundary("CloseHandle", SetsLastError<BOOL>{FALSE}, [&]() -> BOOL {
        MutexTable& table = Table();
        std::unique_ptr<MutexHandle> closed;  // destroyed after the table's lock is let go
        std::lock_guard guard(table.lock);
        const auto found = table.handles.find(static_cast<MutexHandle*>(handle));
        if (found == table.handles.end()) return WithLastError(ERROR_INVALID_HANDLE, FALSE);
        closed.reset(*found);
        table.handles.erase(found);
        const std::string& name = closed->mutex->name;
        if (!name.empty() && closed->mutex.use_count() == 1) table.named.erase(name);
        return TRUE;
    });
}

}  // extern "C"
