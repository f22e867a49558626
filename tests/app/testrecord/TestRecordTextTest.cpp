// The test record's texts: verdicts, the code a fixed entry should sound, the CSV fields and
// lines, and the daily file.

#include "app/testrecord/AlarmCode.h"
#include "app/testrecord/RecordFile.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace {

TEST(VerdictTest, HeardAgainstSent) {
    const struct {
        const char* Sent;
        const char* Heard;
        TVerdictKind Kind;
        const char* Text;
    } cases[] = {
        {"12345", "12345", TVerdictKind::Matches, "stimmt"},
        {"12345", "12845", TVerdictKind::Differs, "weicht ab (Stelle 3: 8 statt 3)"},
        {"1A2B3", "1A2E4", TVerdictKind::Differs,
         "weicht ab (Stelle 4: E statt B, Stelle 5: 4 statt 3)"},
        {"12345", "1234", TVerdictKind::Differs, "weicht ab (4 statt 5 Stellen)"},
        {"12345", "923456", TVerdictKind::Differs,
         "weicht ab (6 statt 5 Stellen, Stelle 1: 9 statt 1)"},
    };
    for (const auto& c : cases) {
        const TVerdict verdict = CompareHeard(c.Sent, c.Heard);
        EXPECT_EQ(verdict.Kind, c.Kind) << c.Heard;
        EXPECT_EQ(verdict.Text, c.Text) << c.Heard;
    }
    EXPECT_EQ(NothingHeardVerdict().Text, "nichts gehört");
}

TEST(AlarmCodeTest, WhatAFixedEntrySounds) {
    const struct {
        const char* Entry;
        const char* Symbols;
        std::optional<int> PreTone, AlarmType;
    } cases[] = {
        {"@62380@", "62380", 0, 9},           // a five-character telegram's body
        {"A1:3>5F", "1A3E5", 6, 0},           // normalised letters come back
        {"12345I", "12345", std::nullopt, 6}, // the old layout without pre-tone
        {"1234a", "1234A", std::nullopt, std::nullopt},
        {"@6238X@", "@6238X@", std::nullopt, std::nullopt}, // not a code: taken as it is
        {"", "", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        const TFixedEntryView view = ViewFixedEntry(c.Entry);
        EXPECT_EQ(view.Symbols, c.Symbols) << c.Entry;
        EXPECT_EQ(view.PreToneItem, c.PreTone) << c.Entry;
        EXPECT_EQ(view.AlarmTypeItem, c.AlarmType) << c.Entry;
    }
    EXPECT_EQ(ExpectedSymbols("1a2b3"), "1A2B3");
}

TEST(RecordFileTest, FieldsAsSpreadsheetsReadThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"12345", "12345"},
        {"Geber läuft", "Geber läuft"},
        {"a;b", "\"a;b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {" 123", "\" 123\""},
        {"=1+1", "'=1+1"},
        {"@62380@", "'@62380@"},
        {"-5;x", "\"'-5;x\""},
        {"", ""},
    };
    for (const auto& [text, field] : cases)
        EXPECT_EQ(CsvField(text), field) << text;
}

TEST(RecordFileTest, DailyFileStartsWithMarkAndHeaderThenAppends) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("record-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    TTestRecordRow row;
    row.Alarm = {"2026-12-07",
                 "14:05:09",
                 "Standart  neu",
                 "12345",
                 "Ohne Tonruf",
                 "Sofortiger Weckruf",
                 "02 40 31 32 33 34 35 49 03",
                 "12345",
                 true};
    row.Replies = {"ACK", "Träger ein"};
    row.Heard = {"Tonruf I 2,0 s", "12345"};
    row.Verdict = CompareHeard("12345", "12345");
    EXPECT_EQ(CsvLine(row), "2026-12-07;14:05:09;Standart  neu;12345;Ohne Tonruf;Sofortiger "
                            "Weckruf;02 40 31 32 33 34 35 49 03;ACK, Träger ein;\"Tonruf I 2,0 "
                            "s; 12345\";stimmt\r\n");
    EXPECT_EQ(RecordFileName("2026-12-07"), "Pruefprotokoll-2026-12-07.csv");

    const std::string path = (folder / RecordFileName("2026-12-07")).string();
    ASSERT_EQ(AppendRecordLine(path, row), std::nullopt);
    ASSERT_EQ(AppendRecordLine(path, row), std::nullopt);
    std::stringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_EQ(content.str(), "\xEF\xBB\xBF" + CsvHeaderLine() + CsvLine(row) + CsvLine(row));
    EXPECT_EQ(CsvHeaderLine(), "Datum;Zeit;Gebertyp;Code;Vorton;Alarmart;Telegramm;Antworten;"
                               "Gehört;Ergebnis\r\n");

    ASSERT_EQ(mkfifo((folder / "pipe.csv").c_str(), 0600), 0);
    const std::pair<const char*, const char*> failures[] = {
        {"missing/x.csv", "No such file or directory"},
        {"pipe.csv", "No such device or address"}, // no reader: fails at once, never hangs
    };
    for (const auto& [name, reason] : failures)
        EXPECT_EQ(AppendRecordLine((folder / name).string(), row), reason) << name;
    std::filesystem::remove_all(folder);
}

} // namespace
