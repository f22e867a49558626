#include "app/report/ReportSheet.h"

#include "app/testrecord/TestRecordRow.h"

#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTextOption>
#include <algorithm>
#include <array>

namespace {

double Mm(double mm) {
    return mm * ReportDpi / 25.4;
}

// A4 portrait; the foot keeps room for the footer below the body.
constexpr double PageHeightMm = 297;
constexpr double LeftMm = 20;
constexpr double TopMm = 15;
constexpr double BodyBottomMm = 275;
constexpr double FooterTopMm = 282;
constexpr double TableWidthMm = 175;
constexpr double LabelWidthMm = 30;
constexpr double CellPadMm = 1;
constexpr double PictureMaxHeightMm = 40;
constexpr double BlockGapMm = 6;
constexpr double SignatureGapMm = 20;
constexpr double SignatureLineMm = 80;

struct TColumn {
    std::string_view Title;
    std::string TReportRow::*Field;
    double WidthMm;
};

// Widths fitted to the record's usual texts at the table's font; longer ones wrap.
const std::array<TColumn, 9>& Columns() {
    const TRecordFields& titles = RecordColumnTitles();
    static const std::array<TColumn, 9> columns{{
        {titles[rcTime], &TReportRow::Time, 13},
        {titles[rcEncoderType], &TReportRow::EncoderType, 19},
        {titles[rcCode], &TReportRow::Code, 15},
        {titles[rcPreTone], &TReportRow::PreTone, 17},
        {titles[rcAlarmType], &TReportRow::AlarmType, 22},
        {titles[rcReplies], &TReportRow::Replies, 22},
        {titles[rcHeard], &TReportRow::Heard, 21},
        {titles[rcVerdict], &TReportRow::Verdict, 22},
        {"Abweichungen", &TReportRow::Misses, 24},
    }};
    return columns;
}

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont Font(double points, bool bold) {
    // Metric-compatible with Arial, so the layout matches what the technician knows from print.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Codes and reply lists have no blanks to break at; they wrap anywhere rather than overflow.
QTextOption Wrapping() {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

std::vector<std::pair<QString, QString>> HeadingFields(const TReport& report) {
    const TReportFields& fields = report.Fields;
    return {{QStringLiteral("Prüfer"), Text(fields.Pruefer)},
            {QStringLiteral("Prüfling"), Text(fields.Pruefling)},
            {QStringLiteral("Standort"), Text(fields.Standort)},
            {QStringLiteral("Datum"), Text(ReportDate(report.Rows, report.Created))},
            {QStringLiteral("Bemerkung"), Text(fields.Bemerkung)},
            {QStringLiteral("Programm"), Text(ReportProgramName())}};
}

QSizeF PictureSize(const std::string& path) {
    if (path.empty())
        return {};
    const QSize size = QImageReader(Text(path)).size();
    if (size.isEmpty())
        return {};
    const double width = Mm(TableWidthMm - 2 * CellPadMm);
    const double scale = std::min(width / size.width(), Mm(PictureMaxHeightMm) / size.height());
    return QSizeF(size) * scale;
}

} // namespace

TReportSheet::TReportSheet(const TReport& report, QPainter& painter)
    : report_(report), painter_(painter), title_(Font(16, true)), label_(Font(10, true)),
      text_(Font(10, false)), note_(Font(9, true)), cell_(Font(7.5, false)),
      cellHead_(Font(7.5, true)), small_(Font(7, false)) {
    headingHeight_ = MeasureHeading();
    tableHeadHeight_ = MeasureTableHead();
    closingHeight_ = MeasureClosing();
    std::vector<TBlockExtent> blocks{{headingHeight_, false}};
    rows_.reserve(report.Rows.size());
    for (const TReportRow& row : report.Rows) {
        rows_.push_back(MeasureRow(row));
        const TRowExtent& extent = rows_.back();
        blocks.push_back(
            {extent.CellsHeight + extent.MeasurementsHeight +
                 (extent.Picture.isEmpty() ? 0 : extent.Picture.height() + Mm(2 * CellPadMm)),
             true});
    }
    blocks.push_back({closingHeight_, false});
    pages_ = LayOutPages(blocks, Mm(BodyBottomMm - TopMm), tableHeadHeight_);
}

int TReportSheet::PageCount() const {
    return static_cast<int>(pages_.size());
}

double TReportSheet::TextHeight(const QFont& font, const QString& text, double width) const {
    painter_.setFont(font);
    const double line = painter_.fontMetrics().height();
    return std::max(
        line,
        painter_.boundingRect(QRectF(0, 0, width, Mm(PageHeightMm)), text, Wrapping()).height());
}

void TReportSheet::DrawText(const QFont& font, const QRectF& box, const QString& text) const {
    painter_.setFont(font);
    painter_.drawText(box, text, Wrapping());
}

double TReportSheet::MeasureHeading() const {
    double height = TextHeight(title_, QStringLiteral("Prüfbericht"), Mm(TableWidthMm)) + Mm(3);
    for (const auto& [label, value] : HeadingFields(report_))
        height += TextHeight(text_, value, Mm(TableWidthMm - LabelWidthMm)) + Mm(1);
    if (const std::string note = SkippedLinesNote(report_.SkippedLines); !note.empty())
        height += Mm(3) + TextHeight(note_, Text(note), Mm(TableWidthMm));
    return height + Mm(BlockGapMm);
}

double TReportSheet::MeasureTableHead() const {
    double height = 0;
    for (const TColumn& column : Columns())
        height = std::max(
            height, TextHeight(cellHead_, Text(column.Title), Mm(column.WidthMm - 2 * CellPadMm)));
    return height + Mm(2 * CellPadMm);
}

TReportSheet::TRowExtent TReportSheet::MeasureRow(const TReportRow& row) const {
    TRowExtent extent;
    for (const TColumn& column : Columns())
        extent.CellsHeight =
            std::max(extent.CellsHeight, TextHeight(cell_, Text(row.*column.Field),
                                                    Mm(column.WidthMm - 2 * CellPadMm)));
    extent.CellsHeight += Mm(2 * CellPadMm);
    if (!row.Measurements.empty())
        extent.MeasurementsHeight = TextHeight(small_, Text("Messwerte: " + row.Measurements),
                                               Mm(TableWidthMm - 2 * CellPadMm)) +
                                    Mm(CellPadMm);
    extent.Picture = PictureSize(row.Picture);
    return extent;
}

double TReportSheet::MeasureClosing() const {
    return Mm(BlockGapMm) +
           TextHeight(label_, Text(VerdictSummary(report_.Rows)), Mm(TableWidthMm)) +
           Mm(SignatureGapMm) +
           TextHeight(small_, QStringLiteral("Datum, Unterschrift Prüfer"), Mm(SignatureLineMm));
}

void TReportSheet::PaintPage(int page) const {
    const TPageLayout& layout = pages_.at(static_cast<std::size_t>(page));
    const double top = Mm(TopMm);
    if (layout.TableHeadTop)
        PaintTableHead(top + *layout.TableHeadTop);
    for (const TPlacedBlock& placed : layout.Blocks) {
        if (placed.Block == 0)
            PaintHeading(top + placed.Top);
        else if (placed.Block <= rows_.size())
            PaintRow(report_.Rows[placed.Block - 1], rows_[placed.Block - 1], top + placed.Top);
        else
            PaintClosing(top + placed.Top);
    }
    PaintFooter(page);
}

void TReportSheet::PaintHeading(double top) const {
    const double left = Mm(LeftMm);
    const QString title = QStringLiteral("Prüfbericht");
    const double titleHeight = TextHeight(title_, title, Mm(TableWidthMm));
    DrawText(title_, QRectF(left, top, Mm(TableWidthMm), titleHeight), title);
    double y = top + titleHeight + Mm(3);
    const double valueWidth = Mm(TableWidthMm - LabelWidthMm);
    for (const auto& [label, value] : HeadingFields(report_)) {
        const double height = TextHeight(text_, value, valueWidth);
        DrawText(label_, QRectF(left, y, Mm(LabelWidthMm), height), label + QStringLiteral(":"));
        DrawText(text_, QRectF(left + Mm(LabelWidthMm), y, valueWidth, height), value);
        y += height + Mm(1);
    }
    if (const std::string note = SkippedLinesNote(report_.SkippedLines); !note.empty()) {
        y += Mm(3);
        DrawText(note_, QRectF(left, y, Mm(TableWidthMm), Mm(PageHeightMm)), Text(note));
    }
}

void TReportSheet::PaintTableHead(double top) const {
    const QRectF band(Mm(LeftMm), top, Mm(TableWidthMm), tableHeadHeight_);
    painter_.fillRect(band, QColor(225, 225, 225));
    double x = band.left();
    for (const TColumn& column : Columns()) {
        DrawText(cellHead_,
                 QRectF(x + Mm(CellPadMm), top + Mm(CellPadMm), Mm(column.WidthMm - 2 * CellPadMm),
                        tableHeadHeight_),
                 Text(column.Title));
        x += Mm(column.WidthMm);
    }
}

void TReportSheet::PaintRow(const TReportRow& row, const TRowExtent& extent, double top) const {
    const double left = Mm(LeftMm);
    double x = left;
    for (const TColumn& column : Columns()) {
        DrawText(cell_,
                 QRectF(x + Mm(CellPadMm), top + Mm(CellPadMm), Mm(column.WidthMm - 2 * CellPadMm),
                        extent.CellsHeight),
                 Text(row.*column.Field));
        x += Mm(column.WidthMm);
    }
    double y = top + extent.CellsHeight;
    if (extent.MeasurementsHeight > 0) {
        DrawText(small_,
                 QRectF(left + Mm(CellPadMm), y, Mm(TableWidthMm - 2 * CellPadMm),
                        extent.MeasurementsHeight),
                 Text("Messwerte: " + row.Measurements));
        y += extent.MeasurementsHeight;
    }
    if (!extent.Picture.isEmpty()) {
        // Read only now, so a long report holds one picture in memory at a time.
        const QImage picture(Text(row.Picture));
        if (!picture.isNull())
            painter_.drawImage(
                QRectF(QPointF(left + Mm(CellPadMm), y + Mm(CellPadMm)), extent.Picture), picture);
        y += extent.Picture.height() + Mm(2 * CellPadMm);
    }
    painter_.setPen(QPen(QColor(160, 160, 160), Mm(0.2)));
    painter_.drawLine(QPointF(left, y), QPointF(left + Mm(TableWidthMm), y));
    painter_.setPen(Qt::black);
}

void TReportSheet::PaintClosing(double top) const {
    const double left = Mm(LeftMm);
    const QString summary = Text(VerdictSummary(report_.Rows));
    double y = top + Mm(BlockGapMm);
    const double summaryHeight = TextHeight(label_, summary, Mm(TableWidthMm));
    DrawText(label_, QRectF(left, y, Mm(TableWidthMm), summaryHeight), summary);
    y += summaryHeight + Mm(SignatureGapMm);
    painter_.setPen(QPen(Qt::black, Mm(0.3)));
    painter_.drawLine(QPointF(left, y), QPointF(left + Mm(SignatureLineMm), y));
    painter_.setPen(Qt::black);
    DrawText(small_, QRectF(left, y + Mm(1), Mm(SignatureLineMm), Mm(10)),
             QStringLiteral("Datum, Unterschrift Prüfer"));
}

void TReportSheet::PaintFooter(int page) const {
    const QRectF line(Mm(LeftMm), Mm(FooterTopMm), Mm(TableWidthMm), Mm(6));
    painter_.setFont(small_);
    painter_.drawText(
        line, Qt::AlignLeft | Qt::AlignTop,
        Text(ReportProgramName() + " · Prüfbericht " + ReportDate(report_.Rows, report_.Created)));
    painter_.drawText(line, Qt::AlignRight | Qt::AlignTop,
                      QStringLiteral("Seite %1 von %2").arg(page + 1).arg(PageCount()));
}
