#include "serial/engine/dispatcher/SioInputRing.h"

#include <algorithm>
#include <cstring>

void TSioInputRing::Allocate() {
    Bytes_.reset(new std::uint8_t[InputRingSize]());
    Reset();
}

void TSioInputRing::Free() {
    // Emptied first, so a take that still comes finds nothing to read.
    Reset();
    Bytes_.reset();
}

void TSioInputRing::Reset() {
    Total_ = 0;
    Taken_ = 0;
    Full_ = false;
    Reading_ = false;
    Ahead_ = 0;
    MaxAhead_ = 0;
}

std::span<std::uint8_t> TSioInputRing::FreePiece() {
    const std::uint64_t total = Total_.load(std::memory_order_relaxed);
    const std::uint32_t free =
        InputRingSize - static_cast<std::uint32_t>(total - Taken_.load(std::memory_order_acquire));
    if (free == 0) {
        Full_.store(true, std::memory_order_seq_cst);
        // The reader may have made room between the two looks; then it found no note.
        if (Total_.load(std::memory_order_relaxed) - Taken_.load(std::memory_order_seq_cst) <
            InputRingSize)
            Full_.store(false, std::memory_order_relaxed);
        return {};
    }
    const std::uint32_t at = static_cast<std::uint32_t>(total % InputRingSize);
    return {Bytes_.get() + at, std::min(free, InputRingSize - at)};
}

void TSioInputRing::Produced(std::uint32_t count) {
    Total_.store(Total_.load(std::memory_order_relaxed) + count, std::memory_order_release);
}

std::uint32_t TSioInputRing::Unread() const {
    return static_cast<std::uint32_t>(Total_.load(std::memory_order_acquire) -
                                      Taken_.load(std::memory_order_relaxed));
}

std::uint32_t TSioInputRing::Count() const {
    const std::uint32_t unread = Unread();
    if (!Reading_.load(std::memory_order_relaxed))
        return unread;
    return unread - std::min(unread, Ahead_.load(std::memory_order_relaxed));
}

std::uint64_t TSioInputRing::TakePosition() const {
    const std::uint64_t tail = Taken_.load(std::memory_order_relaxed);
    return Reading_.load(std::memory_order_relaxed) ? tail + Ahead_.load(std::memory_order_relaxed)
                                                    : tail;
}

std::uint32_t TSioInputRing::CopyFrom(std::uint64_t at, std::uint8_t* buffer,
                                      std::uint32_t size) const {
    const std::uint64_t total = Total_.load(std::memory_order_acquire);
    const std::uint32_t count =
        total > at ? static_cast<std::uint32_t>(std::min<std::uint64_t>(total - at, size)) : 0;
    if (count == 0)
        return 0;
    const std::uint32_t start = static_cast<std::uint32_t>(at % InputRingSize);
    const std::uint32_t first = std::min(count, InputRingSize - start);
    std::memcpy(buffer, Bytes_.get() + start, first);
    std::memcpy(buffer + first, Bytes_.get(), count - first);
    return count;
}

void TSioInputRing::NoteRoomMade() {
    // Sequentially consistent with the producer's full note: either it sees the room made here,
    // or this sees its note and wakes it.
    if (Full_.exchange(false, std::memory_order_seq_cst))
        RoomAvailable_();
}

void TSioInputRing::AdvanceTail(std::uint64_t count) {
    Taken_.fetch_add(count, std::memory_order_seq_cst);
    NoteRoomMade();
}

bool TSioInputRing::ClaimTail(std::uint64_t from, std::uint64_t count) {
    // Outside a delivery a handler that outlived its send may take while the next delivery ends:
    // the tail moves only from where this take read, else the take reads again.
    if (!Taken_.compare_exchange_strong(from, from + count, std::memory_order_seq_cst))
        return false;
    NoteRoomMade();
    return true;
}

std::uint32_t TSioInputRing::Take(std::uint8_t* buffer, std::uint32_t size) {
    for (;;) {
        const std::uint64_t at = TakePosition();
        const std::uint32_t count = CopyFrom(at, buffer, size);
        if (count == 0)
            return 0;
        if (Reading_.load(std::memory_order_relaxed)) {
            Ahead_.store(Ahead_.load(std::memory_order_relaxed) + count, std::memory_order_relaxed);
            return count;
        }
        if (ClaimTail(at, count))
            return count;
    }
}

bool TSioInputRing::TakeByte(std::uint8_t& byte) {
    return Take(&byte, 1) == 1;
}

std::uint32_t TSioInputRing::Peek(std::uint8_t* buffer, std::uint32_t size) const {
    return CopyFrom(TakePosition(), buffer, size);
}

bool TSioInputRing::PeekAt(std::uint32_t n, std::uint8_t& byte) const {
    if (n == 0 || !Bytes_ || Unread() < n)
        return false;
    byte = Bytes_[(Taken_.load(std::memory_order_relaxed) + n - 1) % InputRingSize];
    return true;
}

void TSioInputRing::Purge() {
    const std::uint32_t unread = Unread();
    if (Reading_.load(std::memory_order_relaxed)) {
        MaxAhead_.store(unread, std::memory_order_relaxed);
    } else {
        Ahead_.store(0, std::memory_order_relaxed);
        AdvanceTail(unread);
    }
}

void TSioInputRing::BeginDelivery(bool reading) {
    MaxAhead_.store(0, std::memory_order_relaxed);
    // Together with the reading flag: a handler still running past an earlier send's time-out
    // may read from now on, and those bytes count for this delivery.
    Ahead_.store(0, std::memory_order_relaxed);
    Reading_.store(reading, std::memory_order_relaxed);
}

void TSioInputRing::KeepLongestReadAhead() {
    MaxAhead_.store(
        std::max(MaxAhead_.load(std::memory_order_relaxed), Ahead_.load(std::memory_order_relaxed)),
        std::memory_order_relaxed);
}

void TSioInputRing::NextReader() {
    KeepLongestReadAhead();
    Ahead_.store(0, std::memory_order_relaxed);
}

std::uint32_t TSioInputRing::EndDelivery() {
    KeepLongestReadAhead();
    const bool reading = Reading_.exchange(false, std::memory_order_relaxed);
    const std::uint32_t taken = reading ? MaxAhead_.load(std::memory_order_relaxed) : 0;
    if (taken > 0)
        AdvanceTail(taken);
    Ahead_.store(0, std::memory_order_relaxed);
    return taken;
}
