// Detached deliveries: a notification to one window goes out without waiting for its handler;
// the delivery ends on the window's thread, or where its send is found timed out.
#include "serial/engine/dispatcher/SioDeliveryTicket.h"

namespace {
std::int64_t SteadyNs(std::chrono::steady_clock::time_point at) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
}
} // namespace

bool TSioBaseDispatcher::SendDetachedDelivery(TSioWindowHandle window, TSioMessage message,
                                              std::uintptr_t wParam, std::intptr_t lParam) {
    auto ticket = std::make_shared<TDeliveryTicket>(*this, wParam);
    {
        std::lock_guard lock(StateLock_);
        FDelivery = ticket;
        FLastDelivery = ticket;
        FDeliveryDeadline = SteadyNs(std::chrono::steady_clock::now() + NotifySendTimeout);
    }
    if (!FMessenger->SendDetached(window, message, wParam, lParam, ticket))
        ticket->Dropped();
    return false;
}

void TSioBaseDispatcher::EndDetachedDelivery(std::uintptr_t announced, bool handled, bool quick) {
    EndDelivery(announced);
    if (FClosePending.load() || Workers_.Stopping()) {
        // The release of a close waits for this end before it frees the rings.
        WakeExitWaiters();
        return;
    }
    if (quick)
        HandlerWasQuick();
    if (handled && InputUnannounced() && DetachedReceiver() != 0) {
        // Input came in while the handler ran: the window's thread announces it at once, without
        // waiting on any other window.
        AnnounceAfterHandler();
    } else {
        AnnounceIfDue();
    }
}

TSioWindowHandle TSioBaseDispatcher::DetachedReceiver() {
    std::lock_guard lock(StateLock_);
    const bool served = NotifyWindowList.Size() > 1 || OwnerHandlesEvents;
    return served && FMessenger && !Workers_.Stopping() ? NotifyWindowList.Only() : 0;
}

std::optional<std::chrono::steady_clock::time_point> TSioBaseDispatcher::DeliveryDeadline() const {
    const std::int64_t deadline = FDeliveryDeadline.load();
    if (deadline == 0)
        return std::nullopt;
    return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(deadline));
}

void TSioBaseDispatcher::WaitDetachedDeliveryEnd() {
    WaitHandlingMessages(
        [this] {
            ExpireOverdueDelivery();
            return !DetachedDeliveryOpen();
        },
        !CalledFromWorker());
    // The end clears the deadline under the ticket's lock and goes on to wake and announce.
    std::shared_ptr<TDeliveryTicket> last;
    {
        std::lock_guard lock(StateLock_);
        last = FLastDelivery;
    }
    if (last)
        last->AwaitEndBooked();
}

void TSioBaseDispatcher::ExpireOverdueDelivery() {
    const std::int64_t deadline = FDeliveryDeadline.load();
    if (deadline == 0 || SteadyNs(std::chrono::steady_clock::now()) < deadline)
        return;
    std::shared_ptr<TDeliveryTicket> ticket;
    {
        std::lock_guard lock(StateLock_);
        ticket = FDelivery;
    }
    if (ticket)
        ticket->Expire();
}
