#pragma once
// Power spectrum of a real frame of one fixed power-of-two size: a complex FFT of half the
// size over the even and odd samples, then one pass to separate the two. Real and imaginary
// parts live in separate arrays and each stage has its own contiguous twiddles, so the inner
// loops run over adjacent memory.
//
// Not thread-safe per object (scratch buffers); each analyser owns its own.

#include <cstddef>
#include <vector>

class TRealPowerSpectrum {
public:
    explicit TRealPowerSpectrum(std::size_t size); // a power of two, at least 4
    std::size_t Size() const { return Size_; }

    // input: Size() samples; power: Size() / 2 + 1 values, |X[k]|^2 for bins 0 .. Size() / 2.
    void Compute(const float* input, float* power);

private:
    void Transform();

    std::size_t Size_;
    std::size_t Half_;
    std::vector<std::size_t> BitReversed_;
    std::vector<float> StageCos_; // stage with span s: entries [s - 1, 2s - 1)
    std::vector<float> StageSin_;
    std::vector<float> SplitCos_; // e^{-2 pi i k / size}, k < half
    std::vector<float> SplitSin_;
    std::vector<float> Re_;
    std::vector<float> Im_;
};
