#include "app/tones/SequenceAssembler.h"

#include <algorithm>
#include <cmath>

namespace {

// Neighbouring tones of every table lie 6 % or more apart, so a tone this far off is no symbol.
constexpr double FarthestDeviation = 0.05;
constexpr double ShortestShare = 0.5;
constexpr double LongestShare = 1.5;
constexpr std::size_t MinimumSymbols = 3;
// Shorter pieces are what a frame makes of the step from one tone to the next.
constexpr double TransitionShare = 0.4;
// Pieces this close in frequency are one tone: the trackers' own drift tolerance.
constexpr double SameToneShare = 0.02;
// The longest break noise makes in a tone, as a share of its length.
constexpr double BreakShare = 0.3;
// Frames that straddle two tones see neither, so adjacent tones leave this much between their
// segments; a longer space is a pause.
constexpr double JoinSeconds = 0.012;
// The inside of a tone, where its frequency is measured: clear of the neighbours' edges.
constexpr double EdgeMarginSeconds = 0.006;
// How far a segment's edge may lie from the tone's: about half a short frame.
constexpr double EdgeReachSeconds = 0.015;
// A run this long is no selective call; ending it bounds the memory noise can take.
constexpr std::size_t LongestRun = 64;

} // namespace

SequenceAssembler::SequenceAssembler(ToneStandard standard, const ToneMeasurer& measurer)
    : table_(TableOf(standard)), measurer_(measurer),
      gapSeconds_(0.5 * table_.toneSeconds + 0.010) {}

std::optional<char> SequenceAssembler::SymbolOf(const ToneSegment& segment) const {
    const double hz = segment.frequenciesHz.front();
    std::size_t nearest = 0;
    for (std::size_t i = 1; i < ToneSymbols.size(); ++i) {
        if (std::abs(hz - table_.frequencyHz[i]) < std::abs(hz - table_.frequencyHz[nearest]))
            nearest = i;
    }
    const double nominal = table_.frequencyHz[nearest];
    const double share = segment.Seconds() / table_.toneSeconds;
    if (std::abs(hz - nominal) > FarthestDeviation * nominal || share < ShortestShare ||
        share > LongestShare)
        return std::nullopt;
    return ToneSymbols[nearest];
}

bool SequenceAssembler::SameTone(const ToneSegment& earlier, const ToneSegment& later) const {
    const double hz = earlier.frequenciesHz.front();
    return later.startSeconds - earlier.endSeconds <= BreakShare * table_.toneSeconds &&
           later.endSeconds - earlier.startSeconds <= LongestShare * table_.toneSeconds &&
           std::abs(later.frequenciesHz.front() - hz) <= SameToneShare * hz;
}

void SequenceAssembler::Take(const ToneSegment& segment, std::vector<HeardSignal>& heard) {
    // Encoders never sound one tone twice in a row (that is what the repeat tone is for), so
    // pieces of one frequency are one tone that noise broke up.
    if (!run_.empty() && SameTone(run_.back().raw, segment)) {
        run_.back().raw.endSeconds = segment.endSeconds;
        Measure(run_.back());
        return;
    }
    ToneSegment whole = segment;
    if (piece_ && SameTone(*piece_, segment))
        whole.startSeconds = piece_->startSeconds;
    piece_.reset();
    if (whole.Seconds() < TransitionShare * table_.toneSeconds) {
        piece_ = whole;
        return;
    }
    if (!run_.empty() && whole.startSeconds - run_.back().raw.endSeconds > gapSeconds_)
        EndRun(std::nullopt, heard);

    RunTone tone{whole, whole, whole.endSeconds,
                 !run_.empty() && whole.startSeconds - run_.back().raw.endSeconds <= JoinSeconds};
    Measure(tone);
    run_.push_back(tone);
    if (run_.size() >= LongestRun)
        EndRun(std::nullopt, heard);
}

