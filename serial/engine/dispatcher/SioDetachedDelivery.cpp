#include "serial/engine/dispatcher/SioDetachedDelivery.h"

#include "serial/engine/dispatcher/SioDispatcherFlags.h"

namespace {
std::int64_t SteadyNs(std::chrono::steady_clock::time_point at) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
}
} // namespace

bool TSioDeliveryTicket::Starting() noexcept {
    std::lock_guard lock(Lock_);
    if (State_ != TState::Posted)
        return false;
    State_ = TState::Running;
    Started_ = std::chrono::steady_clock::now();
    return true;
}

void TSioDeliveryTicket::Finished() noexcept {
    End(true, std::chrono::steady_clock::now() - Started_ <= HandOverBound);
}

void TSioDeliveryTicket::End(bool handled, bool quick) noexcept {
    std::lock_guard lock(Lock_);
    if (State_ == TState::Ended)
        return;
    State_ = TState::Ended;
    End_(Announced_, handled, quick);
}

std::shared_ptr<TSioDeliveryTicket> TSioDetachedDelivery::Open(std::uintptr_t announced,
                                                               TSioDeliveryTicket::TEnd end) {
    auto ticket = std::make_shared<TSioDeliveryTicket>(announced, std::move(end));
    std::lock_guard lock(Lock_);
    Current_ = ticket;
    Last_ = ticket;
    DeadlineNs_ = SteadyNs(std::chrono::steady_clock::now() + NotifySendTimeout);
    return ticket;
}

void TSioDetachedDelivery::Close() {
    std::lock_guard lock(Lock_);
    Current_.reset();
    DeadlineNs_ = 0;
}

std::optional<std::chrono::steady_clock::time_point> TSioDetachedDelivery::Deadline() const {
    const std::int64_t deadline = DeadlineNs_.load();
    if (deadline == 0)
        return std::nullopt;
    return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(deadline));
}

void TSioDetachedDelivery::ExpireIfOverdue() {
    const std::int64_t deadline = DeadlineNs_.load();
    if (deadline == 0 || SteadyNs(std::chrono::steady_clock::now()) < deadline)
        return;
    std::shared_ptr<TSioDeliveryTicket> ticket;
    {
        std::lock_guard lock(Lock_);
        ticket = Current_;
    }
    if (ticket)
        ticket->Expire();
}

void TSioDetachedDelivery::AwaitLastEnd() {
    std::shared_ptr<TSioDeliveryTicket> last;
    {
        std::lock_guard lock(Lock_);
        last = Last_;
    }
    if (last)
        last->AwaitEndBooked();
}
