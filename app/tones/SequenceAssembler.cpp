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

TSequenceAssembler::TSequenceAssembler(TToneStandard standard, const TToneMeasurer& measurer)
    : Table_(TableOf(standard)), Measurer_(measurer),
      GapSeconds_(0.5 * Table_.ToneSeconds + 0.010) {}

std::optional<char> TSequenceAssembler::SymbolOf(const TToneSegment& segment) const {
    const double hz = segment.FrequenciesHz.front();
    std::size_t nearest = 0;
    for (std::size_t i = 1; i < ToneSymbols.size(); ++i) {
        if (std::abs(hz - Table_.FrequencyHz[i]) < std::abs(hz - Table_.FrequencyHz[nearest]))
            nearest = i;
    }
    const double nominal = Table_.FrequencyHz[nearest];
    const double share = segment.Seconds() / Table_.ToneSeconds;
    if (std::abs(hz - nominal) > FarthestDeviation * nominal || share < ShortestShare ||
        share > LongestShare)
        return std::nullopt;
    return ToneSymbols[nearest];
}

bool TSequenceAssembler::SameTone(const TToneSegment& earlier, const TToneSegment& later) const {
    const double hz = earlier.FrequenciesHz.front();
    return later.StartSeconds - earlier.EndSeconds <= BreakShare * Table_.ToneSeconds &&
           later.EndSeconds - earlier.StartSeconds <= LongestShare * Table_.ToneSeconds &&
           std::abs(later.FrequenciesHz.front() - hz) <= SameToneShare * hz;
}

void TSequenceAssembler::Take(const TToneSegment& segment, std::vector<THeardSignal>& heard) {
    // Encoders never sound one tone twice in a row (that is what the repeat tone is for), so
    // pieces of one frequency are one tone that noise broke up.
    if (!Run_.empty() && SameTone(Run_.back().Raw, segment)) {
        Run_.back().Raw.EndSeconds = segment.EndSeconds;
        MeasureLast();
        return;
    }
    TToneSegment whole = segment;
    if (Piece_ && SameTone(*Piece_, segment))
        whole.StartSeconds = Piece_->StartSeconds;
    Piece_.reset();
    if (whole.Seconds() < TransitionShare * Table_.ToneSeconds) {
        Piece_ = whole;
        return;
    }
    if (!Run_.empty() && whole.StartSeconds - Run_.back().Raw.EndSeconds > GapSeconds_)
        EndRun(std::nullopt, heard);

    const bool joins =
        !Run_.empty() && whole.StartSeconds - Run_.back().Raw.EndSeconds <= JoinSeconds;
    Run_.push_back({whole, whole, 0.0, whole.EndSeconds, joins});
    MeasureLast();
    if (Run_.size() >= LongestRun)
        EndRun(std::nullopt, heard);
}

void TSequenceAssembler::MeasureLast() {
    TRunTone& tone = Run_.back();
    const TToneSegment& raw = tone.Raw;
    tone.Segment = raw;
    double& hz = tone.Segment.FrequenciesHz.front();
    const double inside = raw.StartSeconds + EdgeMarginSeconds;
    const double insideEnd = raw.EndSeconds - EdgeMarginSeconds;
    hz = Measurer_.FrequencyHz(inside, insideEnd, hz);
    tone.Amplitude = Measurer_.Amplitude(inside, insideEnd, hz);
    const double middle = (raw.StartSeconds + raw.EndSeconds) / 2.0;
    if (tone.JoinsPrevious) {
        // The frames that straddle two tones see neither, so the tracker leaves a gap of a few
        // hops around the boundary; the samples place it to a fraction of a millisecond.
        const TRunTone& previous = Run_[Run_.size() - 2];
        const double previousMiddle = (previous.Raw.StartSeconds + previous.Raw.EndSeconds) / 2.0;
        tone.Segment.StartSeconds =
            Measurer_
                .BoundarySeconds(previous.Segment.FrequenciesHz.front(), previous.Amplitude, hz,
                                 tone.Amplitude, previousMiddle, middle)
                .value_or((previous.Raw.EndSeconds + raw.StartSeconds) / 2.0);
    } else {
        tone.Segment.StartSeconds =
            Measurer_.EdgeSeconds(hz, tone.Amplitude, middle, raw.StartSeconds - EdgeReachSeconds)
                .value_or(raw.StartSeconds);
    }
    tone.MeasuredEnd =
        Measurer_.EdgeSeconds(hz, tone.Amplitude, middle, raw.EndSeconds + EdgeReachSeconds)
            .value_or(raw.EndSeconds);
}

