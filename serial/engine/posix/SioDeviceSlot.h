#pragma once
// The descriptor a port's workers use, and what stands behind its number: the device, /dev/null
// while a vanished device is let go, or a device that took the vanished one's place. The number
// stays valid for every worker until the close, so none ever touches a reused one.
//
// Any thread reads the number. The opening thread puts a device in, and closes once no worker
// can use it; the dispatch worker swaps. The lock orders the swaps against the close.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

class TSioDeviceSlot {
public:
    int Fd() const { return Fd_.load(); }
    // A device just opened.
    void Put(int fd) {
        Detached_ = false;
        Fd_ = fd;
    }
    void Close();
    // Puts /dev/null in the device's place: the tty, and its lock, go. True when it did.
    bool Detach();
    // Puts `fresh` in place of what stands there, closing `fresh` either way, and runs `swapped`
    // under the lock once it has; false when the slot is empty or the swap failed.
    bool Replace(int fresh, const std::function<void(int fd)>& swapped);
    // Whether /dev/null stands in; the dispatch worker asks.
    bool Detached() const { return Detached_; }
    // How often a vanished device was let go.
    std::uint64_t Detachments() const { return Detachments_.load(); }

private:
    std::atomic<int> Fd_{-1};
    std::mutex Lock_;
    // Changed under Lock_ by the dispatch worker and by the close once the workers have ended.
    bool Detached_ = false;
    std::atomic<std::uint64_t> Detachments_{0};
};
