// The three workers of the direct-port dispatcher, and starting and stopping them.
#include "runtime/RunTimeErrors.h"
#include "serial/engine/posix/SioPosixDispatcher.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <poll.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>

namespace {

// The cycle for what no device event reports: modem-line changes, and input while the event
// worker is gone.
constexpr std::chrono::milliseconds CycleTimeout{50};
constexpr std::chrono::milliseconds NoLimit{-1};
// The time left until `deadline`, rounded up, and never below zero.
std::chrono::milliseconds TimeLeft(std::chrono::steady_clock::time_point deadline) {
    auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

// A handler slower than this (for the whole announcement) is worth a hand-over: the event worker
// then reads on while it runs. A faster one costs less than the hand-over would.
constexpr std::chrono::microseconds SlowAnnouncement{200};

int Index(TSioWorkerKind kind) {
    return static_cast<int>(kind);
}

// Nice values of the seven-step priority scale from idle to time-critical.
int NiceOfStep(int step) {
    static constexpr int Nice[] = {19, 10, 5, 0, -5, -10, -20};
    return Nice[std::clamp(step, 0, 6)];
}

constexpr int NormalStep = 3;

} // namespace

void TSioPosixDispatcher::StartWorkers() {
    {
        std::lock_guard lock(StateLock);
        if (WorkersStarted.load())
            throw ERunTimeError("Dispatcher already started");
    }
    // Threads of an earlier open have ended; make their slots free.
    JoinWorkers();
    {
        std::lock_guard lock(StateLock);
        KillWorkers = false;
        // Until a dispatch worker is needed, the event worker is the one to release the
        // resources after a close during a delivery.
        DispatchEnded_ = true;
        ReleaseClaimed_ = false;
        std::lock_guard threads(ThreadsLock_);
        for (std::atomic<bool>& started : Started_)
            started = false;
        WorkersStarted = true;
    }
    {
        // The line's reader: the window's thread when it can, else the event worker. A
        // pseudo-terminal that takes every write at once and has no modem lines then needs no
        // thread at all.
        std::lock_guard lock(StateLock);
        LineHandedOver_ = false;
        LineReader_ = TLineReader::Undecided;
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
        std::lock_guard state(StateLock);
        std::lock_guard lock(ThreadsLock_);
        // A worker runs at most once per open, so one that failed is not started again. Counted
        // before it runs, so its end cannot bring the count to zero before its start is booked.
        if (Started_[k].load() || !CountWorkerIn())
            return;
        Started_[k] = true;
        WorkerAlive[k] = true;
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
    WorkerExit(kind);
}

void TSioPosixDispatcher::WakeDispatchWorker() {
    StartWorker(TSioWorkerKind::Dispatch);
    CommEventSignal.Set();
}

void TSioPosixDispatcher::StopWorkers() {
    // Also when every worker has ended already (a lone event worker ends as soon as a close sets
    // KillWorkers): their threads are still to be joined and the descriptor to be closed.
    {
        std::lock_guard lock(StateLock);
        KillWorkers = true;
    }
    // No read pass starts on the window's thread from here on.
    EndWatch();
    SetOutputFlush();
    DeviceWakeSignal.Set();
    CommEventSignal.Set();
    // A delivery waiting on a window is released at once rather than after its time-out.
    ReleasePendingSends();

    std::array<std::thread::id, 3> ids;
    {
        std::lock_guard lock(ThreadsLock_);
        ids = ThreadIds_;
    }
    const std::thread::id self = std::this_thread::get_id();
    // On the dispatch worker (a close during a delivery) there are no windows to serve.
    const bool onWorker = self == ids[Index(TSioWorkerKind::Dispatch)];
    WaitHandlingMessages(
        [this, &ids, self] {
            for (int k = 0; k < 3; ++k)
                if (WorkerAlive[k].load() && ids[k] != self)
                    return false;
            return true;
        },
        !onWorker);
    JoinWorkers();
    // A port whose line only the window's thread read ran no worker to end the run.
    if (FRunningWorkers.load() == 0)
        WorkersStarted = false;
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
        ReportWorkerFailure(kind, error.what());
    } catch (...) {
        ReportWorkerFailure(kind, "unknown exception");
    }
    bool release = false;
    if (kind == TSioWorkerKind::Dispatch) {
        std::lock_guard lock(StateLock);
        ReleaseOnExit = ClaimRelease();
        DispatchEnded_ = true;
    }
    if (kind == TSioWorkerKind::Event) {
        // Input is now the dispatch worker's to fetch, on its cycle.
        WorkerAlive[Index(kind)] = false;
        WakeDispatchWorker();
        // After a close during a delivery the dispatch worker releases the resources as it
        // ends; if a failure ended it before, the event worker (which delivers too) does.
        std::lock_guard lock(StateLock);
        release = DispatchEnded_ && ClaimRelease();
    }
    Tids_[Index(kind)] = 0;
    if (release)
        ReleaseResources();
    WorkerExit(kind);
}

bool TSioPosixDispatcher::ClaimRelease(bool byWindowRead) {
    if (ReleaseClaimed_ || !(FClosePending.load() || KillWorkers.load()))
        return false;
    if (!byWindowRead && WindowReads_.load() > 0)
        return false;
    ReleaseClaimed_ = true;
    return true;
}

void TSioPosixDispatcher::ApplyWorkerPriorities() {
    std::lock_guard lock(StateLock);
    PrioritiesRaised_ = PriorityBoost != 0 || Rs485;
    int base = NormalStep + PriorityBoost;
    const int steps[3] = {base, base, base + (Rs485 ? 1 : 0)};
    for (int k = 0; k < 3; ++k) {
        int tid = Tids_[k].load();
        // Raising a priority needs a privilege; without it the worker keeps its priority.
        if (tid != 0)
            setpriority(PRIO_PROCESS, static_cast<id_t>(tid), NiceOfStep(steps[k]));
    }
}

// --- Event worker ---

bool TSioPosixDispatcher::WaitDeviceEvent(std::uint32_t& mask) {
    // Waiting input would keep poll() returning at once while the input ring is full, and a
    // vanished device would always: then only a hang-up, or nothing, is asked for.
    // While the window's thread reads the line, only a hang-up is asked for.
    const bool reads = LineReader_.load() == TLineReader::EventWorker && !Input.Full();
    pollfd entries[3] = {{DeviceWakeSignal.Fd(), POLLIN, 0},
                         {HandOverTimer_.Fd(), POLLIN, 0},
                         {Fd_.load(), static_cast<short>(reads ? POLLIN : 0), 0}};
    nfds_t count = (DeviceGone_.load() || entries[2].fd < 0) ? 2 : 3;
    int ready = poll(entries, count, EventWaitLimit());
    if (ready < 0)
        return errno == EINTR;
    if (entries[0].revents & POLLIN)
        DeviceWakeSignal.Consume();
    if ((entries[1].revents & POLLIN) && TakeLineFromSlowHandler())
        mask |= EvRxChar;
    if (count == 3) {
        if (entries[2].revents & POLLIN)
            mask |= EvRxChar;
        if (entries[2].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            MarkDeviceGone();
            // One more cycle takes whatever arrived before the hang-up.
            mask |= EvRxChar;
        }
    }
    return true;
}

void TSioPosixDispatcher::EventWorker() {
    while (!KillWorkers.load()) {
        std::uint32_t mask = 0;
        bool waited = WaitDeviceEvent(mask);
        ++EventWakeups_;
        if (!waited)
            break;
        if (KillWorkers.load())
            break;
        // Woken without an event: a detached delivery's send may have timed out, or one has
        // ended, or the receivers changed, with input waiting to be announced.
        if (mask == 0) {
            ExpireOverdueDelivery();
            if (InputUnannounced())
                mask |= EvRxChar;
        }
        if (mask & EvRxChar)
            ServeInput();
        if (mask & ~EvRxChar) {
            EventMask_.fetch_or(mask & ~EvRxChar);
            WakeDispatchWorker();
        }
    }
    WorkerAckSignal.Set();
}

void TSioPosixDispatcher::ServeInput() {
    // The worker that saw the input reads it at once (so poll() stops reporting it) and, unless
    // the dispatch worker is in a cycle, announces it itself: a reply reaches the window without
    // a hand-over between workers. While the receivers are slow, the dispatch worker announces
    // instead, so this worker reads on into the ring while a handler takes.
    FillInput();
    if (DeviceGone_.load() || LastAnnouncement_.load() > SlowAnnouncement) {
        WakeDispatchWorker();
        return;
    }
    std::unique_lock cycle(CycleLock_, std::try_to_lock);
    if (!cycle.owns_lock()) {
        // A pass of the window's thread looks again as it ends; a cycle under way may have
        // looked already, and runs once more.
        if (WindowReads_.load() == 0)
            WakeDispatchWorker();
        return;
    }
    TimeAnnouncement([this] { AnnounceInput(); });
}

void TSioPosixDispatcher::TimeAnnouncement(const std::function<void()>& announce) {
    const auto start = std::chrono::steady_clock::now();
    announce();
    LastAnnouncement_ = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
}

// --- Dispatch worker ---

int TSioPosixDispatcher::EventWaitLimit() const {
    const auto deadline = DeliveryDeadline();
    return deadline ? static_cast<int>(TimeLeft(*deadline).count()) : -1;
}

std::chrono::milliseconds TSioPosixDispatcher::NextCycleDue() const {
    std::chrono::milliseconds due = NoLimit;
    if (DeviceGone_.load()) {
        // Letting go was tried when the device went; should it have failed, it is tried again.
        due = Detached_ ? TimeLeft(NextReattach_) : CycleTimeout;
    } else if ((!WorkerAlive[Index(TSioWorkerKind::Event)].load() &&
                LineReader_.load() == TLineReader::EventWorker) ||
               ModemLinesSupported_.load()) {
        due = CycleTimeout;
    }
    // Otherwise input, hang-ups and closes all arrive as wake-ups: nothing is due until one
    // comes, or until a detached delivery's send times out.
    if (const auto deadline = DeliveryDeadline()) {
        const std::chrono::milliseconds left = TimeLeft(*deadline);
        due = due == NoLimit ? left : std::min(due, left);
    }
    return due;
}

bool TSioPosixDispatcher::CalledFromWorker() const {
    std::lock_guard lock(ThreadsLock_);
    const std::thread::id self = std::this_thread::get_id();
    return std::find(ThreadIds_.begin(), ThreadIds_.end(), self) != ThreadIds_.end();
}

void TSioPosixDispatcher::DispatchWorker() {
    for (;;) {
        CommEventSignal.Wait(NextCycleDue());
        ++DispatchWakeups_;
        if (KillWorkers.load())
            return;
        {
            std::lock_guard cycle(CycleLock_);
            TimeAnnouncement([this] { ProcessCycle(); });
        }
        ServiceVanishedDevice();
        if (KillWorkers.load() || FClosePending.load())
            break;
    }
    WorkerAckSignal.Set();
}

// --- Output worker ---

void TSioPosixDispatcher::OutputWorker() {
    for (;;) {
        pollfd entries[2] = {{OutputReadySignal.Fd(), POLLIN, 0},
                             {OutputFlushSignal.Fd(), POLLIN, 0}};
        int ready = poll(entries, 2, -1);
        ++OutputWakeups_;
        if (ready < 0 && errno != EINTR)
            return;
        if (entries[1].revents & POLLIN) {
            OutputFlushSignal.Consume();
            WorkerAckSignal.Set();
        }
        if (entries[0].revents & POLLIN) {
            OutputReadySignal.Consume();
            if (KillWorkers.load())
                return;
            WriteOutput();
        }
        if (KillWorkers.load() || FClosePending.load())
            return;
    }
}

std::int32_t TSioPosixDispatcher::WriteDevice(const std::uint8_t* data, std::uint32_t count) {
    for (;;) {
        ssize_t written = write(Fd_.load(), data, count);
        if (written >= 0)
            return static_cast<std::int32_t>(written);
        if (errno != EINTR)
            return -errno;
    }
}

bool TSioPosixDispatcher::WaitWritable() {
    pollfd entries[2] = {{Fd_.load(), POLLOUT, 0}, {OutputFlushSignal.Fd(), POLLIN, 0}};
    int ready = poll(entries, 2, -1);
    if (ready < 0 && errno != EINTR)
        return true;
    if (entries[1].revents & POLLIN) {
        OutputFlushSignal.Consume();
        WorkerAckSignal.Set();
        return false;
    }
    return true;
}

void TSioPosixDispatcher::WriteOutput() {
    // The piece is written without the lock: it stays in the ring until advanced.
    TSioOutputRing::TPiece piece;
    auto takePiece = [&] {
        std::lock_guard lock(OutputLock);
        return Output.TakePiece(piece);
    };
    auto advance = [&](std::uint32_t count) {
        std::lock_guard lock(OutputLock);
        Output.Advance(piece, count);
    };
    while (!KillWorkers.load() && takePiece()) {
        std::int32_t written = WriteDevice(piece.Data, piece.Count);
        if (written > 0) {
            advance(static_cast<std::uint32_t>(written));
        } else if (written == 0 || written == -EAGAIN) {
            if (!WaitWritable())
                return;
        } else {
            // A write that fails outright (the device is gone) drops its piece.
            advance(piece.Count);
        }
    }
}
