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
    if (FLinkState == lsOpen)
        RunReportingErrors([this] { CloseComPort(); });
    // A teardown still deferred to the window cannot wait for it any more.
    if (FDispatcher)
        FinishTeardown();
}

void TSioCustomComPort::Loaded() noexcept {
    if (FOpenAfterLoad)
        FOpen = true;
    if (!FOpen)
        return;
    FOpenAfterLoad = false;
    // Open reads true only once the open has succeeded.
    FOpen = false;
    try {
        OpenComPort();
    } catch (...) {
        FOpen = false;
        ReportCurrentException();
    }
}

void TSioCustomComPort::SetOpen(bool value) {
    if (Loading()) {
        FOpen = value;
        if (value)
            FOpenAfterLoad = true;
        return;
    }
    // While a close is still in progress Open reads true, yet a new request must be kept.
    if (FLinkState == lsClosing) {
        FReopenRequested = value;
        return;
    }
    if (value == FOpen)
        return;
    if (!value)
        CloseComPort();
    else if (!FOpening)
        OpenComPort();
}

void TSioCustomComPort::SetComNumber(std::uint16_t value) {
    if (value == FComNumber)
        return;
    if (FLinkState != lsOpen || Loading()) {
        FComNumber = value;
        return;
    }
    FDispatcher->SaveTriggerState(FSavedTriggers);
    FTriggersSaved = true;
    const TTraceLogState tracing = FTrace.State();
    const TTraceLogState logging = FLog.State();
    const TSioTriggerState triggers = FSavedTriggers;
    SetOpen(false);
    FComNumber = value;
    SetTracing(tracing);
    SetLogging(logging);
    SetOpen(true);
    if (FLinkState == lsOpen && FDispatcher)
        FDispatcher->RestoreTriggerState(triggers);
}

