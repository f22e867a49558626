// The processing cycle and the delivery of data-available notifications to the windows.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"
#include "serial/engine/trace/SioLogEntry.h"

namespace {
constexpr int MaxFillPasses = 8;
} // namespace

bool TSioBaseDispatcher::ProcessCycle() {
    std::uint32_t mask = TakeDeviceEvents();
    if (mask & EvRingTrailingEdge)
        RingSeen = true;
    if (mask & (EvCts | EvDsr | EvRlsd | EvRing | EvRingTrailingEdge))
        NoteModemChange();
    if (mask & (EvBreak | EvErr))
        RefreshLineErrors();
    // While input streams in and the receivers make room, the same cycle reads on rather than
    // waiting for the next event for every ring's worth; the bound keeps the cycle's other
    // checks coming.
    for (int pass = 0; pass < MaxFillPasses; ++pass) {
        std::uint64_t before = Input.Total();
        FillInput();
        if (!AnnounceInput())
            return false;
        if (Input.Total() == before || Input.Full() || Workers_.Stopping())
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
    std::uint64_t pos = Input.Total();
    std::uint32_t count = InputCount();
    std::uint32_t threshold = FAvailThreshold.load();
    if (threshold == 0 || NotifyPos == pos || count < threshold)
        return false;
    RecordLog(sltTrigger, slsAvail, static_cast<std::int32_t>(count), nullptr, 0);
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
        std::lock_guard lock(StateLock_);
        FDispatching = true;
        served = NotifyWindowList.Size() > 1 || OwnerHandlesEvents;
        only = served ? DetachedReceiver() : 0;
    }
    const bool inNotify = message == MsgTriggerAvail || message == MsgTriggerData;
    Input.BeginDelivery(inNotify);
    std::intptr_t lParam = MakeNotifyLParam(FRegistryIndex, low);
    if (only != 0 && inNotify)
        return ReadingInPlace() ? DeliverInPlace(only, message, wParam, lParam)
                                : SendDetachedDelivery(only, message, wParam, lParam);

    for (std::size_t i = 0; served; ++i) {
        std::optional<TSioNotifyWindowList::TEntry> entry;
        {
            std::lock_guard lock(StateLock_);
            entry = NotifyWindowList.At(i);
        }
        if (!entry)
            break;
        if (i > 0)
            Input.NextReader();
        // After a close nothing more goes out: the window may be on its way to destruction.
        if (!entry->Removed && FMessenger && !Workers_.Stopping())
            FMessenger->SendWithTimeout(entry->Window, message, wParam, lParam, NotifySendTimeout);
        if (FClosePending.load()) {
            EndDelivery(wParam);
            return false;
        }
    }

    return EndDelivery(wParam) || !inNotify;
}

bool TSioBaseDispatcher::EndDelivery(std::uintptr_t announced) {
    std::uint32_t taken;
    {
        std::lock_guard lock(InputLock);
        taken = Input.EndDelivery();
    }
    {
        std::lock_guard lock(StateLock_);
        FDispatching = false;
        Delivery_.Close();
        if (NotifyWindowList.DropRemoved())
            RefreshHandlerState(TSioHandlerState::Recompute);
    }
    return taken == announced;
}

void TSioBaseDispatcher::AnnounceIfDue() {
    // Announced bytes are never announced again, and new ones are announced as they come in.
    if (InputUnannounced())
        AnnouncementDue();
}

void TSioBaseDispatcher::AddNotifyWindow(TSioWindowHandle window) {
    std::lock_guard lock(StateLock_);
    NotifyWindowList.Add(window);
    NotifyNeeded = true;
    RecordLog(sltTriggerHandlerAlloc, slsWindow, static_cast<std::int32_t>(window), nullptr, 0);
    ReceiversChanged();
    AnnounceIfDue();
}

void TSioBaseDispatcher::RemoveNotifyWindow(TSioWindowHandle window) {
    std::lock_guard lock(StateLock_);
    // During a delivery the window is only marked; the delivery's end takes it out.
    const bool deferred = FDispatching.load();
    if (!NotifyWindowList.Remove(window, deferred)) {
        RefreshHandlerState(TSioHandlerState::Recompute);
        return;
    }
    RecordLog(sltTriggerHandlerDispose, slsWindow, static_cast<std::int32_t>(window), nullptr, 0);
    if (!deferred)
        ReceiversChanged();
}

void TSioBaseDispatcher::RefreshHandlerState(TSioHandlerState how) {
    std::lock_guard lock(StateLock_);
    const bool wasNeeded = NotifyNeeded.load();
    bool others = NotifyWindowList.Size() > 1;
    switch (how) {
    case TSioHandlerState::OwnerHandles:
        OwnerHandlesEvents = true;
        NotifyNeeded = true;
        break;
    case TSioHandlerState::OwnerHandlesNone:
        OwnerHandlesEvents = false;
        NotifyNeeded = others;
        break;
    case TSioHandlerState::Recompute:
        NotifyNeeded = others || OwnerHandlesEvents;
        break;
    }
    ReceiversChanged();
    if (NotifyNeeded.load() && !wasNeeded)
        AnnounceIfDue();
}

void TSioBaseDispatcher::SetAvailThreshold(std::uint32_t threshold) {
    std::lock_guard lock(StateLock_);
    FAvailThreshold.store(threshold);
    RecordLog(sltTriggerDataChange, slsTriggerAvail, static_cast<std::int32_t>(threshold), nullptr,
              0);
    AnnounceIfDue();
}

std::uint32_t TSioBaseDispatcher::AvailThreshold() {
    std::lock_guard lock(StateLock_);
    return FAvailThreshold;
}

void TSioBaseDispatcher::SaveTriggerState(TSioTriggerState& area) {
    std::lock_guard lock(StateLock_);
    area = TSioTriggerState{FAvailThreshold.load()};
}

void TSioBaseDispatcher::RestoreTriggerState(const TSioTriggerState& area) {
    std::lock_guard lock(StateLock_);
    FAvailThreshold = area.AvailThreshold;
    AnnounceIfDue();
}

void TSioBaseDispatcher::SetOptionBits(std::uint32_t mask) {
    std::lock_guard lock(StateLock_);
    OptionBits |= mask;
}

void TSioBaseDispatcher::ClearOptionBits(std::uint32_t mask) {
    std::lock_guard lock(StateLock_);
    OptionBits &= ~mask;
}

std::uint32_t TSioBaseDispatcher::Options() {
    std::lock_guard lock(StateLock_);
    return OptionBits;
}

void TSioBaseDispatcher::SetRs485(bool on) {
    std::lock_guard lock(StateLock_);
    Rs485 = on;
    ApplyWorkerPriorities();
}

void TSioBaseDispatcher::SetPriorityBoost(std::uint8_t boost) {
    std::lock_guard lock(StateLock_);
    if (boost == PriorityBoost)
        return;
    PriorityBoost = boost;
    ApplyWorkerPriorities();
}
