// The handle table: values count up from a base like the platform's, are never reused, and are
// looked up under one lock that is held only for the look-up itself.
#include "linux/internet/InternetHandles.h"
#include "linux/edge/TestHooks.h"
#include "linux/edge/WithLastError.h"

#include <unordered_map>
#include <vector>

namespace quenvar::platform {
namespace {

struct HandleEntry {
    std::shared_ptr<InternetObject> object;
    std::uintptr_t parent;
    // Kept so that a close costs the same with thousands of handles open on other threads. A
    // handle has few children (a request has none, a connection usually one), so a vector beats a
    // hash set: one block, allocated with the first child.
    std::vector<std::uintptr_t> children;
};

struct HandleTable {
    std::mutex lock;
    std::uintptr_t nextValue = 0xCC0004;
    std::unordered_map<std::uintptr_t, HandleEntry> entries;
};

HandleTable& Table()
{
    static HandleTable table;
    return table;
}

std::uintptr_t ValueOf(HINTERNET handle) { return reinterpret_cast<std::uintptr_t>(handle); }

}  // namespace

HINTERNET RegisterInternetObject(std::shared_ptr<InternetObject> object, HINTERNET parent)
{
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    const std::uintptr_t value = table.nextValue;
    const auto entry = table.entries.emplace(value, HandleEntry{std::move(object), ValueOf(parent), {}}).first;
    const auto parentEntry = table.entries.find(ValueOf(parent));
    try {
        if (parentEntry != table.entries.end()) parentEntry->second.children.push_back(value);
    } catch (...) {
        table.entries.erase(entry);
        throw;
    }
    table.nextValue += 4;
    return reinterpret_cast<HINTERNET>(value);
}

std::shared_ptr<InternetObject> FindInternetObject(HINTERNET handle, InternetHandleKind kind)
{
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    const auto found = table.entries.find(ValueOf(handle));
    if (found == table.entries.end()) return WithLastError(ERROR_INVALID_HANDLE, nullptr);
    if (found->second.object->kind != kind) return WithLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE, nullptr);
    return found->second.object;
}

bool CloseInternetObject(HINTERNET handle)
{
    // The objects are released after the lock is dropped: a request's last owner may be a send
    // still running on another thread, and nothing here should wait for it.
    std::shared_ptr<InternetObject> closedAlone;
    std::vector<std::shared_ptr<InternetObject>> closed;
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    const auto found = table.entries.find(ValueOf(handle));
    if (found == table.entries.end()) return WithLastError(ERROR_INVALID_HANDLE, false);
    const auto parent = table.entries.find(found->second.parent);
    if (parent != table.entries.end()) std::erase(parent->second.children, found->first);
    // The usual close, of a handle whose children are closed already, needs no lists.
    if (found->second.children.empty()) {
        closedAlone = std::move(found->second.object);
        table.entries.erase(found);
        return true;
    }
    std::vector<std::uintptr_t> pending{found->first};
    while (!pending.empty()) {
        const auto entry = table.entries.find(pending.back());
        pending.pop_back();
        if (entry == table.entries.end()) continue;
        pending.insert(pending.end(), entry->second.children.begin(), entry->second.children.end());
        closed.push_back(std::move(entry->second.object));
        table.entries.erase(entry);
    }
    return true;
}

}  // namespace quenvar::platform

std::size_t QuenvarTestOpenInternetHandles() noexcept
{
    quenvar::platform::HandleTable& table = quenvar::platform::Table();
    std::lock_guard guard(table.lock);
    return table.entries.size();
}
