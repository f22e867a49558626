// The processing cycle and the delivery of data-available notifications to the windows.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"
#include "serial/engine/trace/SioLogEntry.h"

namespace {
constexpr int MaxFillPasses = 8;
} // namespace

bool TSioBaseDispatcher::ProcessCycle() {
    std::uint32_t mask = TakeDeviceEvents();
    if (mask & EvRingTrailingEdge)
        LineStatus_.NoteRingEnd();
    if (mask & (EvCts | EvDsr | EvRlsd | EvRing | EvRingTrailingEdge)) {
        std::lock_guard lock(StateLock_);
        LineStatus_.NoteChange(ReadModemLines());
    }
    if (mask & (EvBreak | EvErr))
        RefreshLineErrors();
    // While input streams in and the receivers make room, the same cycle reads on rather than
    // waiting for the next event for every ring's worth; the bound keeps the cycle's other
    // checks coming.
    for (int pass = 0; pass < MaxFillPasses; ++pass) {
        std::uint64_t before = Input_.Total();
        FillInput();
        if (!AnnounceInput())
            return false;
        if (Input_.Total() == before || Input_.Full() || Workers_.Stopping())
            break;
    }
    return true;
}

bool TSioBaseDispatcher::AnnounceInput() {
    ExpireOverdueDelivery();
    if (Dispatching_.load())
        return true;
    while (CheckAvail()) {
        if (ClosePending_.load())
            return false;
    }
    return !ClosePending_.load();
}

bool TSioBaseDispatcher::CheckAvail() {
    std::uint64_t pos = Input_.Total();
    std::uint32_t count = InputCount();
    std::uint32_t threshold = AvailThreshold_.load();
    if (threshold == 0 || NotifyPos_ == pos || count < threshold)
        return false;
    RecordLog(sltTrigger, slsAvail, static_cast<std::int32_t>(count), nullptr, 0);
    // Before the send: a detached delivery may end, and look for newer input, before it returns.
    NotifyPos_ = pos;
    return NotifyWindows(MsgTriggerAvail, count, 0);
}

bool TSioBaseDispatcher::NotifyWindows(TSioMessage message, std::uintptr_t wParam,
                                       std::uint16_t low) {
    if (!NotifyNeeded_.load())
        return true;
    bool served;
    TSioWindowHandle only;
    {
        std::lock_guard lock(StateLock_);
        Dispatching_ = true;
        served = NotifyWindowList_.Size() > 1 || OwnerHandlesEvents_;
        only = served ? DetachedReceiver() : 0;
    }
    const bool inNotify = message == MsgTriggerAvail || message == MsgTriggerData;
    Input_.BeginDelivery(inNotify);
    std::intptr_t lParam = MakeNotifyLParam(RegistryIndex_, low);
    if (only != 0 && inNotify)
        return ReadingInPlace() ? DeliverInPlace(only, message, wParam, lParam)
                                : SendDetachedDelivery(only, message, wParam, lParam);

    for (std::size_t i = 0; served; ++i) {
        std::optional<TSioNotifyWindowList::TEntry> entry;
        {
            std::lock_guard lock(StateLock_);
            entry = NotifyWindowList_.At(i);
        }
        if (!entry)
            break;
        if (i > 0)
            Input_.NextReader();
        // After a close nothing more goes out: the window may be on its way to destruction.
        if (!entry->Removed && Messenger_ && !Workers_.Stopping())
            Messenger_->SendWithTimeout(entry->Window, message, wParam, lParam, NotifySendTimeout);
        if (ClosePending_.load()) {
            EndDelivery(wParam);
            return false;
        }
    }

    return EndDelivery(wParam) || !inNotify;
}

bool TSioBaseDispatcher::EndDelivery(std::uintptr_t announced) {
    std::uint32_t taken;
    {
        std::lock_guard lock(InputLock_);
        taken = Input_.EndDelivery();
    }
    {
        std::lock_guard lock(StateLock_);
        Dispatching_ = false;
        Delivery_.Close();
        if (NotifyWindowList_.DropRemoved())
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
    NotifyWindowList_.Add(window);
    NotifyNeeded_ = true;
    RecordLog(sltTriggerHandlerAlloc, slsWindow, static_cast<std::int32_t>(window), nullptr, 0);
    ReceiversChanged();
    AnnounceIfDue();
}

void TSioBaseDispatcher::RemoveNotifyWindow(TSioWindowHandle window) {
    std::lock_guard lock(StateLock_);
    // During a delivery the window is only marked; the delivery's end takes it out.
    const bool deferred = Dispatching_.load();
    if (!NotifyWindowList_.Remove(window, deferred)) {
        RefreshHandlerState(TSioHandlerState::Recompute);
        return;
    }
    RecordLog(sltTriggerHandlerDispose, slsWindow, static_cast<std::int32_t>(window), nullptr, 0);
    if (!deferred)
        ReceiversChanged();
}

void TSioBaseDispatcher::RefreshHandlerState(TSioHandlerState how) {
    std::lock_guard lock(StateLock_);
    const bool wasNeeded = NotifyNeeded_.load();
    bool others = NotifyWindowList_.Size() > 1;
    switch (how) {
    case TSioHandlerState::OwnerHandles:
        OwnerHandlesEvents_ = true;
        NotifyNeeded_ = true;
        break;
    case TSioHandlerState::OwnerHandlesNone:
        OwnerHandlesEvents_ = false;
        NotifyNeeded_ = others;
        break;
    case TSioHandlerState::Recompute:
        NotifyNeeded_ = others || OwnerHandlesEvents_;
        break;
    }
    ReceiversChanged();
    if (NotifyNeeded_.load() && !wasNeeded)
        AnnounceIfDue();
}

void TSioBaseDispatcher::SetAvailThreshold(std::uint32_t threshold) {
    std::lock_guard lock(StateLock_);
    AvailThreshold_.store(threshold);
    RecordLog(sltTriggerDataChange, slsTriggerAvail, static_cast<std::int32_t>(threshold), nullptr,
              0);
    AnnounceIfDue();
}

std::uint32_t TSioBaseDispatcher::AvailThreshold() {
    std::lock_guard lock(StateLock_);
    return AvailThreshold_;
}

void TSioBaseDispatcher::SaveTriggerState(TSioTriggerState& area) {
    std::lock_guard lock(StateLock_);
    area = TSioTriggerState{AvailThreshold_.load()};
}

void TSioBaseDispatcher::RestoreTriggerState(const TSioTriggerState& area) {
    std::lock_guard lock(StateLock_);
    AvailThreshold_ = area.AvailThreshold;
    AnnounceIfDue();
}

void TSioBaseDispatcher::SetOptionBits(std::uint32_t mask) {
    std::lock_guard lock(StateLock_);
    OptionBits_ |= mask;
}

void TSioBaseDispatcher::ClearOptionBits(std::uint32_t mask) {
    std::lock_guard lock(StateLock_);
    OptionBits_ &= ~mask;
}

std::uint32_t TSioBaseDispatcher::Options() {
    std::lock_guard lock(StateLock_);
    return OptionBits_;
}
