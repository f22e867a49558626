// The processing cycle and the delivery of data-available notifications to the windows.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

#include <algorithm>

namespace {
constexpr int MaxFillPasses = 8;

std::int64_t SteadyNs(std::chrono::steady_clock::time_point at) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
}
} // namespace

// One detached delivery. Whoever ends it first books the end: the window's thread once the
// handler has returned or the message was dropped, or whoever finds its send timed out; every
// later call finds it ended and leaves the dispatcher alone, so a late handler's end touches
// nothing.
class TSioBaseDispatcher::TDeliveryTicket final : public ISioSendCompletion {
public:
    TDeliveryTicket(TSioBaseDispatcher& dispatcher, std::uintptr_t announced)
        : Dispatcher_(dispatcher), Announced_(announced) {}

    bool Starting() noexcept override {
        std::lock_guard lock(Lock_);
        if (State_ != TState::Posted)
            return false;
        State_ = TState::Running;
        return true;
    }
    void Finished() noexcept override { End(true); }
    void Dropped() noexcept override { End(false); }
    // The send has timed out: a handler not yet started never runs, a running one goes on alone.
    void Expire() noexcept { End(false); }
    // Returns once no end is being booked: the dispatcher may go then.
    void AwaitEndBooked() noexcept { std::lock_guard lock(Lock_); }

private:
    enum class TState { Posted, Running, Ended };

    void End(bool handled) noexcept {
        std::lock_guard lock(Lock_);
        if (State_ == TState::Ended)
            return;
        State_ = TState::Ended;
        Dispatcher_.EndDetachedDelivery(Announced_, handled);
    }

    TSioBaseDispatcher& Dispatcher_;
    const std::uintptr_t Announced_;
    std::mutex Lock_;
    TState State_ = TState::Posted;
};

bool TSioBaseDispatcher::ProcessCycle() {
    std::uint32_t mask = TakeDeviceEvents();
    if (mask & (EvCts | EvDsr | EvRlsd | EvRing | EvRingTrailingEdge))
        NoteModemChange();
    if (mask & (EvBreak | EvErr))
        RefreshLineErrors();
    // While input streams in and the receivers make room, the same cycle reads on rather than
    // waiting for the next event for every ring's worth; the bound keeps the cycle's other
    // checks coming.
    for (int pass = 0; pass < MaxFillPasses; ++pass) {
        std::uint64_t before = InTotal.load();
        FillInput();
        if (!AnnounceInput())
            return false;
        if (InTotal.load() == before || InFull.load() || KillWorkers.load())
            break;
    }
    return true;
}

bool TSioBaseDispatcher::AnnounceInput() {
    ExpireOverdueDelivery();
    if (FDispatching.load())
        return true;
    while (CheckAvail()) {
        if (FClosePending.load())
            return false;
    }
    return !FClosePending.load();
}

bool TSioBaseDispatcher::CheckAvail() {
    std::uint64_t pos = InTotal.load();
    std::uint32_t count = InputCount();
    std::uint32_t threshold = FAvailThreshold.load();
    if (threshold == 0 || NotifyPos == pos || count < threshold)
        return false;
    RecordLog(2, 5, static_cast<std::int32_t>(count), nullptr, 0);
    // Before the send: a detached delivery may end, and look for newer input, before it returns.
    NotifyPos = pos;
    return NotifyWindows(MsgTriggerAvail, count, 0);
}

