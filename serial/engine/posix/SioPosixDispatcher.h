#pragma once
// The dispatcher for a direct serial port on termios, and its three workers.
//
// Implements the device operations of TSioBaseDispatcher on a tty descriptor (the only code,
// with SioPosixDevice, that touches termios and ioctl) and runs up to three std::threads per open
// port. None starts with the port unless it is needed then; each starts when first needed and
// then runs until the close (StartWorker; a worker runs at most once per open, and its start and
// end are dispatch-log entries).
//
// Who reads the line (LineClaim_, SioPosixLineReader.cpp). While the port has one notify
// window, owned by the thread that set it up, and handlers return within HandOverBound, the
// window's thread reads: the messenger watches the descriptor on that thread, and input wakes
// only it. It reads into the ring, books counts, trace and log entries, and runs the handler in
// place, so a reply reaches the handler with no hand-over between threads. Otherwise the event
// worker reads, as described below. The hand-over is one atomic store and a wake-up:
//  - to the worker when a handler outlived HandOverBound (on the window's thread, after it), when
//    the ring is full (the worker's poll() then watches for a hang-up alone), or when the
//    windows change so that the window's thread cannot serve (several windows, or one owned by
//    another thread): the claim moves first, then the watch is switched off and the event
//    worker is started or woken, and its poll() takes the device in from then on;
//  - back to the window's thread when a handler the worker announced returned within the bound
//    (on the window's thread): the claim moves, the watch is switched on, the worker is woken and
//    leaves the device out of its poll().
// Both readers fill the ring under InputLock, so a read that races the hand-over is only one
// read more; one announcer at a time is kept by Announcer_, and a pass of the window's thread
// looks again as it ends, for input a worker read meanwhile. While the window's thread reads,
// every announcement is made on it (a due one asks its watch for a pass), so every delivery of
// that time ends there, and a close from inside a handler is released there as the pass ends.
// The first handler that outlives the bound is seen as it returns, and the line waits in the
// driver's buffer until then; the event worker it starts also watches each later read pass of
// the window's thread with a timer (Signals_.HandOver) and takes the line over the moment a handler
// outlives the bound, so the ring fills on while it runs. The watch is off while the ring is
// full or the device is gone, and on again when there is room or the device is back. A port
// opened before its window is added reads nothing until the window comes or somebody looks at
// the input; the line waits in the driver meanwhile.
//
// The workers:
//  - the event worker waits in poll() on the device, its wake-up descriptor and the hand-over
//    timer; on input it reads it into the input ring at once and, unless the dispatch worker is
//    in a cycle, announces it to the windows itself (else it wakes the dispatch worker to look
//    again, or leaves it to the pass of the window's thread under way).
//    A notification to one window goes out detached, so the worker is back in poll() while the
//    handler runs; its poll() time-out is the open delivery's deadline, if any. With several
//    windows, while handlers take long, it leaves announcing to the dispatch worker and reads on;
//  - the dispatch worker starts with the port when the device has modem lines (their changes
//    raise no poll() event, so its cycle looks every 50 ms), else on the first wake-up meant for
//    it: the device gone, an event the event worker hands on, slow receivers, the event worker's
//    end. It runs ProcessCycle when woken and when something is due: every 50 ms while there are
//    modem lines or the event worker is gone, every ReattachInterval while a vanished device is
//    looked for, and when a detached delivery's send times out. An idle pseudo-terminal port
//    wakes no thread;
//  - the output worker starts with the first block the device does not take at once, and writes
//    the output ring to the device in contiguous pieces; a block queued while the ring is empty
//    goes to the device at once from the queueing thread (a non-blocking write), and only what
//    the device does not take waits in the ring.
// Every hand-off is a direct wake-up (eventfd); nothing waits for the 50 ms cycle.
//
// Threads and locks as TSioBaseDispatcher. Everything this layer asks of the core goes through
// Core() (SioDispatcherCore.h). The workers take no lock while they wait.
// StartWorkers and StopWorkers belong to the opening thread (StopWorkers also runs on the
// dispatch worker when a close arrived during a delivery). The descriptor is closed only after
// the workers have ended, so no worker ever touches a reused descriptor number.
//
// A device that vanishes while open (hang-up, read of 0, EIO) is let go at once, and the dispatch
// worker looks for its return (Vanished_, SioVanishedDevice.h); the port stays open meanwhile.
//
// The workers call the device operations virtually: a class deriving from this one (a test's
// device double) calls Shutdown() first in its own destructor, so they have ended before its
// part of the object goes.

