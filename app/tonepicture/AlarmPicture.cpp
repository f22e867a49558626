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

double EndOf(const TToneMark& mark) {
    return mark.StartSeconds + mark.Seconds;
}

bool HasBand(const TToneMark& mark) {
    return mark.Band.HighHz > mark.Band.LowHz;
}

// Each code heard: a run of marks with a symbol, one straight after another (marks come in
// time order; a call tone or a pause ends a run).
std::vector<std::span<const TToneMark>> CodeRuns(const std::vector<TToneMark>& marks) {
    std::vector<std::span<const TToneMark>> runs;
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= marks.size(); ++i) {
        const bool continues =
            i < marks.size() && i > begin && marks[i].Symbol != 0 && marks[i - 1].Symbol != 0 &&
            marks[i].StartSeconds - EndOf(marks[i - 1]) < std::max(0.05, marks[i - 1].Seconds);
        if (continues)
            continue;
        if (i > begin && marks[begin].Symbol != 0)
            runs.emplace_back(marks.data() + begin, i - begin);
        begin = i;
    }
    return runs;
}

std::string Symbols(std::span<const TToneMark> run) {
    std::string symbols;
    for (const TToneMark& mark : run)
        symbols += mark.Symbol;
    return symbols;
}

void DrawMark(QPainter& painter, const TPlotArea& plot, const TToneMark& mark) {
    const int left = static_cast<int>(std::lround(plot.X(mark.StartSeconds)));
    const int length =
        std::max(2, static_cast<int>(std::lround(mark.Seconds * plot.PixelsPerSecond())));
    painter.fillRect(left,
                     static_cast<int>(std::lround(plot.Y(mark.FrequencyHz))) - MarkThickness / 2,
                     length, MarkThickness, MarkColour(mark.State));
}

