#include "app/report/ReportModel.h"

#include <algorithm>
#include <array>

namespace {

// The summary's words in the order a reader expects them: the record's own verdicts, then
// "sonstige" for a verdict that is not exactly one of them (an edited file, an invisible mark
// after "stimmt") rather than passing it off as one, then the rows without a verdict.
constexpr std::array<std::string_view, 7> SummaryWords{
    "stimmt",    "weicht ab", "nichts gehört", "nicht gesendet",
    "kein Code", "sonstige",  "ohne Ergebnis"};
constexpr std::size_t OtherSlot = 5;
constexpr std::size_t NoVerdictSlot = 6;
constexpr std::size_t ListedLines = 20;
constexpr std::string_view ReactingWords{"würden auslösen"};

bool IsoDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == '-' || (c >= '0' && c <= '9'); });
}

} // namespace

std::string ReportProgramName() {
    return "Quorvane " QUORVANE_VERSION;
}

std::string GermanDate(std::string_view isoDate) {
    if (!IsoDate(isoDate))
        return std::string(isoDate);
    return std::string(isoDate.substr(8, 2)) + "." + std::string(isoDate.substr(5, 2)) + "." +
           std::string(isoDate.substr(0, 4));
}

std::string ReportDate(const std::vector<TReportRow>& rows, std::string_view today) {
    if (rows.empty())
        return GermanDate(today);
    const auto [first, last] = std::minmax_element(
        rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.Date < b.Date; });
    if (first->Date == last->Date)
        return GermanDate(first->Date);
    return GermanDate(first->Date) + " bis " + GermanDate(last->Date);
}

std::string VerdictSummary(const std::vector<TReportRow>& rows) {
    std::array<std::size_t, SummaryWords.size()> counts{};
    for (const TReportRow& row : rows) {
        const auto ownEnd = SummaryWords.begin() + OtherSlot;
        const auto word = std::find(SummaryWords.begin(), ownEnd, row.Verdict);
        ++counts[row.Verdict.empty() ? NoVerdictSlot
                                     : static_cast<std::size_t>(word - SummaryWords.begin())];
    }

    std::string summary = std::to_string(rows.size()) + (rows.size() == 1 ? " Alarm" : " Alarme");
    const char* separator = ": ";
    for (std::size_t slot = 0; slot < counts.size(); ++slot) {
        if (counts[slot] == 0)
            continue;
        summary += separator + std::to_string(counts[slot]) + " " + std::string(SummaryWords[slot]);
        separator = ", ";
    }
    if (const std::string receivers = ReceiverSummary(rows); !receivers.empty())
        summary += "; " + receivers;
    return summary;
}

std::string ReceiverSummary(const std::vector<TReportRow>& rows) {
    std::size_t react = 0;
    std::size_t judged = 0;
    for (const TReportRow& row : rows) {
        judged += row.Receivers.empty() ? 0 : 1;
        react += row.Receivers.starts_with(ReactingWords) ? 1 : 0;
    }
    if (judged == 0)
        return {};
    std::string summary = "Empfänger würden bei ";
    if (react == 0)
        return summary + "keinem auslösen";
    summary += std::to_string(react) + " auslösen";
    if (judged > react)
        summary += ", bei " + std::to_string(judged - react) + " nicht";
    return summary;
}

std::string LineList(const std::vector<std::size_t>& lines) {
    std::string list;
    for (std::size_t i = 0; i < std::min(lines.size(), ListedLines); ++i)
        list += (i == 0 ? "" : ", ") + std::to_string(lines[i]);
    if (lines.size() > ListedLines)
        list += ", …";
    return list;
}

std::string SkippedLinesNote(const std::vector<std::size_t>& lines) {
    if (lines.empty())
        return {};
    const bool one = lines.size() == 1;
    return std::to_string(lines.size()) + (one ? " Zeile" : " Zeilen") + " der Protokolldatei " +
           (one ? "ist keine Zeile" : "sind keine Zeilen") + " des Prüfprotokolls und " +
           (one ? "fehlt" : "fehlen") + " in diesem Bericht (" + (one ? "Zeile " : "Zeilen ") +
           LineList(lines) + ").";
}

std::string UnreadablePictureNote(std::string_view path, std::string_view why) {
    return "cannot read the picture " + std::string(path) + " (" + std::string(why) +
           "); the report says \"Bild nicht lesbar\" in its place";
}
