// Deliveries on the window's own thread: while that thread reads the line, a notification runs
// its handler at once, with no other thread woken on the way from the line to the handler.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

namespace {
// The dispatcher whose line the calling thread is reading, if any.
thread_local TSioBaseDispatcher* ReadingFor = nullptr;
} // namespace

TSioBaseDispatcher::TWindowRead::TWindowRead(TSioBaseDispatcher& dispatcher)
    : Dispatcher_(dispatcher), Previous_(ReadingFor),
      Outermost_(dispatcher.WindowReads_.fetch_add(1) == 0) {
    ReadingFor = &dispatcher;
}

TSioBaseDispatcher::TWindowRead::~TWindowRead() {
    ReadingFor = Previous_;
    // A close waits for the last read pass to end.
    if (Dispatcher_.WindowReads_.fetch_sub(1) == 1 &&
        (Dispatcher_.FClosePending.load() || Dispatcher_.KillWorkers.load()))
        Dispatcher_.WakeExitWaiters();
}

bool TSioBaseDispatcher::ReadingInPlace() const {
    return ReadingFor == this;
}

bool TSioBaseDispatcher::DeliverInPlace(TSioWindowHandle window, TSioMessage message,
                                        std::uintptr_t wParam, std::intptr_t lParam) {
    const auto start = std::chrono::steady_clock::now();
    // On the window's own thread the messenger runs the procedure at once.
    FMessenger->SendWithTimeout(window, message, wParam, lParam, NotifySendTimeout);
    const bool slow = std::chrono::steady_clock::now() - start > HandOverBound;
    const bool all = EndDelivery(wParam);
    if (FClosePending.load() || KillWorkers.load())
        return false;
    if (slow)
        HandlerOutlivedBound();
    else
        HandlerWasQuick();
    return all;
}