bool TSioBaseDispatcher::NotifyWindows(TSioMessage message, std::uintptr_t wParam,
                                       std::uint16_t low) {
    if (!NotifyNeeded.load())
        return true;
    bool served;
    TSioWindowHandle only;
    {
        std::lock_guard lock(StateLock);
        FDispatching = true;
        served = NotifyWindowList.size() > 1 || OwnerHandlesEvents;
        only = served ? DetachedReceiver() : 0;
    }
    const bool inNotify = message == MsgTriggerAvail || message == MsgTriggerData;
    MaxReadAhead.store(0, std::memory_order_relaxed);
    // Together with InNotify: a handler still running past an earlier send's time-out may read
    // from now on, and those bytes count for this delivery.
    ReadAhead.store(0, std::memory_order_relaxed);
    InNotify.store(inNotify, std::memory_order_relaxed);
    std::intptr_t lParam = MakeNotifyLParam(FRegistryIndex, low);
    if (only != 0 && inNotify)
        return SendDetachedDelivery(only, message, wParam, lParam);

    for (std::size_t i = 0; served; ++i) {
        TNotifyWindow entry;
        {
            std::lock_guard lock(StateLock);
            if (i >= NotifyWindowList.size())
                break;
            entry = NotifyWindowList[i];
        }
        if (i > 0)
            ReadAhead.store(0, std::memory_order_relaxed);
        // After a close nothing more goes out: the window may be on its way to destruction.
        if (!entry.Removed && FMessenger && !KillWorkers.load())
            FMessenger->SendWithTimeout(entry.Window, message, wParam, lParam, NotifySendTimeout);
        if (FClosePending.load()) {
            MaxReadAhead.store(0, std::memory_order_relaxed);
            EndDelivery(wParam);
            return false;
        }
        MaxReadAhead.store(std::max(MaxReadAhead.load(std::memory_order_relaxed),
                                    ReadAhead.load(std::memory_order_relaxed)),
                           std::memory_order_relaxed);
    }

    return EndDelivery(wParam) || !inNotify;
}

bool TSioBaseDispatcher::EndDelivery(std::uintptr_t announced) {
    std::uint32_t taken;
    {
        std::lock_guard lock(InputLock);
        const bool inNotify = InNotify.exchange(false, std::memory_order_relaxed);
        taken = inNotify ? MaxReadAhead.load(std::memory_order_relaxed) : 0;
        if (taken > 0)
            AdvanceTail(taken);
    }
    {
        std::lock_guard lock(StateLock);
        FDispatching = false;
        FDelivery.reset();
        FDeliveryDeadline = 0;
        if (RemovalPending) {
            std::erase_if(NotifyWindowList,
                          [](const TNotifyWindow& entry) { return entry.Removed; });
            RemovalPending = false;
            RefreshHandlerState(0);
        }
    }
    ReadAhead.store(0, std::memory_order_relaxed);
    return taken == announced;
}

bool TSioBaseDispatcher::SendDetachedDelivery(TSioWindowHandle window, TSioMessage message,
                                              std::uintptr_t wParam, std::intptr_t lParam) {
    auto ticket = std::make_shared<TDeliveryTicket>(*this, wParam);
    {
        std::lock_guard lock(StateLock);
        FDelivery = ticket;
        FLastDelivery = ticket;
        FDeliveryDeadline = SteadyNs(std::chrono::steady_clock::now() + NotifySendTimeout);
    }
    if (!FMessenger->SendDetached(window, message, wParam, lParam, ticket))
        ticket->Dropped();
    return false;
}

void TSioBaseDispatcher::EndDetachedDelivery(std::uintptr_t announced, bool handled) {
    MaxReadAhead.store(std::max(MaxReadAhead.load(std::memory_order_relaxed),
                                ReadAhead.load(std::memory_order_relaxed)),
                       std::memory_order_relaxed);
    EndDelivery(announced);
    if (FClosePending.load() || KillWorkers.load()) {
        // The release of a close waits for this end before it frees the rings.
        WakeExitWaiters();
    } else if (handled && InputUnannounced() && DetachedReceiver() != 0) {
        // Input came in while the handler ran: the window's thread announces it at once, without
        // waiting on any other window.
        AnnounceAfterHandler();
    } else {
        AnnounceIfDue();
    }
}

void TSioBaseDispatcher::AnnounceIfDue() {
    // Announced bytes are never announced again, and new ones are announced as they come in.
    if (InputUnannounced())
        AnnouncementDue();
}

TSioWindowHandle TSioBaseDispatcher::DetachedReceiver() {
    std::lock_guard lock(StateLock);
    const bool served = NotifyWindowList.size() > 1 || OwnerHandlesEvents;
    if (served && FMessenger && NotifyWindowList.size() == 1 && !NotifyWindowList[0].Removed &&
        !KillWorkers.load())
        return NotifyWindowList[0].Window;
    return 0;
}

std::optional<std::chrono::steady_clock::time_point> TSioBaseDispatcher::DeliveryDeadline() const {
    const std::int64_t deadline = FDeliveryDeadline.load();
    if (deadline == 0)
        return std::nullopt;
    return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(deadline));
}

