#pragma once
// The component's ports as the operator meets them: their numbers and display names, whether a
// port can be offered (ProbePort), and the list of those that exist now, as "COM<n>" entries.
//
// GUI thread only for AvailablePortEntries (it probes every port, a short exclusive open each);
// the engine's functions it offers may be called from any thread.

#include "serial/engine/ports/SioPortNames.h"
#include "serial/engine/ports/SioProbePort.h"

#include <QStringList>

// PortDisplayName of each of AvailablePorts(), ascending.
QStringList AvailablePortEntries();
