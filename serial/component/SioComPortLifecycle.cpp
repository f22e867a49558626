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

// Sets a flag for a scope and clears it on every way out.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : FFlag(flag) { FFlag = true; }
    ~TFlagScope() { FFlag = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& FFlag;
};

} // namespace

TSioCustomComPort::TSioCustomComPort() = default;

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
    const TTraceLogState tracing = Trace_.State();
    const TTraceLogState logging = Log_.State();
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
        TFlagScope opening(Opening_);
        if (TapiMode_ != tmOn)
            EnsureComNumber();
        Dispatcher_ = CreateDispatcher();
        Dispatcher_->SetPortName(PortDisplayName(ComNumber_));
        try {
            const TSioResult result = RemapOpenResult(OpenOnDispatcher());
            if (result != 0) {
                Check(result);
                // Only reached while loading, when results do not raise: stay closed.
                AbandonOpen();
                return;
            }
            LinkState_ = lsOpen;
            UpdateHandlerState();
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
        NotifyPortOpen();
    } catch (...) {
        AbandonOpen();
        throw;
    }
}

void TSioCustomComPort::ReplaySettings() {
    TForceApplyScope force(*this);
    SetTracing(Trace_.State());
    SetLogging(Log_.State());
    SetHWFlowOptions(HWFlowOptions_);
    SetSWFlowOptions(SWFlowOptions_);
    SetXOnChar(XOnChar_);
    SetXOffChar(XOffChar_);
    SetAvailThreshold(AvailThreshold_);
    SetDTR(DTR_);
    SetRTS(RTS_);
    SetUseEventWord(UseEventWord_);
    SetRS485Mode(RS485Mode_);
    SetPriorityBoost(PriorityBoost_);
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
    if (DeviceLayer_ != dlWin32)
        throw ENullApi(ecNullApi);
    // Lines handed over by a telephony component do not exist on this platform.
    if (TapiMode_ == tmOn)
        throw ENotOpenedByTapi(ecNotOpenedByTapi);
    return std::make_unique<TSioPosixDispatcher>(this, &TQtWindowMessenger::Instance());
}

TSioResult TSioCustomComPort::OpenOnDispatcher() {
    std::uint32_t flags = 0;
    if (DTR_)
        flags |= OpenDtrOn;
    if (RTS_)
        flags |= OpenRtsOn;
    if (HWFlowOptions_.Contains(hwfUseDTR))
        flags |= OpenDtrByFlow;
    if (HWFlowOptions_.Contains(hwfUseRTS))
        flags |= OpenRtsByFlow;
    return Dispatcher_->OpenPort(DevicePath(ComNumber_), static_cast<std::uint32_t>(Baud_), Parity_,
                                 ByteSetting(DataBits_), ByteSetting(StopBits_), InSize_, OutSize_,
                                 flags);
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
    NotifyPortClosing();
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
    NotifyPortClose();
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

void TSioCustomComPort::NotifyPortOpen() {
    if (OnPortOpen_)
        OnPortOpen_(*this);
}

void TSioCustomComPort::NotifyPortClose() {
    if (OnPortClose_)
        OnPortClose_(*this);
}

// No dependents register on this platform; the hook stays for derived components.
void TSioCustomComPort::NotifyPortClosing() {}

bool TSioCustomComPort::DeviceAttached() const {
    return LinkState_ == lsOpen && Dispatcher_ && Dispatcher_->DeviceAttached();
}

TSioBaseDispatcher* TSioCustomComPort::DispatcherOrOpen() {
    if (!Dispatcher_ && !Loading() && !Opening_ && LinkState_ != lsOpen && AutoOpen_)
        SetOpen(true);
    return Dispatcher_.get();
}

TSioBaseDispatcher& TSioCustomComPort::RequireDispatcher() {
    TSioBaseDispatcher* dispatcher = DispatcherOrOpen();
    if (!dispatcher)
        throw ECommNotOpen(ecCommNotOpen);
    return *dispatcher;
}

void TSioCustomComPort::WriteString(const std::string& Data) {
    if (LinkState_ == lsClosing || Opening_ || Data.empty())
        return;
    Check(RequireDispatcher().QueueBlock(Data.data(), static_cast<std::uint32_t>(Data.size())));
}

std::uint8_t TSioCustomComPort::ReadChar() {
    if (LinkState_ == lsClosing || Opening_)
        return 0;
    // Called once per byte: an open port goes straight to its dispatcher.
    TSioBaseDispatcher& dispatcher = Dispatcher_ ? *Dispatcher_ : RequireDispatcher();
    std::uint8_t byte = 0;
    if (const TSioResult result = dispatcher.TakeByte(byte); result != ecOK)
        Check(result);
    return byte;
}

std::uint32_t TSioCustomComPort::GetBlock(void* buffer, std::uint32_t size) {
    if (LinkState_ == lsClosing || Opening_ || size == 0)
        return 0;
    TSioBaseDispatcher& dispatcher = Dispatcher_ ? *Dispatcher_ : RequireDispatcher();
    return dispatcher.TakeBlock(static_cast<std::uint8_t*>(buffer), size);
}

std::uint32_t TSioCustomComPort::PeekBlock(void* buffer, std::uint32_t size) {
    if (LinkState_ == lsClosing || Opening_ || size == 0)
        return 0;
    return RequireDispatcher().PeekBlock(static_cast<std::uint8_t*>(buffer), size);
}

void TSioCustomComPort::YieldToDispatcher() {
    if (LinkState_ != lsClosing)
        Check(RequireDispatcher().YieldSlice());
}
