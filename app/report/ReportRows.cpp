#include "app/report/ReportRows.h"

#include "app/testrecord/RecordCsv.h"
#include "app/testrecord/RecordPicture.h"

#include <algorithm>
#include <array>
#include <optional>

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
        {titles[rcMisses], &TReportRow::Misses},
        {titles[rcMeasured], &TReportRow::Measurements},
        {titles[rcReceivers], &TReportRow::Receivers},
    };
    return fields;
}

// Without a row's date, time and code the report could not say which alarm it was.
constexpr std::array<std::string_view, 4> RequiredTitles{"Datum", "Zeit", "Code", "Ergebnis"};

std::optional<std::size_t> ColumnOf(const std::vector<std::string>& columns,
                                    std::string_view title) {
    if (const auto at = std::find(columns.begin(), columns.end(), title); at != columns.end())
        return static_cast<std::size_t>(at - columns.begin());
    return std::nullopt;
}

// Where each row field stands in a record of these columns, if at all.
struct TColumnMap {
    std::vector<std::pair<TRowField, std::size_t>> Texts;
    std::optional<std::size_t> Sheet;
};

TColumnMap MapColumns(const std::vector<std::string>& columns) {
    TColumnMap map;
    for (const TColumnField& field : ColumnFields())
        if (const auto at = ColumnOf(columns, field.Title))
            map.Texts.emplace_back(field.Field, *at);
    map.Sheet = ColumnOf(columns, SheetColumnTitle);
    return map;
}

bool IsRecordHeader(const TCsvRecord& record) {
    const std::vector<std::string>& columns = record.Fields;
    return record.Whole &&
           std::all_of(RequiredTitles.begin(), RequiredTitles.end(),
                       [&](std::string_view title) { return ColumnOf(columns, title); });
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
    for (const auto& [field, column] : map.Texts)
        row.*field = fields[column];
    if (map.Sheet)
        row.Sheet = SheetOfField(fields[*map.Sheet]);
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
    TRecordFields fields = RecordFields(row);
    TReportRow report{.Date = row.Alarm.Date,
                      .Time = std::move(fields[rcTime]),
                      .EncoderType = std::move(fields[rcEncoderType]),
                      .Code = std::move(fields[rcCode]),
                      .PreTone = std::move(fields[rcPreTone]),
                      .AlarmType = std::move(fields[rcAlarmType]),
                      .Replies = std::move(fields[rcReplies]),
                      .Heard = std::move(fields[rcHeard]),
                      .Verdict = std::move(fields[rcVerdict]),
                      .Misses = std::move(fields[rcMisses]),
                      .Measurements = std::move(fields[rcMeasured]),
                      .Receivers = std::move(fields[rcReceivers]),
                      .Sheet = row.Judgement ? SheetRows(*row.Judgement) : std::vector<TSheetRow>{},
                      .Picture = {}};
    SplitVerdict(report);
    return report;
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
