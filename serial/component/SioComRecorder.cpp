#include "serial/component/SioComRecorder.h"

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

TSioComRecorder::TSioComRecorder(TSioComHost& host, TSioRecorderKind kind)
    : Host_(host), Kind_(kind), MaxSize_(kind == TSioRecorderKind::Trace ? 4'000'000 : 16'000'000),
      Name_(kind == TSioRecorderKind::Trace ? "SIO.TRC" : "SIO.LOG") {}

void TSioComRecorder::Request(TTraceLogState value) {
    if (value == State_ && !Host_.ForceApply())
        return;
    if (!Host_.ApplyingDispatcher()) {
        State_ = StoredWhileClosed(value);
        return;
    }
    switch (ActionFor(value, State_)) {
    case TRecorderAction::Discard:
        Discard();
        break;
    case TRecorderAction::Resume:
        Resume();
        break;
    case TRecorderAction::Start:
        Start(Size_);
        break;
    case TRecorderAction::Dump:
    case TRecorderAction::Append:
        Resume();
        WriteFile(Name_, value == tlAppend, Hex_);
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
    value = std::min(value, MaxSize_);
    if (value == Size_)
        return;
    Size_ = value;
    // A new capacity needs a new store; a paused recorder ends off, as the restart is asked for
    // with the paused state.
    if (Host_.ApplyingDispatcher() && State_ != tlOff) {
        const TTraceLogState state = State_;
        Request(tlOff);
        Request(state);
    }
}

void TSioComRecorder::SetName(std::string value) {
    Name_ = CutFileName(std::move(value));
}

TSioLockedRecorder& TSioComRecorder::Engine() {
    TSioBaseDispatcher& dispatcher = Host_.RequireDispatcher();
    return Kind_ == TSioRecorderKind::Trace ? dispatcher.TraceRecorder() : dispatcher.LogRecorder();
}

void TSioComRecorder::Start(std::uint32_t n) {
    if (Host_.PortClosing())
        return;
    if (n != 0)
        Size_ = std::min(n, MaxSize_);
    Host_.Check(Engine().Start(Size_));
    State_ = tlOn;
}

void TSioComRecorder::WriteFile(const std::string& name, bool append, bool hex) {
    if (Host_.PortClosing())
        return;
    Host_.Check(Engine().WriteFile(CutFileName(name), append, hex, AllHex_));
    State_ = tlOff;
}

void TSioComRecorder::Clear() {
    if (!Host_.PortClosing())
        Host_.Check(Engine().Clear());
}

void TSioComRecorder::Discard() {
    if (Host_.PortClosing())
        return;
    Engine().Discard();
    State_ = tlOff;
}

void TSioComRecorder::Resume() {
    if (Host_.PortClosing())
        return;
    Engine().Resume();
    State_ = tlOn;
}

void TSioComRecorder::Pause() {
    if (Host_.PortClosing())
        return;
    Engine().Pause();
    State_ = tlPause;
}

void TSioComRecorder::Replay() {
    const auto force = Host_.ForcingApply();
    Request(State_);
}
