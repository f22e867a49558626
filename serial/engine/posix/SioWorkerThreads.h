#pragma once
// The threads of a port's three workers: which have started since the open, their thread and
// kernel ids, their priorities, and the join after they have ended.
//
// The opening thread claims and spawns (under the dispatcher's state lock, so no stop slips in
// between) and joins; each worker books its kernel id as it starts and ends; any thread asks
// whether it is one of the workers. The part's own lock is a leaf: nothing is called under it.

#include "serial/engine/dispatcher/SioDispatcherFlags.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class TSioWorkerThreads {
public:
    // A new open: each worker may start once more. The threads of the earlier one are joined.
    void Rearm();
    bool Started(TSioWorkerKind kind) const { return Started_[Index(kind)].load(); }
    // Marks the worker started when it has not been since the open and `countIn` admits it.
    bool Claim(TSioWorkerKind kind, const std::function<bool()>& countIn);
    // Runs `body` on the claimed worker's thread; false when no thread could be had.
    bool Spawn(TSioWorkerKind kind, std::function<void()> body);
    std::array<std::thread::id, 3> Ids() const;
    // True on one of the workers' threads.
    bool OnWorker() const;
    // Joins every worker thread that has been spawned, except the calling one.
    void JoinEnded();

    // On the worker's own thread as it starts (priorities apply to it from then on) and ends.
    void Enter(TSioWorkerKind kind);
    void Leave(TSioWorkerKind kind) { Tids_[Index(kind)] = 0; }
    // Whether the last ApplyPriorities raised any; a starting worker then applies them itself.
    bool PrioritiesRaised() const { return PrioritiesRaised_.load(); }
    // Steps above normal for every worker, one more for the output worker under RS-485. Raising a
    // priority needs a privilege; without it a worker keeps its priority.
    void ApplyPriorities(std::uint8_t boost, bool rs485);

private:
    static int Index(TSioWorkerKind kind) { return static_cast<int>(kind); }

    mutable std::mutex Lock_;
    // Set under Lock_, read without it.
    std::array<std::atomic<bool>, 3> Started_{};
    std::array<std::thread, 3> Threads_;
    std::array<std::thread::id, 3> Ids_{};
    // Paired with PrioritiesRaised_, so a starting worker needs no lock: it sees the flag, or
    // the setter sees its id.
    std::array<std::atomic<int>, 3> Tids_{};
    std::atomic<bool> PrioritiesRaised_{false};
};
