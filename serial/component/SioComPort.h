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
    TDeviceLayer DeviceLayer() const { return FDeviceLayer; }
    void SetDeviceLayer(TDeviceLayer value);
    std::uint16_t ComNumber() const { return FComNumber; }
    void SetComNumber(std::uint16_t value);
    std::int32_t Baud() const { return FBaud; }
    void SetBaud(std::int32_t value);
    bool PromptForPort() const { return FPromptForPort; }
    void SetPromptForPort(bool value) { FPromptForPort = value; }
    TParity Parity() const { return FParity; }
    void SetParity(TParity value);
    std::uint16_t DataBits() const { return FDataBits; }
    void SetDataBits(std::uint16_t value);
    std::uint16_t StopBits() const { return FStopBits; }
    void SetStopBits(std::uint16_t value);
    std::uint16_t InSize() const { return FInSize; }
    void SetInSize(std::uint16_t value);
    std::uint16_t OutSize() const { return FOutSize; }
    void SetOutSize(std::uint16_t value);
    bool AutoOpen() const { return FAutoOpen; }
    void SetAutoOpen(bool value) { FAutoOpen = value; }
    bool Open() const { return FOpen; }
    void SetOpen(bool value);

    // Modem lines and flow control.
    bool DTR() const { return FDTR; }
    void SetDTR(bool value);
    bool RTS() const { return FRTS; }
    void SetRTS(bool value);
    THWFlowOptions HWFlowOptions() const { return FHWFlowOptions; }
    void SetHWFlowOptions(THWFlowOptions value);
    TSWFlowOptions SWFlowOptions() const { return FSWFlowOptions; }
    void SetSWFlowOptions(TSWFlowOptions value);
    char XOnChar() const { return FXOnChar; }
    void SetXOnChar(char value);
    char XOffChar() const { return FXOffChar; }
    void SetXOffChar(char value);
    std::uint16_t BufferFull() const { return FBufferFull; }
    void SetBufferFull(std::uint16_t value);
    std::uint16_t BufferResume() const { return FBufferResume; }
    void SetBufferResume(std::uint16_t value);

    // Trace and dispatch log.
    TTraceLogState Tracing() const { return FTrace.State(); }
    void SetTracing(TTraceLogState value) { FTrace.Request(value); }
    std::uint32_t TraceSize() const { return FTrace.Size(); }
    void SetTraceSize(std::uint32_t value) { FTrace.SetSize(value); }
    const std::string& TraceName() const { return FTrace.Name(); }
    void SetTraceName(std::string value) { FTrace.SetName(std::move(value)); }
    bool TraceHex() const { return FTrace.Hex(); }
    void SetTraceHex(bool value) { FTrace.SetHex(value); }
    bool TraceAllHex() const { return FTrace.AllHex(); }
    void SetTraceAllHex(bool value) { FTrace.SetAllHex(value); }
    TTraceLogState Logging() const { return FLog.State(); }
    void SetLogging(TTraceLogState value) { FLog.Request(value); }
    std::uint32_t LogSize() const { return FLog.Size(); }
    void SetLogSize(std::uint32_t value) { FLog.SetSize(value); }
    const std::string& LogName() const { return FLog.Name(); }
    void SetLogName(std::string value) { FLog.SetName(std::move(value)); }
    bool LogHex() const { return FLog.Hex(); }
    void SetLogHex(bool value) { FLog.SetHex(value); }
    bool LogAllHex() const { return FLog.AllHex(); }
    void SetLogAllHex(bool value) { FLog.SetAllHex(value); }

    // Miscellaneous.
    bool UseMSRShadow() const { return FUseMSRShadow; }
    void SetUseMSRShadow(bool value) { ApplyUseMSRShadow(value); }
    bool UseEventWord() const { return FUseEventWord; }
    void SetUseEventWord(bool value);
    std::uint16_t CommNotificationLevel() const { return FCommNotificationLevel; }
    void SetCommNotificationLevel(std::uint16_t value);
    TTapiMode TapiMode() const { return FTapiMode; }
    void SetTapiMode(TTapiMode value) { FTapiMode = value; }
    bool RS485Mode() const { return FRS485Mode; }
    void SetRS485Mode(bool value);
    std::uint16_t AvailThreshold() const { return FAvailThreshold; }
    void SetAvailThreshold(std::uint16_t value);
    std::uint8_t PriorityBoost() const { return FPriorityBoost; }
    void SetPriorityBoost(std::uint8_t value);

    // Events. Assigning a trigger event (OnTrigger ... OnTriggerOutSent) tells an open
    // dispatcher at once whether the component's window is to be served.
    const TSioNotifyEvent& OnPortClose() const { return FOnPortClose; }
    void SetOnPortClose(TSioNotifyEvent handler) { FOnPortClose = std::move(handler); }
    const TSioNotifyEvent& OnPortOpen() const { return FOnPortOpen; }
    void SetOnPortOpen(TSioNotifyEvent handler) { FOnPortOpen = std::move(handler); }
    const TTriggerEvent& OnTrigger() const { return FOnTrigger; }
    void SetOnTrigger(TTriggerEvent handler);
    const TTriggerAvailEvent& OnTriggerAvail() const { return FOnTriggerAvail; }
    void SetOnTriggerAvail(TTriggerAvailEvent handler);
    const TTriggerDataEvent& OnTriggerData() const { return FOnTriggerData; }
    void SetOnTriggerData(TTriggerDataEvent handler);
    const TTriggerStatusEvent& OnTriggerStatus() const { return FOnTriggerStatus; }
    void SetOnTriggerStatus(TTriggerStatusEvent handler);
    const TTriggerTimerEvent& OnTriggerTimer() const { return FOnTriggerTimer; }
    void SetOnTriggerTimer(TTriggerTimerEvent handler);
    const TTriggerLineErrorEvent& OnTriggerLineError() const { return FOnTriggerLineError; }
    void SetOnTriggerLineError(TTriggerLineErrorEvent handler);
    const TSioNotifyEvent& OnTriggerModemStatus() const { return FOnTriggerModemStatus; }
    void SetOnTriggerModemStatus(TSioNotifyEvent handler);
    const TSioNotifyEvent& OnTriggerOutbuffFree() const { return FOnTriggerOutbuffFree; }
    void SetOnTriggerOutbuffFree(TSioNotifyEvent handler);
    const TSioNotifyEvent& OnTriggerOutbuffUsed() const { return FOnTriggerOutbuffUsed; }
    void SetOnTriggerOutbuffUsed(TSioNotifyEvent handler);
    const TSioNotifyEvent& OnTriggerOutSent() const { return FOnTriggerOutSent; }
    void SetOnTriggerOutSent(TSioNotifyEvent handler);
    const TWaitCharEvent& OnWaitChar() const { return FOnWaitChar; }
    void SetOnWaitChar(TWaitCharEvent handler) { FOnWaitChar = std::move(handler); }

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
    void StartTrace(std::uint32_t n) { FTrace.Start(n); }
    void WriteTraceFile(const std::string& name, bool hex, bool append) {
        FTrace.WriteFile(name, append, hex);
    }
    void ClearTrace() { FTrace.Clear(); }
    void DiscardTrace() { FTrace.Discard(); }
    void ResumeTrace() { FTrace.Resume(); }
    void PauseTrace() { FTrace.Pause(); }
    void StartDispatchLog(std::uint32_t n) { FLog.Start(n); }
    void WriteDispatchLogFile(const std::string& name, bool hex, bool append) {
        FLog.WriteFile(name, append, hex);
    }
    void ClearDispatchLog() { FLog.Clear(); }
    void DiscardDispatchLog() { FLog.Discard(); }
    void ResumeDispatchLog() { FLog.Resume(); }
    void PauseDispatchLog() { FLog.Pause(); }

    TLinkState LinkState() const { return FLinkState; }
    // True while the port is open and its device is there. An open port whose device has
    // vanished (adapter unplugged) stays open and re-attaches the device when it comes back;
    // meanwhile writes succeed but go nowhere. Callers that do not ask see no difference.
    bool DeviceAttached() const;
    // True from the start of an open until it has succeeded or failed.
    bool OpenInProgress() const { return FOpening; }
    // The dispatcher, opening the port first when AutoOpen allows; may return null.
    TSioBaseDispatcher* DispatcherOrOpen();
    // The dispatcher, or ECommNotOpen.
    TSioBaseDispatcher& RequireDispatcher();
    // The current dispatcher without opening anything; null while closed.
    TSioBaseDispatcher* Dispatcher() const { return FDispatcher.get(); }

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
        return FNotifyWindow ? FNotifyWindow->Handle() : 0;
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
        TSioCustomComPort& FPort;
        bool FPrevious;
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

    TDeviceLayer FDeviceLayer = dlWin32;
    std::uint16_t FComNumber = 0;
    std::int32_t FBaud = 19200;
    bool FPromptForPort = true;
    TParity FParity = pNone;
    std::uint16_t FDataBits = 8;
    std::uint16_t FStopBits = 1;
    std::uint16_t FInSize = 4096;
    std::uint16_t FOutSize = 4096;
    bool FAutoOpen = true;
    bool FOpen = false;
    bool FDTR = true;
    bool FRTS = true;
    THWFlowOptions FHWFlowOptions;
    TSWFlowOptions FSWFlowOptions = swfNone;
    char FXOnChar = 0x11;
    char FXOffChar = 0x13;
    std::uint16_t FBufferFull = 0;
    std::uint16_t FBufferResume = 0;
    TSioComRecorder FTrace{*this, TSioRecorderKind::Trace};
    TSioComRecorder FLog{*this, TSioRecorderKind::Log};
    bool FUseMSRShadow = true;
    bool FUseEventWord = true;
    std::uint16_t FCommNotificationLevel = 10;
    TTapiMode FTapiMode = tmAuto;
    bool FRS485Mode = false;
    std::uint16_t FAvailThreshold = 1;
    std::uint8_t FPriorityBoost = 0;

    TSioNotifyEvent FOnPortClose;
    TSioNotifyEvent FOnPortOpen;
    TTriggerEvent FOnTrigger;
    TTriggerAvailEvent FOnTriggerAvail;
    TTriggerDataEvent FOnTriggerData;
    TTriggerStatusEvent FOnTriggerStatus;
    TTriggerTimerEvent FOnTriggerTimer;
    TTriggerLineErrorEvent FOnTriggerLineError;
    TSioNotifyEvent FOnTriggerModemStatus;
    TSioNotifyEvent FOnTriggerOutbuffFree;
    TSioNotifyEvent FOnTriggerOutbuffUsed;
    TSioNotifyEvent FOnTriggerOutSent;
    TWaitCharEvent FOnWaitChar;

    TLinkState FLinkState = lsClosed;
    std::unique_ptr<TSioBaseDispatcher> FDispatcher;
    TMessageWindowPtr FNotifyWindow;
    bool FReopenRequested = false;
    bool FOpenAfterLoad = false;
    bool FForceApply = false;
    bool FOpening = false;
    bool FTriggersSaved = false;
    TSioTriggerState FSavedTriggers;
    // Handlers of this port running on its thread; a close from inside one is deferred.
    int FHandlerDepth = 0;
};

// The component as the application places it: every property and event published.
class TSioComPort final : public TSioCustomComPort {};
