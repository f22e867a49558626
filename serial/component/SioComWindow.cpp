// The component's notification window: its window procedure, which raises the trigger events on
// the owning thread, and how the window and the port's handlers are made known to the dispatcher.

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
    explicit THandlerScope(int& depth) : Depth_(depth) { ++Depth_; }
    ~THandlerScope() { --Depth_; }
    THandlerScope(const THandlerScope&) = delete;
    THandlerScope& operator=(const THandlerScope&) = delete;

private:
    int& Depth_;
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
        port.Fire(port.OnTrigger(), static_cast<std::uint16_t>(message), handle, data);
        switch (message) {
        case MsgTriggerAvail:
            port.Fire(port.OnTriggerAvail(), handle);
            break;
        case MsgTriggerData:
            port.Fire(port.OnTriggerData(), handle);
            break;
        case MsgTriggerTimer:
            port.Fire(port.OnTriggerTimer(), handle);
            break;
        case MsgTriggerStatus:
            port.Fire(port.OnTriggerStatus(), handle);
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
            port.Fire(port.OnTriggerModemStatus());
            break;
        case StatusLineError: {
            const bool open = port.LinkState_ == lsOpen && port.Dispatcher_;
            const bool lineBreak = open && port.Dispatcher_->TakeLineBreak();
            const auto error =
                open ? static_cast<std::uint16_t>(port.Dispatcher_->TakeLineError()) : 0;
            port.Fire(port.OnTriggerLineError(), static_cast<std::uint16_t>(error), lineBreak);
            break;
        }
        case StatusOutbuffFree:
            port.Fire(port.OnTriggerOutbuffFree());
            break;
        case StatusOutbuffUsed:
            port.Fire(port.OnTriggerOutbuffUsed());
            break;
        case StatusOutSent:
            port.Fire(port.OnTriggerOutSent());
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

void TSioCustomComPort::TriggerHandlersChanged() {
    if (LinkState_ == lsOpen && Dispatcher_)
        Dispatcher_->RefreshHandlerState(AnyTriggerHandler() ? TSioHandlerState::OwnerHandles
                                                             : TSioHandlerState::OwnerHandlesNone);
}
