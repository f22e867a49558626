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
#include <QSizeF>
#include <vector>

class QPainter;
class QRectF;
class QString;

inline constexpr int ReportDpi = 300;

class TReportSheet {
public:
    TReportSheet(const TReport& report, QPainter& painter);

    int PageCount() const;
    void PaintPage(int page) const;

private:
    struct TRowExtent {
        double CellsHeight = 0;
        double MeasurementsHeight = 0;
        QSizeF Picture; // empty when the row shows none
    };

    double TextHeight(const QFont& font, const QString& text, double width) const;
    void DrawText(const QFont& font, const QRectF& box, const QString& text) const;

    double MeasureHeading() const;
    double MeasureTableHead() const;
    TRowExtent MeasureRow(const TReportRow& row) const;
    double MeasureClosing() const;

    void PaintHeading(double top) const;
    void PaintTableHead(double top) const;
    void PaintRow(const TReportRow& row, const TRowExtent& extent, double top) const;
    void PaintClosing(double top) const;
    void PaintFooter(int page) const;

    const TReport& report_;
    QPainter& painter_;
    QFont title_, label_, text_, note_, cell_, cellHead_, small_;
    std::vector<TRowExtent> rows_;
    double headingHeight_ = 0;
    double tableHeadHeight_ = 0;
    double closingHeight_ = 0;
    std::vector<TPageLayout> pages_;
};
