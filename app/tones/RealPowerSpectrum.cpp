#include "app/tones/RealPowerSpectrum.h"

#include <cmath>
#include <numbers>
#include <utility>

TRealPowerSpectrum::TRealPowerSpectrum(std::size_t size)
    : Size_(size), Half_(size / 2), BitReversed_(Half_), StageCos_(Half_), StageSin_(Half_),
      SplitCos_(Half_), SplitSin_(Half_), Re_(Half_), Im_(Half_) {
    int bits = 0;
    while ((std::size_t{1} << bits) < Half_)
        ++bits;
    for (std::size_t i = 0; i < Half_; ++i) {
        std::size_t reversed = 0;
        for (int bit = 0; bit < bits; ++bit)
            reversed |= ((i >> bit) & 1u) << (bits - 1 - bit);
        BitReversed_[i] = reversed;
    }
    for (std::size_t span = 1; span < Half_; span *= 2) {
        for (std::size_t k = 0; k < span; ++k) {
            const double angle =
                -std::numbers::pi * static_cast<double>(k) / static_cast<double>(span);
            StageCos_[span - 1 + k] = static_cast<float>(std::cos(angle));
            StageSin_[span - 1 + k] = static_cast<float>(std::sin(angle));
        }
    }
    for (std::size_t k = 0; k < Half_; ++k) {
        const double angle =
            -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(size);
        SplitCos_[k] = static_cast<float>(std::cos(angle));
        SplitSin_[k] = static_cast<float>(std::sin(angle));
    }
}

void TRealPowerSpectrum::Transform() {
    for (std::size_t span = 1; span < Half_; span *= 2) {
        const float* wr = &StageCos_[span - 1];
        const float* wi = &StageSin_[span - 1];
        for (std::size_t start = 0; start < Half_; start += 2 * span) {
            float* ar = &Re_[start];
            float* ai = &Im_[start];
            float* br = &Re_[start + span];
            float* bi = &Im_[start + span];
            for (std::size_t k = 0; k < span; ++k) {
                const float tr = wr[k] * br[k] - wi[k] * bi[k];
                const float ti = wr[k] * bi[k] + wi[k] * br[k];
                br[k] = ar[k] - tr;
                bi[k] = ai[k] - ti;
                ar[k] += tr;
                ai[k] += ti;
            }
        }
    }
}

void TRealPowerSpectrum::Compute(const float* input, float* power) {
    for (std::size_t n = 0; n < Half_; ++n) {
        const std::size_t at = BitReversed_[n];
        Re_[at] = input[2 * n];
        Im_[at] = input[2 * n + 1];
    }
    Transform();
    // Z = FFT(even + i odd); X[k] = E[k] + W^k O[k] with E, O recovered from Z[k], Z[half - k].
    power[0] = (Re_[0] + Im_[0]) * (Re_[0] + Im_[0]);
    power[Half_] = (Re_[0] - Im_[0]) * (Re_[0] - Im_[0]);
    for (std::size_t k = 1; k < Half_; ++k) {
        const float zr = Re_[k], zi = Im_[k];
        const float cr = Re_[Half_ - k], ci = -Im_[Half_ - k]; // conj(Z[half - k])
        const float er = 0.5f * (zr + cr), ei = 0.5f * (zi + ci);
        // O = (Z - conj) / 2i
        const float or_ = 0.5f * (zi - ci), oi = -0.5f * (zr - cr);
        const float xr = er + SplitCos_[k] * or_ - SplitSin_[k] * oi;
        const float xi = ei + SplitCos_[k] * oi + SplitSin_[k] * or_;
        power[k] = xr * xr + xi * xi;
    }
}
