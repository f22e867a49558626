#include "serial/component/SioPortList.h"

QStringList AvailablePortEntries() {
    QStringList entries;
    for (const std::uint16_t port : AvailablePorts())
        entries << QString::fromStdString(PortDisplayName(port));
    return entries;
}
