#pragma once
// A bank of spectral lines that integrates whole tones: for each line frequency it keeps the
// running sum of x[n] e^{-i w n} at every grid point (a short block of samples), so the exact
// spectrum of any stretch between two grid points, at every line at once, is one difference.
// That is a matched filter for a tone of that frequency and any length, unknown phase: the
// longer the stretch, the further the tone stands out of noise.
//
// Plain object; one thread at a time. Add allocates nothing.

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

class TLineBank {
public:
    // frequenciesHz: the lines; blockLength: samples per grid step; depth: grid points kept.
    TLineBank(double sampleRate, std::vector<double> frequenciesHz, std::size_t blockLength,
              std::size_t depth);

    std::size_t Lines() const { return FrequenciesHz_.size(); }
    double FrequencyHz(std::size_t line) const { return FrequenciesHz_[line]; }
    std::size_t BlockLength() const { return BlockLength_; }

    // Takes one sample; true when it completed a grid point.
    bool Add(float sample);

    // Grid points completed since the start; point g lies after g * BlockLength() samples.
    std::uint64_t Points() const { return Points_; }
    // Whether point g is still kept.
    bool Holds(std::uint64_t point) const { return point <= Points_ && Points_ - point < Depth_; }

    // |spectrum|^2 of the samples between two kept grid points (from < to), at the lines from
    // firstLine to before endLine: energies[line] for each.
    void Energies(std::uint64_t from, std::uint64_t to, std::size_t firstLine, std::size_t endLine,
                  float* energies) const;

private:
    void CloseBlock();

    std::vector<double> FrequenciesHz_;
    std::size_t BlockLength_;
    std::size_t Depth_;
    std::size_t Stride_; // lines, padded
    // Per sample of a block, e^{-i w m} for every line, split into real and imaginary rows.
    std::vector<float> Cosines_;
    std::vector<float> Sines_;
    std::vector<float> Real_; // the block's sums, per line
    std::vector<float> Imaginary_;
    // Per line, e^{-i w n} at the current block's first sample, and its step per block.
    std::vector<std::complex<double>> Phase_;
    std::vector<std::complex<double>> BlockStep_;
    std::vector<float> Block_;
    std::size_t Filled_ = 0;
    std::vector<std::complex<double>> Running_;
    std::vector<std::complex<double>> Prefixes_; // Depth_ rows of Lines() values
    std::uint64_t Points_ = 0;
};
