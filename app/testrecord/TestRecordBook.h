#pragma once
// The rows of the test record while they fill: which row an encoder reply or a heard signal
// belongs to, when a row's verdict is settled and when the row is complete.
//
// A row is open from its alarm until it is complete. Replies belong to the newest row, as they
// follow the last alarm sent. An alarm's tones come in the order the encoder got the alarms: its
// call tone, its code, the code's repeat where the standard repeats it, and the two-tone pair where
// its alarm type has one. A sequence belongs to the oldest open row still waiting for one, not
// older than the last row that got one (a repeat goes to the row of its first code); a sequence
// that is exactly what a later waiting row expects goes to that row instead (never one the decoder
// only guessed), so one alarm the encoder dropped does not shift every verdict after it. A long
// tone belongs to the oldest waiting row newer than the last row that got a sequence, a two-tone
// signal to the oldest row that has its code and waits for its pair. A row is judged against the
// limits (JudgeAlarm) once it has all it waits for, or when its hearing window (as long as the
// alarm needs) has passed: then "nichts gehört" when no sequence came. A row is complete when its
// hearing window has passed, or as soon as it has its verdict (or nothing to wait for) and a newer
// alarm has gone out. An alarm that did not go out is complete at once, "nicht gesendet", and gets
// no replies; one without a code to sound ("kein Code") waits for no tones.
//
// Time is passed in, so tests need no clock. One thread; nothing here fails.

#include "app/testrecord/TestRecordRow.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

class TTestRecordBook {
public:
    using TTime = std::chrono::steady_clock::time_point;

    explicit TTestRecordBook(TToneLimits limits = DefaultToneLimits());

    // Rows are numbered from 0 in the order of their alarms; a change names the rows whose
    // fields changed and those that became complete (each row completes exactly once).
    struct TChange {
        std::vector<std::size_t> Changed;
        std::vector<std::size_t> Completed;
    };

    TChange AddAlarm(TAlarmSent alarm, TTime now);
    TChange AddReply(std::string_view reply);
    TChange AddHeard(const THeardSignal& signal);
    // Rows waiting for tones stop waiting: the tone input was switched off.
    TChange StopListening();
    // Settles every row whose hearing window has passed by `now`.
    TChange Expire(TTime now);
    // Completes every open row as it stands (the program ends).
    TChange CompleteAll();
    // Forgets the complete rows older than every open row, once the caller has taken them, so
    // a long session holds only the rows still filling.
    void ReleaseCompleted();

    // The rows not yet complete, oldest first.
    std::vector<std::size_t> OpenRows() const;

    // When the first of the open rows' hearing windows ends; nothing while no row is open.
    std::optional<TTime> NextDeadline() const;

    // Rows ever added; Row takes the index of one not yet released.
    std::size_t RowCount() const { return First_ + Rows_.size(); }
    const TTestRecordRow& Row(std::size_t index) const { return Rows_.at(index - First_); }

private:
    struct TOpenRow {
        std::size_t Index;
        TTime Deadline;
    };

    bool ListensFor(const TTestRecordRow& row) const;
    bool WaitsForSequence(const TTestRecordRow& row) const;
    bool WaitsForPair(const TTestRecordRow& row) const;
    bool WaitsForTones(std::size_t index) const;
    bool Settled(std::size_t index) const;
    // The oldest open row that `accepts`; Open_.end() when none does.
    template <typename TAccepts> std::deque<TOpenRow>::iterator FirstOpen(TAccepts accepts);
    std::deque<TOpenRow>::iterator TargetOf(const THeardSignal& signal);
    void Judge(TTestRecordRow& row) const;
    void Complete(std::deque<TOpenRow>::iterator open, TChange& change);

    TTestRecordRow& At(std::size_t index) { return Rows_[index - First_]; }

    std::deque<TTestRecordRow> Rows_; // from index First_ on
    std::size_t First_ = 0;
    TToneLimits Limits_;
    std::deque<TOpenRow> Open_; // oldest first
    std::optional<std::size_t> LastSequenceRow_;
};
