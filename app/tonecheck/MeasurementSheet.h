#pragma once
// The measurement sheet ("Messblatt") of one alarm as text: one row per element of the alarm in
// time order, each with its nominal and measured frequency and length, the deviation, the
// limits, what is wrong ("ok" when nothing) and what a receiver leaves in reserve; a code's
// "Sicherheit" row shows its margin in dB and "unsicher" when the decoder guessed it. The window
// and the report show the rows as a table; quorvane-tones --sheet prints them aligned.
//
// Pure; any thread.

#include "app/tonecheck/AlarmJudge.h"

#include <array>
#include <string>
#include <vector>

enum TSheetColumn {
    scElement,
    scSymbol,
    scNominalHz,
    scMeasuredHz,
    scDeviation,
    scFrequencyLimit,
    scNominalLength,
    scMeasuredLength,
    scLengthLimit,
    scResult,
    scReserve,
    scColumnCount
};

using TSheetRow = std::array<std::string, scColumnCount>;

// "Element", "Zeichen", "Soll", "Ist", "Abweichung", "Grenze", "Soll", "Ist", "Grenze",
// "Ergebnis", "Reserve".
const TSheetRow& SheetColumnTitles();

TSheetRow SheetRowOf(const TSheetLine& line);
std::vector<TSheetRow> SheetRows(const TAlarmJudgement& judgement);

// The title row, then one row per line, each column padded to its widest entry; then the
// receivers' verdict. Empty when the sheet has no line.
std::string SheetText(const TAlarmJudgement& judgement);
