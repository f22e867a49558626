#pragma once
// The daily test record file "Pruefprotokoll-YYYY-MM-DD.csv" in the working folder: UTF-8 with
// a byte-order mark (so spreadsheets read the umlauts right), a header line, one line per row
// as RecordCsv.h writes them.
//
// Names plus one appending write; any thread, any number of writers.
// AppendRecordLine returns the system's reason when the file cannot be written; it never throws.

#include "app/testrecord/TestRecordRow.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file of the day `date` ("2026-12-07").
std::string RecordFileName(std::string_view date);

// Where rows that could not be written to the working folder are kept when the program ends:
// $XDG_STATE_HOME/quorvane, or ~/.local/state/quorvane when that is not set.
std::string UnsavedRecordFolder();

// Appends the row's line, starting a new file with the byte-order mark and the header. The file
// is locked (flock) while it is looked at and written, so of several writers only one heads a
// new file; the text goes in with one write, and what a short or failed write left is cut off
// again, so the file only ever holds whole lines. Returns the reason on failure, also when the
// name is taken by something other than a regular file, and when another program holds the lock
// for more than a few milliseconds; never blocks on a pipe or on a foreign lock.
std::optional<std::string> AppendRecordLine(const std::string& path, const TTestRecordRow& row);

// The rows of `rows` that could not be appended to `pathOf(row)`, in order.
std::vector<TTestRecordRow>
AppendRows(std::vector<TTestRecordRow> rows,
           const std::function<std::string(const TTestRecordRow&)>& pathOf);

// At the end of a program: the rows go to the working folder's day files, those that cannot to
// the same names in UnsavedRecordFolder() (said on stderr, after `program`); returns the rows
// that went nowhere.
std::vector<TTestRecordRow> SaveWhereverPossible(std::vector<TTestRecordRow> rows,
                                                 const std::string& program);
