// The report's rules: the day's file read back as the record writes it, the lines that are not
// the record's, the verdict summary, dates and notes, the picture names, and how blocks fall
// onto pages.

#include "app/report/ReportPages.h"
#include "app/report/ReportRows.h"
#include "app/testrecord/RecordFile.h"
#include "app/testrecord/RecordPicture.h"
#include "tests/app/report/ReportTestTools.h"

#include <gtest/gtest.h>

namespace {

// "codes read | lines skipped", or the error.
std::string Outcome(const TRecordRead& read) {
    if (!read.Error.empty())
        return "error";
    std::string outcome;
    for (const TReportRow& row : read.Rows)
        outcome += (outcome.empty() ? "" : ",") + row.Code;
    return outcome + " | " + LineList(read.SkippedLines);
}

TEST(ReportRowsTest, ReadsBackWhatTheRecordWrites) {
    // Fields that need the record's quoting and formula guard, through the record's own writer.
    const std::vector<TTestRecordRow> rows{RecordRow(1, "=1+2", Differs("Stelle 3: 8 statt 3")),
                                           RecordRow(2, "@62;\"80@", NothingHeard()),
                                           RecordRow(3, "-5\r\nx ")};
    std::string file = "\xEF\xBB\xBF" + CsvHeaderLine();
    std::vector<TReportRow> expected;
    for (const TTestRecordRow& row : rows) {
        file += CsvLine(row);
        expected.push_back(ReportRowOf(row));
    }
    EXPECT_EQ(ReadRecordRows(file).Rows, expected);
}

TEST(ReportRowsTest, SkipsAndCountsLinesThatAreNotTheRecords) {
    const std::string head = "Datum;Zeit;Code;Ergebnis\r\n";
    const auto line = [](int second, const char* code) {
        return "2026-12-07;14:00:0" + std::to_string(second) + ";" + code + ";stimmt\r\n";
    };
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"plain", head + line(0, "1") + line(1, "2"), "1,2 | "},
        {"one field short", head + "2026-12-07;14:00:00;1\r\n" + line(1, "2"), "2 | 2"},
        {"one field more", head + line(0, "1;x") + line(1, "2"), "2 | 2"},
        {"cut last line", head + line(0, "1") + "2026-12-07;14:00:01;\"12", "1 | 3"},
        {"cut line inside", head + "2026-12-07;14:00:00;\"1\r\n" + line(1, "2") + line(2, "3"),
         "2,3 | 2"},
        {"quoted line break", head + "2026-12-07;14:00:00;\"1\n2\";\r\n" + line(1, "3"),
         "1\n2,3 | "},
        {"header again", head + line(0, "1") + head + line(1, "2"), "1,2 | 3"},
        {"no date or time", head + "gestern;14:00:00;1;\r\n2026-12-07;14h;2;\r\n", " | 2, 3"},
        {"blank lines and LF", head + "\r\n" + "2026-12-07;14:00:00;1;stimmt\n\n", "1 | "},
        {"CR alone",
         "Datum;Zeit;Code;Ergebnis\r2026-12-07;14:00:00;1;stimmt\r\r" + line(1, "2").substr(0, 28) +
             "\r",
         "1,2 | "},
        {"CR alone, a cut line",
         "Datum;Zeit;Code;Ergebnis\r2026-12-07;14:00:00;\"1\r" + line(1, "2").substr(0, 28) +
             "\r14h\r",
         "2 | 2, 4"},
        {"another program's file", "Name,Wert\n1,2\n", "error"},
        {"empty", "", "error"},
    };
    for (const auto& [name, file, outcome] : cases)
        EXPECT_EQ(Outcome(ReadRecordRows(file)), outcome) << name;

    const TReportRow extra = ReadRecordRows("Datum;Zeit;Code;Ergebnis;Abweichungen;Messwerte\n"
                                            "2026-12-07;14:00:00;1;weicht ab;2;3 Hz\n")
                                 .Rows.at(0);
    EXPECT_EQ(extra.Verdict + "/" + extra.Misses + "/" + extra.Measurements, "weicht ab/2/3 Hz");
}

TEST(ReportTextsTest, SummaryDatesNotesAndPictureNames) {
    const auto rows = [](std::vector<std::string> verdicts, const char* date = "") {
        std::vector<TReportRow> rows(verdicts.size());
        for (std::size_t i = 0; i < verdicts.size(); ++i) {
            rows[i].Date = date + verdicts[i];
            rows[i].Verdict = verdicts[i];
        }
        return rows;
    };
    const std::pair<std::vector<std::string>, const char*> summaries[] = {
        {{"nichts gehört", "stimmt", "weicht ab", "stimmt"},
         "4 Alarme: 2 stimmt, 1 weicht ab, 1 nichts gehört"},
        {{"", "kein Code", "nicht gesendet", "neu"},
         "4 Alarme: 1 nicht gesendet, 1 kein Code, 1 sonstige, 1 ohne Ergebnis"},
        // Only the exact words: an invisible direction mark or a blank makes another verdict.
        {{"stimmt\u200e", "stimmt", "weicht ab ", "Stimmt"}, "4 Alarme: 1 stimmt, 3 sonstige"},
        {{"stimmt"}, "1 Alarm: 1 stimmt"},
    };
    for (const auto& [verdicts, summary] : summaries)
        EXPECT_EQ(VerdictSummary(rows(verdicts)), summary);

    EXPECT_EQ(ReportDate(rows({"8", "7"}, "2026-12-0"), "x"), "07.12.2026 bis 08.12.2026");
    EXPECT_EQ(ReportDate({}, "2027-01-01"), "01.01.2027");
    EXPECT_EQ(SkippedLinesNote({4}), "1 Zeile der Protokolldatei ist keine Zeile des "
                                     "Prüfprotokolls und fehlt in diesem Bericht (Zeile 4).");
    EXPECT_TRUE(LineList(std::vector<std::size_t>(21, 9)).ends_with(", 9, 9, …"));

    EXPECT_EQ(RecordPictureFileName("14:05:09", "12345"), "140509-12345.png");
    EXPECT_EQ(RecordPictureFileName("14:05:09", "@6a/ä:1@"), "140509-_6a____1_.png"); // ä: 2 bytes
}

TEST(ReportPagesTest, BlocksAreNeverSplitAndTheTableHeadRepeats) {
    // Each page as "/", "H" when it has the table's head, and its blocks: "/H 0 1/ 2".
    const auto pages = [](const std::vector<TBlockExtent>& blocks) {
        std::string layout;
        for (const TPageLayout& page : LayOutPages(blocks, 100, 10)) {
            layout += page.TableHeadTop ? "/H" : "/";
            for (const TPlacedBlock& placed : page.Blocks)
                layout += " " + std::to_string(placed.Block);
        }
        return layout;
    };
    EXPECT_EQ(pages({{30, false}, {20, true}, {20, true}, {20, false}}), "/H 0 1 2 3");
    EXPECT_EQ(pages({{30, false}, {60, true}}), "/H 0 1");                   // exactly full
    EXPECT_EQ(pages({{30, false}, {50, true}, {20, true}}), "/H 0 1/H 2");   // head comes along
    EXPECT_EQ(pages({{30, false}, {60, true}, {20, false}}), "/H 0 1/ 2");   // no head, no rows
    EXPECT_EQ(pages({{30, false}, {150, true}, {10, true}}), "/ 0/H 1/H 2"); // too tall: alone
}

} // namespace
