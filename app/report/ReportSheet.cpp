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
    std::vector<TBlockExtent> blocks{{Heading(0, false), false}};
    blocks.reserve(report.Rows.size() + 2);
    for (const TReportRow& row : report.Rows)
        blocks.push_back({Row(row, 0, false), true});
    blocks.push_back({Closing(0, false), false});
    pages_ = LayOutPages(blocks, Mm(BodyBottomMm - TopMm), TableHead(0, false));
}

int TReportSheet::PageCount() const {
    return static_cast<int>(pages_.size());
}

void TReportSheet::PaintPage(int page) const {
    const TPageLayout& layout = pages_.at(static_cast<std::size_t>(page));
    const double top = Mm(TopMm);
    if (layout.TableHeadTop)
        TableHead(top + *layout.TableHeadTop, true);
    for (const TPlacedBlock& placed : layout.Blocks) {
        if (placed.Block == 0)
            Heading(top + placed.Top, true);
        else if (placed.Block <= report_.Rows.size())
            Row(report_.Rows[placed.Block - 1], top + placed.Top, true);
        else
            Closing(top + placed.Top, true);
    }
    Footer(page);
}

double TReportSheet::TextBlock(const QFont& font, const QString& text, QPointF at, double width,
                               bool paint) const {
    painter_.setFont(font);
    const QRectF box =
        painter_.boundingRect(QRectF(at, QSizeF(width, Mm(PageHeightMm))), text, Wrapping());
    const double height = std::max<double>(painter_.fontMetrics().height(), box.height());
    if (paint)
        painter_.drawText(QRectF(at, QSizeF(width, height)), text, Wrapping());
    return height;
}

double TReportSheet::Heading(double top, bool paint) const {
    const double left = Mm(LeftMm);
    double y =
        top +
        TextBlock(title_, QStringLiteral("Prüfbericht"), {left, top}, Mm(TableWidthMm), paint) +
        Mm(3);
    for (const auto& [label, value] : HeadingFields(report_)) {
        TextBlock(label_, label + QStringLiteral(":"), {left, y}, Mm(LabelWidthMm), paint);
        y += TextBlock(text_, value, {left + Mm(LabelWidthMm), y}, Mm(TableWidthMm - LabelWidthMm),
                       paint) +
             Mm(1);
    }
    if (const std::string note = SkippedLinesNote(report_.SkippedLines); !note.empty())
        y += Mm(3) + TextBlock(note_, Text(note), {left, y + Mm(3)}, Mm(TableWidthMm), paint);
    return y + Mm(BlockGapMm) - top;
}

double TReportSheet::TableHead(double top, bool paint) const {
    const auto titles = [&](bool drawing) {
        double height = 0;
        double x = Mm(LeftMm);
        for (const TColumn& column : Columns()) {
            height = std::max(height, TextBlock(cellHead_, Text(column.Title),
                                                {x + Mm(CellPadMm), top + Mm(CellPadMm)},
                                                Mm(column.WidthMm - 2 * CellPadMm), drawing));
            x += Mm(column.WidthMm);
        }
        return height + Mm(2 * CellPadMm);
    };
    const double height = titles(false);
    // The band goes beneath the titles, so it is drawn once their height is known.
    if (paint) {
        painter_.fillRect(QRectF(Mm(LeftMm), top, Mm(TableWidthMm), height), QColor(225, 225, 225));
        titles(true);
    }
    return height;
}

double TReportSheet::Row(const TReportRow& row, double top, bool paint) const {
    const double left = Mm(LeftMm);
    double cells = 0;
    double x = left;
    for (const TColumn& column : Columns()) {
        cells = std::max(cells, TextBlock(cell_, Text(row.*column.Field),
                                          {x + Mm(CellPadMm), top + Mm(CellPadMm)},
                                          Mm(column.WidthMm - 2 * CellPadMm), paint));
        x += Mm(column.WidthMm);
    }
    double y = top + cells + Mm(2 * CellPadMm);
    if (!row.Measurements.empty())
        y += TextBlock(small_, Text("Messwerte: " + row.Measurements), {left + Mm(CellPadMm), y},
                       Mm(TableWidthMm - 2 * CellPadMm), paint) +
             Mm(CellPadMm);
    if (const QSizeF size = PictureSize(row.Picture); !size.isEmpty()) {
        // Read only when painted, so a long report holds one picture in memory at a time.
        if (paint)
            painter_.drawImage(QRectF(QPointF(left + Mm(CellPadMm), y + Mm(CellPadMm)), size),
                               QImage(Text(row.Picture)));
        y += size.height() + Mm(2 * CellPadMm);
    }
    if (paint) {
        painter_.setPen(QPen(QColor(160, 160, 160), Mm(0.2)));
        painter_.drawLine(QPointF(left, y), QPointF(left + Mm(TableWidthMm), y));
        painter_.setPen(Qt::black);
    }
    return y - top;
}

double TReportSheet::Closing(double top, bool paint) const {
    const double left = Mm(LeftMm);
    double y = top + Mm(BlockGapMm);
    y += TextBlock(label_, Text(VerdictSummary(report_.Rows)), {left, y}, Mm(TableWidthMm), paint) +
         Mm(SignatureGapMm);
    if (paint) {
        painter_.setPen(QPen(Qt::black, Mm(0.3)));
        painter_.drawLine(QPointF(left, y), QPointF(left + Mm(SignatureLineMm), y));
        painter_.setPen(Qt::black);
    }
    y += Mm(1) + TextBlock(small_, QStringLiteral("Datum, Unterschrift Prüfer"), {left, y + Mm(1)},
                           Mm(SignatureLineMm), paint);
    return y - top;
}

void TReportSheet::Footer(int page) const {
    const QRectF line(Mm(LeftMm), Mm(FooterTopMm), Mm(TableWidthMm), Mm(6));
    painter_.setFont(small_);
    painter_.drawText(
        line, Qt::AlignLeft | Qt::AlignTop,
        Text(ReportProgramName() + " · Prüfbericht " + ReportDate(report_.Rows, report_.Created)));
    painter_.drawText(line, Qt::AlignRight | Qt::AlignTop,
                      QStringLiteral("Seite %1 von %2").arg(page + 1).arg(PageCount()));
}
