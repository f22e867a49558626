#include "serial/engine/dispatcher/SioDispatcherRegistry.h"

namespace {
constexpr std::size_t MaxSlots = 65536;
}

std::recursive_mutex& RegistryLock() {
    static std::recursive_mutex lock;
    return lock;
}

TSioDispatcherRegistry& DispatcherRegistry() {
    static TSioDispatcherRegistry registry;
    return registry;
}

std::int32_t TSioDispatcherRegistry::Register(TSioBaseDispatcher* dispatcher) {
    std::lock_guard lock(RegistryLock());
    for (std::size_t i = 0; i < Slots_.size(); ++i) {
        if (Slots_[i] == nullptr) {
            Slots_[i] = dispatcher;
            return static_cast<std::int32_t>(i);
        }
    }
    if (Slots_.size() >= MaxSlots)
        return -1;
    Slots_.push_back(dispatcher);
    return static_cast<std::int32_t>(Slots_.size() - 1);
}

void TSioDispatcherRegistry::Unregister(std::int32_t index) {
    std::lock_guard lock(RegistryLock());
    if (index < 0 || static_cast<std::size_t>(index) >= Slots_.size())
        return;
    Slots_[static_cast<std::size_t>(index)] = nullptr;
    while (!Slots_.empty() && Slots_.back() == nullptr)
        Slots_.pop_back();
}

TSioBaseDispatcher* TSioDispatcherRegistry::Lookup(std::uint16_t index) const {
    return index < Slots_.size() ? Slots_[index] : nullptr;
}

std::size_t TSioDispatcherRegistry::Size() const {
    return Slots_.size();
}
