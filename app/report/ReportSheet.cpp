#include "app/report/ReportSheet.h"

#include "app/report/TextLines.h"
#include "app/testrecord/TestRecordRow.h"

#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

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
constexpr double SheetPadMm = 0.3;
// The record's pictures carry axes and text drawn for about this width: printed smaller, their
// words become unreadable. Only a picture far taller than usual is held to the height.
constexpr double PictureMaxHeightMm = 150;
constexpr double BlockGapMm = 6;
constexpr double SignatureGapMm = 20;
constexpr double SignatureLineMm = 80;
constexpr double UnreadablePictureHeightMm = 10;
// A field longer than this (a pasted log, a runaway recording) would fill dozens of pages of a
// narrow column; the rest is left out, and the report says how much.
constexpr std::size_t MaxFieldChars = 10000;

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

// The measurement sheet's columns, fitted to its usual texts at the sheet's font ("Verzögerung
// Doppelton", "+38,1 Hz (+3,00 %)", "−610,0 Hz"); the misses' words wrap in "Ergebnis".
constexpr std::array<double, scColumnCount> SheetColumnWidthsMm{25, 10, 13, 13, 21, 12,
                                                                10, 10, 12, 34, 13};
static_assert(std::accumulate(SheetColumnWidthsMm.begin(), SheetColumnWidthsMm.end(), 0.0) ==
              TableWidthMm - 2 * CellPadMm);

// A sheet cell that says something is wrong: a miss, or a receiver's reserve below zero.
bool Missed(const TSheetRow& row, std::size_t column) {
    return (column == scResult && !row[column].empty() && row[column] != "ok") ||
           (column == scReserve && row[column].starts_with("\u2212"));
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

std::vector<std::pair<std::string, std::string>> HeadingFields(const TReport& report) {
    const TReportFields& fields = report.Fields;
    return {{"Prüfer", fields.Pruefer},      {"Prüfling", fields.Pruefling},
            {"Standort", fields.Standort},   {"Datum", ReportDate(report.Rows, report.Created)},
            {"Bemerkung", fields.Bemerkung}, {"Programm", ReportProgramName()}};
}

// Whether a picture that could not be decoded was beyond the reader's allocation limit.
bool TooLargeToRead(QSize size) {
    const double megabytes = 4.0 * size.width() * size.height() / (1024.0 * 1024.0);
    const int limit = QImageReader::allocationLimit();
    return limit > 0 && megabytes > limit;
}

// The box a row's picture takes: the table's width, at most PictureMaxHeightMm high; a
// picture whose size cannot be read gets a box for the words that say so.
QSizeF PictureBox(const std::string& path) {
    const QSize size = QImageReader(Text(path)).size();
    const double width = Mm(TableWidthMm - 2 * CellPadMm);
    if (size.isEmpty())
        return QSizeF(width, Mm(UnreadablePictureHeightMm));
    const double scale = std::min(width / size.width(), Mm(PictureMaxHeightMm) / size.height());
    return QSizeF(size) * scale;
}

} // namespace

TReportSheet::TReportSheet(const TReport& report, QPainter& painter, TUnreadablePicture unreadable)
    : Report_(report), Painter_(painter), Unreadable_(std::move(unreadable)),
      Title_(Font(16, true), painter.device()), Label_(Font(10, true), painter.device()),
      Text_(Font(10, false), painter.device()), Note_(Font(9, true), painter.device()),
      Cell_(Font(7.5, false), painter.device()), CellHead_(Font(7.5, true), painter.device()),
      Small_(Font(7, false), painter.device()), Sheet_(Font(6.5, false), painter.device()),
      SheetBold_(Font(6.5, true), painter.device()),
      // Made once: the date looks at every row, and a long report has thousands of pages.
      Footer_(
          Text(ReportProgramName() + " · Prüfbericht " + ReportDate(report.Rows, report.Created))) {
    std::vector<TBlockExtent> blocks;
    blocks.reserve(report.Rows.size() + 2);
    for (std::size_t block = 0; block < report.Rows.size() + 2; ++block) {
        TBlockCanvas measuring;
        const double height = Block(block, measuring);
        const bool inTable = block > 0 && block <= report.Rows.size();
        blocks.push_back({height, inTable, measuring.Breaks(height)});
    }
    TBlockCanvas measuring;
    Pages_ = LayOutPages(blocks, Mm(BodyBottomMm - TopMm), TableHead(measuring));
}

int TReportSheet::PageCount() const {
    return static_cast<int>(Pages_.size());
}

void TReportSheet::PaintPage(int page) const {
    const TPageLayout& layout = Pages_.at(static_cast<std::size_t>(page));
    const double top = Mm(TopMm);
    if (layout.TableHeadTop) {
        TBlockCanvas head(top + *layout.TableHeadTop);
        TableHead(head);
    }
    for (const TPlacedBlock& placed : layout.Blocks) {
        TBlockCanvas part(top + placed.Top, placed.From, placed.To);
        Block(placed.Block, part);
    }
    Footer(page);
}

