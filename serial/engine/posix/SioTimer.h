#pragma once
// A one-shot timer on a timerfd, so a worker can wait for it together with the device in one
// poll(). Arm, Disarm and Fd may be called from any thread, also while the owner creates it; a
// timer not yet created ignores them. Close belongs to the owner, while no thread uses it.
// Nothing throws.

#include <atomic>
#include <chrono>

class TSioTimer {
public:
    TSioTimer() = default;
    ~TSioTimer() { Close(); }
    TSioTimer(const TSioTimer&) = delete;
    TSioTimer& operator=(const TSioTimer&) = delete;

    // 0, or minus errno.
    int Create();
    void Close();

    // Readable once `after` has passed, unless disarmed first.
    void Arm(std::chrono::microseconds after);
    void Disarm();
    // For poll(). After poll() reported it, call Consume().
    int Fd() const { return Fd_.load(); }
    void Consume();

private:
    void Set(std::chrono::microseconds after);
    std::atomic<int> Fd_{-1};
};
