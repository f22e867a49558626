#pragma once
// The Prüfbericht as plain values: who tested what where, one row per alarm, the lines of the
// day's file that could not be read, and the texts the report derives from them (the summary,
// the German date, the note on skipped lines).
//
// Plain values and pure functions; any thread. Texts are UTF-8.

#include "app/tonecheck/MeasurementSheet.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The four fields the technician fills in.
struct TReportFields {
    std::string Pruefer;
    std::string Pruefling; // device number or name
    std::string Standort;
    std::string Bemerkung;
};

struct TReportRow {
    std::string Date; // "2026-12-07"
    std::string Time; // "14:05:09"
    std::string EncoderType;
    std::string Code;
    std::string PreTone;
    std::string AlarmType;
    std::string Replies;
    std::string Heard;
    std::string Verdict;      // "stimmt", "weicht ab", ...; empty when nothing was judged
    std::string Misses;       // what the verdict names, joined by ", "
    std::string Measurements; // measured values, when the record has them
    // Whether receivers in the field would react: "würden auslösen (Reserve 3,0 s)", "würden
    // nicht auslösen (…)"; empty when not judged or the record is older than the judgement.
    std::string Receivers;
    std::vector<TSheetRow> Sheet; // the measurement sheet's lines; none in older records
    std::string Picture;          // the measurement picture's path; empty when the row has none

    bool operator==(const TReportRow&) const = default;
};

struct TReport {
    TReportFields Fields;
    std::string Created; // "2026-12-07", the day the report is made
    std::vector<TReportRow> Rows;
    std::vector<std::size_t> SkippedLines; // lines of the day's file that are no record rows
};

// "Quorvane 1.1".
std::string ReportProgramName();

// "07.12.2026" for "2026-12-07"; any other text as it is.
std::string GermanDate(std::string_view isoDate);

// The day (or first and last day) the rows were tested on, in German form; `today` when there
// are no rows.
std::string ReportDate(const std::vector<TReportRow>& rows, std::string_view today);

// "12 Alarme: 10 stimmt, 1 weicht ab, 1 nichts gehört": each of the record's verdicts that
// occurs, in their usual order, then "sonstige" for any other text, rows without one last; then
// ReceiverSummary after "; " when it says anything.
std::string VerdictSummary(const std::vector<TReportRow>& rows);

// "Empfänger würden bei 11 auslösen, bei 1 nicht", "… bei 12 auslösen", "… bei keinem
// auslösen": of the rows with a receivers' text, those that start "würden auslösen", and the
// rest, so an edited text never counts as reacting. Empty when no row has one.
std::string ReceiverSummary(const std::vector<TReportRow>& rows);

// The report's own statement that rows of the file are missing from it; empty when none are.
std::string SkippedLinesNote(const std::vector<std::size_t>& lines);

// "4, 7, 9": the line numbers, a long list cut short with "…".
std::string LineList(const std::vector<std::size_t>& lines);

// The line for standard error about a row picture that could not be read.
std::string UnreadablePictureNote(std::string_view path, std::string_view why);
