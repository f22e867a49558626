#include "app/tonepicture/AlarmPicture.h"

#include "app/tonecheck/GermanNumbers.h"
#include "app/tonepicture/PictureStyle.h"
#include "app/tonepicture/PlotArea.h"

#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>
#include <span>

namespace {

constexpr int TitleRow = 20;
constexpr int SymbolRow = 16;    // the overview's code symbols above the plot
constexpr int ToneTextRows = 46; // the code's tone texts above the plot: symbol, band or miss
constexpr int TickRow = 18;
constexpr int FrequencyAxis = 46;
constexpr int RightMargin = 18;
constexpr int MarkThickness = 3;
// The overview starts this long before the alarm and ends this long after its last tone.
constexpr double OverviewLeadSeconds = 0.5;
// A code's tone in the zoom is never narrower than this, so its texts fit.
constexpr int ToneTextPixels = 84;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

double EndOf(const ToneMark& mark) {
    return mark.startSeconds + mark.seconds;
}

bool HasBand(const ToneMark& mark) {
    return mark.band.highHz > mark.band.lowHz;
}

// Each code heard: a run of marks with a symbol, one straight after another (marks come in
// time order; a call tone or a pause ends a run).
std::vector<std::span<const ToneMark>> CodeRuns(const std::vector<ToneMark>& marks) {
    std::vector<std::span<const ToneMark>> runs;
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= marks.size(); ++i) {
        const bool continues =
            i < marks.size() && i > begin && marks[i].symbol != 0 && marks[i - 1].symbol != 0 &&
            marks[i].startSeconds - EndOf(marks[i - 1]) < std::max(0.05, marks[i - 1].seconds);
        if (continues)
            continue;
        if (i > begin && marks[begin].symbol != 0)
            runs.emplace_back(marks.data() + begin, i - begin);
        begin = i;
    }
    return runs;
}

std::string Symbols(std::span<const ToneMark> run) {
    std::string symbols;
    for (const ToneMark& mark : run)
        symbols += mark.symbol;
    return symbols;
}

void DrawMark(QPainter& painter, const PlotArea& plot, const ToneMark& mark) {
    const int left = static_cast<int>(std::lround(plot.X(mark.startSeconds)));
    const int length =
        std::max(2, static_cast<int>(std::lround(mark.seconds * plot.PixelsPerSecond())));
    painter.fillRect(left,
                     static_cast<int>(std::lround(plot.Y(mark.frequencyHz))) - MarkThickness / 2,
                     length, MarkThickness, MarkColour(mark.state));
}