#include "runtime/SioWindowMessenger.h"
#include "serial/engine/dispatcher/SioBaseDispatcher.h"
#include "serial/engine/dispatcher/SioLineClaim.h"
#include "serial/engine/posix/SioAnnouncer.h"
#include "serial/engine/posix/SioDeviceLines.h"
#include "serial/engine/posix/SioDeviceSlot.h"
#include "serial/engine/posix/SioDispatchWorker.h"
#include "serial/engine/posix/SioEventWorker.h"
#include "serial/engine/posix/SioLineWatch.h"
#include "serial/engine/posix/SioOutputWorker.h"
#include "serial/engine/posix/SioVanishedDevice.h"
#include "serial/engine/posix/SioWorkerSignals.h"
#include "serial/engine/posix/SioWorkerThreads.h"

#include <chrono>
#include <cstdint>
#include <string>

class TSioPosixDispatcher : public TSioBaseDispatcher {
public:
    TSioPosixDispatcher(TSioDispatcherOwner* owner, ISioWindowMessenger* messenger);
    ~TSioPosixDispatcher() override;

    // Gives up the rest of the calling thread's time slice; always 0.
    TSioResult YieldSlice();
    void StartWorkers() override;
    void StopWorkers() override;

    // Used by ProbePort: a short exclusive open and close without workers.
    std::int32_t ProbeOpen(const std::string& name);
    TSioResult ProbeClose() { return CloseDevice(); }

    // Test-visible counters: how often each worker has come back from its wait.
    std::uint64_t EventWorkerWakeups() const { return EventWorker_.Wakeups(); }
    std::uint64_t DispatchWorkerWakeups() const { return DispatchWorker_.Wakeups(); }
    std::uint64_t OutputWorkerWakeups() const { return OutputWorker_.Wakeups(); }
    // True from the device's hang-up (peer closed, adapter gone) until a device is re-attached.
    bool DeviceGone() const { return Vanished_.Gone(); }
    bool DeviceAttached() const override { return !DeviceGone(); }
    // How often a vanished device was let go, and how often a device came back in its place.
    std::uint64_t DeviceDetachments() const { return Slot_.Detachments(); }
    std::uint64_t DeviceReattachments() const { return Vanished_.Reattachments(); }

protected:
    TSioResult SendLineControl(TSioLineFunction function) override;
    TSioResult PurgeDevice(TSioPurgeTarget which) override;
    std::uint32_t ReadDeviceErrors(TSioDeviceStatus& status) override;
    std::uint32_t DeviceOutputQueued() override;
    void AcknowledgeDeviceEvents(std::int32_t mask) override;
    TSioResult ReadDeviceSettings(TSioLineSettings& settings) override;
    std::int32_t ReadDevice(std::uint8_t* buffer, std::uint32_t n) override;
    TSioResult WriteDeviceSettings(const TSioLineSettings& settings) override;
    std::int32_t QueueOutput(const std::uint8_t* block, std::uint32_t n) override;
    bool SizeDeviceQueues(std::uint32_t inSize, std::uint32_t outSize) override;
    std::int32_t OpenDevice(const std::string& name, std::uint32_t inSize,
                            std::uint32_t outSize) override;
    TSioResult CloseDevice() override;
    std::uint8_t ReadModemLines() override;
    std::uint32_t TakeDeviceEvents() override;
    void ApplyWorkerPriorities() override;
    void InputRoomAvailable() override;
    void AnnouncementDue() override;
    void AnnounceAfterHandler() override;
    void ReceiversChanged() override;
    void HandlerOutlivedBound() override;
    void HandlerWasQuick() override;
    void ReaderWanted() override;
    bool CalledFromWorker() const override;
    // The event worker's wait: poll() on the wake-up signal and on the device (for input unless
    // the input ring is full, for a hang-up always, not at all once it is gone). Adds the Ev* bits
    // seen to `mask`; false when the wait failed.
    virtual bool WaitDeviceEvent(std::uint32_t& mask);
    // One write(2) of the output worker: the count written, or minus errno.
    virtual std::int32_t WriteDevice(const std::uint8_t* data, std::uint32_t count);
    // A write from the queueing thread while the output ring is empty (never waits): the count
    // the device took at once, or 0 / minus errno when the output worker is to do it.
    virtual std::int32_t WriteDirect(const std::uint8_t* data, std::uint32_t count);

private:
    // --- What the worker loops ask (SioPosixWorkerHooks.cpp; the loops are their own classes) ---

