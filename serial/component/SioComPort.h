#pragma once
// The serial port component: the application's only handle on a serial line.
//
// TSioCustomComPort opens the port by creating a dispatcher (the engine object that owns the
// device and its worker threads), queues byte strings for output and reads received bytes through
// it, and raises its events on the thread that opened the port, carried there by a hidden
// notification window (SioComWindow.cpp). Its properties live in parts it publishes as its own:
// the line and flow settings (SioComSettings.h), the events (SioComEvents.h) and the trace and
// dispatch log (SioComRecorder.h); the parts reach the port through TSioComHost.
//
// Threads: every operation, setter and event belongs to the thread that owns the component (the
// GUI thread). Workers never call it; they only send messages to its notification window.
// Locks: the event delivery holds the process-wide RegistryLock for the whole handler.
// Failures: every failure is raised as an exception of the serial layer's family (or the
// run-time's input/output and out-of-memory exceptions); after a failed open the component is
// closed, with no dispatcher and no window. Setters called inside a TLoadingScope only store.

#include "framework/Component.h"
#include "framework/MessageWindow.h"
#include "serial/component/SioComEvents.h"
#include "serial/component/SioComHost.h"
#include "serial/component/SioComRecorder.h"
#include "serial/component/SioComSettings.h"
#include "serial/component/SioTypes.h"
#include "serial/engine/dispatcher/SioDispatcherOwner.h"
#include "serial/engine/dispatcher/SioLineSettings.h"
#include "serial/engine/errors/SioCheckResult.h"
#include "serial/engine/errors/SioExceptions.h"
#include "serial/engine/errors/SioResultCodes.h"

#include <cstdint>
#include <memory>
#include <string>

class TSioBaseDispatcher;

class TSioBaseComponent : public TComponent {
public:
    std::string Version() const { return "v4.05"; }
    // The version is fixed: writing it is ignored.
    void SetVersion(const std::string&) {}
};

class TSioCustomComPort : public TSioBaseComponent,
                          public ISioOwner,
                          public TSioDispatcherOwner,
                          private TSioComHost,
                          public TSioComSettings,
                          public TSioComEvents,
                          public TSioComRecorders {
public:
    TSioCustomComPort();
    ~TSioCustomComPort() override;

    bool Loading() const override { return TComponent::Loading(); }

    // The device layer is fixed on this platform: writing it is ignored.
    TDeviceLayer DeviceLayer() const { return dlWin32; }
    void SetDeviceLayer(TDeviceLayer) {}
    std::uint16_t ComNumber() const { return ComNumber_; }
    void SetComNumber(std::uint16_t value);
    bool PromptForPort() const { return PromptForPort_; }
    void SetPromptForPort(bool value) { PromptForPort_ = value; }
    bool AutoOpen() const { return AutoOpen_; }
    void SetAutoOpen(bool value) { AutoOpen_ = value; }
    bool Open() const { return Open_; }
    void SetOpen(bool value);
    TTapiMode TapiMode() const { return TapiMode_; }
    void SetTapiMode(TTapiMode value) { TapiMode_ = value; }

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
    TSioBaseDispatcher& RequireDispatcher() override;
    // The current dispatcher without opening anything; null while closed.
    TSioBaseDispatcher* Dispatcher() const { return Dispatcher_.get(); }

protected:
    void Loaded() noexcept override;

    // The hidden notification window's handle while the port is open, else 0.
    TSioWindowHandle NotifyWindowHandle() const {
        return NotifyWindow_ ? NotifyWindow_->Handle() : 0;
    }

private:
    friend class TComPortWindowProc;

    // TSioComHost, for the parts.
    TSioBaseDispatcher* ApplyingDispatcher() override;
    bool PortClosing() const override { return LinkState_ == lsClosing; }
    TSioResult Check(TSioResult code) override { return CheckResult(this, code); }
    void TriggerHandlersChanged() override;
    TSioCustomComPort& Sender() override { return *this; }

    void OpenComPort();
    void EnsureComNumber();
    std::unique_ptr<TSioBaseDispatcher> CreateDispatcher();
    void AbandonOpen() noexcept;
    void CloseComPort();
    void FinishTeardown() noexcept;
    void HandlePortClosing();
    void AttachNotifyWindow(bool on);

    std::uint16_t ComNumber_ = 0;
    bool PromptForPort_ = true;
    bool AutoOpen_ = true;
    bool Open_ = false;
    TTapiMode TapiMode_ = tmAuto;

    TLinkState LinkState_ = lsClosed;
    std::unique_ptr<TSioBaseDispatcher> Dispatcher_;
    TMessageWindowPtr NotifyWindow_;
    bool ReopenRequested_ = false;
    bool OpenAfterLoad_ = false;
    bool Opening_ = false;
    bool TriggersSaved_ = false;
    TSioTriggerState SavedTriggers_;
    // Handlers of this port running on its thread; a close from inside one is deferred.
    int HandlerDepth_ = 0;
};

// The component as the application places it: every property and event published.
class TSioComPort final : public TSioCustomComPort {};
