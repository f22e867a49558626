#pragma once
// What the port component's parts (settings, events, recorders) ask of the port that holds them:
// whether a change goes to the dispatcher at once, the dispatcher itself, the port's way of
// raising a result code, and the replay flag that makes a setter apply an unchanged value.
//
// The component implements it; its parts hold a reference. Everything belongs to the port's
// thread and takes no lock.

#include "serial/engine/errors/SioResultCodes.h"

#include <utility>

class TSioBaseDispatcher;
class TSioCustomComPort;

// Gives a variable a value for a scope, and its previous value back on every way out.
template <class T> class TSioValueScope {
public:
    TSioValueScope(T& variable, T value)
        : Variable_(variable), Previous_(std::exchange(variable, std::move(value))) {}
    ~TSioValueScope() { Variable_ = std::move(Previous_); }
    TSioValueScope(const TSioValueScope&) = delete;
    TSioValueScope& operator=(const TSioValueScope&) = delete;

private:
    T& Variable_;
    T Previous_;
};

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

    // ForceApply for as long as the returned scope lives.
    [[nodiscard]] TSioValueScope<bool> ForcingApply() { return {ForceApply_, true}; }

protected:
    TSioComHost() = default;
    ~TSioComHost() = default;
    TSioComHost(const TSioComHost&) = delete;
    TSioComHost& operator=(const TSioComHost&) = delete;

private:
    bool ForceApply_ = false;
};
