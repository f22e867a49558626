// Runs quorvane-report as a process on day files the record's own writer made, and reads the
// PDF back with poppler's tools, as a workshop would check a report.

#include "app/testrecord/RecordFile.h"
#include "app/testrecord/RecordPicture.h"
#include "tests/app/report/ReportTestTools.h"

#include <QImage>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

TTestRecordRow RecordRow(int second, std::string code, TVerdict verdict) {
    TTestRecordRow row;
    char time[16];
    std::snprintf(time, sizeof time, "14:%02d:%02d", second / 60 % 60, second % 60);
    row.Alarm = {"2026-12-07",    time,          "Standart  neu",
                 std::move(code), "Ohne Tonruf", "Sofortiger Weckruf",
                 "02 40 31 03",   "12345",       true};
    row.Replies = {"ACK"};
    row.Heard = {"12845"};
    row.Verdict = std::move(verdict);
    return row;
}

class ReportProgram : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("quorvane-report-" + std::to_string(getpid()));
        fs::create_directories(folder_ / RecordPictureFolder("2026-12-07"));
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path Path(const std::string& name) const { return folder_ / name; }

    void WriteFile(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }

    TCommandRun Report(const std::string& arguments) const {
        return RunCommand(std::string(REPORT_PROGRAM_PATH) + " " + arguments);
    }

    fs::path folder_;
};

