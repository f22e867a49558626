#include "app/tonepicture/ToneStrip.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int MarkThickness = 3;
constexpr double GridStepHz = 500.0;

int RowOf(double hz) {
    return static_cast<int>(std::lround((ToneStripHighHz - hz) * ToneStripHeight /
                                        (ToneStripHighHz - ToneStripLowHz)));
}

} // namespace

QImage DrawToneStrip(const ToneStripAudio& audio, const std::vector<ToneMark>& marks,
                     const std::vector<ExpectedBand>& bands) {
    const auto longest =
        static_cast<std::size_t>(ToneStripLongestSeconds * static_cast<double>(audio.sampleRate));
    const std::size_t first = audio.count > longest ? audio.count - longest : 0;
    const double startSeconds =
        audio.startSeconds + static_cast<double>(first) / audio.sampleRate;
    const int width = static_cast<int>(static_cast<double>(audio.count - first) *
                                       ToneStripPixelsPerSecond / audio.sampleRate);
    if (width <= 0)
        return {};

    const SpectrogramFrame frame{startSeconds,    ToneStripPixelsPerSecond, width,
                                 ToneStripLowHz, ToneStripHighHz,          ToneStripHeight};
    QImage image(width, ToneStripHeight, QImage::Format_RGB32);
    PaintSpectrogram(image, image.rect(), SpectrogramDb(audio, frame), SpectrogramShades::Dark);

    QPainter painter(&image);
    const QColor grid(255, 255, 255, 40);
    for (double hz = GridStepHz * std::ceil(ToneStripLowHz / GridStepHz); hz < ToneStripHighHz;
         hz += GridStepHz)
        painter.fillRect(0, RowOf(hz), width, 1, grid);
    const double firstSecond = std::ceil(startSeconds);
    for (double second = firstSecond; (second - startSeconds) * ToneStripPixelsPerSecond < width;
         second += 1.0)
        painter.fillRect(static_cast<int>((second - startSeconds) * ToneStripPixelsPerSecond), 0,
                         1, ToneStripHeight, grid);
    for (const ExpectedBand& band : bands) {
        const int top = RowOf(band.highHz);
        painter.fillRect(0, top, width, std::max(1, RowOf(band.lowHz) - top),
                         QColor(70, 130, 255, 90));
    }
    for (const ToneMark& mark : marks) {
        const QColor colour = mark.state == ToneMarkState::Holds    ? QColor(40, 210, 60)
                              : mark.state == ToneMarkState::Misses ? QColor(235, 30, 30)
                                                                    : QColor(240, 200, 40);
        const int left =
            static_cast<int>(std::lround((mark.startSeconds - startSeconds) * ToneStripPixelsPerSecond));
        const int length = std::max(
            2, static_cast<int>(std::lround(mark.seconds * ToneStripPixelsPerSecond)));
        painter.fillRect(left, RowOf(mark.frequencyHz) - MarkThickness / 2, length, MarkThickness,
                         colour);
    }
    return image;
}
