#pragma once
// A port's device that vanishes while open (hang-up, read of 0, EIO), and the one that takes its
// place. It is let go at once: /dev/null takes the descriptor's place, which drops the tty (and
// its lock) while the descriptor number stays valid for every worker. Every ReattachInterval the
// same path is tried again where it can lead to the same device: a device node named directly, a
// link made anew, or a link to a device that is no pseudo-terminal (a vanished pseudo-terminal's
// number goes to whoever makes the next one). A device that opens gets the port's line, flow, DTR
// and RTS settings and takes the descriptor's place. Meanwhile the port stays open and only falls
// silent: output goes nowhere (it is dropped, as on a failed write), settings are kept for the
// next device.
//
// The opening thread calls Open; any thread asks Gone and marks the device gone; the dispatch
// worker alone runs Service. The slot's lock (SioDeviceSlot.h) orders the descriptor swaps
// against the close; a re-attach holds the core's StateLock first.

#include "serial/engine/dispatcher/SioDispatcherCore.h"
#include "serial/engine/posix/SioDeviceLines.h"
#include "serial/engine/posix/SioDevicePath.h"
#include "serial/engine/posix/SioDeviceSlot.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

// How often the path of a vanished device is tried again.
inline constexpr std::chrono::milliseconds ReattachInterval{250};

class TSioVanishedDevice {
public:
    // `reattached` runs after a device took the vanished one's place, StateLock held.
    TSioVanishedDevice(ISioDispatcherCore& core, TSioDeviceSlot& slot, TSioDeviceLines& lines,
                       std::function<void()> reattached)
        : Core_(core), Slot_(slot), Lines_(lines), Reattached_(std::move(reattached)) {}

    // A device opened anew by `path`.
    void Open(const std::string& path) {
        Gone_ = false;
        Path_.Open(path);
    }
    // True from the device's hang-up until a device is re-attached.
    bool Gone() const { return Gone_.load(); }
    // True only for the first notice of a hang-up.
    bool MarkGone() { return !Gone_.exchange(true); }
    std::uint64_t Reattachments() const { return Reattachments_.load(); }
    // When the dispatch worker's next try to re-attach is due.
    std::chrono::steady_clock::time_point NextReattach() const { return NextReattach_; }
    // Dispatch worker, after each cycle: lets go of a vanished device, or tries to re-attach.
    void Service();

private:
    // Opens the port's path and gives it the port's settings; the descriptor or minus errno.
    // StateLock held.
    int OpenReplacement();

    ISioDispatcherCore& Core_;
    TSioDeviceSlot& Slot_;
    TSioDeviceLines& Lines_;
    const std::function<void()> Reattached_;
    std::atomic<bool> Gone_{false};
    TSioDevicePath Path_;
    std::chrono::steady_clock::time_point NextReattach_;
    std::atomic<std::uint64_t> Reattachments_{0};
};
