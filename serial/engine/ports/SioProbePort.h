#pragma once
// Whether a serial port of a given number can be offered to the operator.
//
// ProbePort opens the port's device exclusively for a moment through a temporary dispatcher
// (without owner, messenger or workers) and closes it at once. True when the port was free,
// is busy (held by another program, or by this one), or exists but this user may not open it;
// false for port 0 (nothing is touched) and for a port without a device. Any thread; takes
// RegistryLock briefly. Never throws for a missing or busy port.
//
// AvailablePorts probes FirstPortNumber to LastPortNumber afresh and returns those that pass,
// ascending: the ports that exist now.

#include <cstdint>
#include <vector>

bool ProbePort(std::uint16_t n);
std::vector<std::uint16_t> AvailablePorts();
