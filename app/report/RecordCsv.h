#pragma once
// A day's record file split back into its records: the inverse of the record's CsvField and
// line format (byte-order mark, ';' between fields, fields in double quotes with inner quotes
// doubled and line breaks kept, an apostrophe guarding a leading '=', '+', '-' or '@').
//
// Pure; any thread; never throws beyond std::bad_alloc. It knows no column names: which
// records are rows is the caller's rule.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TCsvRecord {
    std::size_t Line = 0; // the physical line it starts on, counted from 1
    std::vector<std::string> Fields;
    // False for a cut line: a quote opened there is still open at the end of the text, or
    // spans line breaks into a record without the header's field count. Only that one physical
    // line is lost (with no fields); the next line starts a record of its own.
    bool Whole = true;
};

// Every record of the text, the header (the first) included and blank lines left out. Lines
// may end in CR LF, LF or CR alone.
std::vector<TCsvRecord> SplitCsvRecords(std::string_view text);
