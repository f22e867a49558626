// The byte trace and the dispatch log, each guarded by StateLock.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

#include <new>

void TSioBaseDispatcher::RecordLog(std::uint8_t type, std::uint8_t subtype, std::int32_t value,
                                   const std::uint8_t* data, std::uint32_t count) {
    std::lock_guard lock(StateLock);
    if (DispatchLog.Recording())
        DispatchLog.Record(type, subtype, value, data, count);
}

TSioResult TSioBaseDispatcher::StartTrace(std::uint32_t capacity) {
    std::lock_guard lock(StateLock);
    return Trace.Start(capacity);
}

TSioResult TSioBaseDispatcher::ClearTrace() {
    std::lock_guard lock(StateLock);
    Trace.Clear();
    return ecOK;
}

void TSioBaseDispatcher::DiscardTrace() {
    std::lock_guard lock(StateLock);
    Trace.Discard();
}

void TSioBaseDispatcher::PauseTrace() {
    std::lock_guard lock(StateLock);
    Trace.Pause();
}

void TSioBaseDispatcher::ResumeTrace() {
    std::lock_guard lock(StateLock);
    Trace.Resume();
}

TSioResult TSioBaseDispatcher::WriteTraceFile(const std::string& name, bool append, bool hex,
                                              bool allHex) {
    std::lock_guard lock(StateLock);
    return Trace.WriteFile(name, append, hex, allHex);
}

void TSioBaseDispatcher::StartDispatchLog(std::uint32_t capacity) {
    std::lock_guard lock(StateLock);
    try {
        DispatchLog.Start(capacity);
    } catch (const std::bad_alloc&) {
        // The log is optional diagnostics: without memory it simply stays as it was.
    }
}

void TSioBaseDispatcher::ClearDispatchLog() {
    std::lock_guard lock(StateLock);
    DispatchLog.Clear();
}

void TSioBaseDispatcher::DiscardDispatchLog() {
    std::lock_guard lock(StateLock);
    DispatchLog.Discard();
}

void TSioBaseDispatcher::PauseDispatchLog() {
    std::lock_guard lock(StateLock);
    DispatchLog.Pause();
}

void TSioBaseDispatcher::ResumeDispatchLog() {
    std::lock_guard lock(StateLock);
    DispatchLog.Resume();
}

TSioResult TSioBaseDispatcher::WriteDispatchLogFile(const std::string& name, bool append, bool hex,
                                                    bool allHex) {
    std::lock_guard lock(StateLock);
    return DispatchLog.WriteFile(name, append, hex, allHex, FPortName);
}

void TSioBaseDispatcher::SetPortName(const std::string& name) {
    std::lock_guard lock(StateLock);
    FPortName = name;
}

std::string TSioBaseDispatcher::PortName() {
    std::lock_guard lock(StateLock);
    return FPortName;
}
