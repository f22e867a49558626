#include "serial/engine/posix/SioEventWorker.h"

void TSioEventWorker::Run() {
    while (!Core_.Workers().Stopping()) {
        std::uint32_t mask = 0;
        const bool waited = Hooks_.Wait(mask);
        ++Wakeups_;
        if (!waited || Core_.Workers().Stopping())
            break;
        // Woken without an event: a detached delivery's send may have timed out, or one has
        // ended, or the receivers changed, with input waiting to be announced.
        if (mask == 0) {
            Core_.ExpireOverdueDelivery();
            if (Core_.InputUnannounced())
                mask |= EvRxChar;
        }
        if (mask & EvRxChar)
            Hooks_.ServeInput();
        if (mask & ~EvRxChar) {
            Events_.fetch_or(mask & ~EvRxChar);
            Hooks_.WakeDispatch();
        }
    }
    Signals_.WorkerAck.Set();
}
