// The component's events: the hidden notification window, its window procedure and the
// trigger events it raises on the owning thread.

#include "framework/ErrorReport.h"
#include "serial/component/SioComPort.h"
#include "serial/engine/dispatcher/SioBaseDispatcher.h"
#include "serial/engine/dispatcher/SioDispatcherRegistry.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <mutex>

namespace {

// Status trigger kinds, carried in the low three bits of the trigger handle.
constexpr std::uintptr_t StatusModem = 1;
constexpr std::uintptr_t StatusLineError = 2;
constexpr std::uintptr_t StatusOutbuffFree = 3;
constexpr std::uintptr_t StatusOutbuffUsed = 4;
constexpr std::uintptr_t StatusOutSent = 5;

bool OnMainThread() {
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

bool IsComponentMessage(std::uint32_t message) {
    return (message >= MsgTriggerAvail && message <= MsgTriggerStatus) || message == MsgPortClosing;
}

// Counts a port's handlers running on its thread (nested ones too) for the scope of one.
class THandlerScope {
public:
    explicit THandlerScope(int& depth) : FDepth(depth) { ++FDepth; }
    ~THandlerScope() { --FDepth; }
    THandlerScope(const THandlerScope&) = delete;
    THandlerScope& operator=(const THandlerScope&) = delete;

private:
    int& FDepth;
};

} // namespace

// The window procedure of every component's notification window. It holds RegistryLock for the
// whole delivery, so the dispatcher it finds stays alive while the handlers run. It routes every
// message of the component's contract, also the data, timer and status messages that this
// engine never sends: a dispatcher that does send them finds the component ready.
class TComPortWindowProc {
public:
    static std::intptr_t Run(TSioWindowHandle, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) noexcept {
        if (!IsComponentMessage(message))
            return 0;
        std::lock_guard registryLock(RegistryLock());
        TSioBaseDispatcher* dispatcher = DispatcherRegistry().Lookup(RegistryIndexOfLParam(lParam));
        auto* port = dispatcher ? dynamic_cast<TSioCustomComPort*>(dispatcher->Owner()) : nullptr;
        if (!port)
            return 0;
        try {
            THandlerScope handler(port->HandlerDepth_);
            Deliver(*port, *dispatcher, message, wParam, lParam);
        } catch (...) {
            // A handler's failure is the operator's to see, and only the GUI thread can show it.
            if (OnMainThread())
                ReportCurrentException();
        }
        return 0;
    }

private:
    static void Deliver(TSioCustomComPort& port, TSioBaseDispatcher& dispatcher,
                        std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        if (message == MsgTriggerAvail) {
            // A handler that ran past the send limit may have read some of these bytes since.
            wParam = std::min<std::uintptr_t>(wParam, dispatcher.InputCount());
            if (wParam == 0)
                return;
        }
        const auto handle = static_cast<std::uint16_t>(wParam);
        const auto data =
            message == MsgTriggerAvail ? handle : static_cast<std::uint16_t>(lParam & 0xFFFF);
        port.FireTrigger(static_cast<std::uint16_t>(message), handle, data);
        switch (message) {
        case MsgTriggerAvail:
            port.FireTriggerAvail(handle);
            break;
        case MsgTriggerData:
            port.FireTriggerData(handle);
            break;
        case MsgTriggerTimer:
            port.FireTriggerTimer(handle);
            break;
        case MsgTriggerStatus:
            port.FireTriggerStatus(handle);
            DeliverStatus(port, wParam & 7);
            break;
        case MsgPortClosing:
            port.HandlePortClosing();
            break;
        default:
            break;
        }
    }

