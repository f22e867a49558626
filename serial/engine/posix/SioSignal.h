#pragma once
// A small auto- or manual-reset event on an eventfd, so a worker can wait for it together with
// the device in one poll().
//
// Set, Reset, Wait and Fd may be called from any thread, also while the owner creates the
// signal; Close belongs to the owner, while no thread uses it. A signal not yet created (or
// closed) ignores Set and Reset, and Wait on it returns false at once. Nothing throws.

#include <atomic>
#include <chrono>

class TSioSignal {
public:
    enum class Reset { Automatic, Manual };

    explicit TSioSignal(Reset reset) : Reset_(reset) {}
    ~TSioSignal() { Close(); }
    TSioSignal(const TSioSignal&) = delete;
    TSioSignal& operator=(const TSioSignal&) = delete;

    // 0, or minus errno.
    int Create();
    void Close();

    void Set();
    void ResetSignal();
    // True when the signal was set within `timeout` (negative: no limit); an automatic signal is
    // consumed by the waiter that sees it.
    bool Wait(std::chrono::milliseconds timeout);
    // For poll(): readable while set. After poll() reported it, call Consume().
    int Fd() const { return Fd_.load(); }
    // Takes the signal for an automatic reset; a manual signal stays set.
    void Consume();

private:
    Reset Reset_;
    std::atomic<int> Fd_{-1};
};
