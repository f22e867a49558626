#pragma once
// Front end of the tone decoder: removes DC, then low-passes and keeps every n-th sample so
// that the analysis runs at 8 to 16 kHz whatever the input rate. Selective-call, pre-tone and
// two-tone frequencies all lie below 3.4 kHz, so nothing audible to the decoder is lost.
//
// Plain value object; one thread at a time.

#include "app/tones/SampleRing.h"

#include <cstddef>
#include <vector>

class TDecimator {
public:
    explicit TDecimator(int inputRate);

    int Factor() const { return Factor_; }
    double OutputRate() const { return OutputRate_; }
    // Delay the filter adds, in input samples, to correct the time of what is heard.
    double DelaySamples() const { return DelaySamples_; }

    // Takes one input sample scaled to [-1, 1); returns true and sets output when a decimated
    // sample is ready.
    bool Push(float input, float& output);

    // The latest input sample with its DC removed, for the level meter.
    float LastWithoutDc() const { return DcOutput_; }

private:
    int Factor_;
    double OutputRate_;
    double DelaySamples_;
    std::vector<float> Taps_;
    TSampleRing<float> History_; // as long as the taps
    int Phase_ = 0;
    float DcPrevious_ = 0.0f;
    float DcOutput_ = 0.0f;
    float DcPole_;
};
