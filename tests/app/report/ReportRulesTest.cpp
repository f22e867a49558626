// The report's rules: the day's file read back as the record writes it, the lines that are not
// the record's, the verdict summary, dates and notes, the picture names, and how blocks fall
// onto pages.

#include "app/report/BlockCanvas.h"
#include "app/report/ReportPages.h"
#include "app/report/ReportRows.h"
#include "app/report/TextLines.h"
#include "app/testrecord/RecordCsv.h"
#include "app/testrecord/RecordFile.h"
#include "app/testrecord/RecordPicture.h"
#include "tests/app/report/ReportTestTools.h"

#include <cmath>
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
    // And judged rows, whose measurement sheet goes through with its tabs and line breaks.
    const std::vector<TTestRecordRow> rows{RecordRow(1, "=1+2", Differs("Stelle 3: 8 statt 3")),
                                           RecordRow(2, "@62;\"80@", NothingHeard()),
                                           RecordRow(3, "-5\r\nx "), JudgedRow(4, "12345", 5.0),
                                           JudgedRow(5, "67890", 2.2)};
    std::string file = "\xEF\xBB\xBF" + CsvHeaderLine();
    std::vector<TReportRow> expected;
    for (const TTestRecordRow& row : rows) {
        file += CsvLine(row);
        expected.push_back(ReportRowOf(row));
    }
    EXPECT_EQ(ReadRecordRows(file).Rows, expected);
    EXPECT_EQ(expected[3].Sheet, SheetRows(*rows[3].Judgement));
    EXPECT_EQ(expected[4].Receivers,
              "würden nicht auslösen (Doppelton zu kurz, Reserve \u22120,3 s)");
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

    // Files of every version read by their columns' titles: "verdict/misses/measured/receivers/
    // the sheet's lines by their first cells".
    const std::pair<std::string, const char*> formats[] = {
        {"Datum;Zeit;Code;Ergebnis;Abweichungen;Messwerte\n2026-12-07;14:00:00;1;weicht ab;2;3 "
         "Hz\n",
         "weicht ab/2/3 Hz//"},
        {"Datum;Zeit;Gebertyp;Code;Vorton;Alarmart;Telegramm;Antworten;Gehört;Ergebnis;"
         "Abweichungen;Messwerte\n2026-12-07;14:00:00;;1;;;;;;stimmt;;3 Hz\n",
         "stimmt//3 Hz//"},
        {"Datum;Zeit;Code;Messblatt;Ergebnis;Empfänger\n2026-12-07;14:00:00;1;\"Ton 1\t1\nPause\";"
         "stimmt;würden auslösen\n",
         "stimmt///würden auslösen/Ton 1,Pause"},
    };
    for (const auto& [file, fields] : formats) {
        const TRecordRead read = ReadRecordRows(file);
        ASSERT_EQ(read.Rows.size(), 1u) << file;
        const TReportRow& row = read.Rows[0];
        std::string sheet;
        for (const TSheetRow& line : row.Sheet)
            sheet += (sheet.empty() ? "" : ",") + line[scElement];
        EXPECT_EQ(row.Verdict + "/" + row.Misses + "/" + row.Measurements + "/" + row.Receivers +
                      "/" + sheet,
                  fields);
    }
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

    // Receivers are counted over the rows that have their verdict; only the exact words react.
    const std::pair<std::vector<std::string>, const char*> receivers[] = {
        {{"würden auslösen (Reserve 3,0 s)", "würden auslösen"},
         "2 Alarme: 2 stimmt; Empfänger würden bei 2 auslösen"},
        {{"würden auslösen", "würden nicht auslösen (Doppelton zu kurz, Reserve \u22120,3 s)", ""},
         "3 Alarme: 3 stimmt; Empfänger würden bei 1 auslösen, bei 1 nicht"},
        {{"würden nicht auslösen (nichts gehört)", "Würden auslösen", " würden auslösen"},
         "3 Alarme: 3 stimmt; Empfänger würden bei keinem auslösen"},
        {{"", ""}, "2 Alarme: 2 stimmt"},
    };
    for (const auto& [texts, summary] : receivers) {
        std::vector<TReportRow> judged = rows(std::vector<std::string>(texts.size(), "stimmt"));
        for (std::size_t i = 0; i < texts.size(); ++i)
            judged[i].Receivers = texts[i];
        EXPECT_EQ(VerdictSummary(judged), summary);
    }

    EXPECT_EQ(ReportDate(rows({"8", "7"}, "2026-12-0"), "x"), "07.12.2026 bis 08.12.2026");
    EXPECT_EQ(ReportDate({}, "2027-01-01"), "01.01.2027");
    EXPECT_EQ(SkippedLinesNote({4}), "1 Zeile der Protokolldatei ist keine Zeile des "
                                     "Prüfprotokolls und fehlt in diesem Bericht (Zeile 4).");
    EXPECT_TRUE(LineList(std::vector<std::size_t>(21, 9)).ends_with(", 9, 9, …"));

    EXPECT_EQ(RecordPictureFileName("14:05:09", "12345"), "140509-12345.png");
    EXPECT_EQ(RecordPictureFileName("14:05:09", "@6a/ä:1@"), "140509-_6a____1_.png"); // ä: 2 bytes
}

