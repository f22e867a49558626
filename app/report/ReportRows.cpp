#include "app/report/ReportRows.h"

#include "app/report/RecordCsv.h"
#include "app/testrecord/RecordPicture.h"

#include <algorithm>
#include <array>

namespace {

using TRowField = std::string TReportRow::*;

struct TColumnField {
    std::string_view Title;
    TRowField Field;
};

// The record's columns the report shows; a file may lack the later ones.
const std::vector<TColumnField>& ColumnFields() {
    const TRecordFields& titles = RecordColumnTitles();
    static const std::vector<TColumnField> fields{
        {"Datum", &TReportRow::Date},
        {titles[rcTime], &TReportRow::Time},
        {titles[rcEncoderType], &TReportRow::EncoderType},
        {titles[rcCode], &TReportRow::Code},
        {titles[rcPreTone], &TReportRow::PreTone},
        {titles[rcAlarmType], &TReportRow::AlarmType},
        {titles[rcReplies], &TReportRow::Replies},
        {titles[rcHeard], &TReportRow::Heard},
        {titles[rcVerdict], &TReportRow::Verdict},
        {"Abweichungen", &TReportRow::Misses},
        {"Messwerte", &TReportRow::Measurements},
    };
    return fields;
}

// Without a row's date, time and code the report could not say which alarm it was.
constexpr std::array<std::string_view, 4> RequiredTitles{"Datum", "Zeit", "Code", "Ergebnis"};

// Where each row field stands in a record of these columns, if at all.
using TColumnMap = std::vector<std::pair<TRowField, std::size_t>>;

TColumnMap MapColumns(const std::vector<std::string>& columns) {
    TColumnMap map;
    for (const TColumnField& field : ColumnFields())
        if (const auto at = std::find(columns.begin(), columns.end(), field.Title);
            at != columns.end())
            map.emplace_back(field.Field, static_cast<std::size_t>(at - columns.begin()));
    return map;
}

bool IsRecordHeader(const TCsvRecord& record) {
    const std::vector<std::string>& columns = record.Fields;
    return record.Whole &&
           std::all_of(RequiredTitles.begin(), RequiredTitles.end(), [&](std::string_view title) {
               return std::find(columns.begin(), columns.end(), title) != columns.end();
           });
}

bool Digits(std::string_view text, std::string_view pattern) {
    if (text.size() != pattern.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (pattern[i] == '9' ? (text[i] < '0' || text[i] > '9') : text[i] != pattern[i])
            return false;
    return true;
}

// Older records name the misses inside the verdict: "weicht ab (Stelle 3: 8 statt 3)".
void SplitVerdict(TReportRow& row) {
    const std::size_t open = row.Verdict.find(" (");
    if (open == std::string::npos || !row.Verdict.ends_with(')'))
        return;
    if (row.Misses.empty())
        row.Misses = row.Verdict.substr(open + 2, row.Verdict.size() - open - 3);
    row.Verdict.resize(open);
}

TReportRow RowOf(const TColumnMap& map, const std::vector<std::string>& fields) {
    TReportRow row;
    for (const auto& [field, column] : map)
        row.*field = fields[column];
    SplitVerdict(row);
    return row;
}

} // namespace

TRecordRead ReadRecordRows(std::string_view csvText) {
    const std::vector<TCsvRecord> records = SplitCsvRecords(csvText);
    TRecordRead read;
    if (records.empty() || !IsRecordHeader(records.front())) {
        read.Error = "not a test record: its first line is no header with the columns Datum, "
                     "Zeit, Code and Ergebnis";
        return read;
    }
    const std::vector<std::string>& columns = records.front().Fields;
    const TColumnMap map = MapColumns(columns);
    for (auto record = records.begin() + 1; record != records.end(); ++record) {
        if (record->Whole && record->Fields.size() == columns.size()) {
            TReportRow row = RowOf(map, record->Fields);
            if (Digits(row.Date, "9999-99-99") && Digits(row.Time, "99:99:99")) {
                read.Rows.push_back(std::move(row));
                continue;
            }
        }
        read.SkippedLines.push_back(record->Line);
    }
    return read;
}

TReportRow ReportRowOf(const TTestRecordRow& row) {
    return ReportRowOfFields(row.Alarm.Date, RecordFields(row));
}

TReportRow ReportRowOfFields(std::string_view date, const TRecordFields& values) {
    std::vector<std::string> columns{"Datum"};
    std::vector<std::string> fields{std::string(date)};
    const TRecordFields& titles = RecordColumnTitles();
    columns.insert(columns.end(), titles.begin(), titles.end());
    fields.insert(fields.end(), values.begin(), values.end());
    return RowOf(MapColumns(columns), fields);
}

void FindPictures(std::vector<TReportRow>& rows, const std::filesystem::path& folder) {
    for (TReportRow& row : rows) {
        const std::filesystem::path picture =
            folder / RecordPictureFolder(row.Date) / RecordPictureFileName(row.Time, row.Code);
        std::error_code error;
        if (std::filesystem::is_regular_file(picture, error))
            row.Picture = picture.string();
    }
}
