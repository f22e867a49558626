#pragma once
// What the device layer may ask of the portable core: every call its line reader and its
// workers make into the dispatcher goes through here, and nothing else of the dispatcher is
// theirs to touch. Downwards the core calls only the device operations (SioBaseDispatcher.h).
//
// Threads and locks as in SioBaseDispatcher.h: the reader of the line (a worker, or the window's
// thread in a TSioWindowRead) fills and announces; the workers book their start and end here.

#include "runtime/SioWindowMessenger.h"
#include "serial/engine/dispatcher/SioDispatcherFlags.h"
#include "serial/engine/dispatcher/SioLineSettings.h"
#include "serial/engine/dispatcher/SioOutputRing.h"
#include "serial/engine/dispatcher/SioWorkerBook.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

// The port's line as the core keeps it, for a device that takes the port's place.
struct TSioLineState {
    TSioLineSettings Settings{};
    bool DtrOn = false;
    bool DtrByFlow = false;
    bool RtsOn = false;
    bool RtsByFlow = false;
    bool Rs485 = false;
    std::uint8_t PriorityBoost = 0;
};

// The output ring, held under the core's output lock for as long as this lives.
struct TSioLockedOutput {
    std::unique_lock<std::recursive_mutex> Lock;
    TSioOutputRing& Ring;
};

class ISioDispatcherCore {
public:
    // --- The line's input (its reader) ---

    // Reads what the device holds into the input ring (InputLock).
    virtual void FillInput() = 0;
    // Hands the unread bytes to the windows; false when a close cut it short.
    virtual bool AnnounceInput() = 0;
    // The dispatch worker's cycle: device events, line errors, input; false as AnnounceInput.
    virtual bool ProcessCycle() = 0;
    // A close arrived during a delivery: the workers end as they finish their turn.
    virtual bool ClosePending() const = 0;
    // Bytes have come in since the last notification.
    virtual bool InputUnannounced() const = 0;
    virtual bool InputFull() const = 0;
    // The input total at the last notification: it moves with every announcement.
    virtual std::uint64_t AnnouncedTotal() const = 0;
    // When a detached delivery is outstanding, the moment its send times out; and its expiry.
    virtual std::optional<std::chrono::steady_clock::time_point> DeliveryDeadline() const = 0;
    virtual void ExpireOverdueDelivery() = 0;

    // --- The window's thread reading the line (see TSioWindowRead) ---

    // True for the outermost read of this dispatcher on the calling thread.
    virtual bool EnterWindowRead() = 0;
    virtual void LeaveWindowRead() = 0;
    virtual bool WindowReading() const = 0;

    // --- State the device layer reads ---

    // Line settings, DTR/RTS/RS-485 state, the window list and handler flags are kept under it.
    virtual std::recursive_mutex& StateLock() = 0;
    // StateLock.
    virtual TSioLineState LineState() = 0;
    // The one window notifications go to, or 0 (StateLock held).
    virtual TSioWindowHandle OnlyReceiver() const = 0;
    virtual bool HasReceivers() const = 0;
    virtual TSioLockedOutput LockOutput() = 0;

    // --- Workers ---

    virtual TSioWorkerBook& Workers() = 0;
    virtual const TSioWorkerBook& Workers() const = 0;
    // The end of every worker, on every path.
    virtual void WorkerExit(TSioWorkerKind worker) = 0;
    // One line on standard error and in the dispatch log, naming the port, worker and error.
    virtual void ReportWorkerFailure(TSioWorkerKind worker, const std::string& error) noexcept = 0;
    // Calls `done` until it holds, handling the calling thread's messages in between (or, for a
    // worker or without a messenger, sleeping on the worker-exit condition); never spins.
    virtual void WaitHandlingMessages(const std::function<bool()>& done, bool handleMessages) = 0;
    // Drops every send to the windows that no window has started to handle.
    virtual void ReleasePendingSends() = 0;
    // Stops the workers and frees the rings after a close; safe to run twice, on two threads.
    virtual void ReleaseResources() = 0;

protected:
    ~ISioDispatcherCore() = default;
};

// The window's thread reading the line for a dispatcher, from a watch on its descriptor: a
// notification announced meanwhile runs the handler in place. Nested reads count once.
class TSioWindowRead {
public:
    explicit TSioWindowRead(ISioDispatcherCore& core)
        : Core_(core), Previous_(ReadingFor_), Outermost_(core.EnterWindowRead()) {
        ReadingFor_ = &core;
    }
    ~TSioWindowRead() {
        ReadingFor_ = Previous_;
        Core_.LeaveWindowRead();
    }
    TSioWindowRead(const TSioWindowRead&) = delete;
    TSioWindowRead& operator=(const TSioWindowRead&) = delete;
    bool Outermost() const { return Outermost_; }
    // True on the calling thread inside a read for `core`.
    static bool ReadsFor(const ISioDispatcherCore& core) { return ReadingFor_ == &core; }

private:
    inline static thread_local const ISioDispatcherCore* ReadingFor_ = nullptr;
    ISioDispatcherCore& Core_;
    const ISioDispatcherCore* Previous_;
    const bool Outermost_;
};
