#include "app/testplan/PlanRun.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using TSeconds = std::chrono::duration<double>;

std::chrono::steady_clock::duration After(double seconds) {
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(TSeconds(seconds));
}

// The order and words of the tally, as the record names the verdicts.
struct TTallyWord {
    TVerdictKind Kind;
    const char* Text;
};
constexpr TTallyWord TallyWords[] = {
    {TVerdictKind::Matches, "stimmt"},
    {TVerdictKind::Differs, "weicht ab"},
    {TVerdictKind::NothingHeard, "nichts gehört"},
    {TVerdictKind::NoCode, "kein Code"},
    {TVerdictKind::Open, "nicht beurteilt"},
};

} // namespace

TPlanRun::TPlanRun(TTestPlan plan, TTime now) : Plan_(std::move(plan)), Started_(now) {
    std::erase_if(Plan_.Steps, [](const TPlanStep& step) { return step.Count < 1; });
    for (const TPlanStep& step : Plan_.Steps)
        Total_ += step.Count;
    if (Plan_.Steps.empty())
        State_ = TState::Finished;
}

const TPlanStep* TPlanRun::Due(TTime now) {
    Tick(now);
    if (CarrierUntil_ && now >= *CarrierUntil_)
        CarrierUntil_.reset();
    if (State_ != TState::Ready || Paused_ || LinkLost_ || CarrierUntil_)
        return nullptr;
    return &Plan_.Steps[Step_];
}

void TPlanRun::Sent(std::size_t row, TTime now, double settleSeconds) {
    if (State_ != TState::Ready)
        return;
    Rows_.push_back(row);
    InFlight_ = row;
    SettleSeconds_ = settleSeconds;
    State_ = TState::AwaitingAck;
    Deadline_ = now + After(AckWaitSeconds);
}

void TPlanRun::Reply(TReplyKind reply, TTime now) {
    if (reply == TReplyKind::Ignored)
        return;
    LinkBack();
    if (reply == TReplyKind::CarrierLime)
        CarrierUntil_ = now + After(CarrierWaitSeconds);
    else if (reply == TReplyKind::CarrierNeutral)
        CarrierUntil_.reset();
    if (State_ != TState::AwaitingAck)
        return;
    if (reply == TReplyKind::Ack) {
        Taken(now);
    } else if (reply == TReplyKind::Nak) {
        InFlight_.reset();
        SettledEarly_.reset();
        State_ = TState::NakWait;
        Deadline_ = now + After(NakRetrySeconds);
    }
}

void TPlanRun::RowChanged(std::size_t row, TVerdictKind kind, bool complete) {
    if (InFlight_ != row || (State_ != TState::AwaitingAck && State_ != TState::AwaitingRow))
        return;
    if (kind == TVerdictKind::NotSent) {
        // The device is gone: the same alarm goes out once the encoder answers again.
        LinkLost_ = true;
        SendAgainLater();
    } else if (kind != TVerdictKind::Open || complete) {
        // A row settled before the ACK ("kein Code") still waits for the encoder's transmit
        // time: it sounds its call tone or two-tone pair all the same.
        if (State_ == TState::AwaitingAck)
            SettledEarly_ = kind;
        else
            Settle(kind);
    }
}

void TPlanRun::Tick(TTime now) {
    if (now < Deadline_)
        return;
    switch (State_) {
    case TState::AwaitingAck: // an encoder that never answers an alarm has still taken it
        Taken(now);
        break;
    case TState::NakWait:
        State_ = TState::Ready;
        break;
    case TState::AwaitingRow:
        Settle(SettledEarly_.value_or(TVerdictKind::Open));
        break;
    default:
        break;
    }
}

void TPlanRun::LinkLost() {
    LinkLost_ = true;
    // Without its ACK the alarm may not have gone out; the one sent again is the one recorded.
    if (State_ == TState::AwaitingAck)
        SendAgainLater();
}

void TPlanRun::LinkBack() {
    LinkLost_ = false;
}

void TPlanRun::Pause(TTime now) {
    if (Paused_ || Over())
        return;
    Paused_ = true;
    PausedAt_ = now;
}

void TPlanRun::Resume(TTime now) {
    if (!Paused_)
        return;
    Paused_ = false;
    PausedFor_ += now - PausedAt_;
}

void TPlanRun::Stop() {
    if (!Over())
        State_ = TState::Stopped;
}

int TPlanRun::Number() const {
    return std::min(Done_ + 1, Total_);
}

std::string TPlanRun::StepText() const {
    return "Schritt " + std::to_string(Number()) + " von " + std::to_string(Total_);
}

bool TPlanRun::EveryAlarmMatched() const {
    return Done_ == Total_ && Tally_.size() == 1 && Tally_.begin()->first == TVerdictKind::Matches;
}

std::string TPlanRun::TallyText() const {
    std::string text;
    for (const TTallyWord& word : TallyWords)
        if (const auto count = Tally_.find(word.Kind); count != Tally_.end())
            text += (text.empty() ? "" : ", ") + std::to_string(count->second) + " " + word.Text;
    return text;
}

double TPlanRun::ElapsedSeconds(TTime now) const {
    const auto paused =
        PausedFor_ + (Paused_ ? now - PausedAt_ : std::chrono::steady_clock::duration{});
    return TSeconds(now - Started_ - paused).count();
}

std::optional<double> TPlanRun::RemainingSeconds(TTime now) const {
    if (Done_ == 0)
        return std::nullopt;
    return ElapsedSeconds(now) / Done_ * (Total_ - Done_);
}

void TPlanRun::Taken(TTime now) {
    State_ = TState::AwaitingRow;
    Deadline_ = now + After(SettleSeconds_);
}

void TPlanRun::Settle(TVerdictKind kind) {
    ++Tally_[kind];
    ++Done_;
    InFlight_.reset();
    SettledEarly_.reset();
    if (++Repetition_ >= Plan_.Steps[Step_].Count) {
        Repetition_ = 0;
        ++Step_;
    }
    State_ = Step_ < Plan_.Steps.size() ? TState::Ready : TState::Finished;
}

void TPlanRun::SendAgainLater() {
    InFlight_.reset();
    SettledEarly_.reset();
    State_ = TState::Ready;
}

std::string DurationText(double seconds) {
    const long whole = std::lround(std::max(seconds, 0.0));
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}
