#include "serial/engine/ports/SioProbePort.h"

#include "serial/engine/ports/SioOpenFailure.h"
#include "serial/engine/ports/SioPortNames.h"
#include "serial/engine/posix/SioPosixDispatcher.h"

bool ProbePort(std::uint16_t n) {
    if (n == 0)
        return false;
    std::string path = DevicePath(n);
    if (path.empty())
        return false;
    TSioPosixDispatcher dispatcher(nullptr, nullptr);
    std::int32_t handle = dispatcher.ProbeOpen(path);
    if (handle >= 0) {
        dispatcher.ProbeClose();
        return true;
    }
    TSioOpenFailure failure = ClassifyOpenResult(handle);
    return failure == TSioOpenFailure::Busy || failure == TSioOpenFailure::NoPermission;
}

std::vector<std::uint16_t> AvailablePorts() {
    std::vector<std::uint16_t> ports;
    for (std::uint16_t n = FirstPortNumber; n <= LastPortNumber; ++n)
        if (ProbePort(n))
            ports.push_back(n);
    return ports;
}
