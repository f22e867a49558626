#include "serial/engine/posix/SioDispatchWorker.h"

void TSioDispatchWorker::Run() {
    for (;;) {
        Signals_.CommEvent.Wait(Hooks_.NextCycleDue());
        ++Wakeups_;
        if (Core_.Workers().Stopping())
            return;
        Announcer_.Run([this] { Core_.ProcessCycle(); });
        Hooks_.AfterCycle();
        if (Core_.Workers().Stopping() || Core_.ClosePending())
            break;
    }
    Signals_.WorkerAck.Set();
}
