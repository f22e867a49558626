#pragma once
// The report drawn on A4 portrait pages: the heading with the four fields, the date and the
// program, the table with a row per alarm and its picture beneath it, the summary with the
// signature line, and "Seite N von M" at the foot of every page.
//
// Measures every block with the painter's fonts when constructed, so the page count is known
// before the first page is painted. GUI thread; the painter must stay active on a device of
// ReportDpi with no margins for the sheet's whole life, and `report` must outlive the sheet.

#include "app/report/ReportModel.h"
#include "app/report/ReportPages.h"

#include <QFont>
#include <QPointF>
#include <vector>

class QPainter;
class QString;

inline constexpr int ReportDpi = 300;

class TReportSheet {
public:
    TReportSheet(const TReport& report, QPainter& painter);

    int PageCount() const;
    void PaintPage(int page) const;

private:
    // Each block is laid out by one function that returns its height and, when `paint` is set,
    // draws it from `top` on, so measuring and painting cannot disagree.
    double Heading(double top, bool paint) const;
    double TableHead(double top, bool paint) const;
    double Row(const TReportRow& row, double top, bool paint) const;
    double Closing(double top, bool paint) const;
    void Footer(int page) const;

    // The text's height wrapped to `width`, drawn at `at` when `paint` is set.
    double TextBlock(const QFont& font, const QString& text, QPointF at, double width,
                     bool paint) const;

    const TReport& report_;
    QPainter& painter_;
    QFont title_, label_, text_, note_, cell_, cellHead_, small_;
    std::vector<TPageLayout> pages_;
};
