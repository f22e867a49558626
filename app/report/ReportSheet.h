#pragma once
// The report drawn on A4 portrait pages: the heading with the four fields, the date and the
// program, the table with a row per alarm and beneath it the receivers' verdict, its
// measurement sheet as a small table (or, from older records, the measured values as a line)
// and its picture at the table's width, the summary with the
// signature line, and "Seite N von M" at the foot of every page. Text taller than the rest of a
// page flows on to the next (ReportPages.h), never over the footer; a field of more than 10,000
// characters is shortened, and says so. Lines are broken by the report itself (TextLines.h), in
// time linear in a text's length.
//
// Measures every block with the painter's fonts when constructed, so the page count is known
// before the first page is painted. GUI thread; the painter must stay active on a device of
// ReportDpi with no margins for the sheet's whole life, and `report` must outlive the sheet.

#include "app/report/BlockCanvas.h"
#include "app/report/ReportModel.h"
#include "app/report/ReportPages.h"
#include "app/report/SheetFont.h"

#include <QPointF>
#include <QString>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QPainter;
class QRectF;

inline constexpr int ReportDpi = 300;

// Told of each row picture that cannot be read, with the reader's reason; "Bild nicht lesbar"
// stands in its place.
using TUnreadablePicture = std::function<void(const std::string& path, const std::string& why)>;

class TReportSheet {
public:
    TReportSheet(const TReport& report, QPainter& painter, TUnreadablePicture unreadable);

    int PageCount() const;
    void PaintPage(int page) const;

private:
    // Each block is laid out by one function that returns its height and, painting, draws the
    // parts of it that fall on the page (BlockCanvas.h), so measuring and painting agree.
    double Block(std::size_t block, TBlockCanvas& canvas) const; // 0: heading, then rows, closing
    double Heading(TBlockCanvas& canvas) const;
    double TableHead(TBlockCanvas& canvas) const;
    double Row(const TReportRow& row, TBlockCanvas& canvas) const;
    // The measurement sheet as a table from `top` of the row's block; returns its bottom.
    double Sheet(const std::vector<TSheetRow>& sheet, double top, TBlockCanvas& canvas) const;
    // One line of the sheet, or its titles; returns its height.
    double SheetLine(const TSheetRow& cells, double top, bool titles, TBlockCanvas& canvas) const;
    double Closing(TBlockCanvas& canvas) const;
    void Picture(const std::string& path, const QRectF& box, TBlockCanvas& canvas) const;
    void Footer(int page) const;

    // The UTF-8 text's height wrapped to `width`, its top left at `at` in the block; a text
    // longer than a field may be is shortened with a note of how much was left out.
    double TextBlock(const TSheetFont& font, std::string_view text, QPointF at, double width,
                     TBlockCanvas& canvas) const;

    const TReport& Report_;
    QPainter& Painter_;
    TUnreadablePicture Unreadable_;
    TSheetFont Title_, Label_, Text_, Note_, Cell_, CellHead_, Small_, Sheet_, SheetBold_;
    QString Footer_;
    std::vector<TPageLayout> Pages_;
};
