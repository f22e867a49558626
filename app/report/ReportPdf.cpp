#include "app/report/ReportPdf.h"

#include "app/outputfile/OutputTarget.h"
#include "app/report/ReportSheet.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace {

std::optional<QByteArray> RenderedPdf(const TReport& report, const TUnreadablePicture& unreadable) {
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QPdfWriter writer(&pdf);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(ReportDpi);
    writer.setCreator(QString::fromStdString(ReportProgramName()));
    writer.setTitle(QStringLiteral("Prüfbericht ") +
                    QString::fromStdString(report.Fields.Pruefling));
    QPainter painter;
    if (!painter.begin(&writer))
        return std::nullopt;
    const TReportSheet sheet(report, painter, unreadable);
    for (int page = 0; page < sheet.PageCount(); ++page) {
        if (page > 0)
            writer.newPage();
        sheet.PaintPage(page);
    }
    painter.end();
    return pdf.data();
}

// The record file and every picture the report reads.
std::vector<std::string> ReportInputs(const TReport& report, const std::string& recordFile) {
    std::vector<std::string> inputs{recordFile};
    for (const TReportRow& row : report.Rows)
        if (!row.Picture.empty())
            inputs.push_back(row.Picture);
    return inputs;
}

} // namespace

std::optional<std::string> WriteReportPdf(const TReport& report, const QString& path,
                                          const std::string& recordFile,
                                          const TUnreadablePicture& unreadable) {
    const std::vector<std::string> inputs = ReportInputs(report, recordFile);
    const auto refused = [&] { return RefusedOutput(path.toLocal8Bit().toStdString(), inputs); };
    if (auto why = refused())
        return why;
    // Opened first, so a folder that cannot take the file is told before any work is done.
    // Unbuffered, because Qt's buffer takes a short write on a full disk for success; written
    // straight, a short write shows, and writing the rest again brings out the system's reason.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString().toStdString();
    // Made whole in memory, so it goes out in one write that can be checked.
    const std::optional<QByteArray> pdf = RenderedPdf(report, unreadable);
    if (!pdf)
        return "the PDF writer could not start";
    for (qsizetype done = 0; done < pdf->size();) {
        const qint64 wrote = file.write(pdf->constData() + done, pdf->size() - done);
        if (wrote <= 0)
            return file.errorString().toStdString();
        done += wrote;
    }
    // A long report takes seconds to make: what took the name meanwhile is not replaced either.
    if (auto why = refused())
        return why;
    // Not committed, the temporary file goes with `file`; committed, it replaces the target.
    if (!file.commit())
        return file.errorString().toStdString();
    return std::nullopt;
}
