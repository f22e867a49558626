// The input ring: filling it from the device and taking bytes out.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

#include <algorithm>

std::uint32_t TSioBaseDispatcher::Unread() const {
    std::uint32_t head = InHead.load();
    if (head == InTail)
        return InFull.load() ? InputRingSize : 0;
    return head > InTail ? head - InTail : head + InputRingSize - InTail;
}

void TSioBaseDispatcher::FillInput() {
    std::lock_guard lock(InputLock);
    if (!InRing || InFull.load())
        return;
    TSioDeviceStatus status = RefreshLineErrors();
    if (status.InQueue == 0)
        return;

    std::uint32_t head = InHead.load();
    std::uint32_t free;
    std::uint32_t first;
    if (head == InTail) {
        free = InputRingSize;
        first = InputRingSize - head;
    } else if (head > InTail) {
        free = InTail + InputRingSize - head;
        first = InputRingSize - head;
    } else {
        free = first = InTail - head;
    }
    std::uint32_t wanted = std::min(status.InQueue, free);
    std::uint32_t second = wanted > first ? wanted - first : 0;

    auto readPiece = [this](std::uint32_t count) {
        std::uint32_t at = InHead.load();
        std::int32_t got = ReadDevice(InRing.get() + at, count);
        if (got < 0) {
            got = 0;
            AcknowledgeDeviceEvents(-1);
        }
        RecordLog(1, 1, got, InRing.get() + at, static_cast<std::uint32_t>(got));
        std::uint32_t next = at + static_cast<std::uint32_t>(got);
        InHead = next == InputRingSize ? 0 : next;
        InTotal += static_cast<std::uint32_t>(got);
        if (got > 0)
            InFull = InHead.load() == InTail;
        return static_cast<std::uint32_t>(got);
    };

    if (first > 0 && readPiece(first) < first)
        second = 0;
    if (second > 0)
        readPiece(second);
}

TSioResult TSioBaseDispatcher::PeekLocked(std::uint32_t n, std::uint8_t& byte) const {
    if (n == 0)
        return ecBadArgument;
    if (!InRing || Unread() < n)
        return ecBufferIsEmpty;
    byte = InRing[(InTail + n - 1) % InputRingSize];
    return ecOK;
}

TSioResult TSioBaseDispatcher::PeekAt(std::uint32_t n, std::uint8_t& byte) {
    std::lock_guard lock(InputLock);
    return PeekLocked(n, byte);
}

TSioResult TSioBaseDispatcher::TakeByte(std::uint8_t& byte) {
    TSioResult result;
    {
        std::lock_guard lock(InputLock);
        if (InNotify) {
            ++ReadAhead;
            result = PeekLocked(ReadAhead, byte);
            if (result < 0)
                --ReadAhead;
        } else {
            result = PeekLocked(1, byte);
            if (result == ecOK) {
                bool wasFull = InFull.load();
                InTail = (InTail + 1) % InputRingSize;
                InFull = false;
                if (wasFull)
                    InputRoomAvailable();
            }
        }
        if (result == ecOK && TraceOn.load()) {
            std::lock_guard state(StateLock);
            if (Trace.Recording())
                Trace.Record(TraceKindReceive, byte);
        }
    }
    return result;
}

std::uint32_t TSioBaseDispatcher::InputCount() {
    std::lock_guard lock(InputLock);
    std::uint32_t unread = Unread();
    return InNotify ? unread - std::min(unread, ReadAhead) : unread;
}

TSioResult TSioBaseDispatcher::PurgeInput() {
    std::lock_guard lock(InputLock);
    TSioResult result = PurgeDevice(1);
    if (InNotify) {
        MaxReadAhead = Unread();
    } else {
        InTail = InHead.load();
        ReadAhead = 0;
    }
    bool wasFull = InFull.exchange(false);
    if (wasFull)
        InputRoomAvailable();
    return result;
}
