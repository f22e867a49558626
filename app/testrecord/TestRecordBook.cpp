#include "app/testrecord/TestRecordBook.h"

#include <algorithm>
#include <utility>

TTestRecordBook::TTestRecordBook(TToneLimits limits) : Limits_(std::move(limits)) {}

bool TTestRecordBook::ListensFor(const TTestRecordRow& row) const {
    return row.Alarm.Listening && !row.Alarm.Expected.empty();
}

bool TTestRecordBook::WaitsForSequence(const TTestRecordRow& row) const {
    const int expected = Limits_.Of(row.Alarm.Standard).Repeated ? 2 : 1;
    return ListensFor(row) && row.SequencesHeard() < expected;
}

bool TTestRecordBook::WaitsForPair(const TTestRecordRow& row) const {
    return ListensFor(row) && !row.TwoToneHeard() &&
           ExpectedPair(ExpectedOf(row.Alarm), Limits_) != nullptr;
}

bool TTestRecordBook::WaitsForTones(std::size_t index) const {
    const TTestRecordRow& row = Row(index);
    return WaitsForSequence(row) || WaitsForPair(row);
}

bool TTestRecordBook::Settled(std::size_t index) const {
    return !WaitsForTones(index);
}

template <typename TAccepts>
std::deque<TTestRecordBook::TOpenRow>::iterator TTestRecordBook::FirstOpen(TAccepts accepts) {
    return std::find_if(Open_.begin(), Open_.end(),
                        [&](const TOpenRow& open) { return accepts(open.Index, Row(open.Index)); });
}

std::deque<TTestRecordBook::TOpenRow>::iterator
TTestRecordBook::TargetOf(const THeardSignal& signal) {
    const auto notBefore = [this](std::size_t index) {
        return !LastSequenceRow_ || index >= *LastSequenceRow_;
    };
    switch (signal.Kind) {
    case THeardKind::Sequence: {
        const auto waiting = [&](std::size_t index, const TTestRecordRow& row) {
            return notBefore(index) && WaitsForSequence(row);
        };
        const auto target = FirstOpen(waiting);
        // Guessed symbols are no reason to pass the rows before.
        const auto expecting = FirstOpen([&](std::size_t index, const TTestRecordRow& row) {
            return waiting(index, row) && signal.Certain && row.Alarm.Expected == signal.Digits;
        });
        return expecting != Open_.end() ? expecting : target;
    }
    case THeardKind::TwoTone: {
        const auto waiting = FirstOpen([this](std::size_t, const TTestRecordRow& row) {
            return row.SequencesHeard() > 0 && WaitsForPair(row);
        });
        // A pair nobody waits for is still recorded, with the code it followed.
        return waiting != Open_.end() ? waiting : FirstOpen([this](std::size_t index, auto&) {
            return LastSequenceRow_ == index;
        });
    }
    case THeardKind::LongTone:
        break;
    }
    // A call tone comes before its code.
    return FirstOpen([this](std::size_t index, const TTestRecordRow& row) {
        return (!LastSequenceRow_ || index > *LastSequenceRow_) && ListensFor(row) &&
               row.SequencesHeard() == 0;
    });
}

void TTestRecordBook::Judge(TTestRecordRow& row) const {
    const TAlarmJudgement& judgement =
        row.Judgement.emplace(JudgeAlarm(ExpectedOf(row.Alarm), Limits_, row.Signals));
    const TVerdictKind kind = judgement.Verdict == TAlarmVerdict::Matches ? TVerdictKind::Matches
                              : judgement.Verdict == TAlarmVerdict::Differs
                                  ? TVerdictKind::Differs
                                  : TVerdictKind::NothingHeard;
    row.Verdict = {kind, VerdictLine(judgement), MissesText(judgement)};
}

void TTestRecordBook::Complete(std::deque<TOpenRow>::iterator open, TChange& change) {
    change.Completed.push_back(open->Index);
    Open_.erase(open);
}