TEST_F(ReportProgram, WritesTheReportOrSaysWhyNot) {
    const std::vector<TTestRecordRow> rows{RecordRow(1, "11111", CompareHeard("12345", "12345")),
                                           RecordRow(2, "22222", CompareHeard("12345", "12845")),
                                           RecordRow(3, "33333", NothingHeardVerdict())};
    std::string day = "\xEF\xBB\xBF" + CsvHeaderLine();
    for (const TTestRecordRow& row : rows)
        day += CsvLine(row);
    WriteFile("day.csv", day);
    WriteFile("cut.csv", day.substr(0, day.size() - 20) + "\r\n" + CsvLine(rows[0]) + "x;y\r\n");
    WriteFile("other.csv", "Name,Wert\n1,2\n");
    QImage picture(300, 100, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    picture.save(QString::fromStdString(
        (folder_ / RecordPictureFolder("2026-12-07") / RecordPictureFileName("14:00:02", "22222"))
            .string()));

    const std::string fields =
        " --pruefer 'Max Müller' --pruefling 'Geber 4711' --standort=Werkstatt --bemerkung "
        "'Nach Reparatur'";
    const struct {
        std::string Arguments;
        int Status;
        std::string Message;          // on standard output or error
        std::vector<std::string> Pdf; // in this order in report.pdf; none when not written
    } cases[] = {
        {Path("day.csv").string() + " -o " + Path("report.pdf").string() + fields,
         0,
         "",
         {"Prüfbericht",
          "Prüfer:",
          "Max Müller",
          "Prüfling:",
          "Geber 4711",
          "Standort:",
          "Werkstatt",
          "Datum:",
          "07.12.2026",
          "Bemerkung:",
          "Nach Reparatur",
          "Quorvane 1.1",
          "Zeit",
          "Gebertyp",
          "Code",
          "Vorton",
          "Alarmart",
          "Antworten",
          "Gehört",
          "Ergebnis",
          "Abweichungen",
          "14:00:01",
          "11111",
          "stimmt",
          "14:00:02",
          "22222",
          "weicht ab",
          "Stelle 3: 8 statt 3",
          "14:00:03",
          "33333",
          "nichts gehört",
          "3 Alarme: 1 stimmt, 1 weicht ab, 1 nichts gehört",
          "Datum, Unterschrift Prüfer",
          "Seite 1 von 1"}},
        {Path("cut.csv").string() + " --output=" + Path("report.pdf").string(),
         0,
         "2 lines of " + Path("cut.csv").string() +
             " are no row of the test record, left out of "
             "the report (lines 4, 6)",
         {"2 Zeilen der Protokolldatei sind keine Zeilen des Prüfprotokolls", "(Zeilen 4, 6).",
          "11111", "22222", "11111", "3 Alarme: 2 stimmt, 1 weicht ab"}},
        {Path("other.csv").string() + " -o " + Path("report.pdf").string(),
         2,
         "other.csv: not a test record",
         {}},
        {Path("missing.csv").string() + " -o " + Path("report.pdf").string(),
         2,
         "cannot open " + Path("missing.csv").string() + ": No such file",
         {}},
        {folder_.string() + " -o " + Path("report.pdf").string(), 2, "it is a folder", {}},
        {Path("day.csv").string() + " -o " + Path("none/report.pdf").string(),
         2,
         "cannot write " + Path("none/report.pdf").string() + ": ",
         {}},
        {Path("day.csv").string(), 2, "no report file given (-o FILE.pdf)\nTry", {}},
        {"-o x.pdf", 2, "no record file given", {}},
        {Path("day.csv").string() + " -o x.pdf --pruefer", 2, "option --pruefer needs a value", {}},
        {Path("day.csv").string() + " -o x.pdf --color", 2, "unknown option --color", {}},
        {"--help", 0, "Usage: quorvane-report Pruefprotokoll-YYYY-MM-DD.csv -o FILE.pdf", {}},
    };
    for (const auto& c : cases) {
        fs::remove(Path("report.pdf"));
        const TCommandRun run = Report(c.Arguments);
        EXPECT_EQ(run.Status, c.Status) << c.Arguments << "\n" << run.Output;
        EXPECT_NE(run.Output.find(c.Message), std::string::npos) << run.Output;
        EXPECT_EQ(fs::exists(Path("report.pdf")), !c.Pdf.empty()) << c.Arguments;
        if (!c.Pdf.empty()) {
            EXPECT_EQ(MissingInOrder(PdfText(Path("report.pdf")), c.Pdf),
                      std::vector<std::string>{})
                << c.Arguments;
        }
    }
    // The picture found by the row's time and code goes into the report, and only it.
    Report(Path("day.csv").string() + " -o " + Path("report.pdf").string());
    const TCommandRun images = RunCommand("pdfimages -list " + Path("report.pdf").string());
    EXPECT_EQ(std::count(images.Output.begin(), images.Output.end(), '\n'), 3) << images.Output;
}

TEST_F(ReportProgram, ReportsAThousandRowsEachOnceWithAFooterOnEveryPage) {
    std::string day = CsvHeaderLine();
    for (int i = 0; i < 1000; ++i)
        day += CsvLine(RecordRow(i, std::to_string(10000 + i), CompareHeard("1", "1")));
    WriteFile("day.csv", day);
    ASSERT_EQ(Report(Path("day.csv").string() + " -o " + Path("report.pdf").string()).Status, 0);
    const std::string text = PdfText(Path("report.pdf"));
    for (int i = 0; i < 1000; ++i) {
        const std::string code = std::to_string(10000 + i);
        const std::size_t first = text.find(code);
        EXPECT_TRUE(first != std::string::npos && text.find(code, first + 1) == std::string::npos)
            << code;
    }
    const auto pages = std::count(text.begin(), text.end(), '\f');
    EXPECT_GT(pages, 10);
    EXPECT_NE(text.find("Seite " + std::to_string(pages) + " von " + std::to_string(pages)),
              std::string::npos);
    for (long page = 1; page <= pages; ++page)
        EXPECT_NE(text.find("Seite " + std::to_string(page) + " von "), std::string::npos) << page;
    EXPECT_NE(text.find("1000 Alarme: 1000 stimmt"), std::string::npos);
}

TEST_F(ReportProgram, AFolderThatCannotTakeTheReportGetsOneMessageAndNoFile) {
    WriteFile("day.csv", CsvHeaderLine() + CsvLine(RecordRow(1, "1", {})));
    const std::pair<const char*, const char*> targets[] = {
        {"locked", "Operation not permitted"}, // root passes the mode, not the attribute
        {"full", "No space left on device"},
    };
    fs::create_directory(Path("locked"));
    fs::create_directory(Path("full"));
    const TReadOnlyFolder locked(Path("locked"));
    const TTinyDisk full(Path("full"));
    for (const auto& [folder, reason] : targets) {
        if (std::string_view(folder) == "full" && !full.Mounted())
            GTEST_SKIP() << "mounting a small tmpfs for the full disk needs root";
        const std::string target = Path(folder).string() + "/report.pdf";
        const TCommandRun run = Report(Path("day.csv").string() + " -o " + target);
        EXPECT_EQ(run.Status, 2) << folder;
        EXPECT_EQ(run.Output, "quorvane-report: cannot write " + target + ": " +
                                  (geteuid() == 0 ? reason : "Permission denied") + "\n");
        EXPECT_TRUE(fs::is_empty(Path(folder))) << folder;
    }
}

} // namespace
