#include "app/tones/LineBank.h"

#include <cmath>
#include <numbers>

TLineBank::TLineBank(double sampleRate, std::vector<double> frequenciesHz,
                     std::size_t blockLength, std::size_t depth)
    : FrequenciesHz_(std::move(frequenciesHz)), BlockLength_(blockLength), Depth_(depth),
      Cosines_(FrequenciesHz_.size() * blockLength), Sines_(FrequenciesHz_.size() * blockLength),
      Phase_(FrequenciesHz_.size(), 1.0), BlockStep_(FrequenciesHz_.size()),
      Block_(blockLength), Running_(FrequenciesHz_.size()),
      Prefixes_(FrequenciesHz_.size() * depth) {
    for (std::size_t line = 0; line < Lines(); ++line) {
        const double step = -2.0 * std::numbers::pi * FrequenciesHz_[line] / sampleRate;
        for (std::size_t m = 0; m < blockLength; ++m) {
            Cosines_[line * blockLength + m] = static_cast<float>(std::cos(step * m));
            Sines_[line * blockLength + m] = static_cast<float>(std::sin(step * m));
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
    ++Points_;
    std::complex<double>* row = &Prefixes_[(Points_ % Depth_) * Lines()];
    for (std::size_t line = 0; line < Lines(); ++line) {
        const float* cosines = &Cosines_[line * BlockLength_];
        const float* sines = &Sines_[line * BlockLength_];
        float re = 0.0f;
        float im = 0.0f;
        for (std::size_t m = 0; m < BlockLength_; ++m) {
            re += Block_[m] * cosines[m];
            im += Block_[m] * sines[m];
        }
        Running_[line] += Phase_[line] * std::complex<double>(re, im);
        // The phasor is stepped once a block and held to unit length, so hours of input
        // leave it on the circle.
        Phase_[line] *= BlockStep_[line];
        Phase_[line] /= std::abs(Phase_[line]);
        row[line] = Running_[line];
    }
}

const std::complex<double>* TLineBank::Prefix(std::uint64_t point) const {
    return &Prefixes_[(point % Depth_) * Lines()];
}

void TLineBank::Energies(std::uint64_t from, std::uint64_t to, float* energies) const {
    const std::complex<double>* first = Prefix(from);
    const std::complex<double>* last = Prefix(to);
    for (std::size_t line = 0; line < Lines(); ++line)
        energies[line] = static_cast<float>(std::norm(last[line] - first[line]));
}