void TSioBaseDispatcher::WaitDetachedDeliveryEnd() {
    WaitHandlingMessages(
        [this] {
            ExpireOverdueDelivery();
            return !DetachedDeliveryOpen();
        },
        !CalledFromWorker());
    // The end clears the deadline under the ticket's lock and goes on to wake and announce.
    std::shared_ptr<TDeliveryTicket> last;
    {
        std::lock_guard lock(StateLock);
        last = FLastDelivery;
    }
    if (last)
        last->AwaitEndBooked();
}

void TSioBaseDispatcher::ExpireOverdueDelivery() {
    const std::int64_t deadline = FDeliveryDeadline.load();
    if (deadline == 0 || SteadyNs(std::chrono::steady_clock::now()) < deadline)
        return;
    std::shared_ptr<TDeliveryTicket> ticket;
    {
        std::lock_guard lock(StateLock);
        ticket = FDelivery;
    }
    if (ticket)
        ticket->Expire();
}

void TSioBaseDispatcher::AddNotifyWindow(TSioWindowHandle window) {
    std::lock_guard lock(StateLock);
    NotifyWindowList.push_back({window, false});
    NotifyNeeded = true;
    RecordLog(7, 17, static_cast<std::int32_t>(window), nullptr, 0);
    AnnounceIfDue();
}

void TSioBaseDispatcher::RemoveNotifyWindow(TSioWindowHandle window) {
    std::lock_guard lock(StateLock);
    auto found = std::find_if(
        NotifyWindowList.begin(), NotifyWindowList.end(),
        [window](const TNotifyWindow& entry) { return entry.Window == window && !entry.Removed; });
    if (found == NotifyWindowList.end()) {
        RefreshHandlerState(0);
        return;
    }
    RecordLog(8, 17, static_cast<std::int32_t>(window), nullptr, 0);
    if (FDispatching.load()) {
        found->Removed = true;
        RemovalPending = true;
    } else {
        NotifyWindowList.erase(found);
    }
}

void TSioBaseDispatcher::RefreshHandlerState(int how) {
    std::lock_guard lock(StateLock);
    const bool wasNeeded = NotifyNeeded.load();
    bool others = NotifyWindowList.size() > 1;
    switch (how) {
    case 1:
        OwnerHandlesEvents = true;
        NotifyNeeded = true;
        break;
    case 2:
        OwnerHandlesEvents = false;
        NotifyNeeded = others;
        break;
    default:
        NotifyNeeded = others || OwnerHandlesEvents;
        break;
    }
    if (NotifyNeeded.load() && !wasNeeded)
        AnnounceIfDue();
}

void TSioBaseDispatcher::SetAvailThreshold(std::uint32_t threshold) {
    std::lock_guard lock(StateLock);
    FAvailThreshold.store(threshold);
    RecordLog(9, 16, static_cast<std::int32_t>(threshold), nullptr, 0);
    AnnounceIfDue();
}

std::uint32_t TSioBaseDispatcher::AvailThreshold() {
    std::lock_guard lock(StateLock);
    return FAvailThreshold;
}

void TSioBaseDispatcher::SaveTriggerState(TSioTriggerState& area) {
    std::lock_guard lock(StateLock);
    area = TSioTriggerState{FAvailThreshold.load()};
}

void TSioBaseDispatcher::RestoreTriggerState(const TSioTriggerState& area) {
    std::lock_guard lock(StateLock);
    FAvailThreshold = area.AvailThreshold;
    AnnounceIfDue();
}

void TSioBaseDispatcher::SetOptionBits(std::uint32_t mask) {
    std::lock_guard lock(StateLock);
    OptionBits |= mask;
}

void TSioBaseDispatcher::ClearOptionBits(std::uint32_t mask) {
    std::lock_guard lock(StateLock);
    OptionBits &= ~mask;
}

std::uint32_t TSioBaseDispatcher::Options() {
    std::lock_guard lock(StateLock);
    return OptionBits;
}

void TSioBaseDispatcher::SetRs485(bool on) {
    std::lock_guard lock(StateLock);
    Rs485 = on;
    ApplyWorkerPriorities();
}

void TSioBaseDispatcher::SetPriorityBoost(std::uint8_t boost) {
    std::lock_guard lock(StateLock);
    if (boost == PriorityBoost)
        return;
    PriorityBoost = boost;
    ApplyWorkerPriorities();
}
