#include "linux/registry/RegistryCall.h"

#include "linux/edge/TestHooks.h"
#include "linux/kernel/RegistryLocation.h"
#include "linux/registry/RegistryFile.h"
#include "linux/registry/RegistryStamp.h"

#include <pthread.h>
#include <unistd.h>

namespace quenvar::platform {
namespace {

struct RegistryState {
    std::mutex lock;
    Database database;
    pid_t owner = 0;  // the process that opened the connection
    HandleTable handles;
    std::uint64_t openings = 0;
    std::uint64_t committedWrites = 0;
};

void PrepareFork();
void AfterFork();

RegistryState& State()
{
    static RegistryState state;
    static const bool forkHandlers = pthread_atfork(PrepareFork, AfterFork, AfterFork) == 0;
    static_cast<void>(forkHandlers);
    return state;
}

// SQLite's file locks are per process and its bookkeeping of them is not fork-aware, so no
// connection may cross a fork: it is closed before and each side reopens on its next call.
// Holding the lock across the fork also keeps the child from inheriting a call half done.
void PrepareFork()
{
    RegistryState& state = State();
    state.lock.lock();
    state.database.Close();
}

void AfterFork() { State().lock.unlock(); }

DWORD OpenDatabase(RegistryState& state)
{
    if (state.database.IsOpen() && state.owner == getpid()) return ERROR_SUCCESS;
    // A child made without the fork handlers (a raw clone) must never use its parent's connection.
    if (state.database.IsOpen()) state.database.Abandon();
    std::string path;
    bool exists = false;
    DWORD error = RegistryFilePath(path);
    if (error == ERROR_SUCCESS) error = CreateRegistryFolders(path);
    if (error == ERROR_SUCCESS) error = CheckRegistryFile(path, exists);
    if (error == ERROR_SUCCESS) error = state.database.Open(path, !exists);
    if (error == ERROR_SUCCESS) {
        state.owner = getpid();
        ++state.openings;
    }
    return error;
}

// While this process holds the lock, only other processes write the header.
bool StampFromSharedMemory(const RegistryState& state, RegistryStamp& stamp)
{
    WalIndexChange change;
    const volatile void* walIndex = state.database.WalIndex();
    if (walIndex == nullptr || !ReadWalIndexChange(walIndex, change)) return false;
    stamp = RegistryStamp{state.openings, state.committedWrites, /*fromSharedMemory=*/true, change};
    return true;
}

}  // namespace

RegistryCall::RegistryCall() : lock_(State().lock) {}

DWORD RegistryCall::Begin(bool write)
{
    const DWORD error = OpenDatabase(State());
    if (error != ERROR_SUCCESS) return error;
    write_ = write;
    transaction_.emplace(State().database);
    return transaction_->Begin(write);
}

DWORD RegistryCall::Commit()
{
    const DWORD error = transaction_->Commit();
    if (error == ERROR_SUCCESS && write_) ++State().committedWrites;
    return error;
}

DWORD RegistryCall::Resolve(HKEY handle, REGSAM needed, KeyHandle& key)
{
    if (!State().handles.Find(handle, key)) return ERROR_INVALID_HANDLE;
    if ((key.access & needed) != needed) return ERROR_ACCESS_DENIED;
    bool exists = false;
    const DWORD error = KeyExists(State().database, key.key, exists);
    if (error != ERROR_SUCCESS) return error;
    return exists ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

Database& RegistryCall::database() { return State().database; }

HandleTable& RegistryCall::handles() { return State().handles; }

DWORD ReadRegistryStamp(RegistryStamp& stamp)
{
    RegistryState& state = State();
    std::lock_guard guard(state.lock);
    // The common case needs no transaction and no system call, not even the process check
    // of a registry call: a fork closes the connection.
    if (StampFromSharedMemory(state, stamp)) return ERROR_SUCCESS;
    DWORD error = OpenDatabase(state);
    if (error == ERROR_SUCCESS && StampFromSharedMemory(state, stamp)) return ERROR_SUCCESS;
    Statement statement;
    if (error == ERROR_SUCCESS) error = state.database.Prepare("PRAGMA data_version", statement);
    bool row = false;
    if (error == ERROR_SUCCESS) error = statement.Step(row);
    if (error != ERROR_SUCCESS) return error;
    if (!row) return ERROR_REGISTRY_IO_FAILED;
    stamp = RegistryStamp{state.openings, state.committedWrites, /*fromSharedMemory=*/false, {}, statement.Integer(0)};
    return ERROR_SUCCESS;
}

void ResetRegistry()
{
    RegistryState& state = State();
    std::lock_guard guard(state.lock);
    state.database.Close();
    state.handles.Clear();
}

}  // namespace quenvar::platform

void QuenvarTestReopenRegistry() noexcept { quenvar::platform::ResetRegistry(); }

std::size_t QuenvarTestOpenRegistryHandles() noexcept
{
    quenvar::platform::RegistryCall call;
    return call.handles().Count();
}
