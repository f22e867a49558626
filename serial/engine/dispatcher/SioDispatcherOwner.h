#pragma once
// The owner of a dispatcher, as the engine sees it.
//
// The component derives from this class, so a window procedure that finds a dispatcher in the
// DispatcherRegistry can get back to the component (dynamic_cast) without the engine knowing
// the component's type. The engine only stores and returns the pointer.

class TSioDispatcherOwner {
public:
    virtual ~TSioDispatcherOwner() = default;

protected:
    TSioDispatcherOwner() = default;
    TSioDispatcherOwner(const TSioDispatcherOwner&) = default;
    TSioDispatcherOwner& operator=(const TSioDispatcherOwner&) = default;
};
