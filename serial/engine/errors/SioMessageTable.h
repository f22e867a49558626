#pragma once
// The serial layer's message table.
//
// One constant table of (code, text) rows, sorted strictly ascending by the magnitude of the
// code, with no two rows sharing a magnitude. It holds the layer's error texts (negative codes)
// and the names the dispatch log prints (positive codes 15001 ... 15742). Rows for what this layer
// never does (telnet, fax, file transfer, modems) stay: their codes belong to the layer's
// contract, and ErrorText must name whatever code a caller holds. The table is built at compile
// time and never changes, so any thread may read it without a lock.

#include "serial/engine/errors/SioResultCodes.h"

#include <span>
#include <string_view>

struct TSioMessageRow {
    TSioResult Code;
    std::string_view Text;
};

// Every row, in ascending order of magnitude.
std::span<const TSioMessageRow> MessageTable();

// The text of the row whose code has this magnitude, cut to 255 characters; empty when no row
// has it. A binary search over the magnitudes.
std::string_view MessageTableText(int magnitude);

// Dispatch-log name rows.
inline constexpr TSioResult mtTypeNameBase = 15001;    // + type 0 ... 20
inline constexpr TSioResult mtSubTypeNameBase = 15100; // + subtype 1 ... 19
inline constexpr TSioResult mtLogHeading = 15501;
inline constexpr TSioResult mtLogHeadingRule = 15502;
inline constexpr TSioResult mtModemBitNameBase = 15601; // + bit 0 ... 7
inline constexpr TSioResult mtTelnetOptionBase = 15700; // + option 0 ... 42
