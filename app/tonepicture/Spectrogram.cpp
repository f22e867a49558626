#include "app/tonepicture/Spectrogram.h"

#include "app/tones/RealPowerSpectrum.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// About 30 ms of audio per column's spectrum: sharp enough in time for 40 ms tones, fine enough
// in frequency to tell neighbouring tones of a table apart.
constexpr double SpectrumSeconds = 0.032;
// The quietest shade lies this far below the loudest point.
constexpr double ShownRangeDb = 70.0;
// The spectra work at 8 to 16 kHz whatever the input rate: averaging groups of samples is low-pass
// enough for a picture of the band up to 3.2 kHz, and keeps a picture's cost the same at 48 kHz.
constexpr int SpectrumRate = 8000;

// Mono samples at a reduced rate, each the mean of `factor` input samples.
struct TReducedAudio {
    std::vector<float> Samples;
    double SampleRate;
    double StartSeconds;
};

// The input samples [first, last) at the reduced rate.
TReducedAudio Reduced(const TToneAudio& audio, std::size_t first, std::size_t last) {
    const int factor = std::max(1, audio.SampleRate / SpectrumRate);
    TReducedAudio reduced{{},
                          static_cast<double>(audio.SampleRate) / factor,
                          audio.StartSeconds + static_cast<double>(first) / audio.SampleRate};
    reduced.Samples.reserve((last - first) / static_cast<std::size_t>(factor));
    for (std::size_t at = first; at + static_cast<std::size_t>(factor) <= last;
         at += static_cast<std::size_t>(factor)) {
        float sum = 0.0f;
        for (int i = 0; i < factor; ++i)
            sum += static_cast<float>(audio.Samples[at + static_cast<std::size_t>(i)]);
        reduced.Samples.push_back(sum / static_cast<float>(factor));
    }
    return reduced;
}

std::size_t SpectrumSize(double sampleRate) {
    std::size_t size = 64;
    while (static_cast<double>(size * 2) <= SpectrumSeconds * sampleRate)
        size *= 2;
    return size;
}

// The input samples a frame's spectra reach, half a spectrum beyond either edge.
std::pair<std::size_t, std::size_t> SamplesOf(const TToneAudio& audio,
                                              const TSpectrogramFrame& frame) {
    const double margin = SpectrumSeconds;
    const auto at = [&](double seconds) {
        const double sample = std::floor((seconds - audio.StartSeconds) * audio.SampleRate);
        return static_cast<std::size_t>(std::clamp(sample, 0.0, static_cast<double>(audio.Count)));
    };
    return {at(frame.StartSeconds - margin),
            at(frame.StartSeconds + frame.Width / frame.PixelsPerSecond + margin)};
}

} // namespace

// Each column's power in dB, one value per row, from a Hann-windowed spectrum at its centre.
// The logarithm is taken per bin, not per row: there are fewer bins in the band than rows.
std::vector<float> SpectrogramDb(const TToneAudio& audio, const TSpectrogramFrame& frame) {
    const auto [first, last] = SamplesOf(audio, frame);
    const TReducedAudio reduced = Reduced(audio, first, last);
    const std::size_t size = SpectrumSize(reduced.SampleRate);
    TRealPowerSpectrum spectrum(size);
    std::vector<float> window(size);
    for (std::size_t n = 0; n < size; ++n)
        window[n] = static_cast<float>(
            0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * (static_cast<double>(n) + 0.5) /
                                 static_cast<double>(size)));
    const double binHz = reduced.SampleRate / static_cast<double>(size);
    const auto rows = static_cast<std::size_t>(frame.Height);
    // Where each row falls between two bins, and which bins the band needs.
    std::vector<std::size_t> rowBin(rows);
    std::vector<float> rowShare(rows);
    for (std::size_t y = 0; y < rows; ++y) {
        const double hz = frame.HighHz - (static_cast<double>(y) + 0.5) *
                                             (frame.HighHz - frame.LowHz) / frame.Height;
        const double bin = hz / binHz;
        rowBin[y] = static_cast<std::size_t>(bin);
        rowShare[y] = static_cast<float>(bin - std::floor(bin));
    }
    const std::size_t lowBin = rowBin.back();
    const std::size_t highBin = std::min(size / 2, rowBin.front() + 1);

    std::vector<float> samples(size);
    std::vector<float> power(size / 2 + 1);
    std::vector<float> binDb(size / 2 + 1);
    std::vector<float> db(static_cast<std::size_t>(frame.Width) * rows);
    for (int x = 0; x < frame.Width; ++x) {
        const double centre =
            (frame.StartSeconds + (x + 0.5) / frame.PixelsPerSecond - reduced.StartSeconds) *
            reduced.SampleRate;
        const long begin = std::lround(centre) - static_cast<long>(size / 2);
        for (std::size_t n = 0; n < size; ++n) {
            const long at = begin + static_cast<long>(n);
            const bool inside = at >= 0 && static_cast<std::size_t>(at) < reduced.Samples.size();
            samples[n] = inside ? window[n] * reduced.Samples[static_cast<std::size_t>(at)] : 0.0f;
        }
        spectrum.Compute(samples.data(), power.data());
        for (std::size_t k = lowBin; k <= highBin; ++k)
            binDb[k] = 10.0f * std::log10(power[k] + 1e-3f);
        float* column = &db[static_cast<std::size_t>(x) * rows];
        for (std::size_t y = 0; y < rows; ++y) {
            const std::size_t k = rowBin[y];
            column[y] = binDb[k] + rowShare[y] * (binDb[std::min(k + 1, highBin)] - binDb[k]);
        }
    }
    return db;
}

void PaintSpectrogram(QImage& image, QRect area, const std::vector<float>& db) {
    if (db.empty())
        return;
    const float loudest = *std::ranges::max_element(db);
    const auto rows = static_cast<std::size_t>(area.height());
    for (int y = 0; y < area.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(area.top() + y)) + area.left();
        for (int x = 0; x < area.width(); ++x) {
            const float value =
                db[static_cast<std::size_t>(x) * rows + static_cast<std::size_t>(y)];
            const double level =
                std::clamp((value - loudest + ShownRangeDb) / ShownRangeDb, 0.0, 1.0);
            const int shade = static_cast<int>(255.0 * (1.0 - level));
            line[x] = qRgb(shade, shade, std::min(255, shade + 25));
        }
    }
}
