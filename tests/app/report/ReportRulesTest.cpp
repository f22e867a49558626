// The report's rules: the day's file read back as the record writes it, the lines that are not
// the record's, the verdict summary, dates and notes, the picture names, and how blocks fall
// onto pages.

#include "app/report/ReportPages.h"
#include "app/report/ReportRows.h"
#include "app/testrecord/RecordFile.h"
#include "app/testrecord/RecordPicture.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

TTestRecordRow RecordRow(std::string time, std::string code, TVerdict verdict) {
    TTestRecordRow row;
    row.Alarm = {"2026-12-07",    std::move(time), "Standart  neu",
                 std::move(code), "Ohne Tonruf",   "Sofortiger Weckruf",
                 "02 40 31 03",   "12345",         true};
    row.Replies = {"ACK", "Träger ein"};
    row.Heard = {"Tonruf I 2,0 s", "12845"};
    row.Verdict = std::move(verdict);
    return row;
}

std::vector<std::string> Codes(const std::vector<TReportRow>& rows) {
    std::vector<std::string> codes;
    for (const TReportRow& row : rows)
        codes.push_back(row.Code);
    return codes;
}

TEST(ReportRowsTest, ReadsBackWhatTheRecordWrites) {
    // Fields that need the record's quoting and formula guard, through the record's own writer.
    std::vector<TTestRecordRow> rows{RecordRow("14:05:09", "=1+2", CompareHeard("12345", "12845")),
                                     RecordRow("14:06:00", "@62;\"80@", NothingHeardVerdict()),
                                     RecordRow("14:07:00", "-5\r\nx ", {})};
    std::string file = "\xEF\xBB\xBF" + CsvHeaderLine();
    for (const TTestRecordRow& row : rows)
        file += CsvLine(row);
    const TRecordRead read = ReadRecordRows(file);
    ASSERT_EQ(read.Error, "");
    EXPECT_TRUE(read.SkippedLines.empty());
    ASSERT_EQ(read.Rows.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TReportRow expected = ReportRowOf(rows[i]);
        EXPECT_EQ(Codes({read.Rows[i]}), Codes({expected}));
        for (auto field : {&TReportRow::Date, &TReportRow::Time, &TReportRow::EncoderType,
                           &TReportRow::PreTone, &TReportRow::AlarmType, &TReportRow::Replies,
                           &TReportRow::Heard, &TReportRow::Verdict, &TReportRow::Misses})
            EXPECT_EQ(read.Rows[i].*field, expected.*field) << i;
    }
    EXPECT_EQ(read.Rows[0].Verdict, "weicht ab");
    EXPECT_EQ(read.Rows[0].Misses, "Stelle 3: 8 statt 3");
    EXPECT_EQ(read.Rows[1].Code, "@62;\"80@");
}

TEST(ReportRowsTest, SkipsAndCountsLinesThatAreNotTheRecords) {
    const std::string head = "Datum;Zeit;Code;Ergebnis\r\n";
    const auto line = [](const char* time, const char* code) {
        return std::string("2026-12-07;") + time + ";" + code + ";stimmt\r\n";
    };
    const struct {
        const char* Name;
        std::string File;
        std::vector<std::string> Codes;
        std::vector<std::size_t> Skipped;
        bool Error;
    } cases[] = {
        {"plain", head + line("14:00:00", "1") + line("14:00:01", "2"), {"1", "2"}, {}, false},
        {"one field short",
         head + "2026-12-07;14:00:00;1\r\n" + line("14:00:01", "2"),
         {"2"},
         {2},
         false},
        {"one field more", head + line("14:00:00", "1;x"), {}, {2}, false},
        {"cut last line",
         head + line("14:00:00", "1") + "2026-12-07;14:00:01;\"12",
         {"1"},
         {3},
         false},
        {"cut line inside",
         head + "2026-12-07;14:00:00;\"1\r\n" + line("14:00:01", "2") + line("14:00:02", "3"),
         {"2", "3"},
         {2},
         false},
        {"quoted line break",
         head + "2026-12-07;14:00:00;\"1\r\n2\";stimmt\r\n" + line("14:00:01", "3"),
         {"1\r\n2", "3"},
         {},
         false},
        {"header again",
         head + line("14:00:00", "1") + head + line("14:00:01", "2"),
         {"1", "2"},
         {3},
         false},
        {"no date or time",
         head + "gestern;14:00:00;1;stimmt\r\n2026-12-07;14h;2;stimmt\r\n",
         {},
         {2, 3},
         false},
        {"blank lines and LF",
         head + "\r\n" + "2026-12-07;14:00:00;1;stimmt\n\n",
         {"1"},
         {},
         false},
        {"extra columns",
         "Datum;Zeit;Code;Ergebnis;Abweichungen;Messwerte\r\n"
         "2026-12-07;14:00:00;1;weicht ab;Stelle 2;Vorton 1748 Hz\r\n",
         {"1"},
         {},
         false},
        {"another program's file", "Name,Wert\n1,2\n", {}, {}, true},
        {"empty", "", {}, {}, true},
    };
    for (const auto& c : cases) {
        const TRecordRead read = ReadRecordRows(c.File);
        EXPECT_EQ(Codes(read.Rows), c.Codes) << c.Name;
        EXPECT_EQ(read.SkippedLines, c.Skipped) << c.Name;
        EXPECT_EQ(!read.Error.empty(), c.Error) << c.Name;
    }
    const TReportRow extra = ReadRecordRows(cases[9].File).Rows.at(0);
    EXPECT_EQ(extra.Misses, "Stelle 2");
    EXPECT_EQ(extra.Measurements, "Vorton 1748 Hz");
}

