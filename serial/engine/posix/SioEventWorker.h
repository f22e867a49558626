#pragma once
// The event worker's loop: waits for the device (input, a hang-up), a wake-up or the hand-over
// timer; serves input at once, and hands every other device event on to the dispatch worker.
//
// Runs on the event worker's thread; the events it hands on are taken by the dispatch worker's
// cycle (TakeEvents). It holds no lock while it waits.

#include "serial/engine/dispatcher/SioDispatcherCore.h"
#include "serial/engine/posix/SioWorkerSignals.h"

#include <atomic>
#include <cstdint>
#include <functional>

class TSioEventWorker {
public:
    // What the loop asks of the device layer that runs it.
    struct THooks {
        // The wait: adds the Ev* bits seen to the mask; false when the wait failed.
        std::function<bool(std::uint32_t& mask)> Wait{};
        // Reads the input and announces it, or leaves that to the dispatch worker.
        std::function<void()> ServeInput{};
        // Wakes the dispatch worker for the events handed on.
        std::function<void()> WakeDispatch{};
    };

    TSioEventWorker(ISioDispatcherCore& core, TSioWorkerSignals& wakeups, THooks hooks)
        : Core_(core), Signals_(wakeups), Hooks_(std::move(hooks)) {}

    void Run();
    // The events handed on since the last call.
    std::uint32_t TakeEvents() { return Events_.exchange(0); }
    std::uint64_t Wakeups() const { return Wakeups_.load(); }

private:
    ISioDispatcherCore& Core_;
    TSioWorkerSignals& Signals_;
    const THooks Hooks_;
    std::atomic<std::uint32_t> Events_{0};
    std::atomic<std::uint64_t> Wakeups_{0};
};
