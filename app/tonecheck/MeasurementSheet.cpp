#include "app/tonecheck/MeasurementSheet.h"

#include "app/tonecheck/GermanNumbers.h"

#include <algorithm>
#include <cmath>

namespace {

// Lengths under a second read in milliseconds, as the norm gives a tone's length.
bool InMilliseconds(const SheetValue& value) {
    return value.nominal < 1.0;
}

std::string Length(double seconds, bool milliseconds) {
    return milliseconds ? GermanDecimal(seconds * 1000.0, 0) + " ms"
                        : GermanDecimal(seconds, 2) + " s";
}

std::string Limit(const SheetValue& value, bool milliseconds) {
    switch (value.limit) {
    case SheetLimit::AtLeast:
        return "\u2265 " + Length(value.nominal, milliseconds);
    case SheetLimit::AtMost:
        return "\u2264 " + Length(value.nominal, milliseconds);
    case SheetLimit::PlusMinus:
        break;
    }
    return "\u00B1" + Length(value.tolerance, milliseconds);
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

TSheetRow SheetRowOf(const SheetLine& line) {
    TSheetRow row;
    row[scElement] = line.element;
    if (line.symbol != 0)
        row[scSymbol] = std::string(1, line.symbol);
    if (const auto& hz = line.frequency) {
        row[scNominalHz] = GermanDecimal(hz->nominal, 1) + " Hz";
        row[scMeasuredHz] = GermanDecimal(hz->measured, 1) + " Hz";
        const double off = hz->measured - hz->nominal;
        row[scDeviation] =
            GermanSigned(off, 1) + " Hz (" + GermanSigned(off / hz->nominal * 100.0, 2) + " %)";
        row[scFrequencyLimit] = "\u00B1" + GermanDecimal(hz->tolerance, 1) + " Hz";
    }
    if (const auto& length = line.length) {
        const bool milliseconds = InMilliseconds(*length);
        row[scNominalLength] = Length(length->nominal, milliseconds);
        row[scMeasuredLength] = Length(length->measured, milliseconds);
        row[scLengthLimit] = Limit(*length, milliseconds);
    }
    if (line.levelDifferenceDb)
        row[scMeasuredHz] = GermanSigned(*line.levelDifferenceDb, 1) + " dB";
    std::string result;
    for (const std::string& miss : line.misses)
        result += (result.empty() ? "" : ", ") + miss;
    row[scResult] = result.empty() ? "ok" : result;
    if (line.reserve)
        row[scReserve] = ReserveText(*line.reserve);
    return row;
}

std::vector<TSheetRow> SheetRows(const AlarmJudgement& judgement) {
    std::vector<TSheetRow> rows;
    for (const SheetLine& line : judgement.sheet)
        rows.push_back(SheetRowOf(line));
    return rows;
}

std::string SheetText(const AlarmJudgement& judgement) {
    if (judgement.sheet.empty())
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
    if (const std::string receivers = ReceiverText(judgement.receivers); !receivers.empty())
        text += "Empfänger " + receivers + "\n";
    return text;
}
