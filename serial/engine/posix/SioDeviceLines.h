#pragma once
// What the driver tells of a port's line beside its bytes: the line-error counters and the modem
// lines, each asked for only while the driver keeps them (a pseudo-terminal keeps neither).
//
// The opening thread and the dispatch worker (re-attach) put a device in place while no
// counter is being read; the counters are read under the core's output lock, the modem lines by
// any thread.

#include "serial/engine/posix/SioPosixDevice.h"

#include <atomic>
#include <cstdint>

class TSioDeviceLines {
public:
    // A device opened anew: both are asked for again, and the counters' first reading is the
    // base for the next.
    void Open();
    // A device that took the vanished one's place: its counters start afresh, its lines are read
    // at once so their return raises no event.
    void Reattached(int fd);
    bool HasModemLines() const { return ModemLines_.load(); }
    // The line-error bits of the counters that grew since the last reading.
    std::uint32_t TakeErrorBits(int fd);
    // The modem lines in bits 4-7; while the device is `gone`, as last seen.
    std::uint8_t ReadLines(int fd, bool gone);
    // The Ev* bits of how `lines` differ from the lines the last call saw.
    std::uint32_t TakeModemEvents(std::uint8_t lines) {
        return ModemEventsOfChange(LastLines_.exchange(lines), lines);
    }

private:
    std::atomic<bool> ModemLines_{true};
    // Read by any thread while the device is gone.
    std::atomic<std::uint8_t> LastLines_{0};
    std::atomic<bool> Counters_{true};
    TSioErrorCounts LastCounts_{};
    bool CountsKnown_ = false;
    // Set by the dispatch worker as it re-attaches.
    std::atomic<bool> CountsStale_{false};
};
