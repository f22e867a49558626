#pragma once
// The day's record file as text, both ways: a row written as a line, and a file split back into
// its records. Fields are separated by ';' as German spreadsheets expect; a field goes in double
// quotes (inner ones doubled, line breaks kept) when it needs them, and an apostrophe guards a
// leading '=', '+', '-' or '@'; lines end in CR LF; the file starts with a byte-order mark.
//
// Pure; any thread; never throws beyond std::bad_alloc. Reading knows no column names: which
// records are rows is the caller's rule.

#include "app/testrecord/TestRecordRow.h"

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

// A field as a spreadsheet reads it back: in double quotes (inner ones doubled) when it holds a
// separator, quote, line break or leading or trailing blank; and with a leading apostrophe when
// it starts like a formula ('=', '+', '-', '@'), so opening the file never runs one.
std::string CsvField(std::string_view text);

// The header, then the line of a row: the date first, then the record's columns, then the
// measurement sheet and the step of a test plan's run.
std::string CsvHeaderLine();
std::string CsvLine(const TTestRecordRow& row);
