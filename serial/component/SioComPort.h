#pragma once
// The serial port component: the application's only handle on a serial line.
//
// TSioCustomComPort keeps the line settings as properties, opens the port by creating a
// dispatcher (the engine object that owns the device and its three worker threads), queues
// byte strings for output and reads single received bytes through it, and raises its events on
// the thread that opened the port, carried there by a hidden notification window.
//
// Threads: every operation, setter and event belongs to the thread that owns the component (the
// GUI thread). Workers never call it; they only send messages to its notification window.
// Locks: the event delivery holds the process-wide RegistryLock for the whole handler.
// Failures: every failure is raised as an exception of the serial layer's family (or the
// run-time's input/output and out-of-memory exceptions); after a failed open the component is
// closed, with no dispatcher and no window. Setters called inside a TLoadingScope only store.

#include "framework/Component.h"
#include "framework/MessageWindow.h"
#include "serial/component/SioComRecorder.h"
#include "serial/component/SioTypes.h"
#include "serial/engine/dispatcher/SioDispatcherOwner.h"
#include "serial/engine/dispatcher/SioLineSettings.h"
#include "serial/engine/errors/SioCheckResult.h"
#include "serial/engine/errors/SioExceptions.h"
#include "serial/engine/errors/SioResultCodes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

class TSioBaseDispatcher;

class TSioBaseComponent : public TComponent {
public:
    std::string Version() const { return "v4.05"; }
    // The version is fixed: writing it is ignored.
    void SetVersion(const std::string&) {}
};

class TSioCustomComPort : public TSioBaseComponent, public ISioOwner, public TSioDispatcherOwner {
public:
    TSioCustomComPort();
    ~TSioCustomComPort() override;

    bool Loading() const override { return TComponent::Loading(); }

    // Line and device.
    TDeviceLayer DeviceLayer() const { return DeviceLayer_; }
    void SetDeviceLayer(TDeviceLayer value);
    std::uint16_t ComNumber() const { return ComNumber_; }
    void SetComNumber(std::uint16_t value);
    std::int32_t Baud() const { return Baud_; }
    void SetBaud(std::int32_t value);
    bool PromptForPort() const { return PromptForPort_; }
    void SetPromptForPort(bool value) { PromptForPort_ = value; }
    TParity Parity() const { return Parity_; }
    void SetParity(TParity value);
    std::uint16_t DataBits() const { return DataBits_; }
    void SetDataBits(std::uint16_t value);
    std::uint16_t StopBits() const { return StopBits_; }
    void SetStopBits(std::uint16_t value);
    std::uint16_t InSize() const { return InSize_; }
    void SetInSize(std::uint16_t value);
    std::uint16_t OutSize() const { return OutSize_; }
    void SetOutSize(std::uint16_t value);
    bool AutoOpen() const { return AutoOpen_; }
    void SetAutoOpen(bool value) { AutoOpen_ = value; }
    bool Open() const { return Open_; }
    void SetOpen(bool value);

    // Modem lines and flow control.
    bool DTR() const { return DTR_; }
    void SetDTR(bool value);
    bool RTS() const { return RTS_; }
    void SetRTS(bool value);
    THWFlowOptions HWFlowOptions() const { return HWFlowOptions_; }
    void SetHWFlowOptions(THWFlowOptions value);
    TSWFlowOptions SWFlowOptions() const { return SWFlowOptions_; }
    void SetSWFlowOptions(TSWFlowOptions value);
    char XOnChar() const { return XOnChar_; }
    void SetXOnChar(char value);
    char XOffChar() const { return XOffChar_; }
    void SetXOffChar(char value);
    std::uint16_t BufferFull() const { return BufferFull_; }
    void SetBufferFull(std::uint16_t value);
    std::uint16_t BufferResume() const { return BufferResume_; }
    void SetBufferResume(std::uint16_t value);

