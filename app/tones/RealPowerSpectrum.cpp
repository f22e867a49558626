#include "app/tones/RealPowerSpectrum.h"

#include <cmath>
#include <numbers>
#include <utility>

RealPowerSpectrum::RealPowerSpectrum(std::size_t size)
    : size_(size), half_(size / 2), bitReversed_(half_), stageCos_(half_), stageSin_(half_),
      splitCos_(half_), splitSin_(half_), re_(half_), im_(half_) {
    int bits = 0;
    while ((std::size_t{1} << bits) < half_)
        ++bits;
    for (std::size_t i = 0; i < half_; ++i) {
        std::size_t reversed = 0;
        for (int bit = 0; bit < bits; ++bit)
            reversed |= ((i >> bit) & 1u) << (bits - 1 - bit);
        bitReversed_[i] = reversed;
    }
    for (std::size_t span = 1; span < half_; span *= 2) {
        for (std::size_t k = 0; k < span; ++k) {
            const double angle =
                -std::numbers::pi * static_cast<double>(k) / static_cast<double>(span);
            stageCos_[span - 1 + k] = static_cast<float>(std::cos(angle));
            stageSin_[span - 1 + k] = static_cast<float>(std::sin(angle));
        }
    }
    for (std::size_t k = 0; k < half_; ++k) {
        const double angle =
            -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(size);
        splitCos_[k] = static_cast<float>(std::cos(angle));
        splitSin_[k] = static_cast<float>(std::sin(angle));
    }
}

void RealPowerSpectrum::Transform() {
    for (std::size_t span = 1; span < half_; span *= 2) {
        const float* wr = &stageCos_[span - 1];
        const float* wi = &stageSin_[span - 1];
        for (std::size_t start = 0; start < half_; start += 2 * span) {
            float* ar = &re_[start];
            float* ai = &im_[start];
            float* br = &re_[start + span];
            float* bi = &im_[start + span];
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

void RealPowerSpectrum::Compute(const float* input, float* power) {
    for (std::size_t n = 0; n < half_; ++n) {
        const std::size_t at = bitReversed_[n];
        re_[at] = input[2 * n];
        im_[at] = input[2 * n + 1];
    }
    Transform();
    // Z = FFT(even + i odd); X[k] = E[k] + W^k O[k] with E, O recovered from Z[k], Z[half - k].
    power[0] = (re_[0] + im_[0]) * (re_[0] + im_[0]);
    power[half_] = (re_[0] - im_[0]) * (re_[0] - im_[0]);
    for (std::size_t k = 1; k < half_; ++k) {
        const float zr = re_[k], zi = im_[k];
        const float cr = re_[half_ - k], ci = -im_[half_ - k]; // conj(Z[half - k])
        const float er = 0.5f * (zr + cr), ei = 0.5f * (zi + ci);
        // O = (Z - conj) / 2i
        const float or_ = 0.5f * (zi - ci), oi = -0.5f * (zr - cr);
        const float xr = er + splitCos_[k] * or_ - splitSin_[k] * oi;
        const float xi = ei + splitCos_[k] * oi + splitSin_[k] * or_;
        power[k] = xr * xr + xi * xi;
    }
}
