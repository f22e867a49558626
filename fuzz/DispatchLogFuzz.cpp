// The dispatch log over any sequence of entries, pauses, clears, restarts and clock steps in a
// small ring, written to a file at any point.
//
// Input: the ring's capacity (a byte, times four), the final write's flags, then operations (an
// opcode byte and its operands, see Apply). A model keeps what the log's contract says the ring
// holds: whole entries recorded while recording since the last Start or Clear, the oldest
// evicted first, an entry too large for the ring dropped. Every write must give the header and
// one line per kept entry, oldest first, with its time, value and (in all-hex mode) data bytes;
// a write with nothing to write leaves the file untouched.

#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzFiles.h"
#include "serial/engine/trace/SioDispatchLog.h"
#include "serial/engine/trace/SioLogFormat.h"

#include <cstdio>
#include <deque>
#include <span>
#include <string>

namespace {

constexpr std::string_view PreviousContent = "previous run\r\n";
constexpr std::string_view DeviceName = "COM7";
constexpr std::size_t HeaderLines = 7;
// An entry line starts with its time, right-aligned in this many columns.
constexpr std::size_t TimeWidth = 8;

// The log's clock: the fuzz input moves it.
std::uint32_t Now = 0;

std::uint32_t FuzzClock() {
    return Now;
}

std::tm FixedLocalTime() {
    std::tm time{};
    time.tm_year = 126;
    time.tm_mon = 11;
    time.tm_mday = 7;
    time.tm_hour = 9;
    time.tm_min = 30;
    return time;
}

struct TEntry {
    std::uint8_t Type;
    std::uint8_t Subtype;
    std::uint32_t Time;
    std::int32_t Value;
    std::string Data;

    std::uint32_t RingSize() const {
        return TSioLogHeader::HeaderSize + static_cast<std::uint32_t>(Data.size());
    }
};

using TEntries = std::deque<TEntry>;

// What the ring holds by its contract. Capacity 0 stands for "no ring".
class TLogModel {
public:
    void Start(std::uint32_t capacity) {
        if (Capacity_ == 0) {
            Capacity_ = capacity;
        }
        Clear();
        Recording_ = true;
    }
    void Clear() {
        Entries_.clear();
        Used_ = 0;
    }
    void Discard() {
        Recording_ = false;
        Capacity_ = 0;
        Clear();
    }
    void Pause() { Recording_ = false; }
    void Resume() { Recording_ = Capacity_ > 0; }

    void Record(TEntry entry) {
        if (!Recording_ || entry.RingSize() >= Capacity_) {
            return;
        }
        while (Capacity_ - Used_ < entry.RingSize()) {
            Used_ -= Entries_.front().RingSize();
            Entries_.pop_front();
        }
        Used_ += entry.RingSize();
        Entries_.push_back(std::move(entry));
    }

    // What a write must write; afterwards there is no ring.
    TEntries TakeForWrite() {
        TEntries kept = std::move(Entries_);
        Discard();
        return kept;
    }

private:
    TEntries Entries_;
    std::uint32_t Capacity_ = 0;
    std::uint32_t Used_ = 0;
    bool Recording_ = false;
};

// A user entry's data goes out as raw bytes in all-hex mode, so the file's lines can no longer
// be told apart; such a file is only checked up to its header.
bool WritesRawData(const TEntry& entry, bool allHex) {
    return allHex && entry.Type == sltUser && !entry.Data.empty();
}

// Entries whose data the log shows as byte items (not as a trigger kind).
bool ShowsDataItems(const TEntry& entry) {
    const bool triggerStatus = entry.Subtype == slsTriggerStatus &&
                               (entry.Type == sltTriggerAlloc || entry.Type == sltTriggerDispose);
    return !entry.Data.empty() && !triggerStatus;
}

std::string HexItems(std::string_view data) {
    std::string items;
    for (const char byte : data) {
        char item[5];
        std::snprintf(item, sizeof item, "[%02X]", static_cast<unsigned char>(byte));
        items += item;
    }
    return items;
}

// Each entry's first line starts with its time; continuation lines start with spaces. In
// all-hex mode the data items follow the value and its two spaces.
void CheckEntries(std::span<const std::string_view> lines, const TEntries& kept, bool allHex) {
    std::size_t next = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        FUZZ_CHECK(!lines[i].empty() && lines[i][0] != ' ' && next < kept.size());
        const TEntry& entry = kept[next++];
        std::string text(lines[i]);
        for (; i + 1 < lines.size() && lines[i + 1].starts_with(' '); ++i) {
            FUZZ_CHECK(lines[i + 1].size() > SioLogPrefixWidth);
            text += lines[i + 1].substr(SioLogPrefixWidth);
        }
        std::string time = LogTimeText(entry.Time);
        time.insert(0, time.size() < TimeWidth ? TimeWidth - time.size() : 0, ' ');
        FUZZ_CHECK(text.starts_with(time));
        char value[12];
        const int valueWidth =
            std::snprintf(value, sizeof value, "%08X  ", static_cast<std::uint32_t>(entry.Value));
        const std::size_t valueAt = text.find(value, time.size());
        FUZZ_CHECK(valueAt != std::string::npos);
        if (allHex && ShowsDataItems(entry)) {
            const std::string_view items = std::string_view(text).substr(valueAt + valueWidth);
            FUZZ_CHECK(items.starts_with(HexItems(entry.Data)));
        }
    }
    FUZZ_CHECK(next == kept.size());
}