    // Trace and dispatch log.
    TTraceLogState Tracing() const { return Trace_.State(); }
    void SetTracing(TTraceLogState value) { Trace_.Request(value); }
    std::uint32_t TraceSize() const { return Trace_.Size(); }
    void SetTraceSize(std::uint32_t value) { Trace_.SetSize(value); }
    const std::string& TraceName() const { return Trace_.Name(); }
    void SetTraceName(std::string value) { Trace_.SetName(std::move(value)); }
    bool TraceHex() const { return Trace_.Hex(); }
    void SetTraceHex(bool value) { Trace_.SetHex(value); }
    bool TraceAllHex() const { return Trace_.AllHex(); }
    void SetTraceAllHex(bool value) { Trace_.SetAllHex(value); }
    TTraceLogState Logging() const { return Log_.State(); }
    void SetLogging(TTraceLogState value) { Log_.Request(value); }
    std::uint32_t LogSize() const { return Log_.Size(); }
    void SetLogSize(std::uint32_t value) { Log_.SetSize(value); }
    const std::string& LogName() const { return Log_.Name(); }
    void SetLogName(std::string value) { Log_.SetName(std::move(value)); }
    bool LogHex() const { return Log_.Hex(); }
    void SetLogHex(bool value) { Log_.SetHex(value); }
    bool LogAllHex() const { return Log_.AllHex(); }
    void SetLogAllHex(bool value) { Log_.SetAllHex(value); }

    // Miscellaneous.
    bool UseMSRShadow() const { return UseMSRShadow_; }
    void SetUseMSRShadow(bool value) { ApplyUseMSRShadow(value); }
    bool UseEventWord() const { return UseEventWord_; }
    void SetUseEventWord(bool value);
    std::uint16_t CommNotificationLevel() const { return CommNotificationLevel_; }
    void SetCommNotificationLevel(std::uint16_t value);
    TTapiMode TapiMode() const { return TapiMode_; }
    void SetTapiMode(TTapiMode value) { TapiMode_ = value; }
    bool RS485Mode() const { return RS485Mode_; }
    void SetRS485Mode(bool value);
    std::uint16_t AvailThreshold() const { return AvailThreshold_; }
    void SetAvailThreshold(std::uint16_t value);
    std::uint8_t PriorityBoost() const { return PriorityBoost_; }
    void SetPriorityBoost(std::uint8_t value);

    // Events. Assigning a trigger event (OnTrigger ... OnTriggerOutSent) tells an open
    // dispatcher at once whether the component's window is to be served.
    const TSioNotifyEvent& OnPortClose() const { return OnPortClose_; }
    void SetOnPortClose(TSioNotifyEvent handler) { OnPortClose_ = std::move(handler); }
    const TSioNotifyEvent& OnPortOpen() const { return OnPortOpen_; }
    void SetOnPortOpen(TSioNotifyEvent handler) { OnPortOpen_ = std::move(handler); }
    const TTriggerEvent& OnTrigger() const { return OnTrigger_; }
    void SetOnTrigger(TTriggerEvent handler);
    const TTriggerAvailEvent& OnTriggerAvail() const { return OnTriggerAvail_; }
    void SetOnTriggerAvail(TTriggerAvailEvent handler);
    const TTriggerDataEvent& OnTriggerData() const { return OnTriggerData_; }
    void SetOnTriggerData(TTriggerDataEvent handler);
    const TTriggerStatusEvent& OnTriggerStatus() const { return OnTriggerStatus_; }
    void SetOnTriggerStatus(TTriggerStatusEvent handler);
    const TTriggerTimerEvent& OnTriggerTimer() const { return OnTriggerTimer_; }
    void SetOnTriggerTimer(TTriggerTimerEvent handler);
    const TTriggerLineErrorEvent& OnTriggerLineError() const { return OnTriggerLineError_; }
    void SetOnTriggerLineError(TTriggerLineErrorEvent handler);
    const TSioNotifyEvent& OnTriggerModemStatus() const { return OnTriggerModemStatus_; }
    void SetOnTriggerModemStatus(TSioNotifyEvent handler);
    const TSioNotifyEvent& OnTriggerOutbuffFree() const { return OnTriggerOutbuffFree_; }
    void SetOnTriggerOutbuffFree(TSioNotifyEvent handler);
    const TSioNotifyEvent& OnTriggerOutbuffUsed() const { return OnTriggerOutbuffUsed_; }
    void SetOnTriggerOutbuffUsed(TSioNotifyEvent handler);
    const TSioNotifyEvent& OnTriggerOutSent() const { return OnTriggerOutSent_; }
    void SetOnTriggerOutSent(TSioNotifyEvent handler);
    const TWaitCharEvent& OnWaitChar() const { return OnWaitChar_; }
    void SetOnWaitChar(TWaitCharEvent handler) { OnWaitChar_ = std::move(handler); }

