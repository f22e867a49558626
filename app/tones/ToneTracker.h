#pragma once
// Joins analysis frames that carry the same tone (or the same pair of tones) into segments
// with a start, an end and a measured frequency. A frame whose frequency drifts by more than
// 2 % from the segment ends it; one frame lost to noise is bridged. The ends are set where the
// tone's own level has fallen 6 dB below its plateau, which is where a frame's centre crosses
// the tone's edge, so a segment's length is the tone's length within half a hop. A segment keeps
// only its first and last frames, which is all trimming its ends needs, and sums over the rest,
// so a tone that sounds for hours takes no more memory than a short one.
//
// Plain object; one thread at a time. Push allocates only when it closes a segment.

#include "app/tones/SpectrumAnalyser.h"

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

struct TToneSegment {
    double StartSeconds = 0.0;
    double EndSeconds = 0.0;
    std::vector<double> FrequenciesHz; // one, or two lower first
    double Seconds() const { return EndSeconds - StartSeconds; }
};

// Which frames a tracker follows: a single dominant tone, or two tones of similar strength.
enum class TToneCount { One, Two };

class TToneTracker {
public:
    TToneTracker(TToneCount count, double hopSeconds);

    // Returns the segment this frame closed, if any.
    std::optional<TToneSegment> Push(const TSpectrumFrame& frame);
    std::optional<TToneSegment> Close();

    // Start of the segment still open, if one is.
    std::optional<double> OpenSince() const;

private:
    struct THeard {
        double CentreSeconds = 0.0;
        std::array<double, 2> FrequenciesHz{}; // the first Tones() of them
        double LevelDb = 0.0;
    };
    std::size_t Tones() const { return Count_ == TToneCount::One ? 1 : 2; }
    std::optional<THeard> Classify(const TSpectrumFrame& frame) const;
    bool Continues(const THeard& heard) const;
    void Add(const THeard& heard);
    TToneSegment Finish() const;

    TToneCount Count_;
    double HopSeconds_;
    std::vector<THeard> Head_;     // the segment's first frames, up to EdgeFrames
    std::vector<THeard> TailRing_; // its last frames after the head, EdgeFrames slots
    std::size_t TailCount_ = 0;
    std::size_t TailNext_ = 0;
    std::size_t Frames_ = 0; // all frames of the segment
    std::array<double, 2> SumHz_{};
    double PlateauDb_ = 0.0;
    int Missed_ = 0;
};
