#include "app/tones/ToneTracker.h"

#include <algorithm>
#include <cmath>

namespace {

// A frame carries a tone when the tone's main lobe holds this share of the band's power. White
// noise 10 dB below the tone leaves it above 0.9; voiced speech spreads over its harmonics.
constexpr double ToneShare = 0.65;
// The weaker tone of a pair may be this much weaker than the stronger one (10 dB).
constexpr double PairBalance = 0.1;
// Quieter frames are silence: below the weakest level to decode (-40 dBFS) by a margin.
constexpr double FloorDb = -60.0;
constexpr double DriftTolerance = 0.02;
constexpr int BridgedFrames = 1;
// Where a frame's centre crosses a tone's edge, half its window holds the tone: -6 dB.
constexpr double EdgeDropDb = 6.0;
// Far more frames than an edge ever loses to trimming.
constexpr std::size_t EdgeFrames = 32;

} // namespace

ToneTracker::ToneTracker(ToneCount count, double hopSeconds)
    : count_(count), hopSeconds_(hopSeconds), tailRing_(EdgeFrames) {
    head_.reserve(EdgeFrames);
}

std::optional<ToneTracker::Heard> ToneTracker::Classify(const SpectrumFrame& frame) const {
    if (frame.levelDb < FloorDb)
        return std::nullopt;
    const SpectralPeak& first = frame.strongest;
    const SpectralPeak& second = frame.second;
    const bool paired = second.share >= PairBalance * first.share;
    if (count_ == ToneCount::One) {
        if (first.share < ToneShare || paired)
            return std::nullopt;
        return Heard{frame.centreSeconds, {first.frequencyHz, 0.0}, first.levelDb};
    }
    if (!paired || first.share + second.share < ToneShare)
        return std::nullopt;
    return Heard{frame.centreSeconds,
                 {std::min(first.frequencyHz, second.frequencyHz),
                  std::max(first.frequencyHz, second.frequencyHz)},
                 std::min(first.levelDb, second.levelDb)};
}

bool ToneTracker::Continues(const Heard& heard) const {
    for (std::size_t i = 0; i < Tones(); ++i) {
        const double mean = sumHz_[i] / static_cast<double>(frames_);
        if (std::abs(heard.frequenciesHz[i] - mean) > DriftTolerance * mean)
            return false;
    }
    return true;
}

void ToneTracker::Add(const Heard& heard) {
    plateauDb_ = frames_ == 0 ? heard.levelDb : std::max(plateauDb_, heard.levelDb);
    for (std::size_t i = 0; i < Tones(); ++i)
        sumHz_[i] += heard.frequenciesHz[i];
    ++frames_;
    if (head_.size() < EdgeFrames) {
        head_.push_back(heard);
        return;
    }
    tailRing_[tailNext_] = heard;
    tailNext_ = (tailNext_ + 1) % EdgeFrames;
    tailCount_ = std::min(tailCount_ + 1, EdgeFrames);
}

std::optional<ToneSegment> ToneTracker::Push(const SpectrumFrame& frame) {
    const std::optional<Heard> heard = Classify(frame);
    std::optional<ToneSegment> closed;
    if (frames_ > 0) {
        if (heard && Continues(*heard)) {
            missed_ = 0;
        } else if (!heard && missed_ < BridgedFrames) {
            ++missed_;
            return std::nullopt;
        } else {
            closed = Close();
        }
    }
    if (heard)
        Add(*heard);
    return closed;
}

std::optional<ToneSegment> ToneTracker::Close() {
    if (frames_ == 0)
        return std::nullopt;
    ToneSegment segment = Finish();
    head_.clear();
    tailCount_ = 0;
    tailNext_ = 0;
    frames_ = 0;
    sumHz_ = {};
    missed_ = 0;
    return segment;
}

std::optional<double> ToneTracker::OpenSince() const {
    if (frames_ == 0)
        return std::nullopt;
    return head_.front().centreSeconds - hopSeconds_ / 2.0;
}

ToneSegment ToneTracker::Finish() const {
    // The kept edges in time order: the head, then the tail ring from its oldest slot.
    std::vector<Heard> edges(head_);
    for (std::size_t i = 0; i < tailCount_; ++i)
        edges.push_back(tailRing_[(tailNext_ + EdgeFrames - tailCount_ + i) % EdgeFrames]);
    const bool middleDropped = frames_ > edges.size();
    const auto loud = [&](const Heard& heard) { return heard.levelDb >= plateauDb_ - EdgeDropDb; };

    // Quiet frames are trimmed from each end, never past the dropped middle (all of it counts).
    std::size_t first = 0;
    const std::size_t headEnd = middleDropped ? head_.size() : edges.size();
    while (first < headEnd && !loud(edges[first]))
        ++first;
    std::size_t last = edges.size() - 1;
    const std::size_t tailBegin = middleDropped ? head_.size() : first;
    while (last > tailBegin && !loud(edges[last]))
        --last;

    ToneSegment segment;
    // A head quiet all through (a slow fade-in) leaves the start at the dropped middle's.
    segment.startSeconds = first < headEnd ? edges[first].centreSeconds - hopSeconds_ / 2.0
                                           : edges[first - 1].centreSeconds + hopSeconds_ / 2.0;
    segment.endSeconds = edges[last].centreSeconds + hopSeconds_ / 2.0;
    std::array<double, 2> keptHz = sumHz_;
    std::size_t trimmed = 0;
    const auto drop = [&](const Heard& heard) {
        for (std::size_t i = 0; i < Tones(); ++i)
            keptHz[i] -= heard.frequenciesHz[i];
        ++trimmed;
    };
    for (std::size_t i = 0; i < first && i < edges.size(); ++i)
        drop(edges[i]);
    for (std::size_t i = last + 1; i < edges.size(); ++i)
        drop(edges[i]);
    const double kept = static_cast<double>(frames_ - trimmed);
    for (std::size_t i = 0; i < Tones(); ++i)
        segment.frequenciesHz.push_back(keptHz[i] / kept);
    return segment;
}