// A panel's name at the left of its title row and the legend at the right.
void DrawTitleRow(QPainter& painter, QRect row, const QString& title, const TPictureFonts& fonts) {
    painter.setFont(fonts.Title);
    painter.setPen(Qt::black);
    painter.drawText(row.adjusted(6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, title);

    painter.setFont(fonts.Text);
    const QFontMetrics metrics = painter.fontMetrics();
    constexpr int Swatch = 16;
    constexpr int Gap = 12;
    const std::pair<TToneMarkState, QString> states[] = {
        {TToneMarkState::Holds, QStringLiteral("hält")},
        {TToneMarkState::Misses, QStringLiteral("verfehlt")},
        {TToneMarkState::NotJudged, QStringLiteral("nicht beurteilt")}};
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
TPlotArea OverviewPlot(const TAlarmHeard& heard, QRect rect) {
    const TToneAudio& audio = heard.Audio;
    double end = audio.EndSeconds();
    if (!heard.Marks.empty()) {
        double last = 0.0;
        for (const TToneMark& mark : heard.Marks)
            last = std::max(last, EndOf(mark));
        end = std::min(end, last + OverviewLeadSeconds);
    }
    const double start =
        std::clamp(heard.AlarmStartSeconds - OverviewLeadSeconds, audio.StartSeconds, end);
    return {rect, start, std::max(end, start + 1.0), 300.0, 3200.0, heard.AlarmStartSeconds};
}

void DrawOverview(QImage& image, QRect panel, const TAlarmHeard& heard,
                  const TPictureFonts& fonts) {
    const QRect rect = panel.adjusted(FrequencyAxis, TitleRow + SymbolRow, -RightMargin, -TickRow);
    const TPlotArea plot = OverviewPlot(heard, rect);
    DrawPlotSpectrogram(image, plot, heard.Audio);
    QPainter painter(&image);
    DrawTitleRow(painter, QRect(panel.left(), panel.top(), panel.width(), TitleRow),
                 QStringLiteral("Ganzer Alarm"), fonts);
    DrawPlotAxes(painter, plot, fonts, TickRow);
    painter.setClipRect(rect);
    for (const TExpectedBand& band : heard.Bands) {
        const int top = static_cast<int>(std::lround(plot.Y(band.HighHz)));
        painter.fillRect(rect.left(), top, rect.width(),
                         std::max(2, static_cast<int>(std::lround(plot.Y(band.LowHz))) - top),
                         BandFill);
    }
    for (const TToneMark& mark : heard.Marks)
        DrawMark(painter, plot, mark);

    // Each code's symbols above it; the first one, which the zoom shows, framed.
    const std::vector<std::span<const TToneMark>> runs = CodeRuns(heard.Marks);
    painter.setFont(fonts.Text);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const auto [low, high] = std::ranges::minmax(runs[i], {}, &TToneMark::FrequencyHz);
        const QRect around(QPoint(static_cast<int>(plot.X(runs[i].front().StartSeconds)) - 3,
                                  static_cast<int>(plot.Y(high.FrequencyHz)) - 8),
                           QPoint(static_cast<int>(plot.X(EndOf(runs[i].back()))) + 3,
                                  static_cast<int>(plot.Y(low.FrequencyHz)) + 8));
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
void DrawToneTexts(QPainter& painter, QRect column, const TToneMark& mark,
                   const TPictureFonts& fonts) {
    const bool missed = mark.State == TToneMarkState::Misses;
    const QString symbol(QChar::fromLatin1(mark.Symbol));
    const QString hz = Text(GermanDecimal(mark.FrequencyHz, 0) + " Hz");
    const int symbolWidth = QFontMetrics(fonts.Symbol).horizontalAdvance(symbol);
    const int hzWidth = QFontMetrics(fonts.Text).horizontalAdvance(hz);
    const int left = column.center().x() - (symbolWidth + 5 + hzWidth) / 2;
    const int baseline = column.top() + 16;
    painter.setFont(fonts.Symbol);
    painter.setPen(missed ? MarkColour(mark.State) : QColor(Qt::black));
    painter.drawText(QPoint(left, baseline), symbol);
    painter.setFont(fonts.Text);
    painter.drawText(QPoint(left + symbolWidth + 5, baseline), hz);

    // A tone of a code that missed as a whole (its length, say) has no words of its own.
    const bool words = missed && !mark.Words.empty();
    QString below;
    if (words)
        below = Text(mark.Words);
    else if (HasBand(mark))
        below = Text("Soll " + GermanDecimal((mark.Band.LowHz + mark.Band.HighHz) / 2, 0) + " ± " +
                     GermanDecimal((mark.Band.HighHz - mark.Band.LowHz) / 2, 0) + " Hz");
    painter.setFont(fonts.Small);
    painter.setPen(words ? MarkColour(mark.State) : BandEdge);
    painter.drawText(column.adjusted(2, 20, -2, 0),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, below);
}

// The frequencies the code's tones and bands cover, with room above and below.
std::pair<double, double> ZoomBand(std::span<const TToneMark> tones) {
    double low = tones.front().FrequencyHz;
    double high = low;
    for (const TToneMark& mark : tones) {
        low = std::min(low, HasBand(mark) ? std::min(mark.Band.LowHz, mark.FrequencyHz)
                                          : mark.FrequencyHz);
        high = std::max(high, HasBand(mark) ? std::max(mark.Band.HighHz, mark.FrequencyHz)
                                            : mark.FrequencyHz);
    }
    const double room = std::max(60.0, 0.08 * (high - low));
    return {std::max(0.0, low - room), high + room};
}

void DrawZoom(QImage& image, QRect panel, const TAlarmHeard& heard, std::span<const TToneMark> code,
              const TPictureFonts& fonts) {
    const QRect rect =
        panel.adjusted(FrequencyAxis, TitleRow + ToneTextRows, -RightMargin, -TickRow);
    // As many tones as the width carries with their texts, each as wide as its time.
    const double toneSeconds = std::max(0.01, (EndOf(code.back()) - code.front().StartSeconds) /
                                                  static_cast<double>(code.size()));
    const auto fitting = static_cast<std::size_t>(std::max(1, rect.width() / ToneTextPixels - 1));
    const std::span<const TToneMark> tones = code.first(std::min(code.size(), fitting));
    const double pad = 0.4 * toneSeconds;
    const auto [lowHz, highHz] = ZoomBand(tones);
    const TPlotArea plot{rect,   tones.front().StartSeconds - pad, EndOf(tones.back()) + pad, lowHz,
                         highHz, heard.AlarmStartSeconds};

    DrawPlotSpectrogram(image, plot, heard.Audio);
    QPainter painter(&image);
    const std::string shown =
        tones.size() < code.size()
            ? Symbols(code) + " (die ersten " + std::to_string(tones.size()) + " Töne)"
            : Symbols(code);
    DrawTitleRow(painter, QRect(panel.left(), panel.top(), panel.width(), TitleRow),
                 Text("Erster Code: " + shown), fonts);
    DrawPlotAxes(painter, plot, fonts, TickRow);
    for (const TToneMark& mark : tones) {
        const int left = static_cast<int>(std::lround(plot.X(mark.StartSeconds)));
        const int right = static_cast<int>(std::lround(plot.X(EndOf(mark))));
        painter.setClipRect(rect);
        if (HasBand(mark)) {
            const int top = static_cast<int>(std::lround(plot.Y(mark.Band.HighHz)));
            const QRect band(
                left, top, right - left,
                std::max(3, static_cast<int>(std::lround(plot.Y(mark.Band.LowHz))) - top));
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

QImage DrawAlarmPicture(const TAlarmHeard& heard) {
    if (heard.Audio.Count == 0)
        return {};
    const TPictureFonts fonts = MakePictureFonts();
    const std::vector<std::span<const TToneMark>> runs = CodeRuns(heard.Marks);
    QImage image =
        BlankImage({AlarmPictureWidth, AlarmOverviewHeight + (runs.empty() ? 0 : CodeZoomHeight)});
    DrawOverview(image, QRect(0, 0, AlarmPictureWidth, AlarmOverviewHeight), heard, fonts);
    if (!runs.empty())
        DrawZoom(image, QRect(0, AlarmOverviewHeight, AlarmPictureWidth, CodeZoomHeight), heard,
                 runs.front(), fonts);
    return image;
}

QImage DrawCodeZoom(const TAlarmHeard& heard, QSize size) {
    const std::vector<std::span<const TToneMark>> runs = CodeRuns(heard.Marks);
    if (heard.Audio.Count == 0 || runs.empty())
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
