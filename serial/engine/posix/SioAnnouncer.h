#pragma once
// One announcer at a time: whichever thread runs the notification part of a cycle (a worker,
// or a read pass of the window's thread) holds the turn; and how long the latest timed turn took,
// handlers included, so a worker can tell that the receivers are slow.
//
// Any thread. The turn is recursive, as a handler run in place may change what is due.

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>

class TSioAnnouncer {
public:
    // Runs `announce` unless another thread has the turn; false then. A timed turn is kept for
    // ReceiversSlow.
    bool TryRun(const std::function<void()>& announce, bool timed = false);
    // Waits for the turn, then runs `announce` timed.
    void Run(const std::function<void()>& announce);
    // The latest timed turn took longer than a hand-over of the line costs.
    bool ReceiversSlow() const;

private:
    void RunTimed(const std::function<void()>& announce);

    std::recursive_mutex Turn_;
    std::atomic<std::chrono::microseconds> Last_{};
};
