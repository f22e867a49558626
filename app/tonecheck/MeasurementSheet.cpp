#include "app/tonecheck/MeasurementSheet.h"

#include "app/tonecheck/GermanNumbers.h"

#include <algorithm>
#include <cmath>

namespace {

// Lengths under a second read in milliseconds, as the norm gives a tone's length.
bool InMilliseconds(const TSheetValue& value) {
    return value.Nominal < 1.0;
}

std::string Length(double seconds, bool milliseconds) {
    return milliseconds ? GermanDecimal(seconds * 1000.0, 0) + " ms"
                        : GermanDecimal(seconds, 2) + " s";
}

std::string Limit(const TSheetValue& value, bool milliseconds) {
    switch (value.Limit) {
    case TSheetLimit::AtLeast:
        return "\u2265 " + Length(value.Nominal, milliseconds);
    case TSheetLimit::AtMost:
        return "\u2264 " + Length(value.Nominal, milliseconds);
    case TSheetLimit::PlusMinus:
        break;
    }
    return "\u00B1" + Length(value.Tolerance, milliseconds);
}

// UTF-8 characters, for padding columns that hold "±", "≥" and umlauts.
std::size_t Characters(const std::string& text) {
    return static_cast<std::size_t>(std::ranges::count_if(
        text, [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

} // namespace

const TSheetRow& SheetColumnTitles() {
    static const TSheetRow titles{"Element",    "Zeichen",  "Soll",   "Ist",
                                  "Abweichung", "Grenze",   "Soll",   "Ist",
                                  "Grenze",     "Ergebnis", "Reserve"};
    return titles;
}

TSheetRow SheetRowOf(const TSheetLine& line) {
    TSheetRow row;
    row[scElement] = line.Element;
    if (line.Symbol != 0)
        row[scSymbol] = std::string(1, line.Symbol);
    if (const auto& hz = line.Frequency) {
        row[scNominalHz] = GermanDecimal(hz->Nominal, 1) + " Hz";
        row[scMeasuredHz] = GermanDecimal(hz->Measured, 1) + " Hz";
        const double off = hz->Measured - hz->Nominal;
        row[scDeviation] =
            GermanSigned(off, 1) + " Hz (" + GermanSigned(off / hz->Nominal * 100.0, 2) + " %)";
        row[scFrequencyLimit] = "\u00B1" + GermanDecimal(hz->Tolerance, 1) + " Hz";
    }
    if (const auto& length = line.Length) {
        const bool milliseconds = InMilliseconds(*length);
        row[scNominalLength] = Length(length->Nominal, milliseconds);
        row[scMeasuredLength] = Length(length->Measured, milliseconds);
        row[scLengthLimit] = Limit(*length, milliseconds);
    }
    if (line.LevelDifferenceDb)
        row[scMeasuredHz] = GermanSigned(*line.LevelDifferenceDb, 1) + " dB";
    if (line.ConfidenceDb)
        row[scMeasuredHz] = GermanDecimal(*line.ConfidenceDb, 1) + " dB";
    std::string result;
    for (const std::string& miss : line.Misses)
        result += (result.empty() ? "" : ", ") + miss;
    row[scResult] = result.empty() ? "ok" : result;
    if (line.Reserve)
        row[scReserve] = ReserveText(*line.Reserve);
    return row;
}

std::vector<TSheetRow> SheetRows(const TAlarmJudgement& judgement) {
    std::vector<TSheetRow> rows;
    for (const TSheetLine& line : judgement.Sheet)
        rows.push_back(SheetRowOf(line));
    return rows;
}

std::string SheetText(const TAlarmJudgement& judgement) {
    if (judgement.Sheet.empty())
        return {};
    std::vector<TSheetRow> rows{SheetColumnTitles()};
    for (TSheetRow& row : SheetRows(judgement))
        rows.push_back(std::move(row));
    std::array<std::size_t, scColumnCount> widths{};
    for (const TSheetRow& row : rows)
        for (std::size_t column = 0; column < scColumnCount; ++column)
            widths[column] = std::max(widths[column], Characters(row[column]));
    std::string text;
    for (const TSheetRow& row : rows) {
        std::string line;
        for (std::size_t column = 0; column < scColumnCount; ++column)
            line += row[column] + std::string(widths[column] - Characters(row[column]) + 2, ' ');
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
    }
    if (const std::string receivers = ReceiverText(judgement.Receivers); !receivers.empty())
        text += "Empfänger " + receivers + "\n";
    return text;
}