double TReportSheet::Block(std::size_t block, TBlockCanvas& canvas) const {
    if (block == 0)
        return Heading(canvas);
    if (block <= Report_.Rows.size())
        return Row(Report_.Rows[block - 1], canvas);
    return Closing(canvas);
}

double TReportSheet::TextBlock(const TSheetFont& font, std::string_view text, QPointF at,
                               double width, TBlockCanvas& canvas) const {
    const std::string shown = ShortenedText(text, MaxFieldChars);
    const std::vector<TLineSpan> lines =
        WrapLines(shown, width, [&font](char32_t c) { return font.Advance(c); });
    const double lineHeight = font.LineHeight();
    Painter_.setFont(font.Font());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const double top = at.y() + static_cast<double>(i) * lineHeight;
        if (canvas.Take(top, top + lineHeight) && lines[i].End > lines[i].Begin)
            Painter_.drawText(QPointF(at.x(), canvas.OnPage(top) + font.Ascent()),
                              Text(std::string_view(shown).substr(lines[i].Begin,
                                                                  lines[i].End - lines[i].Begin)));
    }
    return static_cast<double>(lines.size()) * lineHeight;
}

double TReportSheet::Heading(TBlockCanvas& canvas) const {
    const double left = Mm(LeftMm);
    double y = TextBlock(Title_, "Prüfbericht", {left, 0}, Mm(TableWidthMm), canvas) + Mm(3);
    for (const auto& [label, value] : HeadingFields(Report_)) {
        TextBlock(Label_, label + ":", {left, y}, Mm(LabelWidthMm), canvas);
        y += TextBlock(Text_, value, {left + Mm(LabelWidthMm), y}, Mm(TableWidthMm - LabelWidthMm),
                       canvas) +
             Mm(1);
    }
    if (const std::string note = SkippedLinesNote(Report_.SkippedLines); !note.empty())
        y += Mm(3) + TextBlock(Note_, note, {left, y + Mm(3)}, Mm(TableWidthMm), canvas);
    return y + Mm(BlockGapMm);
}

double TReportSheet::TableHead(TBlockCanvas& canvas) const {
    const auto titles = [&](TBlockCanvas& on) {
        double height = 0;
        double x = Mm(LeftMm);
        for (const TColumn& column : Columns()) {
            height = std::max(height,
                              TextBlock(CellHead_, column.Title, {x + Mm(CellPadMm), Mm(CellPadMm)},
                                        Mm(column.WidthMm - 2 * CellPadMm), on));
            x += Mm(column.WidthMm);
        }
        return height + Mm(2 * CellPadMm);
    };
    TBlockCanvas measuring;
    const double height = titles(measuring);
    // The band goes beneath the titles, so it is drawn once their height is known.
    if (canvas.Take(0, height)) {
        Painter_.fillRect(QRectF(Mm(LeftMm), canvas.OnPage(0), Mm(TableWidthMm), height),
                          QColor(225, 225, 225));
        titles(canvas);
    }
    return height;
}

double TReportSheet::Row(const TReportRow& row, TBlockCanvas& canvas) const {
    const double left = Mm(LeftMm);
    double cells = 0;
    double x = left;
    for (const TColumn& column : Columns()) {
        cells =
            std::max(cells, TextBlock(Cell_, row.*column.Field, {x + Mm(CellPadMm), Mm(CellPadMm)},
                                      Mm(column.WidthMm - 2 * CellPadMm), canvas));
        x += Mm(column.WidthMm);
    }
    double y = cells + Mm(2 * CellPadMm);
    const double inner = left + Mm(CellPadMm);
    if (!row.Receivers.empty())
        y += TextBlock(Small_, "Empfänger " + row.Receivers, {inner, y},
                       Mm(TableWidthMm - 2 * CellPadMm), canvas) +
             Mm(CellPadMm);
    // Older records have no sheet, only the measured values in a line.
    if (!row.Sheet.empty())
        y = Sheet(row.Sheet, y, canvas) + Mm(CellPadMm);
    else if (!row.Measurements.empty())
        y += TextBlock(Small_, "Messwerte: " + row.Measurements, {inner, y},
                       Mm(TableWidthMm - 2 * CellPadMm), canvas) +
             Mm(CellPadMm);
    if (!row.Picture.empty()) {
        const QRectF box(QPointF(left + Mm(CellPadMm), y + Mm(CellPadMm)), PictureBox(row.Picture));
        Picture(row.Picture, box, canvas);
        y = box.bottom() + Mm(CellPadMm);
    }
    if (canvas.Take(y, y)) {
        Painter_.setPen(QPen(QColor(160, 160, 160), Mm(0.2)));
        Painter_.drawLine(QPointF(left, canvas.OnPage(y)),
                          QPointF(left + Mm(TableWidthMm), canvas.OnPage(y)));
        Painter_.setPen(Qt::black);
    }
    return y;
}

