#pragma once
// The output worker's loop: writes the output ring to the device in contiguous pieces, and
// answers a flush request at once.
//
// Runs on the output worker's thread; the core's output lock is held only to take or advance a
// piece, never while writing or waiting. A piece leaves the ring only once written.

#include "serial/engine/dispatcher/SioDispatcherCore.h"
#include "serial/engine/posix/SioDeviceSlot.h"
#include "serial/engine/posix/SioWorkerSignals.h"

#include <atomic>
#include <cstdint>
#include <functional>

class TSioOutputWorker {
public:
    // One write(2): the count written, or minus errno.
    using TWrite = std::function<std::int32_t(const std::uint8_t* data, std::uint32_t count)>;

    TSioOutputWorker(ISioDispatcherCore& core, TSioWorkerSignals& wakeups,
                     const TSioDeviceSlot& device, TWrite write)
        : Core_(core), Signals_(wakeups), Device_(device), Write_(std::move(write)) {}

    void Run();
    // How often the loop has come back from its wait.
    std::uint64_t Wakeups() const { return Wakeups_.load(); }

private:
    void WriteOutput();
    // Waits until the device takes output again; false when a flush request came first.
    bool WaitWritable();

    ISioDispatcherCore& Core_;
    TSioWorkerSignals& Signals_;
    const TSioDeviceSlot& Device_;
    const TWrite Write_;
    std::atomic<std::uint64_t> Wakeups_{0};
};
