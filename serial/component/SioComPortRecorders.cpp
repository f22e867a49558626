// The trace and dispatch-log properties and operations: stored states, the commands tlDump,
// tlAppend, tlClear and tlPause, and their forwarding to the dispatcher's recorders.

#include "serial/component/SioComPort.h"
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

#include <algorithm>

namespace {

constexpr std::uint32_t MaxTraceSize = 4'000'000;
constexpr std::uint32_t MaxLogSize = 16'000'000;
constexpr std::size_t MaxFileNameLength = 255;

bool Running(TTraceLogState state) {
    return state == tlOn || state == tlPause;
}

std::string CutFileName(std::string name) {
    if (name.size() > MaxFileNameLength)
        name.resize(MaxFileNameLength);
    return name;
}

// What a recorder's state change does while the port is open.
enum class TRecorderAction { None, Discard, Resume, Start, Dump, Append, Clear, Pause };

TRecorderAction ActionFor(TTraceLogState requested, TTraceLogState stored) {
    switch (requested) {
    case tlOff:
        return Running(stored) ? TRecorderAction::Discard : TRecorderAction::None;
    case tlOn:
        return stored == tlPause ? TRecorderAction::Resume : TRecorderAction::Start;
    case tlDump:
        return Running(stored) ? TRecorderAction::Dump : TRecorderAction::None;
    case tlAppend:
        return Running(stored) ? TRecorderAction::Append : TRecorderAction::None;
    case tlClear:
        return Running(stored) ? TRecorderAction::Clear : TRecorderAction::None;
    case tlPause:
        return stored == tlOn ? TRecorderAction::Pause : TRecorderAction::None;
    }
    return TRecorderAction::None;
}

// A closed port keeps only a plain on or off; commands have nothing to act on.
TTraceLogState StoredWhileClosed(TTraceLogState value) {
    return value == tlOn ? tlOn : tlOff;
}

} // namespace

void TSioCustomComPort::SetTracing(TTraceLogState value) {
    if (value == FTracing && !FForceApply)
        return;
    if (!PortApplies()) {
        FTracing = StoredWhileClosed(value);
        return;
    }
    switch (ActionFor(value, FTracing)) {
    case TRecorderAction::Discard:
        DiscardTrace();
        break;
    case TRecorderAction::Resume:
        ResumeTrace();
        break;
    case TRecorderAction::Start:
        StartTrace(FTraceSize);
        break;
    case TRecorderAction::Dump:
    case TRecorderAction::Append:
        ResumeTrace();
        WriteTraceFile(FTraceName, FTraceHex, value == tlAppend);
        break;
    case TRecorderAction::Clear:
        ClearTrace();
        break;
    case TRecorderAction::Pause:
        PauseTrace();
        break;
    case TRecorderAction::None:
        break;
    }
}

void TSioCustomComPort::SetLogging(TTraceLogState value) {
    if (value == FLogging && !FForceApply)
        return;
    if (!PortApplies()) {
        FLogging = StoredWhileClosed(value);
        return;
    }
    switch (ActionFor(value, FLogging)) {
    case TRecorderAction::Discard:
        DiscardDispatchLog();
        break;
    case TRecorderAction::Resume:
        ResumeDispatchLog();
        break;
    case TRecorderAction::Start:
        StartDispatchLog(FLogSize);
        break;
    case TRecorderAction::Dump:
    case TRecorderAction::Append:
        ResumeDispatchLog();
        WriteDispatchLogFile(FLogName, FLogHex, value == tlAppend);
        break;
    case TRecorderAction::Clear:
        ClearDispatchLog();
        break;
    case TRecorderAction::Pause:
        PauseDispatchLog();
        break;
    case TRecorderAction::None:
        break;
    }
}

void TSioCustomComPort::SetTraceSize(std::uint32_t value) {
    value = std::min(value, MaxTraceSize);
    if (value == FTraceSize)
        return;
    FTraceSize = value;
    // A new capacity needs a new store; a paused trace ends off, as the restart is asked for
    // with the paused state.
    if (PortApplies() && FTracing != tlOff) {
        const TTraceLogState state = FTracing;
        SetTracing(tlOff);
        SetTracing(state);
    }
}

void TSioCustomComPort::SetLogSize(std::uint32_t value) {
    value = std::min(value, MaxLogSize);
    if (value == FLogSize)
        return;
    FLogSize = value;
    if (PortApplies() && FLogging != tlOff) {
        const TTraceLogState state = FLogging;
        SetLogging(tlOff);
        SetLogging(state);
    }
}

void TSioCustomComPort::SetTraceName(std::string value) {
    FTraceName = CutFileName(std::move(value));
}

void TSioCustomComPort::SetLogName(std::string value) {
    FLogName = CutFileName(std::move(value));
}

void TSioCustomComPort::StartTrace(std::uint32_t n) {
    if (FLinkState == lsClosing)
        return;
    if (n != 0)
        FTraceSize = std::min(n, MaxTraceSize);
    Check(RequireDispatcher().StartTrace(FTraceSize));
    FTracing = tlOn;
}

void TSioCustomComPort::WriteTraceFile(const std::string& name, bool hex, bool append) {
    if (FLinkState == lsClosing)
        return;
    Check(RequireDispatcher().WriteTraceFile(CutFileName(name), append, hex, FTraceAllHex));
    FTracing = tlOff;
}

void TSioCustomComPort::ClearTrace() {
    if (FLinkState != lsClosing)
        Check(RequireDispatcher().ClearTrace());
}

void TSioCustomComPort::DiscardTrace() {
    if (FLinkState == lsClosing)
        return;
    RequireDispatcher().DiscardTrace();
    FTracing = tlOff;
}

void TSioCustomComPort::ResumeTrace() {
    if (FLinkState == lsClosing)
        return;
    RequireDispatcher().ResumeTrace();
    FTracing = tlOn;
}

void TSioCustomComPort::PauseTrace() {
    if (FLinkState == lsClosing)
        return;
    RequireDispatcher().PauseTrace();
    FTracing = tlPause;
}

void TSioCustomComPort::StartDispatchLog(std::uint32_t n) {
    if (FLinkState == lsClosing)
        return;
    if (n != 0)
        FLogSize = std::min(n, MaxLogSize);
    RequireDispatcher().StartDispatchLog(FLogSize);
    FLogging = tlOn;
}

void TSioCustomComPort::WriteDispatchLogFile(const std::string& name, bool hex, bool append) {
    if (FLinkState == lsClosing)
        return;
    Check(RequireDispatcher().WriteDispatchLogFile(CutFileName(name), append, hex, FLogAllHex));
    FLogging = tlOff;
}

void TSioCustomComPort::ClearDispatchLog() {
    if (FLinkState != lsClosing)
        RequireDispatcher().ClearDispatchLog();
}

void TSioCustomComPort::DiscardDispatchLog() {
    if (FLinkState == lsClosing)
        return;
    RequireDispatcher().DiscardDispatchLog();
    FLogging = tlOff;
}

void TSioCustomComPort::ResumeDispatchLog() {
    if (FLinkState == lsClosing)
        return;
    RequireDispatcher().ResumeDispatchLog();
    FLogging = tlOn;
}

void TSioCustomComPort::PauseDispatchLog() {
    if (FLinkState == lsClosing)
        return;
    RequireDispatcher().PauseDispatchLog();
    FLogging = tlPause;
}
