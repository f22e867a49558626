#pragma once
// The report's rows from the test record: from the day's file, whose header says which columns
// it has (a file of an older version lacks the later ones, the receivers' verdict and the
// measurement sheet among them), or from the window's rows in memory; and each row's measurement
// picture, when the day's picture folder holds one.
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

// A row the window holds, its measurement sheet taken from its judgement.
TReportRow ReportRowOf(const TTestRecordRow& row);

// Looks each row up in the picture folder of its day inside `folder`.
void FindPictures(std::vector<TReportRow>& rows, const std::filesystem::path& folder);
