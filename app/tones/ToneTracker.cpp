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

TToneTracker::TToneTracker(TToneCount count, double hopSeconds)
    : Count_(count), HopSeconds_(hopSeconds), TailRing_(EdgeFrames) {
    Head_.reserve(EdgeFrames);
}

std::optional<TToneTracker::THeard> TToneTracker::Classify(const TSpectrumFrame& frame) const {
    if (frame.LevelDb < FloorDb)
        return std::nullopt;
    const TSpectralPeak& first = frame.Strongest;
    const TSpectralPeak& second = frame.Second;
    const bool paired = second.Share >= PairBalance * first.Share;
    if (Count_ == TToneCount::One) {
        if (first.Share < ToneShare || paired)
            return std::nullopt;
        return THeard{frame.CentreSeconds, {first.FrequencyHz, 0.0}, first.LevelDb};
    }
    if (!paired || first.Share + second.Share < ToneShare)
        return std::nullopt;
    return THeard{frame.CentreSeconds,
                  {std::min(first.FrequencyHz, second.FrequencyHz),
                   std::max(first.FrequencyHz, second.FrequencyHz)},
                  std::min(first.LevelDb, second.LevelDb)};
}

bool TToneTracker::Continues(const THeard& heard) const {
    for (std::size_t i = 0; i < Tones(); ++i) {
        const double mean = SumHz_[i] / static_cast<double>(Frames_);
        if (std::abs(heard.FrequenciesHz[i] - mean) > DriftTolerance * mean)
            return false;
    }
    return true;
}

void TToneTracker::Add(const THeard& heard) {
    PlateauDb_ = Frames_ == 0 ? heard.LevelDb : std::max(PlateauDb_, heard.LevelDb);
    for (std::size_t i = 0; i < Tones(); ++i)
        SumHz_[i] += heard.FrequenciesHz[i];
    ++Frames_;
    if (Head_.size() < EdgeFrames) {
        Head_.push_back(heard);
        return;
    }
    TailRing_[TailNext_] = heard;
    TailNext_ = (TailNext_ + 1) % EdgeFrames;
    TailCount_ = std::min(TailCount_ + 1, EdgeFrames);
}

std::optional<TToneSegment> TToneTracker::Push(const TSpectrumFrame& frame) {
    const std::optional<THeard> heard = Classify(frame);
    std::optional<TToneSegment> closed;
    if (Frames_ > 0) {
        if (heard && Continues(*heard)) {
            Missed_ = 0;
        } else if (!heard && Missed_ < BridgedFrames) {
            ++Missed_;
            return std::nullopt;
        } else {
            closed = Close();
        }
    }
    if (heard)
        Add(*heard);
    return closed;
}

std::optional<TToneSegment> TToneTracker::Close() {
    if (Frames_ == 0)
        return std::nullopt;
    TToneSegment segment = Finish();
    Head_.clear();
    TailCount_ = 0;
    TailNext_ = 0;
    Frames_ = 0;
    SumHz_ = {};
    Missed_ = 0;
    return segment;
}

std::optional<double> TToneTracker::OpenSince() const {
    if (Frames_ == 0)
        return std::nullopt;
    return Head_.front().CentreSeconds - HopSeconds_ / 2.0;
}

TToneSegment TToneTracker::Finish() const {
    // The kept edges in time order: the head, then the tail ring from its oldest slot.
    std::vector<THeard> edges(Head_);
    for (std::size_t i = 0; i < TailCount_; ++i)
        edges.push_back(TailRing_[(TailNext_ + EdgeFrames - TailCount_ + i) % EdgeFrames]);
    const bool middleDropped = Frames_ > edges.size();
    const auto loud = [&](const THeard& heard) { return heard.LevelDb >= PlateauDb_ - EdgeDropDb; };

    // Quiet frames are trimmed from each end, never past the dropped middle (all of it counts).
    std::size_t first = 0;
    const std::size_t headEnd = middleDropped ? Head_.size() : edges.size();
    while (first < headEnd && !loud(edges[first]))
        ++first;
    std::size_t last = edges.size() - 1;
    const std::size_t tailBegin = middleDropped ? Head_.size() : first;
    while (last > tailBegin && !loud(edges[last]))
        --last;

    TToneSegment segment;
    // A head quiet all through (a slow fade-in) leaves the start at the dropped middle's.
    segment.StartSeconds = first < headEnd ? edges[first].CentreSeconds - HopSeconds_ / 2.0
                                           : edges[first - 1].CentreSeconds + HopSeconds_ / 2.0;
    segment.EndSeconds = edges[last].CentreSeconds + HopSeconds_ / 2.0;
    std::array<double, 2> keptHz = SumHz_;
    std::size_t trimmed = 0;
    const auto drop = [&](const THeard& heard) {
        for (std::size_t i = 0; i < Tones(); ++i)
            keptHz[i] -= heard.FrequenciesHz[i];
        ++trimmed;
    };
    for (std::size_t i = 0; i < first && i < edges.size(); ++i)
        drop(edges[i]);
    for (std::size_t i = last + 1; i < edges.size(); ++i)
        drop(edges[i]);
    const double kept = static_cast<double>(Frames_ - trimmed);
    for (std::size_t i = 0; i < Tones(); ++i)
        segment.FrequenciesHz.push_back(keptHz[i] / kept);
    return segment;
}
