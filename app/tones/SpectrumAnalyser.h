#pragma once
// One analysis frame: a Hann-windowed, zero-padded FFT over the audio band, reduced to the
// two strongest spectral peaks. Each peak's frequency is interpolated between bins, so a tone
// is measured to a few hertz even from a 20 ms frame.
//
// Plain object with scratch buffers; one thread at a time.

#include "app/tones/RealPowerSpectrum.h"

#include <cstddef>
#include <vector>

struct SpectralPeak {
    double frequencyHz = 0.0;
    double share = 0.0;   // of the frame's power in the audio band, 0..1
    double levelDb = 0.0; // relative to a full-scale sine
};

struct SpectrumFrame {
    double centreSeconds = 0.0;
    double levelDb = 0.0; // power in the audio band, relative to a full-scale sine
    SpectralPeak strongest;
    SpectralPeak second;
};

class SpectrumAnalyser {
public:
    SpectrumAnalyser(double sampleRate, std::size_t windowLength);

    std::size_t WindowLength() const { return window_.size(); }

    // samples: WindowLength() values, oldest first.
    SpectrumFrame Analyse(const float* samples, double centreSeconds);

private:
    struct Lobe {
        std::size_t peakBin;
        double power;
    };
    Lobe StrongestLobe(std::size_t excludeFrom, std::size_t excludeTo) const;
    double InterpolatedHz(std::size_t bin) const;

    double sampleRate_;
    std::vector<float> window_;
    RealPowerSpectrum fft_;
    std::vector<float> frame_;
    std::vector<float> power_;
    std::size_t lowBin_;
    std::size_t highBin_;
    std::size_t lobeHalfWidth_;
    double fullScalePower_;
};
