// Starting, running and stopping the direct-port dispatcher's three workers; their loops are in
// SioPosixInputWorkers.cpp and SioPosixOutputWorker.cpp.
#include "runtime/RunTimeErrors.h"
#include "serial/engine/posix/SioPosixDispatcher.h"

#include <algorithm>
#include <exception>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>

namespace {

int Index(TSioWorkerKind kind) {
    return static_cast<int>(kind);
}

// Nice values of the seven-step priority scale from idle to time-critical.
int NiceOfStep(int step) {
    static constexpr int Nice[] = {19, 10, 5, 0, -5, -10, -20};
    return Nice[std::clamp(step, 0, 6)];
}

constexpr int NormalStep = 3;

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
    JoinWorkers();
    {
        std::lock_guard lock(Core().StateLock());
        // Until a dispatch worker is needed, the event worker is the one to release the
        // resources after a close during a delivery.
        DispatchEnded_ = true;
        ReleaseClaimed_ = false;
        std::lock_guard threads(ThreadsLock_);
        for (std::atomic<bool>& started : Started_)
            started = false;
        Core().Workers().Begin();
    }
    {
        // The line's reader: the window's thread when it can, else the event worker. A
        // pseudo-terminal that takes every write at once and has no modem lines then needs no
        // thread at all.
        std::lock_guard lock(Core().StateLock());
        LineClaim_.Restart();
        ReceiversChanged();
    }
    // termios has no wait for modem-line changes: the dispatch worker's cycle compares them.
    if (ModemLinesSupported_.load())
        StartWorker(TSioWorkerKind::Dispatch);
}

void TSioPosixDispatcher::StartWorker(TSioWorkerKind kind) {
    static constexpr void (TSioPosixDispatcher::*Body[])() = {&TSioPosixDispatcher::EventWorker,
                                                              &TSioPosixDispatcher::DispatchWorker,
                                                              &TSioPosixDispatcher::OutputWorker};
    const int k = Index(kind);
    if (Started_[k].load())
        return;
    {
        // StateLock before ThreadsLock_: the release after a close reads DispatchEnded_ under it.
        std::lock_guard state(Core().StateLock());
        std::lock_guard lock(ThreadsLock_);
        // A worker runs at most once per open, so one that failed is not started again. Counted
        // before it runs, so its end cannot bring the count to zero before its start is booked.
        if (Started_[k].load() || !Core().Workers().CountIn(kind))
            return;
        Started_[k] = true;
        if (CreateSignals()) {
            if (kind == TSioWorkerKind::Dispatch)
                DispatchEnded_ = false;
            try {
                Threads_[k] = std::thread(&TSioPosixDispatcher::RunWorker, this, kind, Body[k]);
                ThreadIds_[k] = Threads_[k].get_id();
                return;
            } catch (const std::system_error&) {
                if (kind == TSioWorkerKind::Dispatch)
                    DispatchEnded_ = true;
            }
        }
    }
    // The port goes on without this worker (no thread or no signals to be had); its bookkeeping
    // must still balance (without the locks above, as a worker's end may release the resources).
    Core().WorkerExit(kind);
}

void TSioPosixDispatcher::WakeDispatchWorker() {
    StartWorker(TSioWorkerKind::Dispatch);
    CommEventSignal.Set();
}

void TSioPosixDispatcher::StopWorkers() {
    // Also when every worker has ended already (a lone event worker ends as soon as a close sets
    // the run stops): their threads are still to be joined and the descriptor to be closed.
    {
        std::lock_guard lock(Core().StateLock());
        Core().Workers().Stop();
    }
    // No read pass starts on the window's thread from here on.
    EndWatch();
    SetOutputFlush();
    DeviceWakeSignal.Set();
    CommEventSignal.Set();
    // A delivery waiting on a window is released at once rather than after its time-out.
    Core().ReleasePendingSends();

    std::array<std::thread::id, 3> ids;
    {
        std::lock_guard lock(ThreadsLock_);
        ids = ThreadIds_;
    }
    const std::thread::id self = std::this_thread::get_id();
    // On the dispatch worker (a close during a delivery) there are no windows to serve.
    const bool onWorker = self == ids[Index(TSioWorkerKind::Dispatch)];
    Core().WaitHandlingMessages(
        [this, &ids, self] {
            for (TSioWorkerKind kind : AllWorkers)
                if (Core().Workers().Alive(kind) && ids[Index(kind)] != self)
                    return false;
            return true;
        },
        !onWorker);
    JoinWorkers();
    // A port whose line only the window's thread read ran no worker to end the run.
    Core().Workers().EndIfIdle();
    CloseDescriptor();
}

void TSioPosixDispatcher::JoinWorkers() {
    std::array<std::thread, 3> ending;
    {
        std::lock_guard lock(ThreadsLock_);
        for (int k = 0; k < 3; ++k)
            if (Threads_[k].joinable() && Threads_[k].get_id() != std::this_thread::get_id())
                ending[k] = std::move(Threads_[k]);
    }
    for (std::thread& thread : ending)
        if (thread.joinable())
            thread.join();
}

void TSioPosixDispatcher::RunWorker(TSioWorkerKind kind, void (TSioPosixDispatcher::*body)()) {
    Tids_[Index(kind)] = static_cast<int>(syscall(SYS_gettid));
    // Without a boost a worker keeps the priority it started with, and takes no lock the opening
    // thread is busy with.
    if (PrioritiesRaised_.load())
        ApplyWorkerPriorities();
    // The worker ends, and its bookkeeping below still runs.
    try {
        (this->*body)();
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
    Tids_[Index(kind)] = 0;
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
    PrioritiesRaised_ = line.PriorityBoost != 0 || line.Rs485;
    int base = NormalStep + line.PriorityBoost;
    const int steps[3] = {base, base, base + (line.Rs485 ? 1 : 0)};
    for (int k = 0; k < 3; ++k) {
        int tid = Tids_[k].load();
        // Raising a priority needs a privilege; without it the worker keeps its priority.
        if (tid != 0)
            setpriority(PRIO_PROCESS, static_cast<id_t>(tid), NiceOfStep(steps[k]));
    }
}
