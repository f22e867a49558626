#pragma once
// Rate codes and the pause a line change allows for characters still on the wire.
// Pure functions, any thread.

#include "serial/engine/dispatcher/SioLineSettings.h"

#include <cstdint>

// 0xFEFF is 115200; 0xFF10 ... 0xFF27 are the legacy rate indices; any other value is a rate.
std::uint32_t NormaliseRate(std::uint32_t code);

// The time of 18 characters of the given format at the given rate (doubled when under 1 ms),
// in whole milliseconds rounded up: 150 at 1200 baud 8N1.
std::uint32_t DrainDelayMs(const TSioLineSettings& settings, std::uint32_t rate);