void TSioCustomComPort::OpenComPort() {
    if (FOpening)
        return;
    {
        TFlagScope opening(FOpening);
        if (FTapiMode != tmOn)
            EnsureComNumber();
        FDispatcher = CreateDispatcher();
        FDispatcher->SetPortName(PortDisplayName(FComNumber));
        try {
            const TSioResult result = RemapOpenResult(OpenOnDispatcher());
            if (result != 0) {
                Check(result);
                // Only reached while loading, when results do not raise: stay closed.
                AbandonOpen();
                return;
            }
            FLinkState = lsOpen;
            UpdateHandlerState();
            ReplaySettings();
            FOpen = true;
            AttachNotifyWindow(true);
            if (FTriggersSaved) {
                FTriggersSaved = false;
                FDispatcher->RestoreTriggerState(FSavedTriggers);
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
    SetTracing(FTrace.State());
    SetLogging(FLog.State());
    SetHWFlowOptions(FHWFlowOptions);
    SetSWFlowOptions(FSWFlowOptions);
    SetXOnChar(FXOnChar);
    SetXOffChar(FXOffChar);
    SetAvailThreshold(FAvailThreshold);
    SetDTR(FDTR);
    SetRTS(FRTS);
    SetUseEventWord(FUseEventWord);
    SetRS485Mode(FRS485Mode);
    SetPriorityBoost(FPriorityBoost);
}

void TSioCustomComPort::AbandonOpen() noexcept {
    FOpen = false;
    FLinkState = lsClosed;
    AttachNotifyWindow(false);
    FDispatcher.reset();
}

void TSioCustomComPort::EnsureComNumber() {
    if (FComNumber != 0)
        return;
    if (!FPromptForPort)
        throw ENoPortSelected(ecNoPortSelected);
    TComSelectForm form;
    if (form.exec() != TComSelectForm::mrOk)
        throw ENoPortSelected(ecNoPortSelected);
    FComNumber = static_cast<std::uint16_t>(form.SelectedComNumber());
}

std::unique_ptr<TSioBaseDispatcher> TSioCustomComPort::CreateDispatcher() {
    if (FDeviceLayer != dlWin32)
        throw ENullApi(ecNullApi);
    // Lines handed over by a telephony component do not exist on this platform.
    if (FTapiMode == tmOn)
        throw ENotOpenedByTapi(ecNotOpenedByTapi);
    return std::make_unique<TSioPosixDispatcher>(this, &TQtWindowMessenger::Instance());
}

TSioResult TSioCustomComPort::OpenOnDispatcher() {
    std::uint32_t flags = 0;
    if (FDTR)
        flags |= OpenDtrOn;
    if (FRTS)
        flags |= OpenRtsOn;
    if (FHWFlowOptions.Contains(hwfUseDTR))
        flags |= OpenDtrByFlow;
    if (FHWFlowOptions.Contains(hwfUseRTS))
        flags |= OpenRtsByFlow;
    return FDispatcher->OpenPort(DevicePath(FComNumber), static_cast<std::uint32_t>(FBaud), FParity,
                                 ByteSetting(FDataBits), ByteSetting(FStopBits), FInSize, FOutSize,
                                 flags);
}

void TSioCustomComPort::CloseComPort() {
    if (FLinkState != lsOpen)
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
    FLinkState = lsClosing;
    NotifyPortClosing();
    FDispatcher->SaveTriggerState(FSavedTriggers);
    FTriggersSaved = true;
    FDispatcher->ClosePort();
    // Only a handler of this port needs its dispatcher after the close; any other caller gets a
    // closed port at once (a notification still waiting for this thread was released above), so
    // a reopen that follows raises to it.
    if (FNotifyWindow && FHandlerDepth > 0) {
        FNotifyWindow->Post(MsgPortClosing, 0, MakeNotifyLParam(FDispatcher->RegistryIndex(), 0));
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
    FDispatcher.reset();
    FLinkState = lsClosed;
    FOpen = false;
}

void TSioCustomComPort::HandlePortClosing() {
    if (!FDispatcher || FLinkState != lsClosing)
        return;
    if (!FDispatcher->WorkersGone()) {
        // Ask again a little later rather than re-posting at once, which would spin.
        FNotifyWindow->PostLater(PortClosingRetry, MsgPortClosing, 0,
                                 MakeNotifyLParam(FDispatcher->RegistryIndex(), 0));
        return;
    }
    FinishTeardown();
    if (FReopenRequested) {
        FReopenRequested = false;
        OpenComPort();
    }
}

void TSioCustomComPort::NotifyPortOpen() {
    if (FOnPortOpen)
        FOnPortOpen(*this);
}

void TSioCustomComPort::NotifyPortClose() {
    if (FOnPortClose)
        FOnPortClose(*this);
}

// No dependents register on this platform; the hook stays for derived components.
void TSioCustomComPort::NotifyPortClosing() {}

bool TSioCustomComPort::DeviceAttached() const {
    return FLinkState == lsOpen && FDispatcher && FDispatcher->DeviceAttached();
}

TSioBaseDispatcher* TSioCustomComPort::DispatcherOrOpen() {
    if (!FDispatcher && !Loading() && !FOpening && FLinkState != lsOpen && FAutoOpen)
        SetOpen(true);
    return FDispatcher.get();
}

TSioBaseDispatcher& TSioCustomComPort::RequireDispatcher() {
    TSioBaseDispatcher* dispatcher = DispatcherOrOpen();
    if (!dispatcher)
        throw ECommNotOpen(ecCommNotOpen);
    return *dispatcher;
}

void TSioCustomComPort::WriteString(const std::string& Data) {
    if (FLinkState == lsClosing || FOpening || Data.empty())
        return;
    Check(RequireDispatcher().QueueBlock(Data.data(), static_cast<std::uint32_t>(Data.size())));
}

std::uint8_t TSioCustomComPort::ReadChar() {
    if (FLinkState == lsClosing || FOpening)
        return 0;
    // Called once per byte: an open port goes straight to its dispatcher.
    TSioBaseDispatcher& dispatcher = FDispatcher ? *FDispatcher : RequireDispatcher();
    std::uint8_t byte = 0;
    if (const TSioResult result = dispatcher.TakeByte(byte); result != ecOK)
        Check(result);
    return byte;
}

std::uint32_t TSioCustomComPort::GetBlock(void* buffer, std::uint32_t size) {
    if (FLinkState == lsClosing || FOpening || size == 0)
        return 0;
    TSioBaseDispatcher& dispatcher = FDispatcher ? *FDispatcher : RequireDispatcher();
    return dispatcher.TakeBlock(static_cast<std::uint8_t*>(buffer), size);
}

std::uint32_t TSioCustomComPort::PeekBlock(void* buffer, std::uint32_t size) {
    if (FLinkState == lsClosing || FOpening || size == 0)
        return 0;
    return RequireDispatcher().PeekBlock(static_cast<std::uint8_t*>(buffer), size);
}

void TSioCustomComPort::YieldToDispatcher() {
    if (FLinkState != lsClosing)
        Check(RequireDispatcher().YieldSlice());
}
