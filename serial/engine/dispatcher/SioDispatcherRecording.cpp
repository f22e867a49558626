// The byte trace and the dispatch log, each guarded by StateLock.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

#include <new>

void TSioBaseDispatcher::RecordLog(std::uint8_t type, std::uint8_t subtype, std::int32_t value,
                                   const std::uint8_t* data, std::uint32_t count) {
    if (!LogOn.load())
        return;
    std::lock_guard lock(StateLock);
    if (DispatchLog.Recording())
        DispatchLog.Record(type, subtype, value, data, count);
}

void TSioBaseDispatcher::NoteRecorders() {
    TraceOn = Trace.Recording();
    LogOn = DispatchLog.Recording();
}

TSioResult TSioBaseDispatcher::StartTrace(std::uint32_t capacity) {
    std::lock_guard lock(StateLock);
    TSioResult result = Trace.Start(capacity);
    NoteRecorders();
    return result;
}

TSioResult TSioBaseDispatcher::ClearTrace() {
    std::lock_guard lock(StateLock);
    Trace.Clear();
    NoteRecorders();
    return ecOK;
}

void TSioBaseDispatcher::DiscardTrace() {
    std::lock_guard lock(StateLock);
    Trace.Discard();
    NoteRecorders();
}

void TSioBaseDispatcher::PauseTrace() {
    std::lock_guard lock(StateLock);
    Trace.Pause();
    NoteRecorders();
}

void TSioBaseDispatcher::ResumeTrace() {
    std::lock_guard lock(StateLock);
    Trace.Resume();
    NoteRecorders();
}

TSioResult TSioBaseDispatcher::WriteTraceFile(const std::string& name, bool append, bool hex,
                                              bool allHex) {
    std::lock_guard lock(StateLock);
    TSioResult result = Trace.WriteFile(name, append, hex, allHex);
    NoteRecorders();
    return result;
}

void TSioBaseDispatcher::StartDispatchLog(std::uint32_t capacity) {
    std::lock_guard lock(StateLock);
    try {
        DispatchLog.Start(capacity);
        NoteRecorders();
    } catch (const std::bad_alloc&) {
        // The log is optional diagnostics: without memory it simply stays as it was.
    }
}

void TSioBaseDispatcher::ClearDispatchLog() {
    std::lock_guard lock(StateLock);
    DispatchLog.Clear();
    NoteRecorders();
}

void TSioBaseDispatcher::DiscardDispatchLog() {
    std::lock_guard lock(StateLock);
    DispatchLog.Discard();
    NoteRecorders();
}

void TSioBaseDispatcher::PauseDispatchLog() {
    std::lock_guard lock(StateLock);
    DispatchLog.Pause();
    NoteRecorders();
}

void TSioBaseDispatcher::ResumeDispatchLog() {
    std::lock_guard lock(StateLock);
    DispatchLog.Resume();
    NoteRecorders();
}

TSioResult TSioBaseDispatcher::WriteDispatchLogFile(const std::string& name, bool append, bool hex,
                                                    bool allHex) {
    std::lock_guard lock(StateLock);
    TSioResult result = DispatchLog.WriteFile(name, append, hex, allHex, FPortName);
    NoteRecorders();
    return result;
}

void TSioBaseDispatcher::SetPortName(const std::string& name) {
    std::lock_guard lock(StateLock);
    FPortName = name;
}

std::string TSioBaseDispatcher::PortName() {
    std::lock_guard lock(StateLock);
    return FPortName;
}
