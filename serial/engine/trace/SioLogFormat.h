#pragma once
// The dispatch log's text: seven header lines, then one line per entry (wrapped lines continue
// under the data column), every line ending in CR LF.
//
// An entry line starts with a 44-character prefix: the time, the type and subtype names, the
// data value in eight uppercase hex digits. Then, by entry: the telnet option name for a type-10
// entry without data, the status-trigger kind, or the data bytes as trace items wrapped at
// column 78; a modem-status entry appends the names of its set bits. Pure functions that only
// write to their sink; callable from any thread.

#include "serial/engine/trace/SioLogEntry.h"
#include "serial/engine/trace/SioTextFile.h"

#include <cstdint>
#include <ctime>
#include <span>
#include <string>

inline constexpr unsigned SioLogPrefixWidth = 44;

// At least seven digits with a "." before the last three: 12 gives "0000.012".
std::string LogTimeText(std::uint32_t ms);

void WriteLogHeader(ISioTextSink& sink, const std::string& osDescription,
                    const std::string& deviceName, const std::tm& localTime);

void WriteLogEntry(ISioTextSink& sink, const TSioLogHeader& header,
                   std::span<const std::uint8_t> data, bool hex, bool allHex);
