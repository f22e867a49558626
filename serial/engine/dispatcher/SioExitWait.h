#pragma once
// Waiting for the end of a port's workers (or of a read pass or a delivery): a thread with
// windows handles its messages meanwhile, so a delivery to it can finish; a worker, or a thread
// without a messenger, sleeps on a condition that every end wakes. Nothing spins.
//
// Any thread. The lock is a leaf: it only pairs with the condition.

#include "runtime/SioWindowMessenger.h"

#include <condition_variable>
#include <functional>
#include <mutex>

class TSioExitWait {
public:
    // `messenger` may be null: then every wait sleeps.
    explicit TSioExitWait(ISioWindowMessenger* messenger) : Messenger_(messenger) {}

    // Runs `change` (what the waiters look at) under the lock, then wakes every waiter.
    void Wake(const std::function<void()>& change = {});
    // Returns once `done` holds, looking again after each wake-up and each message handled.
    void Wait(const std::function<bool()>& done, bool handleMessages);

private:
    ISioWindowMessenger* const Messenger_;
    std::mutex Lock_;
    std::condition_variable Ended_;
};
