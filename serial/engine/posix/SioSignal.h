#pragma once
// A small auto- or manual-reset event on an eventfd, so a worker can wait for it together with
// the device in one poll().
//
// Set, Reset, Wait and Fd may be called from any thread once Create has succeeded; Create and
// Close belong to the owner, while no thread waits. A closed signal ignores Set and Reset, and
// Wait on it returns false at once. Nothing throws.

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
    bool Exists() const { return Fd_ >= 0; }

    void Set();
    void ResetSignal();
    // True when the signal was set within `timeout` (negative: no limit); an automatic signal is
    // consumed by the waiter that sees it.
    bool Wait(std::chrono::milliseconds timeout);
    // For poll(): readable while set. After poll() reported it, call Consume().
    int Fd() const { return Fd_; }
    // Takes the signal for an automatic reset; a manual signal stays set.
    void Consume();

private:
    Reset Reset_;
    int Fd_ = -1;
};