    // The event worker's answer to input: read it, and announce it unless a cycle runs or the
    // receivers are slow.
    void ServeInput();
    // How long the dispatch worker may wait for a wake-up before a cycle is due.
    std::chrono::milliseconds NextCycleDue() const;

    // --- Starting and stopping the workers (SioPosixWorkers.cpp) ---

    void RunWorker(TSioWorkerKind kind);
    // Starts the worker unless it has run since the open or the workers are stopping.
    void StartWorker(TSioWorkerKind kind);
    // Wakes the dispatch worker, starting it first when it has not run yet.
    void WakeDispatchWorker();
    // Whether the ending worker (or the window thread's read pass) is the one to release the
    // resources after a close: true once, and only when a close or stop is under way; a worker
    // leaves it to a read pass under way. StateLock held.
    bool ClaimRelease(bool byWindowRead = false);
    // Wakes whichever worker is to announce: the event worker while it lives, else the dispatch
    // worker.
    void WakeAnnouncer();

    // --- The line's reader (SioPosixLineReader.cpp) ---

    // Moves the claim; starts or wakes the event worker as the change needs.
    void ChooseReader(TSioLineReader reader);
    // Switches the watch on exactly while the window's thread is to read and can.
    void UpdateWatch();
    // The watch's pass on the window's thread: reads the line and announces in place.
    void ReadOnWindowThread();
    // The event worker, when the hand-over timer has run out: takes the line while a pass of the
    // window's thread is still under way. True when it did.
    bool TakeLineFromSlowHandler();
    void MarkDeviceGone();

    // Moved under StateLock, or as the reader gives the line up. While undecided, an open port
    // without windows yet reads nothing until a window comes or the input is looked at.
    TSioLineClaim LineClaim_;
    // The descriptor the workers use; closed once no worker can use it any more.
    TSioDeviceSlot Slot_;
    TSioDeviceLines Lines_;
    // Whoever reads the line takes a re-attached device up, as it does a ring with room again.
    TSioVanishedDevice Vanished_{Core(), Slot_, Lines_, [this] { InputRoomAvailable(); }};

    TSioWorkerSignals Signals_;
    TSioAnnouncer Announcer_;
    TSioEventWorker EventWorker_{Core(),
                                 Signals_,
                                 {[this](std::uint32_t& mask) { return WaitDeviceEvent(mask); },
                                  [this] { ServeInput(); }, [this] { WakeDispatchWorker(); }}};
    TSioDispatchWorker DispatchWorker_{
        Core(),
        Signals_,
        Announcer_,
        {[this] { return NextCycleDue(); }, [this] { Vanished_.Service(); }}};
    TSioOutputWorker OutputWorker_{
        Core(), Signals_, Slot_,
        [this](const std::uint8_t* data, std::uint32_t count) { return WriteDevice(data, count); }};

    TSioLineWatch LineWatch_;
    // Under StateLock: the dispatch worker has ended; a worker has taken on the release.
    bool DispatchEnded_ = false;
    bool ReleaseClaimed_ = false;
    TSioWorkerThreads Threads_;
};
