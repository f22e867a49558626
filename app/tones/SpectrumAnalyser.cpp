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

SpectrumAnalyser::SpectrumAnalyser(double sampleRate, std::size_t windowLength)
    : sampleRate_(sampleRate), window_(windowLength),
      fft_(PowerOfTwoAtLeast(windowLength + windowLength / 2)), frame_(fft_.Size(), 0.0f),
      power_(fft_.Size() / 2 + 1) {
    double sumOfSquares = 0.0;
    for (std::size_t n = 0; n < windowLength; ++n) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * (n + 0.5) / windowLength);
        window_[n] = static_cast<float>(w);
        sumOfSquares += w * w;
    }
    const double binHz = sampleRate / static_cast<double>(fft_.Size());
    lowBin_ = static_cast<std::size_t>(std::ceil(BandLowHz / binHz));
    highBin_ = static_cast<std::size_t>(std::min(BandHighHz, 0.46 * sampleRate) / binHz);
    // A Hann window's main lobe reaches two bins of the unpadded length on either side.
    lobeHalfWidth_ = static_cast<std::size_t>(
        std::ceil(2.0 * static_cast<double>(fft_.Size()) / static_cast<double>(windowLength)));
    // Positive-frequency power of a unit sine through this window (Parseval).
    fullScalePower_ = static_cast<double>(fft_.Size()) * sumOfSquares / 4.0;
}

SpectrumFrame SpectrumAnalyser::Analyse(const float* samples, double centreSeconds) {
    const std::size_t length = window_.size();
    // The tail of frame_ stays zero: padding for finer bins to interpolate between.
    for (std::size_t n = 0; n < length; ++n)
        frame_[n] = samples[n] * window_[n];
    fft_.Compute(frame_.data(), power_.data());

    double bandPower = 0.0;
    for (std::size_t k = lowBin_; k <= highBin_; ++k)
        bandPower += power_[k];

    SpectrumFrame frame;
    frame.centreSeconds = centreSeconds;
    frame.levelDb = ToDb(bandPower / fullScalePower_);
    if (bandPower <= 0.0)
        return frame;

    const Lobe first = StrongestLobe(1, 0);
    const std::size_t reach = 2 * lobeHalfWidth_;
    const Lobe second =
        StrongestLobe(first.peakBin > reach ? first.peakBin - reach : 0, first.peakBin + reach);
    const auto toPeak = [&](const Lobe& lobe) {
        return SpectralPeak{InterpolatedHz(lobe.peakBin), lobe.power / bandPower,
                            ToDb(lobe.power / fullScalePower_)};
    };
    frame.strongest = toPeak(first);
    if (second.power > 0.0)
        frame.second = toPeak(second);
    return frame;
}

// The strongest bin outside [excludeFrom, excludeTo], with the power of its main lobe.
SpectrumAnalyser::Lobe SpectrumAnalyser::StrongestLobe(std::size_t excludeFrom,
                                                       std::size_t excludeTo) const {
    std::size_t best = 0;
    float bestPower = 0.0f;
    for (std::size_t k = lowBin_; k <= highBin_; ++k) {
        if (k >= excludeFrom && k <= excludeTo)
            continue;
        if (power_[k] > bestPower) {
            bestPower = power_[k];
            best = k;
        }
    }
    if (bestPower <= 0.0f)
        return {0, 0.0};
    const std::size_t from = std::max(lowBin_, best > lobeHalfWidth_ ? best - lobeHalfWidth_ : 0);
    const std::size_t to = std::min(highBin_, best + lobeHalfWidth_);
    double lobePower = 0.0;
    for (std::size_t k = from; k <= to; ++k)
        lobePower += power_[k];
    return {best, lobePower};
}

// Parabola through the log power of the peak bin and its neighbours.
double SpectrumAnalyser::InterpolatedHz(std::size_t bin) const {
    double offset = 0.0;
    if (bin > lowBin_ && bin < highBin_ && power_[bin - 1] > 0.0f && power_[bin + 1] > 0.0f) {
        const double a = std::log(power_[bin - 1]);
        const double b = std::log(power_[bin]);
        const double c = std::log(power_[bin + 1]);
        const double curvature = a - 2.0 * b + c;
        if (curvature < 0.0)
            offset = std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5);
    }
    return (static_cast<double>(bin) + offset) * sampleRate_ / static_cast<double>(fft_.Size());
}
