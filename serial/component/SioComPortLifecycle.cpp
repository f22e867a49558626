// Opening and closing the port: the open sequence, the close sequence with its deferred
// teardown, loading, destruction and the operations that need a dispatcher.

#include "framework/ErrorReport.h"
#include "serial/component/ComSelectForm.h"
#include "serial/component/SioComPort.h"
#include "serial/component/SioOpenResult.h"
#include "serial/engine/dispatcher/SioBaseDispatcher.h"
#include "serial/engine/errors/SioExceptions.h"
#include "serial/engine/ports/SioPortNames.h"
#include "serial/engine/posix/SioPosixDispatcher.h"

#include <chrono>
#include <exception>

namespace {

// How soon a deferred teardown looks again for the workers to have ended.
constexpr std::chrono::milliseconds PortClosingRetry{10};

} // namespace

// The host base is built before the parts, so they may hold it; no member of the port may be
// called before its own construction has begun.
TSioCustomComPort::TSioCustomComPort()
    : TSioComSettings(static_cast<TSioComHost&>(*this)),
      TSioComEvents(static_cast<TSioComHost&>(*this)),
      TSioComRecorders(static_cast<TSioComHost&>(*this)) {}

TSioCustomComPort::~TSioCustomComPort() {
    if (LinkState_ == lsOpen)
        RunReportingErrors([this] { CloseComPort(); });
    // A teardown still deferred to the window cannot wait for it any more.
    if (Dispatcher_)
        FinishTeardown();
}

void TSioCustomComPort::Loaded() noexcept {
    if (OpenAfterLoad_)
        Open_ = true;
    if (!Open_)
        return;
    OpenAfterLoad_ = false;
    // Open reads true only once the open has succeeded.
    Open_ = false;
    try {
        OpenComPort();
    } catch (...) {
        Open_ = false;
        ReportCurrentException();
    }
}

void TSioCustomComPort::SetOpen(bool value) {
    if (Loading()) {
        Open_ = value;
        if (value)
            OpenAfterLoad_ = true;
        return;
    }
    // While a close is still in progress Open reads true, yet a new request must be kept.
    if (LinkState_ == lsClosing) {
        ReopenRequested_ = value;
        return;
    }
    if (value == Open_)
        return;
    if (!value)
        CloseComPort();
    else if (!Opening_)
        OpenComPort();
}

void TSioCustomComPort::SetComNumber(std::uint16_t value) {
    if (value == ComNumber_)
        return;
    if (LinkState_ != lsOpen || Loading()) {
        ComNumber_ = value;
        return;
    }
    Dispatcher_->SaveTriggerState(SavedTriggers_);
    TriggersSaved_ = true;
    const TTraceLogState tracing = Tracing();
    const TTraceLogState logging = Logging();
    const TSioTriggerState triggers = SavedTriggers_;
    SetOpen(false);
    ComNumber_ = value;
    SetTracing(tracing);
    SetLogging(logging);
    SetOpen(true);
    if (LinkState_ == lsOpen && Dispatcher_)
        Dispatcher_->RestoreTriggerState(triggers);
}

void TSioCustomComPort::OpenComPort() {
    if (Opening_)
        return;
    {
        const TSioValueScope<bool> opening(Opening_, true);
        if (TapiMode_ != tmOn)
            EnsureComNumber();
        Dispatcher_ = CreateDispatcher();
        Dispatcher_->SetPortName(PortDisplayName(ComNumber_));
        try {
            const TSioResult result =
                RemapOpenResult(OpenDevice(*Dispatcher_, DevicePath(ComNumber_)));
            if (result != 0) {
                Check(result);
                // Only reached while loading, when results do not raise: stay closed.
                AbandonOpen();
                return;
            }
            LinkState_ = lsOpen;
            TriggerHandlersChanged();
            ReplayRecorders();
            ReplaySettings();
            Open_ = true;
            AttachNotifyWindow(true);
            if (TriggersSaved_) {
                TriggersSaved_ = false;
                Dispatcher_->RestoreTriggerState(SavedTriggers_);
            }
        } catch (...) {
            AbandonOpen();
            throw;
        }
    }
    // Handlers of OnPortOpen may write at once, so the open no longer counts as in progress.
    try {
        Fire(OnPortOpen());
    } catch (...) {
        AbandonOpen();
        throw;
    }
}

