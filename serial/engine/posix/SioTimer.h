#pragma once
// A one-shot timer on a timerfd, so a worker can wait for it together with the device in one
// poll(). Arm and Disarm may be called from any thread once Create has succeeded; Create and
// Close belong to the owner, while no thread waits. Nothing throws.

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
    int Fd() const { return Fd_; }
    void Consume();

private:
    void Set(std::chrono::microseconds after);
    int Fd_ = -1;
};
