#include "app/testrecord/TestRecordBook.h"

#include <algorithm>

bool TTestRecordBook::WaitsForTones(std::size_t index) const {
    const TTestRecordRow& row = Row(index);
    return row.Alarm.Listening && !row.Alarm.Expected.empty() && !row.SequenceHeard;
}

bool TTestRecordBook::Settled(std::size_t index) const {
    return !WaitsForTones(index);
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
    Rows_.push_back({std::move(alarm), {}, {}, false, {}});
    const std::size_t index = RowCount() - 1;
    if (!sent) {
        Rows_.back().Verdict = NotSentVerdict();
        change.Completed.push_back(index);
        return change;
    }
    if (!hasCode)
        Rows_.back().Verdict = NoCodeVerdict();
    Open_.push_back({index, now + HearingWindow});
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

TTestRecordBook::TChange TTestRecordBook::AddHeard(const HeardSignal& signal) {
    TChange change;
    const auto waiting = [this](const TOpenRow& open) {
        return WaitsForTones(open.Index) && (!LastSequenceRow_ || open.Index > *LastSequenceRow_);
    };
    auto target = std::find_if(Open_.begin(), Open_.end(), waiting);
    if (target == Open_.end())
        return change;
    if (signal.kind == HeardKind::Sequence) {
        const auto expecting = std::find_if(target, Open_.end(), [&](const TOpenRow& open) {
            return waiting(open) && Row(open.Index).Alarm.Expected == signal.digits;
        });
        if (expecting != Open_.end())
            target = expecting;
    }
    TTestRecordRow& row = At(target->Index);
    row.Heard.push_back(HeardText(signal));
    change.Changed.push_back(target->Index);
    if (signal.kind != HeardKind::Sequence)
        return change;
    row.SequenceHeard = true;
    LastSequenceRow_ = target->Index;
    row.Verdict = CompareHeard(row.Alarm.Expected, signal.digits);
    if (target->Index != RowCount() - 1)
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
    while (!Open_.empty() && Open_.front().Deadline <= now) {
        const std::size_t index = Open_.front().Index;
        if (WaitsForTones(index)) {
            At(index).Verdict = NothingHeardVerdict();
            change.Changed.push_back(index);
        }
        Complete(Open_.begin(), change);
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
    return Open_.front().Deadline;
}
