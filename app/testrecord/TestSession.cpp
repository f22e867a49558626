#include "app/testrecord/TestSession.h"

#include <algorithm>
#include <utility>

TTestSession::TTestSession(TToneLimits limits, TRecordFileQueue::TAppend append, TPicture picture)
    : Book_(std::move(limits)), Files_(std::move(append)), Picture_(std::move(picture)) {}

TTestSession::TUpdate TTestSession::Apply(const TTestRecordBook::TChange& change) {
    TUpdate update;
    update.Completed = change.Completed;
    // A row that completed is shown from Finished: the book may forget it below.
    for (const std::size_t index : change.Changed)
        if (std::ranges::find(change.Completed, index) == change.Completed.end())
            update.Changed.push_back(index);
    for (const std::size_t index : change.Completed) {
        update.Finished.push_back(Book_.Row(index));
        if (Picture_)
            Picture_(Book_.Row(index));
        Files_.Complete(index, Book_.Row(index));
    }
    Book_.ReleaseCompleted();
    if (!change.Completed.empty())
        update.WriteFailure = Files_.Write();
    update.NextDeadline = Book_.NextDeadline();
    return update;
}

TTestSession::TUpdate TTestSession::AlarmSent(TAlarmSent alarm, TTime now) {
    return Apply(Book_.AddAlarm(std::move(alarm), now));
}

TTestSession::TUpdate TTestSession::Reply(std::string_view reply) {
    return Apply(Book_.AddReply(reply));
}

TTestSession::TUpdate TTestSession::Heard(const THeardSignal& signal) {
    return Apply(Book_.AddHeard(signal));
}

TTestSession::TUpdate TTestSession::StopListening() {
    return Apply(Book_.StopListening());
}

TTestSession::TUpdate TTestSession::Expire(TTime now) {
    return Apply(Book_.Expire(now));
}

TTestSession::TUpdate TTestSession::CompleteAll() {
    return Apply(Book_.CompleteAll());
}

TTestSession::TUpdate TTestSession::WriteAgain() {
    TUpdate update;
    update.WriteFailure = Files_.Write();
    update.NextDeadline = Book_.NextDeadline();
    return update;
}