// A panel's name at the left of its title row and the legend at the right.
void DrawTitleRow(QPainter& painter, QRect row, const QString& title, const PictureFonts& fonts) {
    painter.setFont(fonts.title);
    painter.setPen(Qt::black);
    painter.drawText(row.adjusted(6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, title);

    painter.setFont(fonts.text);
    const QFontMetrics metrics = painter.fontMetrics();
    constexpr int Swatch = 16;
    constexpr int Gap = 12;
    const std::pair<ToneMarkState, QString> states[] = {
        {ToneMarkState::Holds, QStringLiteral("hält")},
        {ToneMarkState::Misses, QStringLiteral("verfehlt")},
        {ToneMarkState::NotJudged, QStringLiteral("nicht beurteilt")}};
    const QString bandText = QStringLiteral("Soll ± Toleranz");
    int x = row.right() - RightMargin - metrics.horizontalAdvance(bandText);
    const int middle = row.center().y();
    painter.setPen(Qt::black);
    painter.drawText(QPoint(x, middle + metrics.ascent() / 2 - 1), bandText);
    x -= Swatch + 4;
    painter.fillRect(x, middle - 5, Swatch, 10, BandFill);
    painter.setPen(BandEdge);
    painter.drawRect(x, middle - 5, Swatch - 1, 9);
    for (auto state = std::rbegin(states); state != std::rend(states); ++state) {
        x -= Gap + metrics.horizontalAdvance(state->second);
        painter.setPen(Qt::black);
        painter.drawText(QPoint(x, middle + metrics.ascent() / 2 - 1), state->second);
        x -= Swatch + 4;
        painter.fillRect(x, middle - MarkThickness / 2, Swatch, MarkThickness,
                         MarkColour(state->first));
    }
}

// The plot's time: from a little before the alarm's start to a little after its last tone,
// inside the audio.
PlotArea OverviewPlot(const AlarmHeard& heard, QRect rect) {
    const ToneAudio& audio = heard.audio;
    double end = audio.EndSeconds();
    if (!heard.marks.empty()) {
        double last = 0.0;
        for (const ToneMark& mark : heard.marks)
            last = std::max(last, EndOf(mark));
        end = std::min(end, last + OverviewLeadSeconds);
    }
    const double start =
        std::clamp(heard.alarmStartSeconds - OverviewLeadSeconds, audio.startSeconds, end);
    return {rect, start, std::max(end, start + 1.0), 300.0, 3200.0, heard.alarmStartSeconds};
}

void DrawOverview(QImage& image, QRect panel, const AlarmHeard& heard, const PictureFonts& fonts) {
    const QRect rect = panel.adjusted(FrequencyAxis, TitleRow + SymbolRow, -RightMargin, -TickRow);
    const PlotArea plot = OverviewPlot(heard, rect);
    DrawPlotSpectrogram(image, plot, heard.audio);
    QPainter painter(&image);
    DrawTitleRow(painter, QRect(panel.left(), panel.top(), panel.width(), TitleRow),
                 QStringLiteral("Ganzer Alarm"), fonts);
    DrawPlotAxes(painter, plot, fonts, TickRow);
    painter.setClipRect(rect);
    for (const ExpectedBand& band : heard.bands) {
        const int top = static_cast<int>(std::lround(plot.Y(band.highHz)));
        painter.fillRect(rect.left(), top, rect.width(),
                         std::max(2, static_cast<int>(std::lround(plot.Y(band.lowHz))) - top),
                         BandFill);
    }
    for (const ToneMark& mark : heard.marks)
        DrawMark(painter, plot, mark);

    // Each code's symbols above it; the first one, which the zoom shows, framed.
    const std::vector<std::span<const ToneMark>> runs = CodeRuns(heard.marks);
    painter.setFont(fonts.text);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const auto [low, high] = std::ranges::minmax(runs[i], {}, &ToneMark::frequencyHz);
        const QRect around(QPoint(static_cast<int>(plot.X(runs[i].front().startSeconds)) - 3,
                                  static_cast<int>(plot.Y(high.frequencyHz)) - 8),
                           QPoint(static_cast<int>(plot.X(EndOf(runs[i].back()))) + 3,
                                  static_cast<int>(plot.Y(low.frequencyHz)) + 8));
        if (i == 0) {
            painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
            painter.drawRect(around);
        }
        painter.setClipping(false);
        painter.setPen(Qt::black);
        painter.drawText(QRect(around.center().x() - 60, rect.top() - SymbolRow, 120, SymbolRow),
                         Qt::AlignCenter, Text(Symbols(runs[i])));
        painter.setClipRect(rect);
    }
}

// A tone's texts above it: the symbol and measured frequency, then its band or, for a miss,
// what it missed.
void DrawToneTexts(QPainter& painter, QRect column, const ToneMark& mark,
                   const PictureFonts& fonts) {
    const bool missed = mark.state == ToneMarkState::Misses;
    const QString symbol(QChar::fromLatin1(mark.symbol));
    const QString hz = Text(GermanDecimal(mark.frequencyHz, 0) + " Hz");
    const int symbolWidth = QFontMetrics(fonts.symbol).horizontalAdvance(symbol);
    const int hzWidth = QFontMetrics(fonts.text).horizontalAdvance(hz);
    const int left = column.center().x() - (symbolWidth + 5 + hzWidth) / 2;
    const int baseline = column.top() + 16;
    painter.setFont(fonts.symbol);
    painter.setPen(missed ? MarkColour(mark.state) : QColor(Qt::black));
    painter.drawText(QPoint(left, baseline), symbol);
    painter.setFont(fonts.text);
    painter.drawText(QPoint(left + symbolWidth + 5, baseline), hz);

    // A tone of a code that missed as a whole (its length, say) has no words of its own.
    const bool words = missed && !mark.words.empty();
    QString below;
    if (words)
        below = Text(mark.words);
    else if (HasBand(mark))
        below = Text("Soll " + GermanDecimal((mark.band.lowHz + mark.band.highHz) / 2, 0) + " ± " +
                     GermanDecimal((mark.band.highHz - mark.band.lowHz) / 2, 0) + " Hz");
    painter.setFont(fonts.small);
    painter.setPen(words ? MarkColour(mark.state) : BandEdge);
    painter.drawText(column.adjusted(2, 20, -2, 0),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, below);
}