void SequenceAssembler::Measure(RunTone& tone) const {
    const ToneSegment& raw = tone.raw;
    tone.segment = raw;
    double& hz = tone.segment.frequenciesHz.front();
    const double inside = raw.startSeconds + EdgeMarginSeconds;
    const double insideEnd = raw.endSeconds - EdgeMarginSeconds;
    hz = measurer_.FrequencyHz(inside, insideEnd, hz);
    const double amplitude = measurer_.Amplitude(inside, insideEnd, hz);
    const double middle = (raw.startSeconds + raw.endSeconds) / 2.0;
    if (!tone.joinsPrevious)
        tone.segment.startSeconds =
            measurer_.EdgeSeconds(hz, amplitude, middle, raw.startSeconds - EdgeReachSeconds)
                .value_or(raw.startSeconds);
    tone.measuredEnd =
        measurer_.EdgeSeconds(hz, amplitude, middle, raw.endSeconds + EdgeReachSeconds)
            .value_or(raw.endSeconds);
}

void SequenceAssembler::Tick(double nowSeconds, std::optional<double> openSince,
                             std::vector<HeardSignal>& heard) {
    if (run_.empty())
        return;
    const double lastEnd = run_.back().raw.endSeconds;
    if (!openSince) {
        if (nowSeconds - lastEnd > gapSeconds_)
            EndRun(std::nullopt, heard);
        return;
    }
    if (*openSince - lastEnd > gapSeconds_) {
        EndRun(std::nullopt, heard);
    } else if (nowSeconds - *openSince > LongestShare * table_.toneSeconds + gapSeconds_) {
        // The tone now sounding is too long to be a symbol: the run ends where it began.
        EndRun(openSince, heard);
    }
}

void SequenceAssembler::Finish(std::vector<HeardSignal>& heard) {
    EndRun(std::nullopt, heard);
}

void SequenceAssembler::EndRun(std::optional<double> nextStart, std::vector<HeardSignal>& heard) {
    for (std::size_t i = 0; i < run_.size(); ++i) {
        ToneSegment& segment = run_[i].segment;
        const bool joined = i + 1 < run_.size() ? run_[i + 1].joinsPrevious : nextStart.has_value();
        if (!joined) {
            segment.endSeconds = run_[i].measuredEnd;
            continue;
        }
        const double next = i + 1 < run_.size() ? run_[i + 1].segment.startSeconds : *nextStart;
        const double middle = (segment.endSeconds + next) / 2.0;
        segment.endSeconds = middle;
        if (i + 1 < run_.size())
            run_[i + 1].segment.startSeconds = middle;
    }

    HeardSignal sequence;
    const auto emit = [&] {
        if (sequence.digits.size() >= MinimumSymbols)
            heard.push_back(sequence);
        sequence = HeardSignal{};
    };
    for (const RunTone& tone : run_) {
        const ToneSegment& segment = tone.segment;
        const std::optional<char> symbol = SymbolOf(segment);
        // Two tones of one symbol in a row are no code: that is what the repeat tone is for.
        if (!symbol || (!sequence.tones.empty() && sequence.tones.back().symbol == *symbol)) {
            emit();
            continue;
        }
        const double gap = sequence.digits.empty()
                               ? 0.0
                               : segment.startSeconds - sequence.tones.back().startSeconds -
                                     sequence.tones.back().seconds;
        if (sequence.digits.empty())
            sequence.startSeconds = segment.startSeconds;
        const bool repeats = *symbol == RepeatToneSymbol && !sequence.digits.empty();
        sequence.digits.push_back(repeats ? sequence.digits.back() : *symbol);
        sequence.tones.push_back({*symbol, segment.frequenciesHz.front(), segment.startSeconds,
                                  segment.Seconds(), std::max(0.0, gap)});
        sequence.durationSeconds = segment.endSeconds - sequence.startSeconds;
    }
    emit();
    run_.clear();
}