void TSioCustomComPort::AbandonOpen() noexcept {
    Open_ = false;
    LinkState_ = lsClosed;
    AttachNotifyWindow(false);
    Dispatcher_.reset();
}

void TSioCustomComPort::EnsureComNumber() {
    if (ComNumber_ != 0)
        return;
    if (!PromptForPort_)
        throw ENoPortSelected(ecNoPortSelected);
    TComSelectForm form;
    if (form.exec() != TComSelectForm::mrOk)
        throw ENoPortSelected(ecNoPortSelected);
    ComNumber_ = static_cast<std::uint16_t>(form.SelectedComNumber());
}

std::unique_ptr<TSioBaseDispatcher> TSioCustomComPort::CreateDispatcher() {
    // Lines handed over by a telephony component do not exist on this platform.
    if (TapiMode_ == tmOn)
        throw ENotOpenedByTapi(ecNotOpenedByTapi);
    return std::make_unique<TSioPosixDispatcher>(this, &TQtWindowMessenger::Instance());
}

void TSioCustomComPort::CloseComPort() {
    if (LinkState_ != lsOpen)
        return;
    // A recorder file that cannot be written must not keep the port open: the close finishes
    // and the failure is raised afterwards.
    std::exception_ptr dumpFailure;
    try {
        SetTracing(tlDump);
    } catch (...) {
        dumpFailure = std::current_exception();
    }
    try {
        SetLogging(tlDump);
    } catch (...) {
        if (!dumpFailure)
            dumpFailure = std::current_exception();
    }
    LinkState_ = lsClosing;
    Dispatcher_->SaveTriggerState(SavedTriggers_);
    TriggersSaved_ = true;
    Dispatcher_->ClosePort();
    // Only a handler of this port needs its dispatcher after the close; any other caller gets a
    // closed port at once (a notification still waiting for this thread was released above), so
    // a reopen that follows raises to it.
    if (NotifyWindow_ && HandlerDepth_ > 0) {
        NotifyWindow_->Post(MsgPortClosing, 0, MakeNotifyLParam(Dispatcher_->RegistryIndex(), 0));
        TQtWindowMessenger::Instance().ProcessOnePending(std::chrono::milliseconds(0));
    } else {
        FinishTeardown();
    }
    Fire(OnPortClose());
    if (dumpFailure)
        std::rethrow_exception(dumpFailure);
}

void TSioCustomComPort::FinishTeardown() noexcept {
    AttachNotifyWindow(false);
    Dispatcher_.reset();
    LinkState_ = lsClosed;
    Open_ = false;
}

void TSioCustomComPort::HandlePortClosing() {
    if (!Dispatcher_ || LinkState_ != lsClosing)
        return;
    if (!Dispatcher_->WorkersGone()) {
        // Ask again a little later rather than re-posting at once, which would spin.
        NotifyWindow_->PostLater(PortClosingRetry, MsgPortClosing, 0,
                                 MakeNotifyLParam(Dispatcher_->RegistryIndex(), 0));
        return;
    }
    FinishTeardown();
    if (ReopenRequested_) {
        ReopenRequested_ = false;
        OpenComPort();
    }
}

bool TSioCustomComPort::DeviceAttached() const {
    return LinkState_ == lsOpen && Dispatcher_ && Dispatcher_->DeviceAttached();
}

TSioBaseDispatcher* TSioCustomComPort::DispatcherOrOpen() {
    if (!Dispatcher_ && !Loading() && !Opening_ && LinkState_ != lsOpen && AutoOpen_)
        SetOpen(true);
    return Dispatcher_.get();
}

TSioBaseDispatcher* TSioCustomComPort::ApplyingDispatcher() {
    return LinkState_ == lsOpen && !Loading() ? Dispatcher_.get() : nullptr;
}

TSioBaseDispatcher& TSioCustomComPort::RequireDispatcher() {
    TSioBaseDispatcher* dispatcher = DispatcherOrOpen();
    if (!dispatcher)
        throw ECommNotOpen(ecCommNotOpen);
    return *dispatcher;
}
