// The input ring: filling it from the device and taking bytes out.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

#include <algorithm>
#include <cstring>

std::uint32_t TSioBaseDispatcher::Unread() const {
    return static_cast<std::uint32_t>(InTotal.load(std::memory_order_acquire) -
                                      InTaken.load(std::memory_order_relaxed));
}

std::uint64_t TSioBaseDispatcher::TakePosition() const {
    std::uint64_t tail = InTaken.load(std::memory_order_relaxed);
    return InNotify.load(std::memory_order_relaxed)
               ? tail + ReadAhead.load(std::memory_order_relaxed)
               : tail;
}

void TSioBaseDispatcher::AdvanceTail(std::uint64_t count) {
    // Sequentially consistent with the producer's InFull note: either it sees the room made
    // here, or this sees its note and wakes it.
    InTaken.fetch_add(count, std::memory_order_seq_cst);
    if (InFull.exchange(false, std::memory_order_seq_cst))
        InputRoomAvailable();
}

void TSioBaseDispatcher::FillInput() {
    std::lock_guard lock(InputLock);
    if (!InRing)
        return;
    RefreshLineErrors();
    // The reads themselves tell how much was waiting: a piece that comes back short has
    // emptied the device, so no separate query is needed.
    for (int piece = 0; piece < 2; ++piece) {
        const std::uint64_t total = InTotal.load(std::memory_order_relaxed);
        const std::uint32_t free =
            InputRingSize - static_cast<std::uint32_t>(
                                total - InTaken.load(std::memory_order_acquire));
        if (free == 0) {
            InFull.store(true, std::memory_order_seq_cst);
            // The reader may have made room between the two looks; then it found no note.
            if (InTotal.load(std::memory_order_relaxed) - InTaken.load(std::memory_order_seq_cst) <
                InputRingSize)
                InFull.store(false, std::memory_order_relaxed);
            return;
        }
        const std::uint32_t at = static_cast<std::uint32_t>(total % InputRingSize);
        const std::uint32_t wanted = std::min(free, InputRingSize - at);
        std::int32_t got = ReadDevice(InRing.get() + at, wanted);
        if (got < 0) {
            got = 0;
            AcknowledgeDeviceEvents(-1);
        }
        RecordLog(1, 1, got, InRing.get() + at, static_cast<std::uint32_t>(got));
        InTotal.store(total + static_cast<std::uint32_t>(got), std::memory_order_release);
        if (static_cast<std::uint32_t>(got) < wanted)
            return;
    }
}

TSioResult TSioBaseDispatcher::PeekAt(std::uint32_t n, std::uint8_t& byte) {
    if (n == 0)
        return ecBadArgument;
    if (!InRing || Unread() < n)
        return ecBufferIsEmpty;
    byte = InRing[(InTaken.load(std::memory_order_relaxed) + n - 1) % InputRingSize];
    return ecOK;
}

void TSioBaseDispatcher::RecordTaken(const std::uint8_t* bytes, std::uint32_t count) {
    std::lock_guard state(StateLock);
    if (!Trace.Recording())
        return;
    for (std::uint32_t i = 0; i < count; ++i)
        Trace.Record(TraceKindReceive, bytes[i]);
}

bool TSioBaseDispatcher::ClaimTail(std::uint64_t from, std::uint32_t count) {
    // Outside a delivery a handler that outlived its send may take while the worker ends the
    // next delivery: the tail moves only from where this take read, else the take reads again.
    if (!InTaken.compare_exchange_strong(from, from + count, std::memory_order_seq_cst))
        return false;
    if (InFull.exchange(false, std::memory_order_seq_cst))
        InputRoomAvailable();
    return true;
}

TSioResult TSioBaseDispatcher::TakeByteSlow(std::uint8_t& byte) {
    std::uint8_t taken[1];
    if (TakeBlock(taken, 1) == 0)
        return ecBufferIsEmpty;
    byte = taken[0];
    return ecOK;
}

std::uint32_t TSioBaseDispatcher::CopyUnread(std::uint64_t at, std::uint8_t* buffer,
                                             std::uint32_t size) const {
    const std::uint64_t total = InTotal.load(std::memory_order_acquire);
    const std::uint32_t count =
        total > at ? static_cast<std::uint32_t>(std::min<std::uint64_t>(total - at, size)) : 0;
    if (count == 0)
        return 0;
    const std::uint32_t start = static_cast<std::uint32_t>(at % InputRingSize);
    const std::uint32_t first = std::min(count, InputRingSize - start);
    std::memcpy(buffer, InRing.get() + start, first);
    std::memcpy(buffer + first, InRing.get(), count - first);
    return count;
}

std::uint32_t TSioBaseDispatcher::PeekBlock(std::uint8_t* buffer, std::uint32_t size) {
    return CopyUnread(TakePosition(), buffer, size);
}

std::uint32_t TSioBaseDispatcher::TakeBlock(std::uint8_t* buffer, std::uint32_t size) {
    std::uint32_t count;
    for (;;) {
        const std::uint64_t at = TakePosition();
        count = CopyUnread(at, buffer, size);
        if (count == 0)
            return 0;
        if (InNotify.load(std::memory_order_relaxed))
            ReadAhead.store(ReadAhead.load(std::memory_order_relaxed) + count,
                            std::memory_order_relaxed);
        else if (!ClaimTail(at, count))
            continue;
        break;
    }
    if (TraceOn.load(std::memory_order_relaxed))
        RecordTaken(buffer, count);
    return count;
}

std::uint32_t TSioBaseDispatcher::InputCount() {
    const std::uint32_t unread = Unread();
    if (!InNotify.load(std::memory_order_relaxed))
        return unread;
    return unread - std::min(unread, ReadAhead.load(std::memory_order_relaxed));
}

TSioResult TSioBaseDispatcher::PurgeInput() {
    std::lock_guard lock(InputLock);
    TSioResult result = PurgeDevice(1);
    const std::uint32_t unread = Unread();
    if (InNotify.load(std::memory_order_relaxed)) {
        MaxReadAhead.store(unread, std::memory_order_relaxed);
    } else {
        ReadAhead.store(0, std::memory_order_relaxed);
        AdvanceTail(unread);
    }
    return result;
}
