#pragma once
// The report's rows from the test record: from the day's file, whose header says which columns
// it has, or from the window's rows in memory; and each row's measurement picture, when the
// day's picture folder holds one.
//
// Pure but for FindPictures, which asks the file system; any thread; never throws beyond
// std::bad_alloc.

#include "app/report/ReportModel.h"
#include "app/testrecord/TestRecordRow.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct TRecordRead {
    std::vector<TReportRow> Rows;
    // Lines that are not the record's: a wrong field count, a cut line, no date and time.
    std::vector<std::size_t> SkippedLines;
    std::string Error; // why the text is no test record at all; empty when it is one
};

TRecordRead ReadRecordRows(std::string_view csvText);

TReportRow ReportRowOf(const TTestRecordRow& row);
// A row from the record's columns as the window's list shows them, of the day `date`.
TReportRow ReportRowOfFields(std::string_view date, const TRecordFields& fields);

// Looks each row up in the picture folder of its day inside `folder`.
void FindPictures(std::vector<TReportRow>& rows, const std::filesystem::path& folder);