    // Data. WriteString queues every byte in one call or raises and queues nothing; ReadChar
    // returns the next unread byte (inside a data-available handler: reads ahead). While the
    // port is closing or opening, WriteString does nothing and ReadChar returns 0.
    void WriteString(const std::string& Data);
    std::uint8_t ReadChar();
    // Block reads, for taking many bytes without a call per byte. GetBlock takes up to `size`
    // unread bytes into `buffer`, exactly as that many ReadChar calls would (inside a
    // data-available handler it reads ahead, so every receiver of a notification starts at the
    // same byte), and returns how many: `size`, or as many as were waiting, 0 when none was (no
    // exception). PeekBlock copies the bytes the next GetBlock would take, taking none. Both
    // return 0 while the port is closing or opening. Like ReadChar they belong to the owning
    // thread.
    std::uint32_t GetBlock(void* buffer, std::uint32_t size);
    std::uint32_t PeekBlock(void* buffer, std::uint32_t size);

    // Trace and dispatch-log operations; each does nothing while the port is closing.
    // The file writers keep their published order (hex before append); the recorders take the
    // dispatcher's (append before hex).
    void StartTrace(std::uint32_t n) { Trace_.Start(n); }
    void WriteTraceFile(const std::string& name, bool hex, bool append) {
        Trace_.WriteFile(name, append, hex);
    }
    void ClearTrace() { Trace_.Clear(); }
    void DiscardTrace() { Trace_.Discard(); }
    void ResumeTrace() { Trace_.Resume(); }
    void PauseTrace() { Trace_.Pause(); }
    void StartDispatchLog(std::uint32_t n) { Log_.Start(n); }
    void WriteDispatchLogFile(const std::string& name, bool hex, bool append) {
        Log_.WriteFile(name, append, hex);
    }
    void ClearDispatchLog() { Log_.Clear(); }
    void DiscardDispatchLog() { Log_.Discard(); }
    void ResumeDispatchLog() { Log_.Resume(); }
    void PauseDispatchLog() { Log_.Pause(); }

    TLinkState LinkState() const { return LinkState_; }
    // True while the port is open and its device is there. An open port whose device has
    // vanished (adapter unplugged) stays open and re-attaches the device when it comes back;
    // meanwhile writes succeed but go nowhere. Callers that do not ask see no difference.
    bool DeviceAttached() const;
    // True from the start of an open until it has succeeded or failed.
    bool OpenInProgress() const { return Opening_; }
    // The dispatcher, opening the port first when AutoOpen allows; may return null.
    TSioBaseDispatcher* DispatcherOrOpen();
    // The dispatcher, or ECommNotOpen.
    TSioBaseDispatcher& RequireDispatcher();
    // The current dispatcher without opening anything; null while closed.
    TSioBaseDispatcher* Dispatcher() const { return Dispatcher_.get(); }

protected:
    virtual std::unique_ptr<TSioBaseDispatcher> CreateDispatcher();
    virtual void DeviceLayerChanged() {}
    virtual TSioResult OpenOnDispatcher();
    virtual void AttachNotifyWindow(bool on);
    virtual void EnsureComNumber();
    virtual void ApplyUseMSRShadow(bool) {}
    virtual void FireTrigger(std::uint16_t Msg, std::uint16_t TriggerHandle, std::uint16_t Data);
    virtual void FireTriggerAvail(std::uint16_t Count);
    virtual void FireTriggerData(std::uint16_t TriggerHandle);
    virtual void FireTriggerStatus(std::uint16_t TriggerHandle);
    virtual void FireTriggerTimer(std::uint16_t TriggerHandle);
    virtual void UpdateHandlerState();
    virtual void FireTriggerLineError(std::uint16_t Error, bool LineBreak);
    virtual void FireTriggerModemStatus();
    virtual void FireTriggerOutbuffFree();
    virtual void FireTriggerOutbuffUsed();
    virtual void FireTriggerOutSent();
    virtual void FireWaitChar(char C);
    virtual void CloseComPort();
    virtual void YieldToDispatcher();
    virtual void OpenComPort();
    virtual void NotifyPortOpen();
    virtual void NotifyPortClose();
    virtual void NotifyPortClosing();

