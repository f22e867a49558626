#include "serial/engine/dispatcher/SioExitWait.h"

namespace {
// Between two passes a message-handling wait sleeps at most one classic timer tick.
constexpr std::chrono::milliseconds WaitPass{55};
} // namespace

void TSioExitWait::Wake(const std::function<void()>& change) {
    {
        std::lock_guard lock(Lock_);
        if (change)
            change();
        Ended_.notify_all();
    }
    if (Messenger_)
        Messenger_->WakeWaiters();
}

void TSioExitWait::Wait(const std::function<bool()>& done, bool handleMessages) {
    while (!done()) {
        if (Messenger_ && handleMessages) {
            Messenger_->ProcessOnePending(WaitPass);
        } else {
            std::unique_lock lock(Lock_);
            Ended_.wait_for(lock, WaitPass, done);
        }
    }
}
