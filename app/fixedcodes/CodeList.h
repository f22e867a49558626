#pragma once
// The fixed code list as bytes: how the content of "Tonfolgen.txt" splits into entries, and the
// entries the window offers when the file cannot be read.
//
// Pure functions, no I/O; any thread may call them. Entries are 8-bit byte strings, never
// re-encoded, trimmed or checked.

#include <string>
#include <string_view>
#include <vector>

// One entry per line. A line ends at CR LF, a lone CR or a lone LF; a break at the very end adds
// no empty entry, empty lines give empty entries, and a NUL byte ends the content.
std::vector<std::string> SplitCodeList(std::string_view content);

// The eleven entries stored with the window: "@62380@" to "@62390@".
const std::vector<std::string>& StoredFixedCodes();