TEST(ReportTextsTest, SummaryDatesNotesAndPictureNames) {
    const auto rows = [](std::vector<std::string> verdicts) {
        std::vector<TReportRow> rows(verdicts.size());
        for (std::size_t i = 0; i < verdicts.size(); ++i)
            rows[i].Verdict = verdicts[i];
        return rows;
    };
    const std::pair<std::vector<std::string>, const char*> summaries[] = {
        {{"nichts gehört", "stimmt", "weicht ab", "stimmt"},
         "4 Alarme: 2 stimmt, 1 weicht ab, 1 nichts gehört"},
        {{"", "kein Code", "nicht gesendet", "neu"},
         "4 Alarme: 1 nicht gesendet, 1 kein Code, 1 neu, 1 ohne Ergebnis"},
        {{"stimmt"}, "1 Alarm: 1 stimmt"},
        {{}, "0 Alarme"},
    };
    for (const auto& [verdicts, summary] : summaries)
        EXPECT_EQ(VerdictSummary(rows(verdicts)), summary);

    std::vector<TReportRow> days(2);
    days[0].Date = "2026-12-08";
    days[1].Date = "2026-12-07";
    EXPECT_EQ(ReportDate(days, "2027-01-01"), "07.12.2026 bis 08.12.2026");
    EXPECT_EQ(ReportDate({days[0]}, "2027-01-01"), "08.12.2026");
    EXPECT_EQ(ReportDate({}, "2027-01-01"), "01.01.2027");
    EXPECT_EQ(SkippedLinesNote({}), "");
    EXPECT_EQ(SkippedLinesNote({4}), "1 Zeile der Protokolldatei ist keine Zeile des "
                                     "Prüfprotokolls und fehlt in diesem Bericht (Zeile 4).");
    std::vector<std::size_t> many(21);
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i] = i + 2;
    EXPECT_TRUE(SkippedLinesNote(many).starts_with("21 Zeilen der Protokolldatei sind keine"));
    EXPECT_TRUE(SkippedLinesNote(many).ends_with("(Zeilen 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, "
                                                 "14, 15, 16, 17, 18, 19, 20, 21, …)."));

    EXPECT_EQ(RecordPictureFolder("2026-12-07"), "Pruefprotokoll-2026-12-07");
    const std::pair<const char*, const char*> pictures[] = {
        {"12345", "140509-12345.png"},
        {"@6a/ä:1@", "140509-_6a____1_.png"}, // 'ä' is two bytes, each made '_'
        {"", "140509-.png"},
    };
    for (const auto& [code, name] : pictures)
        EXPECT_EQ(RecordPictureFileName("14:05:09", code), name) << code;
}

TEST(ReportPagesTest, BlocksAreNeverSplitAndTheTableHeadRepeats) {
    struct TPage {
        std::vector<std::size_t> Blocks;
        bool TableHead;
    };
    const struct {
        const char* Name;
        std::vector<TBlockExtent> Blocks;
        std::vector<TPage> Pages;
    } cases[] = {
        {"all on one page",
         {{30, false}, {20, true}, {20, true}, {20, false}},
         {{{0, 1, 2, 3}, true}}},
        {"exactly full", {{30, false}, {60, true}}, {{{0, 1}, true}}},
        {"row moves over with the head",
         {{30, false}, {50, true}, {20, true}},
         {{{0, 1}, true}, {{2}, true}}},
        {"closing alone", {{30, false}, {60, true}, {20, false}}, {{{0, 1}, true}, {{2}, false}}},
        {"too tall for a page",
         {{30, false}, {150, true}, {10, true}},
         {{{0}, false}, {{1}, true}, {{2}, true}}},
    };
    for (const auto& c : cases) {
        const std::vector<TPageLayout> pages = LayOutPages(c.Blocks, 100, 10);
        ASSERT_EQ(pages.size(), c.Pages.size()) << c.Name;
        for (std::size_t p = 0; p < pages.size(); ++p) {
            std::vector<std::size_t> blocks;
            std::vector<std::pair<double, double>> spans;
            if (pages[p].TableHeadTop)
                spans.emplace_back(*pages[p].TableHeadTop, *pages[p].TableHeadTop + 10);
            for (const TPlacedBlock& placed : pages[p].Blocks) {
                blocks.push_back(placed.Block);
                spans.emplace_back(placed.Top, placed.Top + c.Blocks[placed.Block].Height);
            }
            std::sort(spans.begin(), spans.end());
            for (std::size_t i = 1; i < spans.size(); ++i)
                EXPECT_GE(spans[i].first, spans[i - 1].second) << c.Name; // nothing overlaps
            EXPECT_EQ(blocks, c.Pages[p].Blocks) << c.Name << " page " << p;
            EXPECT_EQ(pages[p].TableHeadTop.has_value(), c.Pages[p].TableHead) << c.Name;
        }
    }
}

} // namespace