void TSequenceAssembler::Tick(double nowSeconds, std::optional<double> openSince,
                              std::vector<THeardSignal>& heard) {
    if (Run_.empty())
        return;
    const double lastEnd = Run_.back().Raw.EndSeconds;
    if (!openSince) {
        if (nowSeconds - lastEnd > GapSeconds_)
            EndRun(std::nullopt, heard);
        return;
    }
    if (*openSince - lastEnd > GapSeconds_) {
        EndRun(std::nullopt, heard);
    } else if (nowSeconds - *openSince > LongestShare * Table_.ToneSeconds + GapSeconds_) {
        // The tone now sounding is too long to be a symbol: the run ends where it began.
        EndRun(openSince, heard);
    }
}

void TSequenceAssembler::Finish(std::vector<THeardSignal>& heard) {
    EndRun(std::nullopt, heard);
}

void TSequenceAssembler::EndRun(std::optional<double> nextStart, std::vector<THeardSignal>& heard) {
    for (std::size_t i = 0; i < Run_.size(); ++i) {
        TToneSegment& segment = Run_[i].Segment;
        const bool joined = i + 1 < Run_.size() ? Run_[i + 1].JoinsPrevious : nextStart.has_value();
        if (!joined) {
            segment.EndSeconds = Run_[i].MeasuredEnd;
            continue;
        }
        // The tone that ended the run is unmeasured: the boundary lies midway in the tracker's gap.
        segment.EndSeconds = i + 1 < Run_.size() ? Run_[i + 1].Segment.StartSeconds
                                                 : (Run_[i].Raw.EndSeconds + *nextStart) / 2.0;
    }

    THeardSignal sequence;
    const auto emit = [&] {
        if (sequence.Digits.size() >= MinimumSymbols)
            heard.push_back(sequence);
        sequence = THeardSignal{};
    };
    for (const TRunTone& tone : Run_) {
        const TToneSegment& segment = tone.Segment;
        const std::optional<char> symbol = SymbolOf(segment);
        // Two tones of one symbol in a row are no code: that is what the repeat tone is for.
        if (!symbol || (!sequence.Tones.empty() && sequence.Tones.back().Symbol == *symbol)) {
            emit();
            continue;
        }
        const double gap = sequence.Digits.empty()
                               ? 0.0
                               : segment.StartSeconds - sequence.Tones.back().StartSeconds -
                                     sequence.Tones.back().Seconds;
        if (sequence.Digits.empty())
            sequence.StartSeconds = segment.StartSeconds;
        const bool repeats = *symbol == RepeatToneSymbol && !sequence.Digits.empty();
        sequence.Digits.push_back(repeats ? sequence.Digits.back() : *symbol);
        sequence.Tones.push_back({*symbol, segment.FrequenciesHz.front(), segment.StartSeconds,
                                  segment.Seconds(), std::max(0.0, gap)});
        sequence.DurationSeconds = segment.EndSeconds - sequence.StartSeconds;
    }
    emit();
    Run_.clear();
}

std::optional<double> TSequenceAssembler::OpenSince() const {
    if (!Run_.empty())
        return Run_.front().Segment.StartSeconds;
    if (Piece_)
        return Piece_->StartSeconds;
    return std::nullopt;
}
