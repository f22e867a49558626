#include "app/testrecord/RecordFileQueue.h"

#include "app/testrecord/RecordFile.h"

#include <utility>

TRecordFileQueue::TRecordFileQueue(TAppend append) : Append_(std::move(append)) {}

void TRecordFileQueue::Complete(std::size_t index, TTestRecordRow row) {
    Held_.emplace(index, std::move(row));
    while (Held_.size() > Capacity) {
        Next_ = Held_.begin()->first + 1;
        Held_.erase(Held_.begin());
        ++Dropped_;
    }
}

std::optional<TRecordFileQueue::TFailure> TRecordFileQueue::Write() {
    for (auto front = Held_.begin(); front != Held_.end() && front->first == Next_;) {
        const TTestRecordRow& row = front->second;
        const std::string file = RecordFileName(row.Alarm.Date);
        if (const std::optional<std::string> reason = Append_(file, row)) {
            if (std::exchange(Failing_, true))
                return std::nullopt;
            return TFailure{file, *reason};
        }
        Failing_ = false;
        Next_ = front->first + 1;
        front = Held_.erase(front);
    }
    return std::nullopt;
}

std::vector<TTestRecordRow> TRecordFileQueue::Held() const {
    std::vector<TTestRecordRow> rows;
    for (const auto& held : Held_)
        rows.push_back(held.second);
    return rows;
}

std::vector<TTestRecordRow> TRecordFileQueue::TakeHeld() {
    std::vector<TTestRecordRow> rows;
    for (auto& [index, row] : Held_) {
        rows.push_back(std::move(row));
        Next_ = index + 1;
    }
    Held_.clear();
    return rows;
}
