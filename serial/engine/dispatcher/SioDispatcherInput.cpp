// The input ring as the dispatcher's callers see it: filling it from the device, taking bytes out.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"
#include "serial/engine/trace/SioLogEntry.h"

void TSioBaseDispatcher::FillInput() {
    std::lock_guard lock(InputLock_);
    if (!Input_.Allocated())
        return;
    RefreshLineErrors();
    // The reads themselves tell how much was waiting: a piece that comes back short has
    // emptied the device, so no separate query is needed.
    for (int piece = 0; piece < 2; ++piece) {
        const std::span<std::uint8_t> room = Input_.FreePiece();
        if (room.empty())
            return;
        const auto wanted = static_cast<std::uint32_t>(room.size());
        std::int32_t got = ReadDevice(room.data(), wanted);
        if (got < 0) {
            got = 0;
            AcknowledgeDeviceEvents(-1);
        }
        // A read that found nothing is no event: logging it would push the useful entries out.
        if (got > 0)
            RecordLog(sltDispatch, slsReadCom, got, room.data(), static_cast<std::uint32_t>(got));
        Input_.Produced(static_cast<std::uint32_t>(got));
        if (static_cast<std::uint32_t>(got) < wanted)
            return;
    }
}

TSioResult TSioBaseDispatcher::PeekAt(std::uint32_t n, std::uint8_t& byte) {
    if (n == 0)
        return ecBadArgument;
    ReaderWanted();
    return Input_.PeekAt(n, byte) ? ecOK : ecBufferIsEmpty;
}

TSioResult TSioBaseDispatcher::TakeByteSlow(std::uint8_t& byte) {
    std::uint8_t taken[1];
    if (TakeBlock(taken, 1) == 0)
        return ecBufferIsEmpty;
    byte = taken[0];
    return ecOK;
}

std::uint32_t TSioBaseDispatcher::PeekBlock(std::uint8_t* buffer, std::uint32_t size) {
    ReaderWanted();
    return Input_.Peek(buffer, size);
}

std::uint32_t TSioBaseDispatcher::TakeBlock(std::uint8_t* buffer, std::uint32_t size) {
    ReaderWanted();
    const std::uint32_t count = Input_.Take(buffer, size);
    if (count > 0 && TraceOn()) {
        std::lock_guard state(StateLock_);
        RecordTrace(TraceKindReceive, buffer, count);
    }
    return count;
}

std::uint32_t TSioBaseDispatcher::InputCount() {
    ReaderWanted();
    return Input_.Count();
}

TSioResult TSioBaseDispatcher::PurgeInput() {
    std::lock_guard lock(InputLock_);
    TSioResult result = PurgeDevice(TSioPurgeTarget::Input);
    Input_.Purge();
    return result;
}
