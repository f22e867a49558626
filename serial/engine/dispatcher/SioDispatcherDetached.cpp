// Detached deliveries: a notification to one window goes out without waiting for its handler;
// the delivery ends on the window's thread, or where its send is found timed out.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

bool TSioBaseDispatcher::SendDetachedDelivery(TSioWindowHandle window, TSioMessage message,
                                              std::uintptr_t wParam, std::intptr_t lParam) {
    auto ticket =
        Delivery_.Open(wParam, [this](std::uintptr_t announced, bool handled, bool quick) {
            EndDetachedDelivery(announced, handled, quick);
        });
    if (!Messenger_->SendDetached(window, message, wParam, lParam, ticket))
        ticket->Dropped();
    return false;
}

void TSioBaseDispatcher::EndDetachedDelivery(std::uintptr_t announced, bool handled, bool quick) {
    EndDelivery(announced);
    if (ClosePending_.load() || Workers_.Stopping()) {
        // The release of a close waits for this end before it frees the rings.
        ExitWait_.Wake();
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
    const bool served = NotifyWindowList_.Size() > 1 || OwnerHandlesEvents_;
    return served && Messenger_ && !Workers_.Stopping() ? NotifyWindowList_.Only() : 0;
}

void TSioBaseDispatcher::WaitDetachedDeliveryEnd() {
    WaitHandlingMessages(
        [this] {
            Delivery_.ExpireIfOverdue();
            return !Delivery_.IsOpen();
        },
        !CalledFromWorker());
    // The end clears the deadline under the ticket's lock and goes on to wake and announce.
    Delivery_.AwaitLastEnd();
}