    void Loaded() noexcept override;

    // The hidden notification window's handle while the port is open, else 0.
    TSioWindowHandle NotifyWindowHandle() const {
        return NotifyWindow_ ? NotifyWindow_->Handle() : 0;
    }

private:
    friend class TComPortWindowProc;
    friend class TSioComRecorder;

    // Sets ForceApply for a scope and gives it its previous value back.
    class TForceApplyScope {
    public:
        explicit TForceApplyScope(TSioCustomComPort& port);
        ~TForceApplyScope();
        TForceApplyScope(const TForceApplyScope&) = delete;
        TForceApplyScope& operator=(const TForceApplyScope&) = delete;

    private:
        TSioCustomComPort& Port_;
        bool Previous_;
    };

    // A 16-bit line setting as the dispatcher's byte.
    static std::uint8_t ByteSetting(std::uint16_t value);
    // True while the port is open and settings go to the dispatcher at once.
    bool PortApplies() const;
    TSioResult Check(TSioResult code);
    bool AnyTriggerHandler() const;
    void ApplyLineSettings();
    void ApplyFlowChars();
    void ReapplyFlowOptions();
    void ReplaySettings();
    void AbandonOpen() noexcept;
    void FinishTeardown() noexcept;
    void HandlePortClosing();

    TDeviceLayer DeviceLayer_ = dlWin32;
    std::uint16_t ComNumber_ = 0;
    std::int32_t Baud_ = 19200;
    bool PromptForPort_ = true;
    TParity Parity_ = pNone;
    std::uint16_t DataBits_ = 8;
    std::uint16_t StopBits_ = 1;
    std::uint16_t InSize_ = 4096;
    std::uint16_t OutSize_ = 4096;
    bool AutoOpen_ = true;
    bool Open_ = false;
    bool DTR_ = true;
    bool RTS_ = true;
    THWFlowOptions HWFlowOptions_;
    TSWFlowOptions SWFlowOptions_ = swfNone;
    char XOnChar_ = 0x11;
    char XOffChar_ = 0x13;
    std::uint16_t BufferFull_ = 0;
    std::uint16_t BufferResume_ = 0;
    TSioComRecorder Trace_{*this, TSioRecorderKind::Trace};
    TSioComRecorder Log_{*this, TSioRecorderKind::Log};
    bool UseMSRShadow_ = true;
    bool UseEventWord_ = true;
    std::uint16_t CommNotificationLevel_ = 10;
    TTapiMode TapiMode_ = tmAuto;
    bool RS485Mode_ = false;
    std::uint16_t AvailThreshold_ = 1;
    std::uint8_t PriorityBoost_ = 0;

    TSioNotifyEvent OnPortClose_;
    TSioNotifyEvent OnPortOpen_;
    TTriggerEvent OnTrigger_;
    TTriggerAvailEvent OnTriggerAvail_;
    TTriggerDataEvent OnTriggerData_;
    TTriggerStatusEvent OnTriggerStatus_;
    TTriggerTimerEvent OnTriggerTimer_;
    TTriggerLineErrorEvent OnTriggerLineError_;
    TSioNotifyEvent OnTriggerModemStatus_;
    TSioNotifyEvent OnTriggerOutbuffFree_;
    TSioNotifyEvent OnTriggerOutbuffUsed_;
    TSioNotifyEvent OnTriggerOutSent_;
    TWaitCharEvent OnWaitChar_;

    TLinkState LinkState_ = lsClosed;
    std::unique_ptr<TSioBaseDispatcher> Dispatcher_;
    TMessageWindowPtr NotifyWindow_;
    bool ReopenRequested_ = false;
    bool OpenAfterLoad_ = false;
    bool ForceApply_ = false;
    bool Opening_ = false;
    bool TriggersSaved_ = false;
    TSioTriggerState SavedTriggers_;
    // Handlers of this port running on its thread; a close from inside one is deferred.
    int HandlerDepth_ = 0;
};

// The component as the application places it: every property and event published.
class TSioComPort final : public TSioCustomComPort {};
