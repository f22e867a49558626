// Starting, running and stopping the direct-port dispatcher's three workers; their loops are in
// SioEventWorker.h, SioDispatchWorker.h and SioOutputWorker.h.
#include "runtime/RunTimeErrors.h"
#include "serial/engine/posix/SioPosixDispatcher.h"

#include <exception>

namespace {

constexpr TSioWorkerKind AllWorkers[] = {TSioWorkerKind::Event, TSioWorkerKind::Dispatch,
                                         TSioWorkerKind::Output};

} // namespace

void TSioPosixDispatcher::StartWorkers() {
    {
        std::lock_guard lock(Core().StateLock());
        if (Core().Workers().Started())
            throw ERunTimeError("Dispatcher already started");
    }
    // Threads of an earlier open have ended; make their slots free.
    Threads_.Rearm();
    {
        std::lock_guard lock(Core().StateLock());
        // Until a dispatch worker is needed, the event worker is the one to release the
        // resources after a close during a delivery.
        DispatchEnded_ = true;
        ReleaseClaimed_ = false;
        Core().Workers().Begin();
        // The line's reader: the window's thread when it can, else the event worker. A
        // pseudo-terminal that takes every write at once and has no modem lines then needs no
        // thread at all.
        LineClaim_.Restart();
        ReceiversChanged();
    }
    // termios has no wait for modem-line changes: the dispatch worker's cycle compares them.
    if (Lines_.HasModemLines())
        StartWorker(TSioWorkerKind::Dispatch);
}

void TSioPosixDispatcher::StartWorker(TSioWorkerKind kind) {
    if (Threads_.Started(kind))
        return;
    {
        // StateLock first: the release after a close reads DispatchEnded_ under it. Counted
        // before it runs, so its end cannot bring the count to zero before its start is booked.
        std::lock_guard state(Core().StateLock());
        if (!Threads_.Claim(kind, [&] { return Core().Workers().CountIn(kind); }))
            return;
        if (Signals_.Create()) {
            if (kind == TSioWorkerKind::Dispatch)
                DispatchEnded_ = false;
            if (Threads_.Spawn(kind, [this, kind] { RunWorker(kind); }))
                return;
            if (kind == TSioWorkerKind::Dispatch)
                DispatchEnded_ = true;
        }
    }
    // The port goes on without this worker (no thread or no signals to be had); its bookkeeping
    // must still balance (without the locks above, as a worker's end may release the resources).
    Core().WorkerExit(kind);
}

void TSioPosixDispatcher::WakeDispatchWorker() {
    StartWorker(TSioWorkerKind::Dispatch);
    Signals_.CommEvent.Set();
}

void TSioPosixDispatcher::MarkDeviceGone() {
    if (Vanished_.MarkGone()) {
        UpdateWatch();
        Signals_.DeviceWake.Set();
        // The dispatch worker lets go of the device and starts looking for its return.
        WakeDispatchWorker();
    }
}

void TSioPosixDispatcher::StopWorkers() {
    // Also when every worker has ended already (a lone event worker ends as soon as a close sets
    // the run stops): their threads are still to be joined and the descriptor to be closed.
    {
        std::lock_guard lock(Core().StateLock());
        Core().Workers().Stop();
    }
    // No read pass starts on the window's thread from here on.
    LineWatch_.End();
    Signals_.OutputFlush.Set();
    Signals_.DeviceWake.Set();
    Signals_.CommEvent.Set();
    // A delivery waiting on a window is released at once rather than after its time-out.
    Core().ReleasePendingSends();

    const std::array<std::thread::id, 3> ids = Threads_.Ids();
    const std::thread::id self = std::this_thread::get_id();
    // On the dispatch worker (a close during a delivery) there are no windows to serve.
    const bool onWorker = self == ids[static_cast<int>(TSioWorkerKind::Dispatch)];
    Core().WaitHandlingMessages(
        [this, &ids, self] {
            for (TSioWorkerKind kind : AllWorkers)
                if (Core().Workers().Alive(kind) && ids[static_cast<int>(kind)] != self)
                    return false;
            return true;
        },
        !onWorker);
    Threads_.JoinEnded();
    // A port whose line only the window's thread read ran no worker to end the run.
    Core().Workers().EndIfIdle();
    Slot_.Close();
}

void TSioPosixDispatcher::RunWorker(TSioWorkerKind kind) {
    Threads_.Enter(kind);
    // Without a boost a worker keeps the priority it started with, and takes no lock the opening
    // thread is busy with.
    if (Threads_.PrioritiesRaised())
        ApplyWorkerPriorities();
    // The worker ends, and its bookkeeping below still runs.
    try {
        switch (kind) {
        case TSioWorkerKind::Event:
            EventWorker_.Run();
            break;
        case TSioWorkerKind::Dispatch:
            DispatchWorker_.Run();
            break;
        case TSioWorkerKind::Output:
            OutputWorker_.Run();
            break;
        }
    } catch (const std::exception& error) {
        Core().ReportWorkerFailure(kind, error.what());
    } catch (...) {
        Core().ReportWorkerFailure(kind, "unknown exception");
    }
    bool release = false;
    if (kind == TSioWorkerKind::Dispatch) {
        std::lock_guard lock(Core().StateLock());
        Core().Workers().SetReleaseOnExit(ClaimRelease());
        DispatchEnded_ = true;
    }
    if (kind == TSioWorkerKind::Event) {
        // Input is now the dispatch worker's to fetch, on its cycle.
        Core().Workers().MarkEnded(kind);
        WakeDispatchWorker();
        // After a close during a delivery the dispatch worker releases the resources as it
        // ends; if a failure ended it before, the event worker (which delivers too) does.
        std::lock_guard lock(Core().StateLock());
        release = DispatchEnded_ && ClaimRelease();
    }
    Threads_.Leave(kind);
    if (release)
        Core().ReleaseResources();
    Core().WorkerExit(kind);
}

bool TSioPosixDispatcher::ClaimRelease(bool byWindowRead) {
    if (ReleaseClaimed_ || !(ClosePending() || Core().Workers().Stopping()))
        return false;
    if (!byWindowRead && Core().WindowReading())
        return false;
    ReleaseClaimed_ = true;
    return true;
}

void TSioPosixDispatcher::ApplyWorkerPriorities() {
    std::lock_guard lock(Core().StateLock());
    const TSioLineState line = Core().LineState();
    Threads_.ApplyPriorities(line.PriorityBoost, line.Rs485);
}
