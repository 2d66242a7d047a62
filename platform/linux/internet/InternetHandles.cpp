// The handle table: values count up from a base like the platform's, are never reused, and are
// looked up under one lock that is held only for the look-up itself.
#include "linux/internet/InternetHandles.h"
#include "linux/internet/HandleSlots.h"
#include "linux/edge/TestHooks.h"
#include "linux/edge/WithLastError.h"

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

struct HandleTable {
    QuickLock lock;
    std::uintptr_t nextValue = 0xCC0004;
    HandleSlots<HandleEntry> entries;

    // Takes the entry out of its parent's list of children.
    void Unlink(const HandleEntry& entry)
    {
        if (HandleEntry* previous = entries.Find(entry.previousSibling)) {
            previous->nextSibling = entry.nextSibling;
        } else if (HandleEntry* parent = entries.Find(entry.parent)) {
            parent->firstChild = entry.nextSibling;
        }
        if (HandleEntry* next = entries.Find(entry.nextSibling)) next->previousSibling = entry.previousSibling;
    }
};

// Constant-initialised: a look-up needs no check that the table was made.
constinit HandleTable table;

std::uintptr_t ValueOf(HINTERNET handle) { return reinterpret_cast<std::uintptr_t>(handle); }

}  // namespace

HINTERNET RegisterInternetObject(std::shared_ptr<InternetObject> object, HINTERNET parent)
{
    std::lock_guard guard(table.lock);
    const std::uintptr_t value = table.nextValue;
    HandleEntry entry{std::move(object), ValueOf(parent)};
    if (const HandleEntry* parentEntry = table.entries.Find(entry.parent)) entry.nextSibling = parentEntry->firstChild;
    const std::uintptr_t nextSibling = entry.nextSibling;
    table.entries.Insert(value, std::move(entry));
    if (HandleEntry* parentEntry = table.entries.Find(ValueOf(parent))) parentEntry->firstChild = value;
    if (HandleEntry* next = table.entries.Find(nextSibling)) next->previousSibling = value;
    table.nextValue += 4;
    return reinterpret_cast<HINTERNET>(value);
}

std::shared_ptr<InternetObject> FindInternetObject(HINTERNET handle, InternetHandleKind kind)
{
    std::lock_guard guard(table.lock);
    const HandleEntry* found = table.entries.Find(ValueOf(handle));
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
    std::lock_guard guard(table.lock);
    const HandleEntry* found = table.entries.Find(ValueOf(handle));
    if (found == nullptr) return WithLastError(ERROR_INVALID_HANDLE, false);
    table.Unlink(*found);
    // The usual close, of a handle whose children are closed already, needs no lists.
    if (found->firstChild == 0) {
        closedAlone = table.entries.Remove(ValueOf(handle)).object;
        return true;
    }
    // The handle and every handle below it go; links between them need no mending.
    std::vector<std::uintptr_t> pending{ValueOf(handle)};
    while (!pending.empty()) {
        const std::uintptr_t value = pending.back();
        pending.pop_back();
        const HandleEntry* entry = table.entries.Find(value);
        if (entry == nullptr) continue;
        for (std::uintptr_t child = entry->firstChild; child != 0;) {
            pending.push_back(child);
            const HandleEntry* childEntry = table.entries.Find(child);
            child = childEntry == nullptr ? 0 : childEntry->nextSibling;
        }
        closed.push_back(table.entries.Remove(value).object);
    }
    return true;
}

}  // namespace quenvar::platform

std::size_t QuenvarTestOpenInternetHandles() noexcept
{
    std::lock_guard guard(quenvar::platform::table.lock);
    return quenvar::platform::table.entries.size();
}
