// quorvane-report: makes the Prüfbericht, a PDF test report, from a day's test record file and
// its picture folder, so an older day can still be reported. See --help.

#include "app/report/ReportPdf.h"
#include "app/report/ReportRows.h"
#include "app/reportcli/ReportCommandLine.h"
#include "runtime/StandardOutput.h"

#include <QDate>
#include <QGuiApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

// Qt's own remarks (a missing runtime folder under cron, say) would bury the command's one
// message; its errors reach stderr through Refuse.
void IgnoreQtRemarks(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s: %s\n", ReportProgramFile.data(), qPrintable(message));
}

int Refuse(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", ReportProgramFile.data(), message.c_str());
    return 2;
}

int MakeReport(const TReportOptions& options) {
    std::error_code error;
    if (std::filesystem::is_directory(options.Input, error))
        return Refuse("cannot read " + options.Input + ": it is a folder");
    std::ifstream file(options.Input, std::ios::binary);
    if (!file)
        return Refuse("cannot open " + options.Input + ": " + std::strerror(errno));
    std::ostringstream text;
    if (!(text << file.rdbuf()) && file.bad())
        return Refuse("cannot read " + options.Input + ": " + std::strerror(errno));

    TRecordRead read = ReadRecordRows(text.str());
    if (!read.Error.empty())
        return Refuse(options.Input + ": " + read.Error);
    FindPictures(read.Rows, std::filesystem::path(options.Input).parent_path());
    if (const std::size_t skipped = read.SkippedLines.size(); skipped > 0) {
        const char* lines = skipped == 1 ? "line" : "lines";
        std::fprintf(stderr,
                     "%s: %zu %s of %s %s no row of the test record, left out of the "
                     "report (%s %s)\n",
                     ReportProgramFile.data(), skipped, lines, options.Input.c_str(),
                     skipped == 1 ? "is" : "are", lines, LineList(read.SkippedLines).c_str());
    }

    const TReport report{options.Fields, QDate::currentDate().toString(Qt::ISODate).toStdString(),
                         std::move(read.Rows), std::move(read.SkippedLines)};
    const auto unreadable = [](const std::string& picture, const std::string& why) {
        std::fprintf(stderr, "%s: %s\n", ReportProgramFile.data(),
                     UnreadablePictureNote(picture, why).c_str());
    };
    if (const auto failure = WriteReportPdf(report, QString::fromLocal8Bit(options.Output),
                                            options.Input, unreadable))
        return Refuse("cannot write " + options.Output + ": " + *failure);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const auto parsed = ParseReportCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.Options) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", ReportProgramFile.data(),
                     parsed.Error.c_str(), ReportProgramFile.data());
        return 2;
    }
    if (parsed.Options->Help)
        return PrintOnStandardOutput(ReportProgramFile, ReportUsageText());
    // The fonts need a GUI application, but the command shows no window: it runs without a
    // display, over ssh or in a script.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(IgnoreQtRemarks);
    QGuiApplication application(argc, argv);
    return MakeReport(*parsed.Options);
}
