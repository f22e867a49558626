// How the Prüfbericht's layout grows with a field's length: one field without a blank of 10 kB
// to 10 MB broken into the lines of the report's narrowest column, the whole report of a row with
// such a field (read, laid out, written; the report shows the first 10,000 characters), and a
// report of 100,000 ordinary rows. Qt's own wrapping of such a field (10 and 30 kB; it grows with
// the square of the length) is the floor. Prints "name value" lines for scripts/bench.sh.

#include "app/report/ReportPdf.h"
#include "app/report/ReportRows.h"
#include "app/report/SheetFont.h"
#include "app/report/TextLines.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The "Zeit" column, 13 mm less its padding, at the report's 300 dpi.
constexpr double NarrowColumn = 11 * 300 / 25.4;

double Milliseconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

QFont CellFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(7.5);
    return font;
}

void WriteReport(const std::string& csv, const fs::path& folder) {
    TRecordRead read = ReadRecordRows(csv);
    const TReport report{{"M. Müller", "Geber 4711", "Werkstatt Nord", ""},
                         "2026-12-07",
                         std::move(read.Rows),
                         std::move(read.SkippedLines)};
    const auto failure = WriteReportPdf(report, QString::fromStdString((folder / "r.pdf").string()),
                                        (folder / "day.csv").string(),
                                        [](const std::string&, const std::string&) {});
    if (failure) {
        std::fprintf(stderr, "report failed: %s\n", failure->c_str());
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    const fs::path folder =
        fs::temp_directory_path() / ("quorvane-layout-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    QPdfWriter writer(&sink);
    writer.setResolution(300);
    const TSheetFont font(CellFont(), &writer);
    const std::string head = "Datum;Zeit;Code;Ergebnis;Antworten\r\n";

    for (const std::size_t length : {10'000, 100'000, 1'000'000, 10'000'000}) {
        const std::string field(length, '7');
        std::size_t lines = 0;
        const double wrapMs = Milliseconds([&] {
            lines =
                WrapLines(field, NarrowColumn, [&](char32_t c) { return font.Advance(c); }).size();
        });
        std::printf("layout_wrap_ms_%zu %.3f\n", length, wrapMs);
        std::printf("layout_wrap_ns_per_char_%zu %.2f\n", length, wrapMs * 1e6 / length);
        std::printf("layout_wrap_lines_%zu %zu\n", length, lines);
        const std::string csv = head + "2026-12-07;14:00:00;1;stimmt;" + field + "\r\n";
        std::printf("layout_report_ms_%zu %.1f\n", length,
                    Milliseconds([&] { WriteReport(csv, folder); }));
    }
    // Qt's wrapping looks ahead to the end of an unbroken word for every line: quadratic.
    for (const std::size_t length : {10'000, 30'000}) {
        QPainter painter(&writer);
        painter.setFont(font.Font());
        QTextOption wrapping;
        wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        const QString field(static_cast<qsizetype>(length), QLatin1Char('7'));
        std::printf("layout_qt_wrap_ms_%zu %.3f\n", length, Milliseconds([&] {
                        painter.boundingRect(QRectF(0, 0, NarrowColumn, 1e9), field, wrapping);
                    }));
    }

    std::string many = head;
    for (int i = 0; i < 100'000; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "2026-12-07;%02d:%02d:%02d;%d;stimmt;ACK, Geber läuft\r\n",
                      i / 3600 % 24, i / 60 % 60, i % 60, 100000 + i);
        many += line;
    }
    std::printf("layout_report_100k_rows_ms %.0f\n",
                Milliseconds([&] { WriteReport(many, folder); }));
    fs::remove_all(folder);
    return 0;
}
