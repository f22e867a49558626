// Deliveries on the window's own thread: while that thread reads the line, a notification runs
// its handler at once, with no other thread woken on the way from the line to the handler.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

void TSioBaseDispatcher::LeaveWindowRead() {
    // A close waits for the last read pass to end.
    if (WindowReads_.fetch_sub(1) == 1 && (ClosePending_.load() || Workers_.Stopping()))
        ExitWait_.Wake();
}

bool TSioBaseDispatcher::DeliverInPlace(TSioWindowHandle window, TSioMessage message,
                                        std::uintptr_t wParam, std::intptr_t lParam) {
    const auto start = std::chrono::steady_clock::now();
    // On the window's own thread the messenger runs the procedure at once.
    Messenger_->SendWithTimeout(window, message, wParam, lParam, NotifySendTimeout);
    const bool slow = std::chrono::steady_clock::now() - start > HandOverBound;
    const bool all = EndDelivery(wParam);
    if (ClosePending_.load() || Workers_.Stopping())
        return false;
    if (slow)
        HandlerOutlivedBound();
    else
        HandlerWasQuick();
    return all;
}
