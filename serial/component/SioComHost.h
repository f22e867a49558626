#pragma once
// What the port component's parts (settings, events, recorders) ask of the port that holds them:
// whether a change goes to the dispatcher at once, the dispatcher itself, the port's way of
// raising a result code, and the replay flag that makes a setter apply an unchanged value.
//
// The component implements it; its parts hold a reference. Everything belongs to the port's
// thread and takes no lock.

#include "serial/engine/errors/SioResultCodes.h"

class TSioBaseDispatcher;
class TSioCustomComPort;

class TSioComHost {
public:
    // The dispatcher while the port is open and settings go to it at once, else null.
    virtual TSioBaseDispatcher* ApplyingDispatcher() = 0;
    virtual bool PortClosing() const = 0;
    // The dispatcher, opening the port first when AutoOpen allows; raises ECommNotOpen.
    virtual TSioBaseDispatcher& RequireDispatcher() = 0;
    // Raises a negative code as the port's exception (not while loading); returns it otherwise.
    virtual TSioResult Check(TSioResult code) = 0;
    virtual void TriggerHandlersChanged() = 0;
    // The component, as every event handler receives it.
    virtual TSioCustomComPort& Sender() = 0;

    // While the port replays its settings onto a new dispatcher, setters apply unchanged values.
    bool ForceApply() const { return ForceApply_; }

    // Sets ForceApply for a scope and gives it its previous value back.
    class TForceApplyScope {
    public:
        explicit TForceApplyScope(TSioComHost& host) : Host_(host), Previous_(host.ForceApply_) {
            Host_.ForceApply_ = true;
        }
        ~TForceApplyScope() { Host_.ForceApply_ = Previous_; }
        TForceApplyScope(const TForceApplyScope&) = delete;
        TForceApplyScope& operator=(const TForceApplyScope&) = delete;

    private:
        TSioComHost& Host_;
        bool Previous_;
    };

protected:
    TSioComHost() = default;
    ~TSioComHost() = default;
    TSioComHost(const TSioComHost&) = delete;
    TSioComHost& operator=(const TSioComHost&) = delete;

private:
    bool ForceApply_ = false;
};
