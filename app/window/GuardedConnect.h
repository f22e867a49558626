#pragma once
// Signals wired to handlers that run inside the standard error report's guard, so no exception
// crosses a Qt frame. GUI thread.

#include "framework/ErrorReport.h"

#include <QObject>

// The connection lives as long as the sender and the receiver both do.
template <typename Sender, typename Signal, typename Receiver>
QMetaObject::Connection ConnectGuarded(const Sender* sender, Signal signal, Receiver* receiver,
                                       void (Receiver::*handler)()) {
    return QObject::connect(sender, signal, receiver, [receiver, handler] {
        RunReportingErrors([receiver, handler] { (receiver->*handler)(); });
    });
}
