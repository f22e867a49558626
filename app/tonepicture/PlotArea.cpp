#include "app/tonepicture/PlotArea.h"

#include "app/tonecheck/GermanNumbers.h"

#include <QString>
#include <algorithm>
#include <cmath>

namespace {

// Tick labels at least this far apart, so neighbours never touch.
constexpr int TimeTickPixels = 70;
constexpr int FrequencyTickPixels = 28;
constexpr int TickLength = 4;

// The places a tick label needs to show every step of `step` exactly ("0,25" but "2").
int PlacesOf(double step) {
    int places = 0;
    while (places < 3 && std::abs(step * std::pow(10.0, places) -
                                  std::round(step * std::pow(10.0, places))) > 1e-6)
        ++places;
    return places;
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

double TickStep(double span, int most) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(span / std::max(1, most))));
    for (const double factor : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (span / (factor * magnitude) <= most)
            return factor * magnitude;
    return 10.0 * magnitude;
}

void DrawPlotSpectrogram(QImage& image, const TPlotArea& plot, const TToneAudio& audio) {
    const TSpectrogramFrame frame{plot.StartSeconds, plot.PixelsPerSecond(),
                                  plot.Rect.width(), plot.LowHz,
                                  plot.HighHz,       plot.Rect.height()};
    PaintSpectrogram(image, plot.Rect, SpectrogramDb(audio, frame));
}

void DrawPlotAxes(QPainter& painter, const TPlotArea& plot, const TPictureFonts& fonts,
                  int tickRow) {
    const QRect& rect = plot.Rect;
    painter.setFont(fonts.Text);
    const int textHeight = painter.fontMetrics().height();

    const double hzStep =
        TickStep(plot.HighHz - plot.LowHz, std::max(1, rect.height() / FrequencyTickPixels));
    for (double hz = hzStep * std::ceil(plot.LowHz / hzStep); hz <= plot.HighHz; hz += hzStep) {
        const int y = static_cast<int>(std::lround(plot.Y(hz)));
        painter.fillRect(rect.left(), y, rect.width(), 1, GridInk);
        painter.fillRect(rect.left() - TickLength, y, TickLength, 1, AxisInk);
        painter.setPen(AxisInk);
        painter.drawText(QRect(0, y - textHeight / 2, rect.left() - TickLength - 2, textHeight),
                         Qt::AlignRight | Qt::AlignVCenter, Text(GermanDecimal(hz, 0)));
    }
    // The unit once, above the frequency labels.
    painter.drawText(
        QRect(0, rect.top() - textHeight - 2, rect.left() - TickLength - 2, textHeight),
        Qt::AlignRight | Qt::AlignBottom, QStringLiteral("Hz"));

    const double span = plot.EndSeconds - plot.StartSeconds;
    const double step = TickStep(span, std::max(1, rect.width() / TimeTickPixels));
    const int places = PlacesOf(step);
    const double firstTick = step * std::ceil((plot.StartSeconds - plot.ZeroSeconds) / step - 1e-9);
    for (double tick = firstTick; tick <= plot.EndSeconds - plot.ZeroSeconds + 1e-9; tick += step) {
        const int x = static_cast<int>(std::lround(plot.X(plot.ZeroSeconds + tick)));
        painter.fillRect(x, rect.top(), 1, rect.height(), GridInk);
        painter.fillRect(x, rect.bottom() + 1, 1, TickLength, AxisInk);
        const QString label =
            Text(GermanDecimal(std::abs(tick) < step / 2 ? 0.0 : tick, places) + " s");
        painter.drawText(QRect(x - TimeTickPixels / 2, rect.bottom() + TickLength + 1,
                               TimeTickPixels, tickRow - TickLength - 1),
                         Qt::AlignHCenter | Qt::AlignTop, label);
    }
    painter.setPen(AxisInk);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
}
