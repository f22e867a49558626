// The output ring as the dispatcher's callers see it, and the device status read with it.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"
#include "serial/engine/trace/SioLogEntry.h"

TSioResult TSioBaseDispatcher::QueueBlock(const void* block, std::uint32_t length) {
    if (length == 0)
        return ecOK;
    const auto* bytes = static_cast<const std::uint8_t*>(block);
    std::int32_t written;
    TSioResult result = ecOK;
    std::uint32_t errorBits;
    {
        std::lock_guard lock(OutputLock_);
        errorBits = ReadErrorsAndUsage();
        std::uint32_t free = Output_.Allocated() ? OutSize_ - DeviceStatus_.OutQueue : 0;
        if (free < length) {
            std::lock_guard state(StateLock_);
            LineStatus_.SetErrors(errorBits);
            return ecOutputBufferTooSmall;
        }
        written = QueueOutput(bytes, length);
        OutputSinceOpen_ = true;
        if (written <= 0) {
            written = -written;
            result = ecPutBlockFail;
            errorBits = ReadErrorsAndUsage();
        }
    }
    std::lock_guard state(StateLock_);
    LineStatus_.SetErrors(errorBits);
    RecordLog(sltDispatch, slsWriteCom, written, written > 0 ? bytes : nullptr,
              static_cast<std::uint32_t>(written));
    RecordTrace(TraceKindTransmit, bytes, static_cast<std::uint32_t>(written));
    return result;
}

std::uint32_t TSioBaseDispatcher::ReadErrorsAndUsage() {
    const std::uint32_t bits = ReadDeviceErrors(DeviceStatus_);
    DeviceStatus_.OutQueue = Output_.Used();
    return bits;
}

TSioDeviceStatus TSioBaseDispatcher::RefreshLineErrors() {
    std::uint32_t bits;
    TSioDeviceStatus status;
    {
        std::lock_guard lock(OutputLock_);
        bits = ReadErrorsAndUsage();
        status = DeviceStatus_;
    }
    if (bits & 0x1F) {
        std::lock_guard lock(StateLock_);
        LineStatus_.AddErrors(bits);
    }
    return status;
}

std::uint32_t TSioBaseDispatcher::OutputUsed() {
    RefreshLineErrors();
    std::lock_guard lock(OutputLock_);
    return DeviceStatus_.OutQueue;
}

std::uint32_t TSioBaseDispatcher::OutputFree() {
    RefreshLineErrors();
    std::lock_guard lock(OutputLock_);
    return OutSize_ - DeviceStatus_.OutQueue;
}

TSioResult TSioBaseDispatcher::PurgeOutput() {
    return PurgeDevice(TSioPurgeTarget::Output);
}
