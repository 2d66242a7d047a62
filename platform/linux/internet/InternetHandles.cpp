// The handle table: values count up from a base like the platform's, are never reused, and are
// looked up under one lock that is held only for the look-up itself.
#include "linux/internet/InternetHandles.h"
#include "linux/internet/FreeBlocks.h"
#include "linux/edge/TestHooks.h"
#include "linux/edge/WithLastError.h"

#include <unordered_map>
#include <vector>

namespace quenvar::platform {
namespace {

struct HandleEntry {
    std::shared_ptr<InternetObject> object;
    std::uintptr_t parent;
    // The open handles opened from this one, as a list through their entries (0 ends it): a close
    // finds a handle's children without searching the table, whatever else is open, and keeping
    // them costs no block of its own.
    std::uintptr_t firstChild = 0;
    std::uintptr_t previousSibling = 0;
    std::uintptr_t nextSibling = 0;
};

using Entries = std::unordered_map<std::uintptr_t, HandleEntry, std::hash<std::uintptr_t>, std::equal_to<>,
                                   FreeBlocksAllocator<std::pair<const std::uintptr_t, HandleEntry>>>;

struct HandleTable {
    QuickLock lock;
    std::uintptr_t nextValue = 0xCC0004;
    // A query opens and closes three handles: their entries reuse freed ones under the lock.
    FreeBlocks blocks;
    Entries entries{Entries::allocator_type(blocks)};

    // NULL when no handle has the value; 0, which none has, ends the lists.
    HandleEntry* Find(std::uintptr_t value)
    {
        if (value == 0) return nullptr;
        const auto found = entries.find(value);
        return found == entries.end() ? nullptr : &found->second;
    }

    // Takes the entry out of its parent's list of children.
    void Unlink(const HandleEntry& entry)
    {
        if (HandleEntry* previous = Find(entry.previousSibling)) {
            previous->nextSibling = entry.nextSibling;
        } else if (HandleEntry* parent = Find(entry.parent)) {
            parent->firstChild = entry.nextSibling;
        }
        if (HandleEntry* next = Find(entry.nextSibling)) next->previousSibling = entry.previousSibling;
    }
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
    HandleEntry entry{std::move(object), ValueOf(parent)};
    HandleEntry* parentEntry = table.Find(ValueOf(parent));
    if (parentEntry != nullptr) entry.nextSibling = parentEntry->firstChild;
    table.entries.emplace(value, std::move(entry));
    if (parentEntry != nullptr) {
        if (HandleEntry* next = table.Find(parentEntry->firstChild)) next->previousSibling = value;
        parentEntry->firstChild = value;
    }
    table.nextValue += 4;
    return reinterpret_cast<HINTERNET>(value);
}

std::shared_ptr<InternetObject> FindInternetObject(HINTERNET handle, InternetHandleKind kind)
{
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    const HandleEntry* found = table.Find(ValueOf(handle));
    if (found == nullptr) return WithLastError(ERROR_INVALID_HANDLE, nullptr);
    if (found->object->kind != kind) return WithLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE, nullptr);
    return found->object;
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
    table.Unlink(found->second);
    // The usual close, of a handle whose children are closed already, needs no lists.
    if (found->second.firstChild == 0) {
        closedAlone = std::move(found->second.object);
        table.entries.erase(found);
        return true;
    }
    // The handle and every handle below it go; links between them need no mending.
    std::vector<std::uintptr_t> pending{found->first};
    while (!pending.empty()) {
        const auto entry = table.entries.find(pending.back());
        pending.pop_back();
        if (entry == table.entries.end()) continue;
        for (std::uintptr_t child = entry->second.firstChild; child != 0;) {
            pending.push_back(child);
            const HandleEntry* childEntry = table.Find(child);
            child = childEntry == nullptr ? 0 : childEntry->nextSibling;
        }
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
