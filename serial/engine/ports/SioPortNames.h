#pragma once
// Port numbers, their display names and their device files.
//
// Pure functions, any thread. DevicePath reads the environment variable QUORVANE_COM_DIR on
// every call: when set, port n is "$QUORVANE_COM_DIR/COM<n>"; otherwise COM1-16 are
// /dev/ttyS0-15, COM17-40 /dev/ttyUSB0-23, COM41-50 /dev/ttyACM0-9, and any other number has no
// device (an empty path).

#include <cstdint>
#include <string>

// The port numbers offered to the operator: the window's list and the port dialog.
inline constexpr std::uint16_t FirstPortNumber = 1;
inline constexpr std::uint16_t LastPortNumber = 50;

// "COM" followed by n in decimal.
std::string PortDisplayName(std::uint16_t n);
std::string DevicePath(std::uint16_t n);