void WriteAndCheck(TSioDispatchLog& log, TLogModel& model, std::uint8_t flags) {
    const bool hex = (flags & 1) != 0;
    const bool allHex = (flags & 2) != 0;
    const bool append = (flags & 4) != 0;
    const std::string path = FuzzFilePath("log.txt");
    FUZZ_CHECK(ReplaceFile(path, PreviousContent));

    const TEntries kept = model.TakeForWrite();
    FUZZ_CHECK(log.WriteFile(path, append, hex, allHex, std::string(DeviceName)) == ecOK);
    FUZZ_CHECK(!log.Recording() && !log.HasRing());

    const std::optional<std::string> text =
        WrittenText(path, PreviousContent, append, !kept.empty());
    if (!text)
        return;
    const TCrLfLines lines = SplitCrLfLines(*text);
    FUZZ_CHECK(lines.EndsWithLineEnd);
    FUZZ_CHECK(lines.Lines.size() >= HeaderLines + kept.size());
    FUZZ_CHECK(lines.Lines[0] == "SIO v4.05");
    FUZZ_CHECK(lines.Lines[3] == "Device: " + std::string(DeviceName));
    for (const TEntry& entry : kept) {
        if (WritesRawData(entry, allHex)) {
            return;
        }
    }
    FUZZ_CHECK(!lines.StrayBreak);
    CheckEntries(std::span(lines.Lines).subspan(HeaderLines), kept, allHex);
}

// The log under test, its model and the start time it was given.
struct TRun {
    TSioDispatchLog Log{FuzzClock, FixedLocalTime};
    TLogModel Model;
    std::uint32_t StartTime = 0;
};

void Record(TFuzzInput& input, TRun& run) {
    TEntry entry{};
    entry.Type = input.Byte();
    entry.Subtype = input.Byte();
    entry.Value = static_cast<std::int32_t>(input.Word());
    entry.Data = input.Take(input.Byte());
    entry.Time = Now - run.StartTime;
    run.Log.Record(entry.Type, entry.Subtype, entry.Value,
                   reinterpret_cast<const std::uint8_t*>(entry.Data.data()),
                   static_cast<std::uint32_t>(entry.Data.size()));
    run.Model.Record(std::move(entry));
}

// One operation: the opcode byte picks it, its operands follow.
void Apply(TFuzzInput& input, TRun& run) {
    switch (input.Byte() % 9) {
    case 0:
        Record(input, run);
        break;
    case 1:
        run.Log.Pause();
        run.Model.Pause();
        break;
    case 2:
        run.Log.Resume();
        run.Model.Resume();
        break;
    case 3:
        run.Log.Clear();
        run.Model.Clear();
        break;
    case 4: {
        const std::uint32_t capacity = input.Byte() * 4u;
        run.Log.Start(capacity);
        run.Model.Start(capacity);
        break;
    }
    case 5:
        run.Log.Discard();
        run.Model.Discard();
        break;
    case 6:
        Now += input.Word();
        break;
    case 7:
        run.StartTime = input.Word();
        run.Log.SetStartTime(run.StartTime);
        break;
    default:
        WriteAndCheck(run.Log, run.Model, input.Byte());
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    Now = 0;
    TRun run;
    const std::uint32_t capacity = input.Byte() * 4u;
    const std::uint8_t finalFlags = input.Byte();
    run.Log.Start(capacity);
    run.Model.Start(capacity);
    while (!input.Empty()) {
        Apply(input, run);
    }
    WriteAndCheck(run.Log, run.Model, finalFlags);
    return 0;
}
