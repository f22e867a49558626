#pragma once
// The dispatcher's two recorders, the byte trace and the dispatch log (which also keeps the
// port's name for its file): each driven through its locked face (SioLockedRecorder.h) with the
// arguments in one order, and fed by the dispatcher as bytes and events pass.
//
// Any thread. Every operation takes the dispatcher's state lock, which the dispatcher hands in;
// RecordTrace expects it held. The locked faces' flags are read on any thread without it.

#include "serial/engine/dispatcher/SioLockedRecorder.h"
#include "serial/engine/trace/SioDispatchLog.h"
#include "serial/engine/trace/SioTraceStore.h"

#include <cstdint>
#include <mutex>
#include <string>

class TSioDispatcherRecorders {
public:
    TSioLockedRecorder& TraceRecorder() { return TraceRecorder_; }
    TSioLockedRecorder& LogRecorder() { return LogRecorder_; }
    // -1002 when capacity exceeds 4,000,000.
    TSioResult StartTrace(std::uint32_t capacity) { return TraceRecorder_.Start(capacity); }
    TSioResult WriteTraceFile(const std::string& name, bool append, bool hex, bool allHex) {
        return TraceRecorder_.WriteFile(name, append, hex, allHex);
    }
    // Never refused: without memory for the ring the log keeps nothing.
    void StartDispatchLog(std::uint32_t capacity) { LogRecorder_.Start(capacity); }
    TSioResult WriteDispatchLogFile(const std::string& name, bool append, bool hex, bool allHex) {
        return LogRecorder_.WriteFile(name, append, hex, allHex);
    }
    // "COM<n>", set by the component for the dispatch log's device line.
    void SetPortName(const std::string& name);
    std::string PortName();

protected:
    explicit TSioDispatcherRecorders(std::recursive_mutex& stateLock)
        : Lock_(stateLock), TraceRecorder_(Trace_, stateLock), LogRecorder_(Log_, stateLock) {}
    ~TSioDispatcherRecorders() = default;

    // A new open: both recorders off, the log's clock from now.
    void ResetRecorders();
    bool TraceOn() const { return TraceRecorder_.On(); }
    // StateLock held: each byte as `kind`, while tracing.
    void RecordTrace(char kind, const std::uint8_t* bytes, std::uint32_t count);
    void RecordLog(std::uint8_t type, std::uint8_t subtype, std::int32_t value,
                   const std::uint8_t* data, std::uint32_t count);

private:
    std::recursive_mutex& Lock_;
    TSioTraceStore Trace_;
    TSioDispatchLog Log_;
    TSioLockedRecorder TraceRecorder_;
    TSioLockedRecorder LogRecorder_;
};
