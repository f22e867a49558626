#pragma once
// Measures tones closely from the decoder's recent samples. The trackers find a tone on frames
// that lie hops apart, which places it to a few hertz and a few milliseconds; this goes back to
// the samples themselves: the frequency is where the tone's windowed spectrum peaks over its
// inside, its level is that peak's height, an edge is where the tone's envelope crosses a
// fixed share of its level, and where one tone gives way to the next, both envelopes stand at
// half their tone's level.
//
// Keeps the last few seconds at the analysis rate, so a tone is measured as soon as it ends;
// of a longer tone, the last seconds are measured. Plain object; one thread at a time. Add
// never allocates; the measurements allocate a little per tone.

#include "app/tones/SampleRing.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class TToneMeasurer {
public:
    // Sample n (counted from 0) lies at n / sampleRate + offsetSeconds.
    TToneMeasurer(double sampleRate, double offsetSeconds);

    void Add(float sample);

    // The frequency of the tone near nearHz between from and to (seconds), to well under a
    // tenth of a hertz for a clean tone; nearHz where too little of the stretch is kept.
    double FrequencyHz(double fromSeconds, double toSeconds, double nearHz) const;

    // The tone's peak amplitude there, 1 for a full-scale sine; 0 where nothing is kept.
    double Amplitude(double fromSeconds, double toSeconds, double hz) const;

    // Where the tone of this frequency and amplitude starts or ends between a time inside it
    // and one outside it (a start when outside lies before inside); nothing where the envelope
    // does not cross there. A partner tone that sounds with it (otherHz, 0 for none) is kept
    // out of the envelope.
    std::optional<double> EdgeSeconds(double hz, double amplitude, double insideSeconds,
                                      double outsideSeconds, double otherHz = 0.0) const;

    // Where the first tone gives way to the second without a pause, between a time inside the
    // first and one inside the second; nothing where their envelopes do not cross there.
    std::optional<double> BoundarySeconds(double firstHz, double firstAmplitude, double secondHz,
                                          double secondAmplitude, double fromSeconds,
                                          double toSeconds) const;

private:
    struct TSpan {
        std::uint64_t First = 0;
        std::size_t Count = 0;
    };
    TSpan Kept(double fromSeconds, double toSeconds) const;
    float At(std::uint64_t sample) const;
    // |sum of w[n] x[n] e^{-i 2 pi hz n / rate}| / sum of w[n], with a Hann window w.
    double WindowedMagnitude(const TSpan& span, double hz) const;
    double PeakHz(const TSpan& span, double nearHz, double reachHz) const;
    // The magnitude of a box window of width samples sliding over the span, one value per
    // position, 1 for a full-scale sine of this frequency.
    std::vector<double> Envelope(const TSpan& span, double hz, std::size_t width) const;
    // The time of the box window that starts at this position of the span.
    double BoxCentreSeconds(const TSpan& span, double position, std::size_t width) const;

    double SampleRate_;
    double OffsetSeconds_;
    TSampleRing<float> Ring_;
};
