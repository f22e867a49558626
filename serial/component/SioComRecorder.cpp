#include "serial/component/SioComRecorder.h"

#include "serial/component/SioComPort.h"
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::size_t MaxFileNameLength = 255;

bool Running(TTraceLogState state) {
    return state == tlOn || state == tlPause;
}

std::string CutFileName(std::string name) {
    if (name.size() > MaxFileNameLength)
        name.resize(MaxFileNameLength);
    return name;
}

// What a requested state does while the port is open.
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

TSioComRecorder::TSioComRecorder(TSioCustomComPort& port, TSioRecorderKind kind)
    : FPort(port), FKind(kind), FMaxSize(kind == TSioRecorderKind::Trace ? 4'000'000 : 16'000'000),
      FName(kind == TSioRecorderKind::Trace ? "SIO.TRC" : "SIO.LOG") {}

void TSioComRecorder::Request(TTraceLogState value) {
    if (value == FState && !FPort.FForceApply)
        return;
    if (!FPort.PortApplies()) {
        FState = StoredWhileClosed(value);
        return;
    }
    switch (ActionFor(value, FState)) {
    case TRecorderAction::Discard:
        Discard();
        break;
    case TRecorderAction::Resume:
        Resume();
        break;
    case TRecorderAction::Start:
        Start(FSize);
        break;
    case TRecorderAction::Dump:
    case TRecorderAction::Append:
        Resume();
        WriteFile(FName, value == tlAppend, FHex);
        break;
    case TRecorderAction::Clear:
        Clear();
        break;
    case TRecorderAction::Pause:
        Pause();
        break;
    case TRecorderAction::None:
        break;
    }
}

void TSioComRecorder::SetSize(std::uint32_t value) {
    value = std::min(value, FMaxSize);
    if (value == FSize)
        return;
    FSize = value;
    // A new capacity needs a new store; a paused recorder ends off, as the restart is asked for
    // with the paused state.
    if (FPort.PortApplies() && FState != tlOff) {
        const TTraceLogState state = FState;
        Request(tlOff);
        Request(state);
    }
}

void TSioComRecorder::SetName(std::string value) {
    FName = CutFileName(std::move(value));
}

bool TSioComRecorder::Closing() const {
    return FPort.FLinkState == lsClosing;
}

TSioLockedRecorder& TSioComRecorder::Engine() {
    TSioBaseDispatcher& dispatcher = FPort.RequireDispatcher();
    return FKind == TSioRecorderKind::Trace ? dispatcher.TraceRecorder() : dispatcher.LogRecorder();
}

void TSioComRecorder::Start(std::uint32_t n) {
    if (Closing())
        return;
    if (n != 0)
        FSize = std::min(n, FMaxSize);
    FPort.Check(Engine().Start(FSize));
    FState = tlOn;
}

void TSioComRecorder::WriteFile(const std::string& name, bool append, bool hex) {
    if (Closing())
        return;
    FPort.Check(Engine().WriteFile(CutFileName(name), append, hex, FAllHex));
    FState = tlOff;
}

void TSioComRecorder::Clear() {
    if (!Closing())
        FPort.Check(Engine().Clear());
}

void TSioComRecorder::Discard() {
    if (Closing())
        return;
    Engine().Discard();
    FState = tlOff;
}

void TSioComRecorder::Resume() {
    if (Closing())
        return;
    Engine().Resume();
    FState = tlOn;
}

void TSioComRecorder::Pause() {
    if (Closing())
        return;
    Engine().Pause();
    FState = tlPause;
}
