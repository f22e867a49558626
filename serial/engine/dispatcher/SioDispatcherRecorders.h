#pragma once
// The dispatcher's two recorders, the byte trace and the dispatch log (which also keeps the
// port's name for its file), each driven through its locked face (SioLockedRecorder.h).
//
// Under the dispatcher's state lock; the locked faces' flags are read on any thread.

#include "serial/engine/dispatcher/SioLockedRecorder.h"
#include "serial/engine/trace/SioDispatchLog.h"
#include "serial/engine/trace/SioTraceStore.h"

#include <mutex>

struct TSioDispatcherRecorders {
    explicit TSioDispatcherRecorders(std::recursive_mutex& stateLock)
        : TraceRecorder(Trace, stateLock), LogRecorder(Log, stateLock) {}

    TSioTraceStore Trace;
    TSioDispatchLog Log;
    TSioLockedRecorder TraceRecorder;
    TSioLockedRecorder LogRecorder;
};
