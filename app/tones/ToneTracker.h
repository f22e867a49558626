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
        double centreSeconds = 0.0;
        std::array<double, 2> frequenciesHz{}; // the first Tones() of them
        double levelDb = 0.0;
    };
    std::size_t Tones() const { return count_ == ToneCount::One ? 1 : 2; }
    std::optional<Heard> Classify(const SpectrumFrame& frame) const;
    bool Continues(const Heard& heard) const;
    void Add(const Heard& heard);
    ToneSegment Finish() const;

    ToneCount count_;
    double hopSeconds_;
    std::vector<Heard> head_;     // the segment's first frames, up to EdgeFrames
    std::vector<Heard> tailRing_; // its last frames after the head, EdgeFrames slots
    std::size_t tailCount_ = 0;
    std::size_t tailNext_ = 0;
    std::size_t frames_ = 0; // all frames of the segment
    std::array<double, 2> sumHz_{};
    double plateauDb_ = 0.0;
    int missed_ = 0;
};
