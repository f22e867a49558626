#pragma once
// The rows on their way into the daily files. A row is written once it and every earlier row
// are complete, so each file reads in the order the alarms went out. A row that cannot be
// written stays, with every row after it, and is tried again, in order, on the next Write; a
// failure episode runs from the first failed write to the next write that succeeds. At most
// Capacity rows are kept (more than a day of continuous testing); beyond that the oldest go
// and are counted.
//
// The writer is passed in, so tests can make it fail. One thread; nothing here throws.

#include "app/testrecord/TestRecordRow.h"

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>

class TRecordFileQueue {
public:
    // Appends one row to the file at path; returns the reason when it could not.
    using TAppend =
        std::function<std::optional<std::string>(const std::string& path, const TTestRecordRow&)>;
    static constexpr std::size_t Capacity = 100'000;

    explicit TRecordFileQueue(TAppend append);

    // Row `index` (counted from 0 in the order of the alarms, every index once) is complete.
    void Complete(std::size_t index, TTestRecordRow row);

    struct TFailure {
        std::string File;
        std::string Reason;
    };
    // Writes the complete rows at the front, in order, up to the first failure. Returns that
    // failure when it starts a new episode.
    std::optional<TFailure> Write();

    // Complete rows that a failed write holds back; 0 outside a failure episode.
    std::size_t Unsaved() const { return Failing_ ? Held_.size() : 0; }
    // Rows given up because more than Capacity were held.
    std::size_t Dropped() const { return Dropped_; }

    // Every complete row not yet in its file, in order.
    std::vector<TTestRecordRow> Held() const;
    // The same, leaving the queue empty of them; for a last resort at the end.
    std::vector<TTestRecordRow> TakeHeld();

private:
    TAppend Append_;
    std::map<std::size_t, TTestRecordRow> Held_; // by index
    std::size_t Next_ = 0;                       // the next index the file gets
    bool Failing_ = false;
    std::size_t Dropped_ = 0;
};
