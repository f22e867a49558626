#pragma once
// Names the dispatch log prints, looked up in the message table through ErrorText (an unknown
// row gives an empty name). Pure functions, callable from any thread.

#include <cstdint>
#include <string>

std::string LogTypeName(std::uint8_t type);
// Empty for subtype 0.
std::string LogSubtypeName(std::uint8_t subtype);
// The set bits 0 ... 7 of a modem status, lowest first, separated by single spaces.
std::string LogModemBitNames(std::int32_t value);
// Options 0 ... 42; empty for any other value.
std::string LogTelnetOptionName(std::int32_t option);
// "(Not active)" ... "(Output sent)" for the status-trigger kinds 0 ... 5; empty otherwise.
std::string LogTriggerKindName(std::uint8_t kind);
