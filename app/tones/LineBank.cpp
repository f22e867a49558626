#include "app/tones/LineBank.h"

#include <cmath>
#include <numbers>

namespace {

// Rows as long as a multiple of this, so the per-sample loop over lines runs in whole vectors.
constexpr std::size_t LinePadding = 8;
// The phasors are stepped by multiplication; this often they are put back on the unit circle.
constexpr std::uint64_t RenormalisePoints = 256;

} // namespace

TLineBank::TLineBank(double sampleRate, std::vector<double> frequenciesHz, std::size_t blockLength,
                     std::size_t depth)
    : FrequenciesHz_(std::move(frequenciesHz)), BlockLength_(blockLength), Depth_(depth),
      Stride_((FrequenciesHz_.size() + LinePadding - 1) / LinePadding * LinePadding),
      Cosines_(Stride_ * blockLength), Sines_(Stride_ * blockLength), Real_(Stride_),
      Imaginary_(Stride_), Phase_(Lines(), 1.0), BlockStep_(Lines()), Block_(blockLength),
      Running_(Lines()), Prefixes_(Lines() * depth) {
    for (std::size_t line = 0; line < Lines(); ++line) {
        const double step = -2.0 * std::numbers::pi * FrequenciesHz_[line] / sampleRate;
        for (std::size_t m = 0; m < blockLength; ++m) {
            Cosines_[m * Stride_ + line] = static_cast<float>(std::cos(step * m));
            Sines_[m * Stride_ + line] = static_cast<float>(std::sin(step * m));
        }
        BlockStep_[line] = std::polar(1.0, step * static_cast<double>(blockLength));
    }
}

bool TLineBank::Add(float sample) {
    Block_[Filled_] = sample;
    if (++Filled_ < BlockLength_)
        return false;
    Filled_ = 0;
    CloseBlock();
    return true;
}

void TLineBank::CloseBlock() {
    std::fill(Real_.begin(), Real_.end(), 0.0f);
    std::fill(Imaginary_.begin(), Imaginary_.end(), 0.0f);
    // Unaliased rows let the compiler run the loop over lines in vectors.
    float* __restrict real = Real_.data();
    float* __restrict imaginary = Imaginary_.data();
    for (std::size_t m = 0; m < BlockLength_; ++m) {
        const float x = Block_[m];
        const float* __restrict cosines = &Cosines_[m * Stride_];
        const float* __restrict sines = &Sines_[m * Stride_];
        for (std::size_t line = 0; line < Stride_; ++line) {
            real[line] += x * cosines[line];
            imaginary[line] += x * sines[line];
        }
    }
    ++Points_;
    const bool renormalise = Points_ % RenormalisePoints == 0;
    std::complex<double>* row = &Prefixes_[(Points_ % Depth_) * Lines()];
    for (std::size_t line = 0; line < Lines(); ++line) {
        // Written out: the library's complex product guards against infinities at a high cost.
        const double pr = Phase_[line].real();
        const double pi = Phase_[line].imag();
        const double br = Real_[line];
        const double bi = Imaginary_[line];
        Running_[line] += std::complex<double>(pr * br - pi * bi, pr * bi + pi * br);
        const double sr = BlockStep_[line].real();
        const double si = BlockStep_[line].imag();
        double nr = pr * sr - pi * si;
        double ni = pr * si + pi * sr;
        if (renormalise) {
            const double length = std::sqrt(nr * nr + ni * ni);
            nr /= length;
            ni /= length;
        }
        Phase_[line] = {nr, ni};
        row[line] = Running_[line];
    }
}

void TLineBank::Energies(std::uint64_t from, std::uint64_t to, std::size_t firstLine,
                         std::size_t endLine, float* energies) const {
    const std::complex<double>* first = &Prefixes_[(from % Depth_) * Lines()];
    const std::complex<double>* last = &Prefixes_[(to % Depth_) * Lines()];
    for (std::size_t line = firstLine; line < endLine; ++line) {
        const double re = last[line].real() - first[line].real();
        const double im = last[line].imag() - first[line].imag();
        energies[line] = static_cast<float>(re * re + im * im);
    }
}