double TReportSheet::Sheet(const std::vector<TSheetRow>& sheet, double top,
                           TBlockCanvas& canvas) const {
    const double left = Mm(LeftMm + CellPadMm);
    const double width = Mm(TableWidthMm - 2 * CellPadMm);
    TBlockCanvas measuring;
    const double headHeight = SheetLine(SheetColumnTitles(), 0, true, measuring);
    if (canvas.Take(top, top + headHeight))
        Painter_.fillRect(QRectF(left, canvas.OnPage(top), width, headHeight),
                          QColor(235, 235, 235));
    SheetLine(SheetColumnTitles(), top, true, canvas);
    double y = top + headHeight;
    for (const TSheetRow& row : sheet) {
        const double height = SheetLine(row, y, false, canvas);
        // A line of the sheet is never parted, nor the titles from the first line.
        canvas.Take(y == top + headHeight ? top : y, y + height);
        y += height;
    }
    if (canvas.Take(y, y)) {
        Painter_.setPen(QPen(QColor(160, 160, 160), Mm(0.15)));
        Painter_.drawLine(QPointF(left, canvas.OnPage(y)), QPointF(left + width, canvas.OnPage(y)));
        Painter_.setPen(Qt::black);
    }
    return y;
}

double TReportSheet::SheetLine(const TSheetRow& cells, double top, bool titles,
                               TBlockCanvas& canvas) const {
    double height = 0;
    double x = Mm(LeftMm + CellPadMm);
    for (std::size_t column = 0; column < cells.size(); ++column) {
        const double width = Mm(SheetColumnWidthsMm[column]);
        // Red and bold, so a miss stands out on a grey printout as well.
        const bool missed = !titles && Missed(cells, column);
        Painter_.setPen(missed ? QColor(192, 0, 0) : QColor(Qt::black));
        height = std::max(height, TextBlock(titles || missed ? SheetBold_ : Sheet_, cells[column],
                                            {x + Mm(SheetPadMm), top + Mm(SheetPadMm)},
                                            width - Mm(2 * SheetPadMm), canvas));
        x += width;
    }
    Painter_.setPen(Qt::black);
    return height + Mm(2 * SheetPadMm);
}

void TReportSheet::Picture(const std::string& path, const QRectF& box, TBlockCanvas& canvas) const {
    if (!canvas.Take(box.top(), box.bottom()))
        return;
    const QRectF onPage(QPointF(box.left(), canvas.OnPage(box.top())), box.size());
    // Read only when painted, so a long report holds one picture in memory at a time.
    QImageReader reader(Text(path));
    const QSize size = reader.size();
    if (const QImage picture = reader.read(); !picture.isNull()) {
        Painter_.drawImage(onPage, picture);
        return;
    }
    Painter_.setPen(QPen(QColor(160, 160, 160), Mm(0.2)));
    Painter_.drawRect(onPage);
    Painter_.setPen(Qt::black);
    Painter_.setFont(Small_.Font());
    Painter_.drawText(onPage, Qt::AlignCenter, QStringLiteral("Bild nicht lesbar"));
    Unreadable_(path, TooLargeToRead(size)
                          ? "larger than the " + std::to_string(QImageReader::allocationLimit()) +
                                " MB a picture may take in memory"
                          : reader.errorString().toStdString());
}

double TReportSheet::Closing(TBlockCanvas& canvas) const {
    const double left = Mm(LeftMm);
    double y = Mm(BlockGapMm);
    y += TextBlock(Label_, VerdictSummary(Report_.Rows), {left, y}, Mm(TableWidthMm), canvas) +
         Mm(SignatureGapMm);
    if (canvas.Take(y, y)) {
        Painter_.setPen(QPen(Qt::black, Mm(0.3)));
        Painter_.drawLine(QPointF(left, canvas.OnPage(y)),
                          QPointF(left + Mm(SignatureLineMm), canvas.OnPage(y)));
        Painter_.setPen(Qt::black);
    }
    y += Mm(1) + TextBlock(Small_, "Datum, Unterschrift Prüfer", {left, y + Mm(1)},
                           Mm(SignatureLineMm), canvas);
    // The signature belongs under the summary: the two are never parted.
    canvas.Take(0, y);
    return y;
}

void TReportSheet::Footer(int page) const {
    const QRectF line(Mm(LeftMm), Mm(FooterTopMm), Mm(TableWidthMm), Mm(6));
    Painter_.setFont(Small_.Font());
    Painter_.drawText(line, Qt::AlignLeft | Qt::AlignTop, Footer_);
    Painter_.drawText(line, Qt::AlignRight | Qt::AlignTop,
                      QStringLiteral("Seite %1 von %2").arg(page + 1).arg(PageCount()));
    // A block that goes on over the page break says so, so no reader takes a part for the whole.
    const std::vector<TPlacedBlock>& blocks = Pages_.at(static_cast<std::size_t>(page)).Blocks;
    if (!blocks.empty() && !std::isinf(blocks.back().To))
        Painter_.drawText(line, Qt::AlignHCenter | Qt::AlignTop,
                          QStringLiteral("Fortsetzung auf Seite %1").arg(page + 2));
}
