// What a Prüfbericht of a long day costs: a day's file of 1,000 rows read, laid out and written
// as a PDF, as quorvane-report does it; once with text only, once with a measurement sheet of
// 19 lines under every row, once with the sheet and an 830x480 picture (the record's size). Prints
// "name value" lines for scripts/bench.sh.
//
// Usage: quorvane_report_bench [ROWS]   (default 1000)

#include "app/report/ReportPdf.h"
#include "app/report/ReportRows.h"
#include "app/testrecord/RecordCsv.h"
#include "app/testrecord/RecordFile.h"
#include "app/testrecord/RecordPicture.h"
#include "app/tonepicture/AlarmPicture.h"

#include <QGuiApplication>
#include <QImage>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A sheet as long as a fire alarm's with a call tone (19 lines), each line with every column.
TAlarmJudgement JudgementWithSheet() {
    TAlarmJudgement judgement;
    for (int line = 0; line < 19; ++line)
        judgement.Sheet.push_back({"Wiederholung Ton " + std::to_string(line % 5 + 1),
                                   '3',
                                   TSheetValue{1270.0, 1290.4, 19.05},
                                   TSheetValue{0.070, 0.072, 0.015},
                                   std::nullopt,
                                   std::nullopt,
                                   {line % 4 == 0 ? "1290 Hz statt 1270 Hz (+1,6 %)" : ""},
                                   TReceiverReserve{12.3, " ms", 0.8}});
    judgement.Receivers = {true, true, {}, TReceiverReserve{3.0, " s", 0.6}};
    return judgement;
}

TTestRecordRow Row(int i, bool sheet) {
    TTestRecordRow row;
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", 8 + i / 3600, i / 60 % 60, i % 60);
    const std::string code = std::to_string(10000 + i);
    row.Alarm = {"2026-12-07",
                 time,
                 "Standart  neu",
                 code,
                 "Tonruf I (kurz)",
                 "Sofortiger Weckruf",
                 "02 40 31 03",
                 code,
                 true};
    row.Replies = {"ACK", "Geber läuft", "Träger ein", "Träger aus"};
    row.Heard = {"Tonruf I 0,5 s", i % 10 == 0 ? "10345" : code};
    row.Verdict = i % 10 == 0 ? TVerdict{TVerdictKind::Differs, "weicht ab (Stelle 2: 0 statt 2)",
                                         "Stelle 2: 0 statt 2"}
                              : TVerdict{TVerdictKind::Matches, "stimmt", ""};
    if (sheet)
        row.Judgement = JudgementWithSheet();
    return row;
}

// Stripes that differ per row, so no two pictures are the same image.
void WritePicture(const fs::path& path, int i) {
    QImage picture(AlarmPictureWidth, AlarmOverviewHeight + CodeZoomHeight, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb((x * 7 + i) % 256, (y * 3 + x / 40) % 256, (x ^ y) % 256));
    picture.save(QString::fromStdString(path.string()));
}

// Reads and writes as the command does; returns the wall time in ms.
double TimeReport(const fs::path& csv, const fs::path& pdf) {
    const auto start = std::chrono::steady_clock::now();
    std::string text;
    {
        std::FILE* file = std::fopen(csv.c_str(), "rb");
        char chunk[65536];
        while (const std::size_t got = std::fread(chunk, 1, sizeof chunk, file))
            text.append(chunk, got);
        std::fclose(file);
    }
    TRecordRead read = ReadRecordRows(text);
    FindPictures(read.Rows, csv.parent_path());
    const TReport report{{"M. Müller", "Geber 4711", "Werkstatt Nord", ""},
                         "2026-12-07",
                         std::move(read.Rows),
                         std::move(read.SkippedLines)};
    if (const auto failure =
            WriteReportPdf(report, QString::fromStdString(pdf.string()), csv.string(),
                           [](const std::string&, const std::string&) {})) {
        std::fprintf(stderr, "report failed: %s\n", failure->c_str());
        std::exit(1);
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000;
    const fs::path folder =
        fs::temp_directory_path() / ("quorvane-report-bench-" + std::to_string(getpid()));
    fs::create_directories(folder / RecordPictureFolder("2026-12-07"));
    for (const bool sheet : {false, true}) {
        std::string day = "\xEF\xBB\xBF" + CsvHeaderLine();
        for (int i = 0; i < rows; ++i)
            day += CsvLine(Row(i, sheet));
        std::FILE* csv = std::fopen((folder / (sheet ? "sheets.csv" : "day.csv")).c_str(), "wb");
        std::fwrite(day.data(), 1, day.size(), csv);
        std::fclose(csv);
    }

    const double textMs = TimeReport(folder / "day.csv", folder / "text.pdf");
    const double sheetsMs = TimeReport(folder / "sheets.csv", folder / "sheets.pdf");
    for (int i = 0; i < rows; ++i) {
        const TTestRecordRow row = Row(i, false);
        WritePicture(folder / RecordPictureFolder("2026-12-07") /
                         RecordPictureFileName(row.Alarm.Time, row.Alarm.Code),
                     i);
    }
    const double picturesMs = TimeReport(folder / "sheets.csv", folder / "pictures.pdf");
    std::printf("report_rows_ms %.1f\n", textMs);
    std::printf("report_rows_kB %.0f\n", fs::file_size(folder / "text.pdf") / 1024.0);
    std::printf("report_sheets_ms %.1f\n", sheetsMs);
    std::printf("report_sheets_kB %.0f\n", fs::file_size(folder / "sheets.pdf") / 1024.0);
    std::printf("report_pictures_ms %.1f\n", picturesMs);
    std::printf("report_pictures_kB %.0f\n", fs::file_size(folder / "pictures.pdf") / 1024.0);
    fs::remove_all(folder);
    return 0;
}
