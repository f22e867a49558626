// The port's data calls: queueing bytes for output and taking received ones, each straight to
// the open dispatcher (opening first where AutoOpen allows). Owning thread only; the dispatcher
// takes its own locks.

#include "serial/component/SioComPort.h"
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

void TSioCustomComPort::WriteString(const std::string& Data) {
    if (LinkState_ == lsClosing || Opening_ || Data.empty())
        return;
    Check(RequireDispatcher().QueueBlock(Data.data(), static_cast<std::uint32_t>(Data.size())));
}

std::uint8_t TSioCustomComPort::ReadChar() {
    if (LinkState_ == lsClosing || Opening_)
        return 0;
    // Called once per byte: an open port goes straight to its dispatcher.
    TSioBaseDispatcher& dispatcher = Dispatcher_ ? *Dispatcher_ : RequireDispatcher();
    std::uint8_t byte = 0;
    if (const TSioResult result = dispatcher.TakeByte(byte); result != ecOK)
        Check(result);
    return byte;
}

std::uint32_t TSioCustomComPort::GetBlock(void* buffer, std::uint32_t size) {
    if (LinkState_ == lsClosing || Opening_ || size == 0)
        return 0;
    TSioBaseDispatcher& dispatcher = Dispatcher_ ? *Dispatcher_ : RequireDispatcher();
    return dispatcher.TakeBlock(static_cast<std::uint8_t*>(buffer), size);
}

std::uint32_t TSioCustomComPort::PeekBlock(void* buffer, std::uint32_t size) {
    if (LinkState_ == lsClosing || Opening_ || size == 0)
        return 0;
    return RequireDispatcher().PeekBlock(static_cast<std::uint8_t*>(buffer), size);
}
