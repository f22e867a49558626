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

} // namespace

ToneTracker::ToneTracker(ToneCount count, double hopSeconds)
    : count_(count), hopSeconds_(hopSeconds) {}

std::optional<ToneTracker::Heard> ToneTracker::Classify(const SpectrumFrame& frame) const {
    if (frame.levelDb < FloorDb)
        return std::nullopt;
    const SpectralPeak& first = frame.strongest;
    const SpectralPeak& second = frame.second;
    const bool paired = second.share >= PairBalance * first.share;
    if (count_ == ToneCount::One) {
        if (first.share < ToneShare || paired)
            return std::nullopt;
        return Heard{frame.centreSeconds, {first.frequencyHz}, first.levelDb};
    }
    if (!paired || first.share + second.share < ToneShare)
        return std::nullopt;
    return Heard{frame.centreSeconds,
                 {std::min(first.frequencyHz, second.frequencyHz),
                  std::max(first.frequencyHz, second.frequencyHz)},
                 std::min(first.levelDb, second.levelDb)};
}

bool ToneTracker::Continues(const Heard& heard) const {
    const double count = static_cast<double>(frames_.size());
    for (std::size_t i = 0; i < sumHz_.size(); ++i) {
        const double mean = sumHz_[i] / count;
        if (std::abs(heard.frequenciesHz[i] - mean) > DriftTolerance * mean)
            return false;
    }
    return true;
}

std::optional<ToneSegment> ToneTracker::Push(const SpectrumFrame& frame) {
    const std::optional<Heard> heard = Classify(frame);
    std::optional<ToneSegment> closed;
    if (!frames_.empty()) {
        if (heard && Continues(*heard)) {
            missed_ = 0;
        } else if (!heard && missed_ < BridgedFrames) {
            ++missed_;
            return std::nullopt;
        } else {
            closed = Close();
        }
    }
    if (heard) {
        if (frames_.empty())
            sumHz_.assign(heard->frequenciesHz.size(), 0.0);
        for (std::size_t i = 0; i < sumHz_.size(); ++i)
            sumHz_[i] += heard->frequenciesHz[i];
        frames_.push_back(*heard);
    }
    return closed;
}

std::optional<ToneSegment> ToneTracker::Close() {
    if (frames_.empty())
        return std::nullopt;
    ToneSegment segment = Finish();
    frames_.clear();
    sumHz_.clear();
    missed_ = 0;
    return segment;
}

std::optional<double> ToneTracker::OpenSince() const {
    if (frames_.empty())
        return std::nullopt;
    return frames_.front().centreSeconds - hopSeconds_ / 2.0;
}

ToneSegment ToneTracker::Finish() const {
    double plateauDb = frames_.front().levelDb;
    for (const Heard& heard : frames_)
        plateauDb = std::max(plateauDb, heard.levelDb);
    const auto loud = [&](const Heard& heard) { return heard.levelDb >= plateauDb - EdgeDropDb; };
    const auto first = std::find_if(frames_.begin(), frames_.end(), loud);
    const auto last = std::find_if(frames_.rbegin(), frames_.rend(), loud).base() - 1;

    ToneSegment segment;
    segment.startSeconds = first->centreSeconds - hopSeconds_ / 2.0;
    segment.endSeconds = last->centreSeconds + hopSeconds_ / 2.0;
    segment.frequenciesHz.assign(first->frequenciesHz.size(), 0.0);
    for (auto it = first; it <= last; ++it) {
        for (std::size_t i = 0; i < segment.frequenciesHz.size(); ++i)
            segment.frequenciesHz[i] += it->frequenciesHz[i];
    }
    const double frames = static_cast<double>(last - first + 1);
    for (double& hz : segment.frequenciesHz)
        hz /= frames;
    return segment;
}
