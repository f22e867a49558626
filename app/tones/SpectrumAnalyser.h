#pragma once
// One analysis frame: a Hann-windowed, zero-padded FFT over the audio band, reduced to the
// two strongest spectral peaks. Each peak's frequency is interpolated between bins, so a tone
// is measured to a few hertz even from a 20 ms frame.
//
// Plain object with scratch buffers; one thread at a time.

#include "app/tones/RealPowerSpectrum.h"

#include <cstddef>
#include <vector>

struct TSpectralPeak {
    double FrequencyHz = 0.0;
    double Share = 0.0;   // of the frame's power in the audio band, 0..1
    double LevelDb = 0.0; // relative to a full-scale sine
};

struct TSpectrumFrame {
    double CentreSeconds = 0.0;
    double LevelDb = 0.0; // power in the audio band, relative to a full-scale sine
    TSpectralPeak Strongest;
    TSpectralPeak Second;
};

class TSpectrumAnalyser {
public:
    TSpectrumAnalyser(double sampleRate, std::size_t windowLength);

    std::size_t WindowLength() const { return Window_.size(); }

    // samples: WindowLength() values, oldest first.
    TSpectrumFrame Analyse(const float* samples, double centreSeconds);

private:
    struct TLobe {
        std::size_t PeakBin;
        double Power;
    };
    TLobe StrongestLobe(std::size_t excludeFrom, std::size_t excludeTo) const;
    double InterpolatedHz(std::size_t bin) const;

    double SampleRate_;
    std::vector<float> Window_;
    TRealPowerSpectrum Fft_;
    std::vector<float> Frame_;
    std::vector<float> Power_;
    std::size_t LowBin_;
    std::size_t HighBin_;
    std::size_t LobeHalfWidth_;
    double FullScalePower_;
};
