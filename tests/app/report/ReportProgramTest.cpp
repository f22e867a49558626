// Runs quorvane-report as a process on day files the record's own writer made, and reads the
// PDF back with poppler's tools, as a workshop would check a report.

#include "app/testrecord/RecordCsv.h"
#include "app/testrecord/RecordFile.h"
#include "app/testrecord/RecordPicture.h"
#include "tests/app/report/ReportTestTools.h"

#include <QImage>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// "b0000 b0001 ..." joined with `separator`.
std::string Numbered(const char* prefix, int count, const char* separator) {
    std::string words;
    char word[16];
    for (int i = 0; i < count; ++i) {
        std::snprintf(word, sizeof word, "%s%04d", prefix, i);
        words += (i == 0 ? "" : separator) + std::string(word);
    }
    return words;
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

    // Runs in the test's folder, so names are short.
    TCommandRun Report(const std::string& arguments) const {
        return RunCommand("cd " + Quoted(folder_.string()) + " && " REPORT_PROGRAM_PATH " " +
                          arguments);
    }

    fs::path folder_;
};

TEST_F(ReportProgram, WritesTheReportOrSaysWhyNot) {
    const std::vector<TTestRecordRow> rows{RecordRow(1, "11111", Matches()),
                                           RecordRow(2, "22222", Differs("Stelle 3: 8 statt 3")),
                                           RecordRow(3, "33333", NothingHeard())};
    std::string day = "\xEF\xBB\xBF" + CsvHeaderLine();
    for (const TTestRecordRow& row : rows)
        day += CsvLine(row);
    WriteFile("day.csv", day);
    WriteFile("cut.csv", day.substr(0, day.size() - 20) + "\r\n" + CsvLine(rows[0]) + "x;y\r\n");
    WriteFile("other.csv", "Name,Wert\n1,2\n");
    WriteFile("judged.csv", CsvHeaderLine() + CsvLine(JudgedRow(1, "12345", 5.0)) +
                                CsvLine(JudgedRow(2, "67890", 2.2)));
    // A version before the receivers' verdict and the sheet: the measured values as a line.
    WriteFile("old.csv", "Datum;Zeit;Gebertyp;Code;Vorton;Alarmart;Telegramm;Antworten;Gehört;"
                         "Ergebnis;Abweichungen;Messwerte\r\n2026-12-07;14:00:01;Standart;11111;"
                         ";;;;;stimmt;;1750 Hz 2,0 s\r\n");
    // Texts taller than a page: a long reply list in its narrow column, long measured values, a
    // field of 10 MB without a blank, and two pictures that cannot be read.
    const std::string head = "Datum;Zeit;Code;Ergebnis;Antworten;Messwerte\r\n";
    WriteFile("tall.csv", head + "2026-12-07;14:00:01;11111;stimmt;" + Numbered("a", 1500, " ") +
                              ";" + Numbered("m", 1500, " ") +
                              "\r\n2026-12-07;14:00:02;22222;stimmt;ACK;\r\n");
    WriteFile("huge.csv", head + "2026-12-07;14:00:01;11111;stimmt;;" +
                              std::string(10'000'000, '7') +
                              "\r\n2026-12-07;14:00:02;22222;stimmt;ACK;\r\n");
    WriteFile("tallsheet.csv", "Datum;Zeit;Code;Ergebnis;Messblatt\r\n2026-12-07;14:00:01;11111;"
                               "stimmt;\"" +
                                   Numbered("z", 300, "\tx\n") +
                                   "\"\r\n2026-12-07;14:00:02;22222;stimmt;\r\n");
    WriteFile("pictures.csv",
              head +
                  "2026-12-07;14:00:04;44444;stimmt;;\r\n2026-12-07;14:00:05;55555;stimmt;;\r\n");
    const fs::path pictures = RecordPictureFolder("2026-12-07");
    WriteFile((pictures / RecordPictureFileName("14:00:04", "44444")).string(), "kaputt");
    // A size beyond the reader's limit, told by a valid header.
    WriteFile((pictures / RecordPictureFileName("14:00:05", "55555")).string(),
              "P6\n30000 30000\n255\n");
    QImage picture(300, 100, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    picture.save(QString::fromStdString(
        (Path(RecordPictureFolder("2026-12-07")) / RecordPictureFileName("14:00:02", "22222"))
            .string()));

    const struct {
        std::string Arguments;
        int Status;
        std::string Message; // on standard output or error
        std::string Pdf;     // "first|second|..." in this order in r.pdf; empty when not written
    } cases[] = {
        {"day.csv -o r.pdf --pruefer 'Max Müller' --pruefling 'Geber 4711' --standort=Halle "
         "--bemerkung 'Nach Reparatur'",
         0, "",
         "Prüfbericht|Prüfer:|Max Müller|Prüfling:|Geber 4711|Standort:|Halle|Datum:|07.12.2026|"
         "Bemerkung:|Nach Reparatur|Quorvane 1.1|Zeit|Gebertyp|Code|Vorton|Alarmart|Antworten|"
         "Gehört|Ergebnis|Abweichungen|14:00:01|11111|stimmt|14:00:02|22222|weicht ab|"
         "Stelle 3: 8 statt 3|14:00:03|33333|nichts gehört|"
         "3 Alarme: 1 stimmt, 1 weicht ab, 1 nichts gehört|Datum, Unterschrift Prüfer|"
         "Seite 1 von 1"},
        {"cut.csv --output=r.pdf", 0,
         "quorvane-report: 2 lines of cut.csv are no row of the test record, left out of the "
         "report (lines 4, 6)\n",
         "2 Zeilen der Protokolldatei sind keine Zeilen des Prüfprotokolls|(Zeilen 4, 6).|11111|"
         "22222|11111|3 Alarme: 2 stimmt, 1 weicht ab"},
        {"other.csv -o r.pdf", 2, "quorvane-report: other.csv: not a test record", ""},
        {"none.csv -o r.pdf", 2, "cannot open none.csv: No such file or directory\n", ""},
        {"day.csv -o none/r.pdf", 2, "cannot write none/r.pdf: No such file or directory\n", ""},
        {"day.csv", 2, "no report file given (-o FILE.pdf)\nTry 'quorvane-report --help'.", ""},
        // Its message goes to the full device too: the status alone tells.
        {"--help > /dev/full", 2, "", ""},
        // What the rename would destroy: the input itself, by any name, or a node that is no file.
        {"day.csv -o day.csv", 2, "cannot write day.csv: it is the input day.csv", ""},
        {"day.csv -o link.pdf", 2, "cannot write link.pdf: it is the input day.csv", ""},
        {"day.csv -o hard.pdf", 2, "cannot write hard.pdf: it is the input day.csv", ""},
        {"day.csv -o fifo.pdf", 2, "cannot write fifo.pdf: it is a named pipe (FIFO)", ""},
        {"day.csv -o folder.pdf", 2, "cannot write folder.pdf: it is a folder", ""},
        // Nothing cut off at the page's foot or drawn over the footer, nothing pushed out.
        {"day.csv -o r.pdf --bemerkung '" + Numbered("b", 800, " ") + "'", 0, "",
         "Bemerkung:|b0000|Fortsetzung auf Seite 2|Seite 1 von 2|b0799|Programm:|Quorvane 1.1|"
         "11111|Seite 2 von 2"},
        {"tall.csv -o r.pdf", 0, "",
         Numbered("a", 1500, "|") + "|" + Numbered("m", 1500, "|") + "|22222|2 Alarme: 2 stimmt"},
        {"huge.csv -o r.pdf", 0, "",
         "Messwerte:|7777|7777… (gekürzt, 9990011 Zeichen)|22222|2 Alarme: 2 stimmt"},
        // Each judged row with its receivers and its sheet, titles first, the misses named.
        {"judged.csv -o r.pdf", 0, "",
         "14:00:01|12345|stimmt|Empfänger würden auslösen (Reserve|Element|Zeichen|Soll|Ist|"
         "Abweichung|Grenze|Soll|Ist|Grenze|Ergebnis|Reserve|Tonruf I|1750,0 Hz|Ton 1|1|1060,0 Hz|"
         "70 ms|ok|Wiederholung Ton 5|5|1530,0 Hz|Doppelton Länge|3,00 s|5,00 s|ok|14:00:02|67890|"
         "weicht ab|Empfänger würden nicht auslösen (Doppelton zu kurz, Reserve \u22120,3 s)|"
         "Element|Ton 1|6|Doppelton Länge|3,00 s|2,20 s|2,2 s statt mindestens 3,0 s|\u22120,3 s|"
         "2 Alarme: 1 stimmt, 1 weicht ab; Empfänger würden bei 1 auslösen, bei 1 nicht"},
        {"old.csv -o r.pdf", 0, "", "11111|stimmt|Messwerte: 1750 Hz 2,0 s|1 Alarm: 1 stimmt"},
        {"tallsheet.csv -o r.pdf", 0, "",
         "Element|" + Numbered("z", 300, "|") + "|22222|2 Alarme: 2 stimmt"},
        {"pictures.csv -o r.pdf", 0,
         "quorvane-report: cannot read the picture " +
             (pictures / RecordPictureFileName("14:00:04", "44444")).string() + " (",
         "44444|Bild nicht lesbar|55555|Bild nicht lesbar|2 Alarme: 2 stimmt"},
    };
    fs::create_symlink("day.csv", Path("link.pdf"));
    fs::create_hard_link(Path("day.csv"), Path("hard.pdf"));
    ASSERT_EQ(mkfifo(Path("fifo.pdf").c_str(), 0600), 0);
    fs::create_directory(Path("folder.pdf"));
    for (const auto& c : cases) {
        fs::remove(Path("r.pdf"));
        const TCommandRun run = Report(c.Arguments);
        EXPECT_EQ(run.Status, c.Status) << c.Arguments << "\n" << run.Output;
        EXPECT_NE(run.Output.find(c.Message), std::string::npos) << run.Output;
        EXPECT_EQ(fs::exists(Path("r.pdf")), !c.Pdf.empty()) << c.Arguments;
        EXPECT_EQ(c.Pdf.empty() ? TMissing{} : MissingInOrder(PdfText(Path("r.pdf")), c.Pdf),
                  TMissing{});
        EXPECT_EQ(c.Pdf.empty() ? "" : WordsUnderTheBody(Path("r.pdf")), "") << c.Arguments;
    }
    EXPECT_EQ(FileText(Path("day.csv")), day);
    // A row with a sheet has no line of measured values.
    Report("judged.csv -o r.pdf");
    EXPECT_EQ(PdfText(Path("r.pdf")).find("Messwerte"), std::string::npos);
    EXPECT_TRUE(fs::is_fifo(Path("fifo.pdf")) && fs::is_directory(Path("folder.pdf")));
    // The picture found by the row's time and code goes into the report, and only it.
    Report("day.csv -o r.pdf");
    const TCommandRun images = RunCommand("pdfimages -list " + Path("r.pdf").string());
    EXPECT_EQ(std::count(images.Output.begin(), images.Output.end(), '\n'), 3) << images.Output;
}

TEST_F(ReportProgram, ReportsAThousandRowsEachOnceWithAFooterOnEveryPage) {
    std::string day = CsvHeaderLine();
    std::string codes;
    for (int i = 0; i < 1000; ++i) {
        day += CsvLine(RecordRow(i, std::to_string(10000 + i), Matches()));
        codes += (i == 0 ? "" : "|") + std::to_string(10000 + i);
    }
    WriteFile("day.csv", day);
    ASSERT_EQ(Report("day.csv -o r.pdf").Status, 0);
    const std::string text = PdfText(Path("r.pdf"));
    EXPECT_EQ(MissingInOrder(text, codes), TMissing{});
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(text.find(std::to_string(10000 + i)), text.rfind(std::to_string(10000 + i)));
    EXPECT_NE(text.find("1000 Alarme: 1000 stimmt"), std::string::npos);
    EXPECT_EQ(text.find("Fortsetzung"), std::string::npos); // rows that fit are never split
    const auto pages = std::count(text.begin(), text.end(), '\f');
    for (long page = 1; page <= pages; ++page)
        EXPECT_NE(text.find("Seite " + std::to_string(page) + " von " + std::to_string(pages)),
                  std::string::npos);
}

TEST_F(ReportProgram, AFolderThatCannotTakeTheReportGetsOneMessageAndNoFile) {
    WriteFile("day.csv", CsvHeaderLine() + CsvLine(RecordRow(1, "1")));
    const std::tuple<const char*, TRefusingFolder::TWhy, const char*> targets[] = {
        {"locked", TRefusingFolder::ReadOnly,
         geteuid() == 0 ? "Operation not permitted" : "Permission denied"},
        {"full", TRefusingFolder::Full, "No space left on device"},
    };
    for (const auto& [folder, why, reason] : targets) {
        fs::create_directory(Path(folder));
        const TRefusingFolder refusing(Path(folder), why);
        if (!refusing.Refuses())
            GTEST_SKIP() << "mounting a small tmpfs for the full disk needs root";
        const TCommandRun run = Report(std::string("day.csv -o ") + folder + "/r.pdf");
        EXPECT_EQ(run.Status, 2) << folder;
        EXPECT_EQ(run.Output, "quorvane-report: cannot write " + std::string(folder) +
                                  "/r.pdf: " + reason + "\n");
        EXPECT_TRUE(fs::is_empty(Path(folder))) << folder;
    }
}

} // namespace
