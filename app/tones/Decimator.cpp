#include "app/tones/Decimator.h"

#include <cmath>
#include <numbers>

namespace {

constexpr int AnalysisRate = 8000;
constexpr int TapsPerFactor = 16;
// Below the lowest pre-tone (367.5 Hz) by far, above mains hum.
constexpr double DcCornerHz = 40.0;
// Far below the quietest 16-bit step (3e-5), far above the subnormal range (1e-38).
constexpr float SubnormalGuard = 1e-20f;

std::vector<float> LowPassTaps(int factor) {
    if (factor == 1)
        return {1.0f};
    const int count = TapsPerFactor * factor + 1;
    const double cutoff = 0.45 / factor; // of the input rate: 0.9 of the output Nyquist
    std::vector<float> taps(static_cast<std::size_t>(count));
    double sum = 0.0;
    for (int n = 0; n < count; ++n) {
        const double x = n - (count - 1) / 2.0;
        const double sinc =
            x == 0.0 ? 2.0 * cutoff
                     : std::sin(2.0 * std::numbers::pi * cutoff * x) / (std::numbers::pi * x);
        const double phase = 2.0 * std::numbers::pi * n / (count - 1);
        const double blackman = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase);
        taps[static_cast<std::size_t>(n)] = static_cast<float>(sinc * blackman);
        sum += sinc * blackman;
    }
    for (float& tap : taps)
        tap = static_cast<float>(tap / sum);
    return taps;
}

} // namespace

Decimator::Decimator(int inputRate)
    : factor_(inputRate / AnalysisRate > 1 ? inputRate / AnalysisRate : 1),
      outputRate_(static_cast<double>(inputRate) / factor_), taps_(LowPassTaps(factor_)),
      history_(taps_.size()),
      dcPole_(static_cast<float>(std::exp(-2.0 * std::numbers::pi * DcCornerHz / inputRate))) {
    delaySamples_ = (static_cast<double>(taps_.size()) - 1.0) / 2.0;
}

bool Decimator::Push(float input, float& output) {
    // One-pole high-pass: a DC offset must not reach the analysis.
    dcOutput_ = input - dcPrevious_ + dcPole_ * dcOutput_;
    dcPrevious_ = input;
    // In digital silence the filter decays into subnormal floats, which every later
    // multiplication would pay for many times over.
    if (std::abs(dcOutput_) < SubnormalGuard)
        dcOutput_ = 0.0f;

    history_.Push(dcOutput_);
    if (++phase_ < factor_)
        return false;
    phase_ = 0;

    const std::size_t length = taps_.size();
    const float* window = history_.Newest(length);
    float sum = 0.0f;
    for (std::size_t n = 0; n < length; ++n)
        sum += taps_[n] * window[n];
    output = sum;
    return true;
}