// The frequencies the code's tones and bands cover, with room above and below.
std::pair<double, double> ZoomBand(std::span<const ToneMark> tones) {
    double low = tones.front().frequencyHz;
    double high = low;
    for (const ToneMark& mark : tones) {
        low = std::min(low, HasBand(mark) ? std::min(mark.band.lowHz, mark.frequencyHz)
                                          : mark.frequencyHz);
        high = std::max(high, HasBand(mark) ? std::max(mark.band.highHz, mark.frequencyHz)
                                            : mark.frequencyHz);
    }
    const double room = std::max(60.0, 0.08 * (high - low));
    return {std::max(0.0, low - room), high + room};
}

void DrawZoom(QImage& image, QRect panel, const AlarmHeard& heard, std::span<const ToneMark> code,
              const PictureFonts& fonts) {
    const QRect rect =
        panel.adjusted(FrequencyAxis, TitleRow + ToneTextRows, -RightMargin, -TickRow);
    // As many tones as the width carries with their texts, each as wide as its time.
    const double toneSeconds = std::max(0.01, (EndOf(code.back()) - code.front().startSeconds) /
                                                  static_cast<double>(code.size()));
    const auto fitting = static_cast<std::size_t>(std::max(1, rect.width() / ToneTextPixels - 1));
    const std::span<const ToneMark> tones = code.first(std::min(code.size(), fitting));
    const double pad = 0.4 * toneSeconds;
    const auto [lowHz, highHz] = ZoomBand(tones);
    const PlotArea plot{rect,   tones.front().startSeconds - pad, EndOf(tones.back()) + pad, lowHz,
                        highHz, heard.alarmStartSeconds};

    DrawPlotSpectrogram(image, plot, heard.audio);
    QPainter painter(&image);
    const std::string shown =
        tones.size() < code.size()
            ? Symbols(code) + " (die ersten " + std::to_string(tones.size()) + " Töne)"
            : Symbols(code);
    DrawTitleRow(painter, QRect(panel.left(), panel.top(), panel.width(), TitleRow),
                 Text("Erster Code: " + shown), fonts);
    DrawPlotAxes(painter, plot, fonts, TickRow);
    for (const ToneMark& mark : tones) {
        const int left = static_cast<int>(std::lround(plot.X(mark.startSeconds)));
        const int right = static_cast<int>(std::lround(plot.X(EndOf(mark))));
        painter.setClipRect(rect);
        if (HasBand(mark)) {
            const int top = static_cast<int>(std::lround(plot.Y(mark.band.highHz)));
            const QRect band(
                left, top, right - left,
                std::max(3, static_cast<int>(std::lround(plot.Y(mark.band.lowHz))) - top));
            painter.fillRect(band, BandFill);
            painter.setPen(BandEdge);
            painter.drawRect(band.adjusted(0, 0, -1, -1));
        }
        DrawMark(painter, plot, mark);
        painter.setClipping(false);
        DrawToneTexts(painter, QRect(left, panel.top() + TitleRow, right - left, ToneTextRows),
                      mark, fonts);
    }
}

QImage BlankImage(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

} // namespace

QImage DrawAlarmPicture(const AlarmHeard& heard) {
    if (heard.audio.count == 0)
        return {};
    const PictureFonts fonts = MakePictureFonts();
    const std::vector<std::span<const ToneMark>> runs = CodeRuns(heard.marks);
    QImage image =
        BlankImage({AlarmPictureWidth, AlarmOverviewHeight + (runs.empty() ? 0 : CodeZoomHeight)});
    DrawOverview(image, QRect(0, 0, AlarmPictureWidth, AlarmOverviewHeight), heard, fonts);
    if (!runs.empty())
        DrawZoom(image, QRect(0, AlarmOverviewHeight, AlarmPictureWidth, CodeZoomHeight), heard,
                 runs.front(), fonts);
    return image;
}

QImage DrawCodeZoom(const AlarmHeard& heard, QSize size) {
    const std::vector<std::span<const ToneMark>> runs = CodeRuns(heard.marks);
    if (heard.audio.count == 0 || runs.empty())
        return {};
    size = size.expandedTo(CodeZoomSmallest);
    QImage image = BlankImage(size);
    DrawZoom(image, image.rect(), heard, runs.front(), MakePictureFonts());
    return image;
}

QImage CodeZoomOf(const QImage& alarmPicture) {
    if (alarmPicture.size() != QSize(AlarmPictureWidth, AlarmOverviewHeight + CodeZoomHeight))
        return alarmPicture;
    return alarmPicture.copy(0, AlarmOverviewHeight, AlarmPictureWidth, CodeZoomHeight);
}
