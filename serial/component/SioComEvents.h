#pragma once
// The port component's events: the handlers the application assigns and the calls that raise
// them, each with the component as its first argument.
//
// A part of the component, which publishes these events as its own. Belongs to the port's
// thread and takes no lock; the notification window raises the trigger events while it holds
// RegistryLock (SioComWindow.cpp). Assigning a trigger handler tells the port at once, so an open
// dispatcher learns whether the port's window is to be served.

#include "serial/component/SioComHost.h"
#include "serial/component/SioTypes.h"

#include <cstdint>
#include <utility>

class TSioComEvents {
public:
    explicit TSioComEvents(TSioComHost& host) : Host_(host) {}
    TSioComEvents(const TSioComEvents&) = delete;
    TSioComEvents& operator=(const TSioComEvents&) = delete;

    const TSioNotifyEvent& OnPortClose() const { return OnPortClose_; }
    void SetOnPortClose(TSioNotifyEvent handler) { OnPortClose_ = std::move(handler); }
    const TSioNotifyEvent& OnPortOpen() const { return OnPortOpen_; }
    void SetOnPortOpen(TSioNotifyEvent handler) { OnPortOpen_ = std::move(handler); }
    const TTriggerEvent& OnTrigger() const { return OnTrigger_; }
    void SetOnTrigger(TTriggerEvent handler) { SetTrigger(OnTrigger_, std::move(handler)); }
    const TTriggerAvailEvent& OnTriggerAvail() const { return OnTriggerAvail_; }
    void SetOnTriggerAvail(TTriggerAvailEvent handler) {
        SetTrigger(OnTriggerAvail_, std::move(handler));
    }
    const TTriggerDataEvent& OnTriggerData() const { return OnTriggerData_; }
    void SetOnTriggerData(TTriggerDataEvent handler) {
        SetTrigger(OnTriggerData_, std::move(handler));
    }
    const TTriggerStatusEvent& OnTriggerStatus() const { return OnTriggerStatus_; }
    void SetOnTriggerStatus(TTriggerStatusEvent handler) {
        SetTrigger(OnTriggerStatus_, std::move(handler));
    }
    const TTriggerTimerEvent& OnTriggerTimer() const { return OnTriggerTimer_; }
    void SetOnTriggerTimer(TTriggerTimerEvent handler) {
        SetTrigger(OnTriggerTimer_, std::move(handler));
    }
    const TTriggerLineErrorEvent& OnTriggerLineError() const { return OnTriggerLineError_; }
    void SetOnTriggerLineError(TTriggerLineErrorEvent handler) {
        SetTrigger(OnTriggerLineError_, std::move(handler));
    }
    const TSioNotifyEvent& OnTriggerModemStatus() const { return OnTriggerModemStatus_; }
    void SetOnTriggerModemStatus(TSioNotifyEvent handler) {
        SetTrigger(OnTriggerModemStatus_, std::move(handler));
    }
    const TSioNotifyEvent& OnTriggerOutbuffFree() const { return OnTriggerOutbuffFree_; }
    void SetOnTriggerOutbuffFree(TSioNotifyEvent handler) {
        SetTrigger(OnTriggerOutbuffFree_, std::move(handler));
    }
    const TSioNotifyEvent& OnTriggerOutbuffUsed() const { return OnTriggerOutbuffUsed_; }
    void SetOnTriggerOutbuffUsed(TSioNotifyEvent handler) {
        SetTrigger(OnTriggerOutbuffUsed_, std::move(handler));
    }
    const TSioNotifyEvent& OnTriggerOutSent() const { return OnTriggerOutSent_; }
    void SetOnTriggerOutSent(TSioNotifyEvent handler) {
        SetTrigger(OnTriggerOutSent_, std::move(handler));
    }
    // Kept for the component's contract; this platform never waits for a character.
    const TWaitCharEvent& OnWaitChar() const { return OnWaitChar_; }
    void SetOnWaitChar(TWaitCharEvent handler) { OnWaitChar_ = std::move(handler); }

protected:
    bool AnyTriggerHandler() const {
        return OnTrigger_ || OnTriggerAvail_ || OnTriggerData_ || OnTriggerStatus_ ||
               OnTriggerTimer_ || OnTriggerLineError_ || OnTriggerModemStatus_ ||
               OnTriggerOutbuffFree_ || OnTriggerOutbuffUsed_ || OnTriggerOutSent_;
    }

    // Calls the handler, if one is assigned, with the component first.
    template <class THandler, class... TArgs> void Fire(const THandler& handler, TArgs... args) {
        if (handler)
            handler(Host_.Sender(), args...);
    }

private:
    template <class THandler> void SetTrigger(THandler& slot, THandler handler) {
        slot = std::move(handler);
        Host_.TriggerHandlersChanged();
    }
    TSioComHost& Host_;
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
};
