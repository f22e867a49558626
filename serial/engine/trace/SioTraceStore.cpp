#include "serial/engine/trace/SioTraceStore.h"

#include "serial/engine/trace/SioTextFile.h"
#include "serial/engine/trace/SioTraceFormat.h"

#include <new>

TSioResult TSioTraceStore::Start(std::uint32_t capacity) {
    if (capacity > MaxCapacity) {
        return ecBadArgument;
    }
    if (!Entries_ && capacity > 0) {
        try {
            Entries_.reset(new TEntry[capacity]());
        } catch (const std::bad_alloc&) {
            return ecOutOfMemory;
        }
        Capacity_ = capacity;
    }
    Clear();
    Recording_ = true;
    return ecOK;
}

void TSioTraceStore::Clear() {
    WriteIndex_ = 0;
    Wrapped_ = false;
}

void TSioTraceStore::Discard() {
    Recording_ = false;
    Entries_.reset();
    Capacity_ = 0;
    Clear();
}

void TSioTraceStore::Pause() {
    Recording_ = false;
}

void TSioTraceStore::Resume() {
    Recording_ = HasStore();
}

void TSioTraceStore::Record(char kind, std::uint8_t byte) {
    if (!Recording_ || !Entries_) {
        return;
    }
    Entries_[WriteIndex_] = TEntry{kind, byte};
    if (++WriteIndex_ == Capacity_) {
        WriteIndex_ = 0;
        Wrapped_ = true;
    }
}

TSioResult TSioTraceStore::WriteFile(const std::string& name, bool append, bool hex, bool allHex) {
    Recording_ = false;
    if (!Entries_ || (!Wrapped_ && WriteIndex_ == 0)) {
        Discard();
        return ecOK;
    }
    TSioTextFile file;
    if (const TSioResult opened = file.Open(name, append); opened < 0) {
        Discard();
        return opened;
    }
    TSioTraceFormatter formatter(file, hex, allHex);
    // A wrapped store's oldest entry sits at the write index; the loop visits an entry before
    // testing, so a full store yields all N entries.
    const std::uint32_t end = WriteIndex_;
    std::uint32_t index = Wrapped_ ? WriteIndex_ : 0;
    do {
        formatter.Add(Entries_[index].Kind, Entries_[index].Byte);
        index = index + 1 == Capacity_ ? 0 : index + 1;
    } while (index != end);
    const TSioResult closed = file.Close();
    Discard();
    return closed;
}
