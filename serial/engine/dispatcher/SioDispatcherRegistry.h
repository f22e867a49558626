#pragma once
// The process-wide registry of live dispatchers.
//
// Every dispatcher takes the first empty slot at construction (or appends one) and keeps that
// index as its handle; destruction empties the slot and drops empty slots at the list's end, so
// indices are reused and stay below 65536 (they travel in the high 16 bits of lParam).
//
// Locking: RegistryLock() is a process-wide recursive mutex. Register and Unregister take it
// themselves. Lookup and Size must be called with RegistryLock() held by the caller; the
// component's window procedure holds it for a whole delivery, so the dispatcher it finds cannot
// be destroyed under it. A slot is never reused while RegistryLock is held by another thread.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

class TSioBaseDispatcher;

std::recursive_mutex& RegistryLock();

class TSioDispatcherRegistry {
public:
    // Any thread, takes RegistryLock. Returns the slot index, or -1 when all 65536 slots are
    // taken.
    std::int32_t Register(TSioBaseDispatcher* dispatcher);
    // Any thread, takes RegistryLock. Empties the slot; unknown indices are ignored.
    void Unregister(std::int32_t index);
    // RegistryLock held by the caller. The dispatcher in the slot, or null for an empty slot or
    // an index past the end.
    TSioBaseDispatcher* Lookup(std::uint16_t index) const;
    // RegistryLock held by the caller. The list's length, empty slots at the end excluded.
    std::size_t Size() const;

private:
    std::vector<TSioBaseDispatcher*> Slots_;
};

TSioDispatcherRegistry& DispatcherRegistry();
