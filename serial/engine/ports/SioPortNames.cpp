#include "serial/engine/ports/SioPortNames.h"

#include <cstdlib>

namespace {

struct TDeviceRange {
    std::uint16_t First;
    std::uint16_t Last;
    const char* Prefix;
};

// Fixed, so a port number always means the same device.
constexpr TDeviceRange DeviceRanges[] = {
    {1, 16, "/dev/ttyS"}, {17, 40, "/dev/ttyUSB"}, {41, 50, "/dev/ttyACM"}};

} // namespace

std::string PortDisplayName(std::uint16_t n) {
    return "COM" + std::to_string(n);
}

std::string DevicePath(std::uint16_t n) {
    if (const char* folder = std::getenv("QUORVANE_COM_DIR"); folder != nullptr && *folder != 0)
        return std::string(folder) + "/COM" + std::to_string(n);
    for (const TDeviceRange& range : DeviceRanges)
        if (n >= range.First && n <= range.Last)
            return range.Prefix + std::to_string(n - range.First);
    return {};
}
