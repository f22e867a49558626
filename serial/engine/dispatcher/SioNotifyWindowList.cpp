#include "serial/engine/dispatcher/SioNotifyWindowList.h"

#include <algorithm>

void TSioNotifyWindowList::Add(TSioWindowHandle window) {
    Entries_.push_back({window, false});
}

bool TSioNotifyWindowList::Remove(TSioWindowHandle window, bool deferred) {
    auto found = std::find_if(Entries_.begin(), Entries_.end(), [window](const TEntry& entry) {
        return entry.Window == window && !entry.Removed;
    });
    if (found == Entries_.end())
        return false;
    if (deferred)
        found->Removed = true;
    else
        Entries_.erase(found);
    return true;
}

bool TSioNotifyWindowList::DropRemoved() {
    return std::erase_if(Entries_, [](const TEntry& entry) { return entry.Removed; }) > 0;
}

std::optional<TSioNotifyWindowList::TEntry> TSioNotifyWindowList::At(std::size_t index) const {
    if (index >= Entries_.size())
        return std::nullopt;
    return Entries_[index];
}

TSioWindowHandle TSioNotifyWindowList::Only() const {
    return Entries_.size() == 1 && !Entries_.front().Removed ? Entries_.front().Window : 0;
}

std::vector<TSioWindowHandle> TSioNotifyWindowList::Windows() const {
    std::vector<TSioWindowHandle> windows;
    for (const TEntry& entry : Entries_)
        windows.push_back(entry.Window);
    return windows;
}
