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

TDecimator::TDecimator(int inputRate)
    : Factor_(inputRate / AnalysisRate > 1 ? inputRate / AnalysisRate : 1),
      OutputRate_(static_cast<double>(inputRate) / Factor_), Taps_(LowPassTaps(Factor_)),
      History_(Taps_.size()),
      DcPole_(static_cast<float>(std::exp(-2.0 * std::numbers::pi * DcCornerHz / inputRate))) {
    DelaySamples_ = (static_cast<double>(Taps_.size()) - 1.0) / 2.0;
}

bool TDecimator::Push(float input, float& output) {
    // One-pole high-pass: a DC offset must not reach the analysis.
    DcOutput_ = input - DcPrevious_ + DcPole_ * DcOutput_;
    DcPrevious_ = input;
    // In digital silence the filter decays into subnormal floats, which every later
    // multiplication would pay for many times over.
    if (std::abs(DcOutput_) < SubnormalGuard)
        DcOutput_ = 0.0f;

    History_.Push(DcOutput_);
    if (++Phase_ < Factor_)
        return false;
    Phase_ = 0;

    const std::size_t length = Taps_.size();
    const float* window = History_.Newest(length);
    float sum = 0.0f;
    for (std::size_t n = 0; n < length; ++n)
        sum += Taps_[n] * window[n];
    output = sum;
    return true;
}