TEST(ReportPagesTest, BlocksStayWholeOrFlowOnAtTheirBreaksAndTheTableHeadRepeats) {
    // Each page as "/", "H" when it has the table's head, and its blocks: "/H 0 1/ 2"; a part
    // of a block as "1[40,120)".
    const auto pages = [](const std::vector<TBlockExtent>& blocks) {
        std::string layout;
        for (const TPageLayout& page : LayOutPages(blocks, 100, 10)) {
            layout += page.TableHeadTop ? "/H" : "/";
            for (const TPlacedBlock& placed : page.Blocks) {
                layout += " " + std::to_string(placed.Block);
                if (placed.From > 0 || !std::isinf(placed.To))
                    layout += "[" + std::to_string(int(placed.From)) + "," +
                              (std::isinf(placed.To) ? "" : std::to_string(int(placed.To))) + ")";
            }
        }
        return layout;
    };
    const std::pair<std::vector<TBlockExtent>, const char*> cases[] = {
        {{{30, false, {}}, {20, true, {}}, {20, true, {}}, {20, false, {}}}, "/H 0 1 2 3"},
        {{{30, false, {}}, {60, true, {}}}, "/H 0 1"},                       // exactly full
        {{{30, false, {}}, {50, true, {}}, {20, true, {}}}, "/H 0 1/H 2"},   // head comes along
        {{{30, false, {}}, {60, true, {}}, {20, false, {}}}, "/H 0 1/ 2"},   // no head, no rows
        {{{30, false, {}}, {150, true, {}}, {10, true, {}}}, "/ 0/H 1/H 2"}, // no break: alone
        // Breaks are only taken by a block that no page could hold whole.
        {{{30, false, {}}, {80, true, {20, 40}}}, "/ 0/H 1"},
        {{{30, false, {}}, {150, true, {40, 80, 120}}, {10, true, {}}},
         "/H 0 1[0,40)/H 1[40,120)/H 1[120,) 2"},
        {{{80, false, {}}, {150, true, {50, 100}}}, "/ 0/H 1[0,50)/H 1[50,100)/H 1[100,)"},
        {{{250, false, {30, 90, 95, 200}}, {10, false, {}}},
         "/ 0[0,95)/ 0[95,)/ 1"}, // no break fits
    };
    for (const auto& [blocks, layout] : cases)
        EXPECT_EQ(pages(blocks), layout);
}

TEST(ReportLinesTest, TextsBreakAtLineEndsBlanksOrAnywhereAndLongOnesAreShortenedVisibly) {
    // Every character one unit wide, lines five wide; the lines joined with "|".
    const auto wrapped = [](std::string_view text) {
        std::string joined;
        for (const TLineSpan& line : WrapLines(text, 5, [](char32_t) { return 1.0; }))
            joined += (joined.empty() ? "" : "|") +
                      std::string(text.substr(line.Begin, line.End - line.Begin));
        return joined;
    };
    const std::pair<const char*, const char*> lines[] = {
        {"", ""},
        {"abcde", "abcde"},
        {"abc defg", "abc|defg"},
        {"abcdefghijkl", "abcde|fghij|kl"},
        {"a bcdefgh", "a|bcdef|gh"},
        {"ab  cdefghij", "ab|cdefg|hij"},
        {"abc de   ", "abc|de   "},
        {"ab\ncd\r\nef\rg\n", "ab|cd|ef|g|"},
        {"äöü ßä", "äöü|ßä"}, // characters, not bytes
        {"\xff\xfe"
         "abcd",
         "\xff\xfe"
         "abc|d"}, // a stray byte is one character
    };
    for (const auto& [text, expected] : lines)
        EXPECT_EQ(wrapped(text), expected) << text;

    const std::tuple<const char*, std::size_t, const char*> shortened[] = {
        {"abcd", 4, "abcd"},
        {"abcdef", 4, "abcd… (gekürzt, 2 Zeichen)"},
        {"äöüß", 2, "äö… (gekürzt, 2 Zeichen)"},
    };
    for (const auto& [text, most, expected] : shortened)
        EXPECT_EQ(ShortenedText(text, most), expected);
}

TEST(ReportLinesTest, ABlockBreaksOnlyBetweenItsPartsAndPaintsEachPartOnOnePage) {
    // Two cells of lines side by side, a picture with a part inside, the row's line at the foot.
    TBlockCanvas measuring;
    for (const auto& [top, bottom] : {std::pair{1.0, 4.0},
                                      {4.0, 7.0},
                                      {1.0, 4.0},
                                      {4.0, 7.0},
                                      {7.0, 10.0},
                                      {10.0, 12.0},
                                      {13.0, 20.0},
                                      {15.0, 16.0},
                                      {20.0, 20.0}})
        measuring.Take(top, bottom);
    EXPECT_EQ(measuring.Breaks(20), (std::vector<double>{4, 7, 10, 13}));

    TBlockCanvas page(100, 7, 13);
    EXPECT_EQ((std::vector<bool>{page.Take(4, 7), page.Take(7, 10), page.Take(10, 12),
                                 page.Take(13, 20)}),
              (std::vector<bool>{false, true, true, false}));
    EXPECT_EQ(page.OnPage(10), 103);
}

} // namespace
