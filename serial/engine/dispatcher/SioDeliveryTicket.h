#pragma once
// One detached delivery's ticket: the messenger tells it when the window's handler starts and
// ends, and whoever ends the delivery first books the end.
//
// Whoever comes first ends it: the window's thread once the handler has returned or the message
// was dropped, or whoever finds its send timed out. Every later call finds it ended and books
// nothing, so a late handler's end touches nothing. The ticket's own lock is held while the end
// is booked; AwaitEndBooked lets a release wait until that is over.

#include "runtime/SioWindowMessenger.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

class TSioDeliveryTicket final : public ISioSendCompletion {
public:
    // `announced`: the byte count the notification carried; `quick`: the handler returned within
    // HandOverBound.
    using TEnd = std::function<void(std::uintptr_t announced, bool handled, bool quick)>;

    TSioDeliveryTicket(std::uintptr_t announced, TEnd end)
        : Announced_(announced), End_(std::move(end)) {}

    bool Starting() noexcept override;
    void Finished() noexcept override;
    void Dropped() noexcept override { End(false, false); }
    // The send has timed out: a handler not yet started never runs, a running one goes on alone.
    void Expire() noexcept { End(false, false); }
    // Returns once no end is being booked: the dispatcher may go then.
    void AwaitEndBooked() noexcept { std::lock_guard lock(Lock_); }

private:
    enum class TState { Posted, Running, Ended };

    void End(bool handled, bool quick) noexcept;

    const std::uintptr_t Announced_;
    const TEnd End_;
    std::mutex Lock_;
    TState State_ = TState::Posted;
    // Written by Starting, read by Finished: both on the window's thread.
    std::chrono::steady_clock::time_point Started_;
};
