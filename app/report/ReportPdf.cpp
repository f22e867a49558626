#include "app/report/ReportPdf.h"

#include "app/report/ReportSheet.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

std::optional<std::string> WriteReportPdf(const TReport& report, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString().toStdString();
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(ReportDpi);
        writer.setCreator(QString::fromStdString(ReportProgramName()));
        writer.setTitle(QStringLiteral("Prüfbericht ") +
                        QString::fromStdString(report.Fields.Pruefling));
        QPainter painter;
        if (!painter.begin(&writer))
            return "the PDF writer could not start";
        const TReportSheet sheet(report, painter);
        for (int page = 0; page < sheet.PageCount(); ++page) {
            if (page > 0)
                writer.newPage();
            sheet.PaintPage(page);
        }
        painter.end();
    }
    // A full disk may only show when the last bytes are flushed; commit reports it and removes
    // the temporary file.
    if (!file.commit())
        return file.errorString().toStdString();
    return std::nullopt;
}
