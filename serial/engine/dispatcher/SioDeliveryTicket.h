#pragma once
// One detached delivery's ticket: the messenger tells it when the window's handler starts and
// ends, and whoever ends the delivery first books the end on the dispatcher.
//
// Whoever comes first ends it: the window's thread once the handler has returned or the message
// was dropped, or whoever finds its send timed out. Every later call finds it ended and leaves the
// dispatcher alone, so a late handler's end touches nothing. The ticket's own lock is held while
// the end is booked; AwaitEndBooked lets a release wait until that is over.

#include "serial/engine/dispatcher/SioBaseDispatcher.h"

#include <chrono>
#include <mutex>

class TSioBaseDispatcher::TDeliveryTicket final : public ISioSendCompletion {
public:
    TDeliveryTicket(TSioBaseDispatcher& dispatcher, std::uintptr_t announced)
        : Dispatcher_(dispatcher), Announced_(announced) {}

    bool Starting() noexcept override {
        std::lock_guard lock(Lock_);
        if (State_ != TState::Posted)
            return false;
        State_ = TState::Running;
        Started_ = std::chrono::steady_clock::now();
        return true;
    }
    void Finished() noexcept override {
        End(true, std::chrono::steady_clock::now() - Started_ <= HandOverBound);
    }
    void Dropped() noexcept override { End(false, false); }
    // The send has timed out: a handler not yet started never runs, a running one goes on alone.
    void Expire() noexcept { End(false, false); }
    // Returns once no end is being booked: the dispatcher may go then.
    void AwaitEndBooked() noexcept { std::lock_guard lock(Lock_); }

private:
    enum class TState { Posted, Running, Ended };

    void End(bool handled, bool quick) noexcept {
        std::lock_guard lock(Lock_);
        if (State_ == TState::Ended)
            return;
        State_ = TState::Ended;
        Dispatcher_.EndDetachedDelivery(Announced_, handled, quick);
    }

    TSioBaseDispatcher& Dispatcher_;
    const std::uintptr_t Announced_;
    std::mutex Lock_;
    TState State_ = TState::Posted;
    // Written by Starting, read by Finished: both on the window's thread.
    std::chrono::steady_clock::time_point Started_;
};
