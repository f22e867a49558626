#pragma once
// The port dispatcher: the engine behind one open serial port.
//
// Owns, from OpenPort to ClosePort, the device (through the device operations a derived class
// implements, SioDeviceOperations.h; the device layer calls back only through
// SioDispatcherCore.h), the 8192-byte input ring, the output ring, the notify-window list and the
// workers (up to three, each started when first needed). Two parts it is made of publish their
// operations as its own: the line (SioDispatcherLine.h: settings, flow control, line errors and
// modem bits) and the byte trace and dispatch log (SioDispatcherRecorders.h). It announces unread
// bytes to the registered windows with MsgTriggerAvail, sent through the ISioWindowMessenger given
// at construction; each delivery is given at most 3000 ms.
//
// Threads. The opening thread (the component's) calls everything public; the line's reader
// fills the ring and announces it (FillInput, AnnounceInput, ProcessCycle: one at a time
// announces). The reader is the window's thread itself while the device layer can watch the
// line there (TSioWindowRead), else a worker. Inside a delivery, the window's handler calls
// TakeByte, TakeBlock, PeekAt, InputCount, QueueBlock, OutputUsed/OutputFree, the purges and
// even ClosePort from the window's thread. Destruction runs on the opening thread.
//
// Deliveries. On the window's thread, while it reads the line, a notification runs the handler
// in place (DeliverInPlace): the delivery begins and ends around the call. With one window to
// serve, an announcing worker sends it detached (SioDetachedDelivery.h) and goes back to its
// device. With several windows the worker sends to each in turn and waits, up to
// NotifySendTimeout each.
// Because the ring goes on filling while a handler runs, a byte read during a handler is logged
// (ReadCom) before the WriteCom of that handler's own reply.
//
// Locks. Three recursive ones: StateLock_ (held by the line part; the device layer's
// Core().StateLock()): line settings, DTR/RTS/RS-485 state, the window list and handler flags,
// trigger state, the line status (modem bits, line errors for TakeLineError/TakeLineBreak), the
// trace and the log.
// OutputLock_: the output ring and every device status refresh. InputLock_: the input ring's
// producer side and its resets (filling, purging, a delivery's end); it may be held while taking
// either of the others, never taken while holding one. Two plain ones: ExitWait_'s only pairs with
// the condition that wakes waiters when a worker ends, and the detached delivery's own
// (SioDetachedDelivery.h) is a leaf. No lock is held while a window handles a message or while
// StopWorkers waits for the workers. The process-wide RegistryLock is taken by construction and
// destruction.
//
// The input ring (SioInputRing.h) is filled under InputLock_ and read without a lock: the reader
// is one thread at a time (the window's thread inside a delivery, else the thread that opened the
// port), and a worker fills the free part of the ring meanwhile, also while a handler runs.

// Failures are negative result codes (SioResultCodes.h; minus errno for a failed system call);
// nothing here throws, except StartWorkers on running workers (ERunTimeError "Dispatcher already
// started").

#include "runtime/SioWindowMessenger.h"
#include "serial/engine/dispatcher/SioDetachedDelivery.h"
#include "serial/engine/dispatcher/SioDeviceOperations.h"
#include "serial/engine/dispatcher/SioDispatcherCore.h"
#include "serial/engine/dispatcher/SioDispatcherFlags.h"
#include "serial/engine/dispatcher/SioDispatcherLine.h"
#include "serial/engine/dispatcher/SioDispatcherOwner.h"
#include "serial/engine/dispatcher/SioDispatcherRecorders.h"
#include "serial/engine/dispatcher/SioExitWait.h"
#include "serial/engine/dispatcher/SioInputRing.h"
#include "serial/engine/dispatcher/SioLineSettings.h"
#include "serial/engine/dispatcher/SioLineStatus.h"
#include "serial/engine/dispatcher/SioMessages.h"
#include "serial/engine/dispatcher/SioNotifyWindowList.h"
#include "serial/engine/dispatcher/SioOutputRing.h"
#include "serial/engine/errors/SioResultCodes.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

