#pragma once
// One test session's record, without a window: what goes out on the line and what the tone
// input hears go into the record book, each row is judged once, a complete row gets its
// picture, and then goes into the day's file in the order the alarms went out, held and retried
// when the file cannot take them; so whoever finds a row in the file finds its picture too. Each
// step returns what a view needs: the rows to show again, the rows just completed (as they were
// then: the book forgets them once they are in the queue, and their pictures are drawn from these),
// a write failure that starts a new episode, and when to call Expire next.
//
// The window's record band and the command-line test run both drive one. Time is passed in;
// the file writer is passed in, so tests can make it fail. One thread; nothing here throws
// beyond std::bad_alloc.

#include "app/testrecord/RecordFileQueue.h"
#include "app/testrecord/TestRecordBook.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

class TTestSession {
public:
    using TTime = TTestRecordBook::TTime;

    // Draws and saves a complete row's picture; it must not throw.
    using TPicture = std::function<void(const TTestRecordRow&)>;

    TTestSession(TToneLimits limits, TRecordFileQueue::TAppend append, TPicture picture = {});

    struct TUpdate {
        std::vector<std::size_t> Changed;     // open rows to show again, from Row(index)
        std::vector<std::size_t> Completed;   // rows now complete, in that order
        std::vector<TTestRecordRow> Finished; // the same rows, as they were completed
        std::optional<TRecordFileQueue::TFailure> WriteFailure; // a new failure episode
        std::optional<TTime> NextDeadline; // when to call Expire; none while nothing waits
    };

    TUpdate AlarmSent(TAlarmSent alarm, TTime now);
    TUpdate Reply(std::string_view reply);
    TUpdate Heard(const THeardSignal& signal);
    // The tone input was switched off: rows stop waiting for tones.
    TUpdate StopListening();
    TUpdate Expire(TTime now);
    // Every open row completes as it stands (the session ends).
    TUpdate CompleteAll();
    // Another try for the rows a failed write holds.
    TUpdate WriteAgain();

    std::size_t RowCount() const { return Book_.RowCount(); }
    const TTestRecordRow& Row(std::size_t index) const { return Book_.Row(index); }
    std::vector<std::size_t> OpenRows() const { return Book_.OpenRows(); }

    // Complete rows not yet in their file; the count is 0 outside a failure episode.
    std::size_t Unsaved() const { return Files_.Unsaved(); }
    std::vector<TTestRecordRow> Held() const { return Files_.Held(); }
    std::vector<TTestRecordRow> TakeHeld() { return Files_.TakeHeld(); }

private:
    TUpdate Apply(const TTestRecordBook::TChange& change);

    TTestRecordBook Book_;
    TRecordFileQueue Files_;
    TPicture Picture_;
};
