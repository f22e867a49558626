#pragma once
// Joins analysis frames that carry the same tone (or the same pair of tones) into segments
// with a start, an end and a measured frequency. A frame whose frequency drifts by more than
// 2 % from the segment ends it; one frame lost to noise is bridged. The ends are set where the
// tone's own level has fallen 6 dB below its plateau, which is where a frame's centre crosses
// the tone's edge, so a segment's length is the tone's length within half a hop.
//
// Plain object; one thread at a time.

#include "app/tones/SpectrumAnalyser.h"

#include <optional>
#include <vector>

struct ToneSegment {
    double startSeconds = 0.0;
    double endSeconds = 0.0;
    std::vector<double> frequenciesHz; // one, or two lower first
    double Seconds() const { return endSeconds - startSeconds; }
};

// Which frames a tracker follows: a single dominant tone, or two tones of similar strength.
enum class ToneCount { One, Two };

class ToneTracker {
public:
    ToneTracker(ToneCount count, double hopSeconds);

    // Returns the segment this frame closed, if any.
    std::optional<ToneSegment> Push(const SpectrumFrame& frame);
    std::optional<ToneSegment> Close();

    // Start of the segment still open, if one is.
    std::optional<double> OpenSince() const;

private:
    struct Heard {
        double centreSeconds;
        std::vector<double> frequenciesHz;
        double levelDb;
    };
    std::optional<Heard> Classify(const SpectrumFrame& frame) const;
    bool Continues(const Heard& heard) const;
    ToneSegment Finish() const;

    ToneCount count_;
    double hopSeconds_;
    std::vector<Heard> frames_;
    std::vector<double> sumHz_;
    int missed_ = 0;
};
