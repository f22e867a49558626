// The dispatch log's entries and the port's name, guarded by StateLock.
#include "serial/engine/dispatcher/SioBaseDispatcher.h"

void TSioBaseDispatcher::RecordLog(std::uint8_t type, std::uint8_t subtype, std::int32_t value,
                                   const std::uint8_t* data, std::uint32_t count) {
    if (!Recorders_.LogRecorder.On())
        return;
    std::lock_guard lock(StateLock_);
    Recorders_.Log.Record(type, subtype, value, data, count);
}

void TSioBaseDispatcher::SetPortName(const std::string& name) {
    std::lock_guard lock(StateLock_);
    Recorders_.Log.SetDeviceName(name);
}

std::string TSioBaseDispatcher::PortName() {
    std::lock_guard lock(StateLock_);
    return Recorders_.Log.DeviceName();
}
