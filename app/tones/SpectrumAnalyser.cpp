#include "app/tones/SpectrumAnalyser.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// The band every tone of interest lies in: the lowest pre-tone is 367.5 Hz, the highest 3 kHz.
constexpr double BandLowHz = 250.0;
constexpr double BandHighHz = 3300.0;
constexpr double SilentDb = -200.0;

std::size_t PowerOfTwoAtLeast(std::size_t value) {
    std::size_t size = 2;
    while (size < value)
        size *= 2;
    return size;
}

double ToDb(double ratio) {
    return ratio > 0.0 ? 10.0 * std::log10(ratio) : SilentDb;
}

} // namespace

TSpectrumAnalyser::TSpectrumAnalyser(double sampleRate, std::size_t windowLength)
    : SampleRate_(sampleRate), Window_(windowLength),
      Fft_(PowerOfTwoAtLeast(windowLength + windowLength / 2)), Frame_(Fft_.Size(), 0.0f),
      Power_(Fft_.Size() / 2 + 1) {
    double sumOfSquares = 0.0;
    for (std::size_t n = 0; n < windowLength; ++n) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * (n + 0.5) / windowLength);
        Window_[n] = static_cast<float>(w);
        sumOfSquares += w * w;
    }
    const double binHz = sampleRate / static_cast<double>(Fft_.Size());
    LowBin_ = static_cast<std::size_t>(std::ceil(BandLowHz / binHz));
    HighBin_ = static_cast<std::size_t>(std::min(BandHighHz, 0.46 * sampleRate) / binHz);
    // A Hann window's main lobe reaches two bins of the unpadded length on either side.
    LobeHalfWidth_ = static_cast<std::size_t>(
        std::ceil(2.0 * static_cast<double>(Fft_.Size()) / static_cast<double>(windowLength)));
    // Positive-frequency power of a unit sine through this window (Parseval).
    FullScalePower_ = static_cast<double>(Fft_.Size()) * sumOfSquares / 4.0;
}

TSpectrumFrame TSpectrumAnalyser::Analyse(const float* samples, double centreSeconds) {
    const std::size_t length = Window_.size();
    // The tail of Frame_ stays zero: padding for finer bins to interpolate between.
    for (std::size_t n = 0; n < length; ++n)
        Frame_[n] = samples[n] * Window_[n];
    Fft_.Compute(Frame_.data(), Power_.data());

    double bandPower = 0.0;
    for (std::size_t k = LowBin_; k <= HighBin_; ++k)
        bandPower += Power_[k];

    TSpectrumFrame frame;
    frame.CentreSeconds = centreSeconds;
    frame.LevelDb = ToDb(bandPower / FullScalePower_);
    if (bandPower <= 0.0)
        return frame;

    const TLobe first = StrongestLobe(1, 0);
    const std::size_t reach = 2 * LobeHalfWidth_;
    const TLobe second =
        StrongestLobe(first.PeakBin > reach ? first.PeakBin - reach : 0, first.PeakBin + reach);
    const auto toPeak = [&](const TLobe& lobe) {
        return TSpectralPeak{InterpolatedHz(lobe.PeakBin), lobe.Power / bandPower,
                             ToDb(lobe.Power / FullScalePower_)};
    };
    frame.Strongest = toPeak(first);
    if (second.Power > 0.0)
        frame.Second = toPeak(second);
    return frame;
}

// The strongest bin outside [excludeFrom, excludeTo], with the power of its main lobe.
TSpectrumAnalyser::TLobe TSpectrumAnalyser::StrongestLobe(std::size_t excludeFrom,
                                                          std::size_t excludeTo) const {
    std::size_t best = 0;
    float bestPower = 0.0f;
    for (std::size_t k = LowBin_; k <= HighBin_; ++k) {
        if (k >= excludeFrom && k <= excludeTo)
            continue;
        if (Power_[k] > bestPower) {
            bestPower = Power_[k];
            best = k;
        }
    }
    if (bestPower <= 0.0f)
        return {0, 0.0};
    const std::size_t from = std::max(LowBin_, best > LobeHalfWidth_ ? best - LobeHalfWidth_ : 0);
    const std::size_t to = std::min(HighBin_, best + LobeHalfWidth_);
    double lobePower = 0.0;
    for (std::size_t k = from; k <= to; ++k)
        lobePower += Power_[k];
    return {best, lobePower};
}

// Parabola through the log power of the peak bin and its neighbours.
double TSpectrumAnalyser::InterpolatedHz(std::size_t bin) const {
    double offset = 0.0;
    if (bin > LowBin_ && bin < HighBin_ && Power_[bin - 1] > 0.0f && Power_[bin + 1] > 0.0f) {
        const double a = std::log(Power_[bin - 1]);
        const double b = std::log(Power_[bin]);
        const double c = std::log(Power_[bin + 1]);
        const double curvature = a - 2.0 * b + c;
        if (curvature < 0.0)
            offset = std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5);
    }
    return (static_cast<double>(bin) + offset) * SampleRate_ / static_cast<double>(Fft_.Size());
}
