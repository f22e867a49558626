#pragma once
// The windows a dispatcher notifies of available data, in the order they were added.
//
// A delivery walks the list by index with the dispatcher's state lock released between windows,
// so a window removed during a delivery stays in place, marked removed (it is skipped), until
// the delivery ends and DropRemoved takes it out. Not thread-safe: the dispatcher's state lock
// guards every call.

#include "runtime/SioWindowMessenger.h"

#include <cstddef>
#include <optional>
#include <vector>

class TSioNotifyWindowList {
public:
    struct TEntry {
        TSioWindowHandle Window;
        bool Removed;
    };

    void Add(TSioWindowHandle window);
    // Takes a listed, not yet removed window out at once, or only marks it when `deferred`
    // (during a delivery). False when no such window is listed.
    bool Remove(TSioWindowHandle window, bool deferred);
    // Takes the marked windows out; true when there were any.
    bool DropRemoved();

    std::size_t Size() const { return Entries_.size(); }
    bool Empty() const { return Entries_.empty(); }
    std::optional<TEntry> At(std::size_t index) const;
    // The one window when exactly one is listed and it is not removed, else 0.
    TSioWindowHandle Only() const;
    // Every listed window, removed ones too.
    std::vector<TSioWindowHandle> Windows() const;

private:
    std::vector<TEntry> Entries_;
};