TTestRecordBook::TChange TTestRecordBook::AddAlarm(TAlarmSent alarm, TTime now) {
    TChange change;
    // Replies from here on belong to the new alarm, so a settled row has nothing more to get.
    for (auto open = Open_.begin(); open != Open_.end();)
        if (Settled(open->Index)) {
            change.Completed.push_back(open->Index);
            open = Open_.erase(open);
        } else
            ++open;
    const bool sent = alarm.Sent;
    const bool hasCode = !alarm.Expected.empty();
    const auto window = std::chrono::round<TTime::duration>(
        std::chrono::duration<double>(HearingWindowSeconds(ExpectedOf(alarm), Limits_)));
    Rows_.push_back({std::move(alarm), {}, {}, {}, {}, {}});
    const std::size_t index = RowCount() - 1;
    if (!sent) {
        Rows_.back().Verdict = NotSentVerdict();
        change.Completed.push_back(index);
        return change;
    }
    if (!hasCode)
        Rows_.back().Verdict = NoCodeVerdict();
    Open_.push_back({index, now + window});
    change.Changed.push_back(index);
    return change;
}

TTestRecordBook::TChange TTestRecordBook::AddReply(std::string_view reply) {
    TChange change;
    if (Open_.empty() || Open_.back().Index != RowCount() - 1)
        return change;
    AddReplyTo(Rows_.back(), reply);
    change.Changed.push_back(RowCount() - 1);
    return change;
}

TTestRecordBook::TChange TTestRecordBook::AddHeard(const THeardSignal& signal) {
    TChange change;
    const auto target = TargetOf(signal);
    if (target == Open_.end())
        return change;
    const std::size_t index = target->Index;
    TTestRecordRow& row = At(index);
    row.Heard.push_back(HeardText(signal));
    row.Signals.push_back(signal);
    change.Changed.push_back(index);
    if (signal.Kind == THeardKind::Sequence)
        LastSequenceRow_ = index;
    if (!Settled(index))
        return change;
    Judge(row);
    if (index != RowCount() - 1)
        Complete(target, change);
    return change;
}

TTestRecordBook::TChange TTestRecordBook::StopListening() {
    TChange change;
    for (auto open = Open_.begin(); open != Open_.end();) {
        if (WaitsForTones(open->Index)) {
            At(open->Index).Alarm.Listening = false;
            change.Changed.push_back(open->Index);
        }
        if (Settled(open->Index) && open->Index != RowCount() - 1) {
            change.Completed.push_back(open->Index);
            open = Open_.erase(open);
        } else
            ++open;
    }
    return change;
}

TTestRecordBook::TChange TTestRecordBook::Expire(TTime now) {
    TChange change;
    for (auto open = Open_.begin(); open != Open_.end();) {
        if (open->Deadline > now) {
            ++open;
            continue;
        }
        if (WaitsForTones(open->Index)) {
            Judge(At(open->Index));
            change.Changed.push_back(open->Index);
        }
        change.Completed.push_back(open->Index);
        open = Open_.erase(open);
    }
    return change;
}

TTestRecordBook::TChange TTestRecordBook::CompleteAll() {
    TChange change;
    while (!Open_.empty())
        Complete(Open_.begin(), change);
    return change;
}

void TTestRecordBook::ReleaseCompleted() {
    // The newest row stays: replies go to it.
    const std::size_t keepFrom = Open_.empty() ? RowCount() - 1 : Open_.front().Index;
    while (!Rows_.empty() && First_ < keepFrom) {
        Rows_.pop_front();
        ++First_;
    }
}

std::vector<std::size_t> TTestRecordBook::OpenRows() const {
    std::vector<std::size_t> rows;
    for (const TOpenRow& open : Open_)
        rows.push_back(open.Index);
    return rows;
}

std::optional<TTestRecordBook::TTime> TTestRecordBook::NextDeadline() const {
    if (Open_.empty())
        return std::nullopt;
    return std::min_element(Open_.begin(), Open_.end(),
                            [](const auto& a, const auto& b) { return a.Deadline < b.Deadline; })
        ->Deadline;
}
