#pragma once
// The dispatch worker's loop: a cycle (device events, line errors, input) whenever it is woken
// and whenever one is due, then the look after a vanished device.
//
// Runs on the dispatch worker's thread; the cycle takes the announcer's turn, so it never
// announces beside another thread.

#include "serial/engine/dispatcher/SioDispatcherCore.h"
#include "serial/engine/posix/SioAnnouncer.h"
#include "serial/engine/posix/SioWorkerSignals.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

class TSioDispatchWorker {
public:
    // What the loop asks of the device layer that runs it.
    struct THooks {
        // How long the worker may wait for a wake-up before a cycle is due (negative: no limit).
        std::function<std::chrono::milliseconds()> NextCycleDue{};
        // After each cycle: lets go of a vanished device, or tries to re-attach one.
        std::function<void()> AfterCycle{};
    };

    TSioDispatchWorker(ISioDispatcherCore& core, TSioWorkerSignals& wakeups,
                       TSioAnnouncer& announcer, THooks hooks)
        : Core_(core), Signals_(wakeups), Announcer_(announcer), Hooks_(std::move(hooks)) {}

    void Run();
    std::uint64_t Wakeups() const { return Wakeups_.load(); }

private:
    ISioDispatcherCore& Core_;
    TSioWorkerSignals& Signals_;
    TSioAnnouncer& Announcer_;
    const THooks Hooks_;
    std::atomic<std::uint64_t> Wakeups_{0};
};