    static void DeliverStatus(TSioCustomComPort& port, std::uintptr_t kind) {
        switch (kind) {
        case StatusModem:
            port.FireTriggerModemStatus();
            break;
        case StatusLineError: {
            const bool open = port.LinkState_ == lsOpen && port.Dispatcher_;
            const bool lineBreak = open && port.Dispatcher_->TakeLineBreak();
            const auto error =
                open ? static_cast<std::uint16_t>(port.Dispatcher_->TakeLineError()) : 0;
            port.FireTriggerLineError(static_cast<std::uint16_t>(error), lineBreak);
            break;
        }
        case StatusOutbuffFree:
            port.FireTriggerOutbuffFree();
            break;
        case StatusOutbuffUsed:
            port.FireTriggerOutbuffUsed();
            break;
        case StatusOutSent:
            port.FireTriggerOutSent();
            break;
        default:
            break;
        }
    }
};

void TSioCustomComPort::AttachNotifyWindow(bool on) {
    if (!on) {
        if (NotifyWindow_ && Dispatcher_)
            Dispatcher_->RemoveNotifyWindow(NotifyWindow_->Handle());
        NotifyWindow_.reset();
        return;
    }
    NotifyWindow_ = TMessageWindow::Create(&TComPortWindowProc::Run);
    Dispatcher_->AddNotifyWindow(NotifyWindow_->Handle());
}

bool TSioCustomComPort::AnyTriggerHandler() const {
    return OnTrigger_ || OnTriggerAvail_ || OnTriggerData_ || OnTriggerStatus_ || OnTriggerTimer_ ||
           OnTriggerLineError_ || OnTriggerModemStatus_ || OnTriggerOutbuffFree_ ||
           OnTriggerOutbuffUsed_ || OnTriggerOutSent_;
}

void TSioCustomComPort::UpdateHandlerState() {
    if (LinkState_ == lsOpen && Dispatcher_)
        Dispatcher_->RefreshHandlerState(AnyTriggerHandler() ? TSioHandlerState::OwnerHandles
                                                             : TSioHandlerState::OwnerHandlesNone);
}

void TSioCustomComPort::SetOnTrigger(TTriggerEvent handler) {
    OnTrigger_ = std::move(handler);
    UpdateHandlerState();
}

void TSioCustomComPort::SetOnTriggerAvail(TTriggerAvailEvent handler) {
    OnTriggerAvail_ = std::move(handler);
    UpdateHandlerState();
}

void TSioCustomComPort::SetOnTriggerData(TTriggerDataEvent handler) {
    OnTriggerData_ = std::move(handler);
    UpdateHandlerState();
}

void TSioCustomComPort::SetOnTriggerStatus(TTriggerStatusEvent handler) {
    OnTriggerStatus_ = std::move(handler);
    UpdateHandlerState();
}

void TSioCustomComPort::SetOnTriggerTimer(TTriggerTimerEvent handler) {
    OnTriggerTimer_ = std::move(handler);
    UpdateHandlerState();
}

void TSioCustomComPort::SetOnTriggerLineError(TTriggerLineErrorEvent handler) {
    OnTriggerLineError_ = std::move(handler);
    UpdateHandlerState();
}

void TSioCustomComPort::SetOnTriggerModemStatus(TSioNotifyEvent handler) {
    OnTriggerModemStatus_ = std::move(handler);
    UpdateHandlerState();
}

void TSioCustomComPort::SetOnTriggerOutbuffFree(TSioNotifyEvent handler) {
    OnTriggerOutbuffFree_ = std::move(handler);
    UpdateHandlerState();
}

void TSioCustomComPort::SetOnTriggerOutbuffUsed(TSioNotifyEvent handler) {
    OnTriggerOutbuffUsed_ = std::move(handler);
    UpdateHandlerState();
}

void TSioCustomComPort::SetOnTriggerOutSent(TSioNotifyEvent handler) {
    OnTriggerOutSent_ = std::move(handler);
    UpdateHandlerState();
}

void TSioCustomComPort::FireTrigger(std::uint16_t Msg, std::uint16_t TriggerHandle,
                                    std::uint16_t Data) {
    if (OnTrigger_)
        OnTrigger_(*this, Msg, TriggerHandle, Data);
}

void TSioCustomComPort::FireTriggerAvail(std::uint16_t Count) {
    if (OnTriggerAvail_)
        OnTriggerAvail_(*this, Count);
}

void TSioCustomComPort::FireTriggerData(std::uint16_t TriggerHandle) {
    if (OnTriggerData_)
        OnTriggerData_(*this, TriggerHandle);
}

void TSioCustomComPort::FireTriggerStatus(std::uint16_t TriggerHandle) {
    if (OnTriggerStatus_)
        OnTriggerStatus_(*this, TriggerHandle);
}

void TSioCustomComPort::FireTriggerTimer(std::uint16_t TriggerHandle) {
    if (OnTriggerTimer_)
        OnTriggerTimer_(*this, TriggerHandle);
}

void TSioCustomComPort::FireTriggerLineError(std::uint16_t Error, bool LineBreak) {
    if (OnTriggerLineError_)
        OnTriggerLineError_(*this, Error, LineBreak);
}

void TSioCustomComPort::FireTriggerModemStatus() {
    if (OnTriggerModemStatus_)
        OnTriggerModemStatus_(*this);
}

void TSioCustomComPort::FireTriggerOutbuffFree() {
    if (OnTriggerOutbuffFree_)
        OnTriggerOutbuffFree_(*this);
}

void TSioCustomComPort::FireTriggerOutbuffUsed() {
    if (OnTriggerOutbuffUsed_)
        OnTriggerOutbuffUsed_(*this);
}

void TSioCustomComPort::FireTriggerOutSent() {
    if (OnTriggerOutSent_)
        OnTriggerOutSent_(*this);
}

void TSioCustomComPort::FireWaitChar(char C) {
    if (OnWaitChar_)
        OnWaitChar_(*this, C);
}
