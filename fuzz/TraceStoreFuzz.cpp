// The byte trace over any sequence of recordings, pauses, clears and restarts of a small store,
// written to a file at any point.
//
// Input: the store's capacity, the final write's flags, then operations (an opcode byte and its
// operands, see Apply). A model keeps what the store's contract says it holds: the newest
// Capacity entries recorded while recording since the last Start or Clear. Every write must put
// exactly those into the file, oldest first (read back item by item in all-hex mode, checked by
// line shape in every mode), and a write with nothing to write leaves the file untouched.

#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzFiles.h"
#include "serial/engine/trace/SioByteItem.h"
#include "serial/engine/trace/SioTraceStore.h"

#include <deque>
#include <string>

namespace {

constexpr std::string_view PreviousContent = "previous run\r\n";

struct TEntry {
    char Kind;
    std::uint8_t Byte;

    bool operator==(const TEntry&) const = default;
};

using TEntries = std::deque<TEntry>;

// What the store holds by its contract. Capacity 0 stands for "no store".
class TTraceModel {
public:
    void Start(std::uint32_t capacity) {
        if (Capacity_ == 0) {
            Capacity_ = capacity;
        }
        Entries_.clear();
        Recording_ = true;
    }
    void Clear() { Entries_.clear(); }
    void Discard() {
        Recording_ = false;
        Capacity_ = 0;
        Entries_.clear();
    }
    void Pause() { Recording_ = false; }
    void Resume() { Recording_ = Capacity_ > 0; }

    void Record(TEntry entry) {
        if (!Recording_ || Capacity_ == 0) {
            return;
        }
        Entries_.push_back(entry);
        if (Entries_.size() > Capacity_) {
            Entries_.pop_front();
        }
    }

    // What a write must write; afterwards there is no store.
    TEntries TakeForWrite() {
        TEntries kept = std::move(Entries_);
        Discard();
        return kept;
    }

private:
    TEntries Entries_;
    std::uint32_t Capacity_ = 0;
    bool Recording_ = false;
};

// Mostly receive and transmit entries, some of the printable special kinds.
char KindOf(std::uint8_t byte) {
    if ((byte & 0x80) == 0) {
        return (byte & 1) != 0 ? TraceKindTransmit : TraceKindReceive;
    }
    return static_cast<char>(0x21 + (byte & 0x7F) % 94);
}

std::string Heading(char kind) {
    switch (kind) {
    case TraceKindReceive:
        return "Receive: ";
    case TraceKindTransmit:
        return "Transmit: ";
    default:
        return std::string("Special-") + kind + ": ";
    }
}

// The kinds of the runs of equal kind, in order.
std::string RunKinds(const TEntries& entries) {
    std::string kinds;
    for (const TEntry& entry : entries) {
        if (kinds.empty() || kinds.back() != entry.Kind) {
            kinds += entry.Kind;
        }
    }
    return kinds;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Items "[XX]" back to bytes; every item of an all-hex text has this form.
void ReadHexItems(std::string_view items, char kind, TEntries& entries) {
    FUZZ_CHECK(items.size() % 4 == 0);
    for (; !items.empty(); items.remove_prefix(4)) {
        const int high = HexValue(items[1]);
        const int low = HexValue(items[2]);
        FUZZ_CHECK(items[0] == '[' && items[3] == ']' && high >= 0 && low >= 0);
        entries.push_back({kind, static_cast<std::uint8_t>(high * 16 + low)});
    }
}

// A heading opens the text and follows every empty line, an empty line separates runs, no line
// passes the column limit and the text ends without a line end.
void CheckShape(const TCrLfLines& text, const TEntries& kept) {
    FUZZ_CHECK(!text.StrayBreak && !text.EndsWithLineEnd);
    const std::string kinds = RunKinds(kept);
    std::size_t run = 0;
    FUZZ_CHECK(!text.Lines.empty() && text.Lines[0] == Heading(kinds[0]));
    for (std::size_t i = 1; i < text.Lines.size(); ++i) {
        FUZZ_CHECK(text.Lines[i].size() <= SioItemColumnLimit);
        if (text.Lines[i - 1].empty()) {
            ++run;
            FUZZ_CHECK(run < kinds.size() && text.Lines[i] == Heading(kinds[run]));
        }
    }
    FUZZ_CHECK(run + 1 == kinds.size());
}

TEntries ReadAllHexTrace(const TCrLfLines& text) {
    TEntries entries;
    char kind = 0;
    bool headingNext = true;
    for (const std::string_view line : text.Lines) {
        if (headingNext) {
            kind = line == Heading(TraceKindReceive)    ? TraceKindReceive
                   : line == Heading(TraceKindTransmit) ? TraceKindTransmit
                                                        : line[8];
        } else {
            ReadHexItems(line, kind, entries);
        }
        headingNext = line.empty();
    }
    return entries;
}

void WriteAndCheck(TSioTraceStore& store, TTraceModel& model, std::uint8_t flags) {
    const bool hex = (flags & 1) != 0;
    const bool allHex = (flags & 2) != 0;
    const bool append = (flags & 4) != 0;
    const std::string path = FuzzFilePath("trace.txt");
    FUZZ_CHECK(ReplaceFile(path, PreviousContent));

    const TEntries kept = model.TakeForWrite();
    FUZZ_CHECK(store.WriteFile(path, append, hex, allHex) == ecOK);
    FUZZ_CHECK(!store.Recording() && !store.HasStore());

    const std::optional<std::string> text =
        WrittenText(path, PreviousContent, append, !kept.empty());
    if (!text)
        return;
    const TCrLfLines lines = SplitCrLfLines(*text);
    CheckShape(lines, kept);
    if (allHex) {
        FUZZ_CHECK(ReadAllHexTrace(lines) == kept);
    }
}

// One operation: the opcode byte picks it, its operands follow.
void Apply(TFuzzInput& input, TSioTraceStore& store, TTraceModel& model) {
    switch (input.Byte() % 8) {
    case 0: {
        const TEntry entry{KindOf(input.Byte()), input.Byte()};
        store.Record(entry.Kind, entry.Byte);
        model.Record(entry);
        break;
    }
    case 1: {
        const char kind = KindOf(input.Byte());
        for (const char byte : input.Take(input.Byte())) {
            store.Record(kind, static_cast<std::uint8_t>(byte));
            model.Record({kind, static_cast<std::uint8_t>(byte)});
        }
        break;
    }
    case 2:
        store.Pause();
        model.Pause();
        break;
    case 3:
        store.Resume();
        model.Resume();
        break;
    case 4:
        store.Clear();
        model.Clear();
        break;
    case 5: {
        const std::uint32_t capacity = input.Byte();
        FUZZ_CHECK(store.Start(capacity) == ecOK);
        model.Start(capacity);
        break;
    }
    case 6:
        store.Discard();
        model.Discard();
        break;
    default:
        WriteAndCheck(store, model, input.Byte());
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    TSioTraceStore store;
    TTraceModel model;
    const std::uint32_t capacity = input.Byte();
    const std::uint8_t finalFlags = input.Byte();
    FUZZ_CHECK(store.Start(capacity) == ecOK);
    model.Start(capacity);
    while (!input.Empty()) {
        Apply(input, store, model);
    }
    WriteAndCheck(store, model, finalFlags);
    return 0;
}
