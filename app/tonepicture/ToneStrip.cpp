#include "app/tonepicture/ToneStrip.h"

#include "app/tones/RealPowerSpectrum.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// About 30 ms of audio per column's spectrum: sharp enough in time for 40 ms tones, fine enough
// in frequency to tell neighbouring tones of a table apart.
constexpr double SpectrumSeconds = 0.032;
// The quietest shade lies this far below the strip's loudest point.
constexpr double ShownRangeDb = 70.0;
constexpr int MarkThickness = 3;
constexpr double GridStepHz = 500.0;
// The spectra work at 8 to 16 kHz whatever the input rate: averaging groups of samples is low-pass
// enough for a picture of the band up to 3.2 kHz, and keeps a strip's cost the same at 48 kHz.
constexpr int SpectrumRate = 8000;

// Mono samples at a reduced rate, each the mean of `factor` input samples.
struct ReducedAudio {
    std::vector<float> samples;
    double sampleRate;
};

ReducedAudio Reduced(const ToneStripAudio& audio, std::size_t first) {
    const int factor = std::max(1, audio.sampleRate / SpectrumRate);
    ReducedAudio reduced{{}, static_cast<double>(audio.sampleRate) / factor};
    reduced.samples.reserve((audio.count - first) / static_cast<std::size_t>(factor));
    for (std::size_t at = first; at + static_cast<std::size_t>(factor) <= audio.count;
         at += static_cast<std::size_t>(factor)) {
        float sum = 0.0f;
        for (int i = 0; i < factor; ++i)
            sum += static_cast<float>(audio.samples[at + static_cast<std::size_t>(i)]);
        reduced.samples.push_back(sum / static_cast<float>(factor));
    }
    return reduced;
}

std::size_t SpectrumSize(double sampleRate) {
    std::size_t size = 64;
    while (static_cast<double>(size * 2) <= SpectrumSeconds * sampleRate)
        size *= 2;
    return size;
}

double RowHz(int row) {
    return ToneStripHighHz -
           (row + 0.5) * (ToneStripHighHz - ToneStripLowHz) / ToneStripHeight;
}

int RowOf(double hz) {
    return static_cast<int>(std::lround((ToneStripHighHz - hz) * ToneStripHeight /
                                        (ToneStripHighHz - ToneStripLowHz)));
}

// Each column's power in dB, one value per row, from a Hann-windowed spectrum at its centre.
// The logarithm is taken per bin, not per row: there are fewer bins in the band than rows.
std::vector<float> ColumnsDb(const ReducedAudio& audio, int width) {
    const std::size_t size = SpectrumSize(audio.sampleRate);
    RealPowerSpectrum spectrum(size);
    std::vector<float> window(size);
    for (std::size_t n = 0; n < size; ++n)
        window[n] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi *
                                                            (static_cast<double>(n) + 0.5) /
                                                            static_cast<double>(size)));
    const double binHz = audio.sampleRate / static_cast<double>(size);
    // Where each row falls between two bins, and which bins the band needs.
    std::vector<std::size_t> rowBin(ToneStripHeight);
    std::vector<float> rowShare(ToneStripHeight);
    for (int y = 0; y < ToneStripHeight; ++y) {
        const double bin = RowHz(y) / binHz;
        rowBin[static_cast<std::size_t>(y)] = static_cast<std::size_t>(bin);
        rowShare[static_cast<std::size_t>(y)] = static_cast<float>(bin - std::floor(bin));
    }
    const std::size_t lowBin = rowBin.back();
    const std::size_t highBin = std::min(size / 2, rowBin.front() + 1);

    std::vector<float> frame(size);
    std::vector<float> power(size / 2 + 1);
    std::vector<float> binDb(size / 2 + 1);
    std::vector<float> db(static_cast<std::size_t>(width) * ToneStripHeight);
    for (int x = 0; x < width; ++x) {
        const double centre = (x + 0.5) / ToneStripPixelsPerSecond * audio.sampleRate;
        const long begin = std::lround(centre) - static_cast<long>(size / 2);
        for (std::size_t n = 0; n < size; ++n) {
            const long at = begin + static_cast<long>(n);
            const bool inside = at >= 0 && static_cast<std::size_t>(at) < audio.samples.size();
            frame[n] = inside ? window[n] * audio.samples[static_cast<std::size_t>(at)] : 0.0f;
        }
        spectrum.Compute(frame.data(), power.data());
        for (std::size_t k = lowBin; k <= highBin; ++k)
            binDb[k] = 10.0f * std::log10(power[k] + 1e-3f);
        float* column = &db[static_cast<std::size_t>(x) * ToneStripHeight];
        for (std::size_t y = 0; y < ToneStripHeight; ++y) {
            const std::size_t k = rowBin[y];
            column[y] = binDb[k] + rowShare[y] * (binDb[std::min(k + 1, highBin)] - binDb[k]);
        }
    }
    return db;
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

    const std::vector<float> db = ColumnsDb(Reduced(audio, first), width);
    const float loudest = *std::ranges::max_element(db);
    QImage image(width, ToneStripHeight, QImage::Format_RGB32);
    for (int y = 0; y < ToneStripHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const float value =
                db[static_cast<std::size_t>(x) * ToneStripHeight + static_cast<std::size_t>(y)];
            const double level = std::clamp((value - loudest + ShownRangeDb) / ShownRangeDb, 0.0, 1.0);
            const int shade = static_cast<int>(255.0 * level);
            line[x] = qRgb(shade, shade, std::min(255, shade + 40));
        }
    }

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
