#include "serial/engine/dispatcher/SioDispatcherRecorders.h"

#include "serial/engine/trace/SioClock.h"

void TSioDispatcherRecorders::SetPortName(const std::string& name) {
    std::lock_guard lock(Lock_);
    Log_.SetDeviceName(name);
}

std::string TSioDispatcherRecorders::PortName() {
    std::lock_guard lock(Lock_);
    return Log_.DeviceName();
}

void TSioDispatcherRecorders::ResetRecorders() {
    std::lock_guard lock(Lock_);
    TraceRecorder_.Discard();
    LogRecorder_.Discard();
    Log_.SetStartTime(SioMilliseconds());
}

void TSioDispatcherRecorders::RecordTrace(char kind, const std::uint8_t* bytes,
                                          std::uint32_t count) {
    if (!Trace_.Recording())
        return;
    for (std::uint32_t i = 0; i < count; ++i)
        Trace_.Record(kind, bytes[i]);
}

void TSioDispatcherRecorders::RecordLog(std::uint8_t type, std::uint8_t subtype, std::int32_t value,
                                        const std::uint8_t* data, std::uint32_t count) {
    if (!LogRecorder_.On())
        return;
    std::lock_guard lock(Lock_);
    Log_.Record(type, subtype, value, data, count);
}