class TSioBaseDispatcher : public TSioDispatcherLine,
                           public TSioDispatcherRecorders,
                           private ISioDispatcherCore {
public:
    // Registers in the DispatcherRegistry (RegistryLock); opens nothing. `owner` and `messenger`
    // may be null (a probe); without a messenger no notification goes out.
    TSioBaseDispatcher(TSioDispatcherOwner* owner, ISioWindowMessenger* messenger);
    // Opening thread. Closes the port if still open, waits (handling the thread's messages)
    // until every worker has ended, leaves the registry.
    virtual ~TSioBaseDispatcher();
    TSioBaseDispatcher(const TSioBaseDispatcher&) = delete;
    TSioBaseDispatcher& operator=(const TSioBaseDispatcher&) = delete;

    // The line's operations are SioDispatcherLine.h's, the trace's and the dispatch log's
    // SioDispatcherRecorders.h's.

    // --- Opening and closing (opening thread) ---

    // Opens the device, applies the line, allocates the rings, starts the workers. 0, or a
    // negative code after closing again: minus errno of the device open (classify it with
    // ClassifyOpenResult, ports/SioOpenFailure.h), -8 when the rings cannot be had, -2009 when
    // the registry had no free index.
    TSioResult OpenPort(const std::string& deviceName, std::uint32_t baud, std::uint8_t parity,
                        std::uint8_t dataBits, std::uint8_t stopBits, std::uint32_t inSize,
                        std::uint32_t outSize, std::uint32_t flags);
    // Purges and closes the device and stops the workers; inside a delivery (Dispatching) it only
    // sets ClosePending, and the dispatch worker releases the resources as it ends.
    void ClosePort();
    TSioResult ApplyQueueSizes(std::uint32_t inSize, std::uint32_t outSize);

    // --- Input (the reader's thread; no lock) ---

    // 0 and the byte, or -3007 with nothing taken. Inside a delivery it reads ahead without
    // moving the tail.
    TSioResult TakeByte(std::uint8_t& byte);
    // Takes up to `size` bytes into `buffer` as TakeByte would one by one (reading ahead inside a
    // delivery); returns how many, 0 when none is unread.
    std::uint32_t TakeBlock(std::uint8_t* buffer, std::uint32_t size);
    // Copies up to `size` of the bytes the next takes would return, taking none; returns how many.
    std::uint32_t PeekBlock(std::uint8_t* buffer, std::uint32_t size);
    // n = 1 is the next unread byte. -3007 when fewer than n are unread.
    TSioResult PeekAt(std::uint32_t n, std::uint8_t& byte);
    std::uint32_t InputCount();
    // InputLock.
    TSioResult PurgeInput();

    // --- Output (any thread; OutputLock, then StateLock) ---

    // Queues the whole block or nothing: 0, or -3006 when it does not fit.
    TSioResult QueueBlock(const void* block, std::uint32_t length);
    std::uint32_t OutputUsed() override;
    std::uint32_t OutputFree();
    TSioResult PurgeOutput();

    // --- Notification (opening thread; StateLock) ---

    void AddNotifyWindow(TSioWindowHandle window);
    void RemoveNotifyWindow(TSioWindowHandle window);
    void RefreshHandlerState(TSioHandlerState how);
    void SetAvailThreshold(std::uint32_t threshold);
    std::uint32_t AvailThreshold();
    void SaveTriggerState(TSioTriggerState& area);
    void RestoreTriggerState(const TSioTriggerState& area);
    void SetOptionBits(std::uint32_t mask);
    void ClearOptionBits(std::uint32_t mask);
    std::uint32_t Options();

    // --- Workers ---

    // Throws ERunTimeError("Dispatcher already started") when they run.
    virtual void StartWorkers() = 0;
    // Ends the workers without holding StateLock while waiting; handles the calling thread's
    // messages meanwhile, so a delivery to this thread can finish.
    virtual void StopWorkers() = 0;

    // --- State for the component's window (any thread, lock-free reads) ---

    TSioDispatcherOwner* Owner() const { return Owner_; }
    ISioWindowMessenger* Messenger() const { return Messenger_; }
    std::int32_t RegistryIndex() const { return RegistryIndex_; }
    std::int32_t DeviceHandle() const { return DeviceHandle_.load(); }
    bool Dispatching() const { return Dispatching_.load(); }
    bool ClosePending() const override { return ClosePending_.load(); }
    std::int32_t RunningWorkers() const { return Workers_.Running(); }
    // True once every worker has run its exit bookkeeping and the window's thread has stopped
    // reading the line.
    bool WorkersGone() const { return Workers_.Running() == 0 && WindowReads_.load() == 0; }
    // False while an open port's device has vanished and is not yet re-attached.
    virtual bool DeviceAttached() const { return true; }

protected:
    // The calls the device layer makes into the core.
    ISioDispatcherCore& Core() { return *this; }
    const ISioDispatcherCore& Core() const { return *this; }
    // The destruction work that needs the device layer: the derived destructor calls it first.
    // Closes (or finishes a close), then waits, handling messages, until every worker has ended.
    void Shutdown();

private:
    // --- ISioDispatcherCore ---

    void FillInput() override;
    bool AnnounceInput() override;
    bool ProcessCycle() override;
    bool InputUnannounced() const override { return Input_.Total() != NotifyPos_.load(); }
    bool InputFull() const override { return Input_.Full(); }
    std::uint64_t AnnouncedTotal() const override { return NotifyPos_.load(); }
    std::optional<std::chrono::steady_clock::time_point> DeliveryDeadline() const override {
        return Delivery_.Deadline();
    }
    void ExpireOverdueDelivery() override { Delivery_.ExpireIfOverdue(); }
    bool EnterWindowRead() override { return WindowReads_.fetch_add(1) == 0; }
    void LeaveWindowRead() override;
    bool WindowReading() const override { return WindowReads_.load() > 0; }
    std::recursive_mutex& StateLock() override { return StateLock_; }
    TSioLineState LineState() override {
        std::lock_guard lock(StateLock_);
        return Line_;
    }
    TSioWindowHandle OnlyReceiver() const override { return NotifyWindowList_.Only(); }
    bool HasReceivers() const override { return !NotifyWindowList_.Empty(); }
    TSioLockedOutput LockOutput() override { return {std::unique_lock(OutputLock_), Output_}; }
    TSioWorkerBook& Workers() override { return Workers_; }
    const TSioWorkerBook& Workers() const override { return Workers_; }
    void WorkerExit(TSioWorkerKind worker) override;
    void ReportWorkerFailure(TSioWorkerKind worker, const std::string& error) noexcept override;
    void WaitHandlingMessages(const std::function<bool()>& done, bool handleMessages) override;
    void ReleasePendingSends() override;
    // Stops the workers (joining any that ended), frees both rings. Safe to run twice, on two
    // threads.
    void ReleaseResources() override;

    // True on the window's thread inside a TSioWindowRead of this dispatcher.
    bool ReadingInPlace() const { return TSioWindowRead::ReadsFor(*this); }
    // AnnouncementDue, when bytes have come in since the last notification.
    void AnnounceIfDue();
    bool CheckAvail();
    bool NotifyWindows(TSioMessage message, std::uintptr_t wParam, std::uint16_t low);
    // Returns the refreshed device status.
    TSioDeviceStatus RefreshLineErrors();
    // Under OutputLock: the device's error bits, and the output ring's usage in DeviceStatus.
    std::uint32_t ReadErrorsAndUsage();
    // Waits, handling messages, until a detached delivery has ended (or its send has timed out)
    // and its end has stopped touching this dispatcher.
    void WaitDetachedDeliveryEnd();

    // TakeByte outside a delivery (claiming the tail) or while recording.
    TSioResult TakeByteSlow(std::uint8_t& byte);
    // Runs the one window's handler at once, on its own thread, and ends the delivery; as
    // NotifyWindows.
    bool DeliverInPlace(TSioWindowHandle window, TSioMessage message, std::uintptr_t wParam,
                        std::intptr_t lParam);
    // Sends to the one window detached (see Deliveries above); false, as the announcement must
    // wait for this delivery's end.
    bool SendDetachedDelivery(TSioWindowHandle window, TSioMessage message, std::uintptr_t wParam,
                              std::intptr_t lParam);
    // The one window a notification goes to detached, or 0 when it goes to each in turn (or to
    // none). StateLock.
    TSioWindowHandle DetachedReceiver();
    // The end of every delivery: moves the tail by the read-ahead, lets a removed window go.
    // True when the handlers took all `announced` bytes.
    bool EndDelivery(std::uintptr_t announced);
    // A detached delivery's end, from its ticket: on the window's thread after the handler
    // (`handled`, `quick` when it returned within HandOverBound), else wherever the message was
    // dropped or its send timed out.
    void EndDetachedDelivery(std::uintptr_t announced, bool handled, bool quick);
    void FreeRings();

    // Identity.
    TSioDispatcherOwner* Owner_;
    ISioWindowMessenger* Messenger_;
    std::int32_t RegistryIndex_ = -1;
    std::atomic<std::int32_t> DeviceHandle_{-1};

    std::uint32_t OutSize_ = 0;
    TSioDeviceStatus DeviceStatus_;

    TSioInputRing Input_{[this] { InputRoomAvailable(); }};
    // The input total at the last notification, so a head that wrapped all the way round still
    // counts as new input. Only the worker running the notification moves it; a detached delivery's
    // end reads it.
    std::atomic<std::uint64_t> NotifyPos_{0};
    std::atomic<std::uint32_t> AvailThreshold_{0};

    // Under OutputLock.
    TSioOutputRing Output_;

    TSioNotifyWindowList NotifyWindowList_;
    bool OwnerHandlesEvents_ = false;
    std::atomic<bool> NotifyNeeded_{false};

    std::atomic<bool> Dispatching_{false};
    // How deep the window's thread is in TSioWindowRead scopes of this dispatcher.
    std::atomic<int> WindowReads_{0};
    std::atomic<bool> ClosePending_{false};
    TSioWorkerBook Workers_;

    std::uint32_t OptionBits_ = 0;

    std::recursive_mutex OutputLock_;
    std::recursive_mutex InputLock_;

    TSioExitWait ExitWait_{Messenger_};
    TSioDetachedDelivery Delivery_;
};

// Inline: the component's ReadChar calls it once per byte. Inside a delivery with nothing
// recording it is a few plain loads and one store; everything else is TakeByteSlow's.
inline TSioResult TSioBaseDispatcher::TakeByte(std::uint8_t& byte) {
    bool empty = false;
    if (TraceOn() || !Input_.TakeAheadByte(byte, empty))
        return TakeByteSlow(byte);
    return empty ? ecBufferIsEmpty : ecOK;
}
