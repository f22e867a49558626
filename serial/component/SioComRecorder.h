#pragma once
// One of the port's two recorders, the byte trace or the dispatch log, as the component drives it:
// its properties (the stored state, the size with its cap, the file name, the byte rendering),
// the table that turns a requested state into an operation, and the operations, forwarded to the
// dispatcher's recorder of the same kind with the arguments in one order.
//
// Belongs to its port and to the port's thread and takes no lock of its own (the dispatcher's
// recorder takes the dispatcher's). Results go through the port's CheckResult, so a refusal raises
// and the stored state keeps its old value; every operation does nothing while the port is
// closing. TSioComRecorders publishes both under the component's property and operation names.

#include "serial/component/SioComHost.h"
#include "serial/component/SioTypes.h"

#include <cstdint>
#include <string>
#include <utility>

class TSioLockedRecorder;

enum class TSioRecorderKind { Trace, Log };

class TSioComRecorder {
public:
    TSioComRecorder(TSioComHost& host, TSioRecorderKind kind);
    TSioComRecorder(const TSioComRecorder&) = delete;
    TSioComRecorder& operator=(const TSioComRecorder&) = delete;

    // Only tlOff, tlOn or tlPause are ever stored; the other states are commands.
    TTraceLogState State() const { return State_; }
    void Request(TTraceLogState value);
    std::uint32_t Size() const { return Size_; }
    // Capped at the largest size; a new size while recording starts the recorder again.
    void SetSize(std::uint32_t value);
    const std::string& Name() const { return Name_; }
    void SetName(std::string value);
    bool Hex() const { return Hex_; }
    void SetHex(bool value) { Hex_ = value; }
    bool AllHex() const { return AllHex_; }
    void SetAllHex(bool value) { AllHex_ = value; }

    // n = 0 keeps the size.
    void Start(std::uint32_t n);
    void WriteFile(const std::string& name, bool append, bool hex);
    void Clear();
    void Discard();
    void Resume();
    void Pause();
    // Asks an open port's new dispatcher for the stored state again.
    void Replay();

private:
    TSioLockedRecorder& Engine();

    TSioComHost& Host_;
    TSioRecorderKind Kind_;
    std::uint32_t MaxSize_;
    TTraceLogState State_ = tlOff;
    std::uint32_t Size_ = 10000;
    std::string Name_;
    bool Hex_ = true;
    bool AllHex_ = false;
};

// The trace and the dispatch log as the component publishes them.
class TSioComRecorders {
public:
    explicit TSioComRecorders(TSioComHost& host)
        : Trace_(host, TSioRecorderKind::Trace), Log_(host, TSioRecorderKind::Log) {}

    TTraceLogState Tracing() const { return Trace_.State(); }
    void SetTracing(TTraceLogState value) { Trace_.Request(value); }
    std::uint32_t TraceSize() const { return Trace_.Size(); }
    void SetTraceSize(std::uint32_t value) { Trace_.SetSize(value); }
    const std::string& TraceName() const { return Trace_.Name(); }
    void SetTraceName(std::string value) { Trace_.SetName(std::move(value)); }
    bool TraceHex() const { return Trace_.Hex(); }
    void SetTraceHex(bool value) { Trace_.SetHex(value); }
    bool TraceAllHex() const { return Trace_.AllHex(); }
    void SetTraceAllHex(bool value) { Trace_.SetAllHex(value); }
    TTraceLogState Logging() const { return Log_.State(); }
    void SetLogging(TTraceLogState value) { Log_.Request(value); }
    std::uint32_t LogSize() const { return Log_.Size(); }
    void SetLogSize(std::uint32_t value) { Log_.SetSize(value); }
    const std::string& LogName() const { return Log_.Name(); }
    void SetLogName(std::string value) { Log_.SetName(std::move(value)); }
    bool LogHex() const { return Log_.Hex(); }
    void SetLogHex(bool value) { Log_.SetHex(value); }
    bool LogAllHex() const { return Log_.AllHex(); }
    void SetLogAllHex(bool value) { Log_.SetAllHex(value); }

    // The file writers keep their published order (hex before append); the recorders take the
    // dispatcher's (append before hex).
    void StartTrace(std::uint32_t n) { Trace_.Start(n); }
    void WriteTraceFile(const std::string& name, bool hex, bool append) {
        Trace_.WriteFile(name, append, hex);
    }
    void ClearTrace() { Trace_.Clear(); }
    void DiscardTrace() { Trace_.Discard(); }
    void ResumeTrace() { Trace_.Resume(); }
    void PauseTrace() { Trace_.Pause(); }
    void StartDispatchLog(std::uint32_t n) { Log_.Start(n); }
    void WriteDispatchLogFile(const std::string& name, bool hex, bool append) {
        Log_.WriteFile(name, append, hex);
    }
    void ClearDispatchLog() { Log_.Clear(); }
    void DiscardDispatchLog() { Log_.Discard(); }
    void ResumeDispatchLog() { Log_.Resume(); }
    void PauseDispatchLog() { Log_.Pause(); }

protected:
    void ReplayRecorders() {
        Trace_.Replay();
        Log_.Replay();
    }

private:
    TSioComRecorder Trace_;
    TSioComRecorder Log_;
};
