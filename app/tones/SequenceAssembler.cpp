#include "app/tones/SequenceAssembler.h"

#include <cmath>

namespace {

constexpr double FrequencyTolerance = 0.02;
constexpr double LengthTolerance = 0.25;
constexpr std::size_t MinimumSymbols = 3;
// Shorter pieces are what a frame makes of the step from one tone to the next.
constexpr double TransitionShare = 0.4;
// A run this long is no selective call; ending it bounds the memory noise can take.
constexpr std::size_t LongestRun = 64;

} // namespace

SequenceAssembler::SequenceAssembler(ToneStandard standard)
    : table_(TableOf(standard)), gapSeconds_(0.5 * table_.toneSeconds + 0.010) {}

std::optional<char> SequenceAssembler::SymbolOf(const ToneSegment& segment) const {
    const double hz = segment.frequenciesHz.front();
    std::optional<char> best;
    double bestDeviation = FrequencyTolerance;
    for (std::size_t i = 0; i < ToneSymbols.size(); ++i) {
        const double nominal = table_.frequencyHz[i];
        const double deviation = std::abs(hz - nominal) / nominal;
        if (deviation <= bestDeviation) {
            bestDeviation = deviation;
            best = ToneSymbols[i];
        }
    }
    const double seconds = segment.Seconds();
    if (std::abs(seconds - table_.toneSeconds) > LengthTolerance * table_.toneSeconds)
        return std::nullopt;
    return best;
}

void SequenceAssembler::Take(const ToneSegment& segment, std::vector<HeardSignal>& heard) {
    if (segment.Seconds() < TransitionShare * table_.toneSeconds)
        return;
    if (!run_.empty() && segment.startSeconds - run_.back().endSeconds > gapSeconds_)
        EndRun(std::nullopt, heard);
    run_.push_back(segment);
    if (run_.size() >= LongestRun)
        EndRun(std::nullopt, heard);
}

void SequenceAssembler::Tick(double nowSeconds, std::optional<double> openSince,
                             std::vector<HeardSignal>& heard) {
    if (run_.empty())
        return;
    const double lastEnd = run_.back().endSeconds;
    if (!openSince) {
        if (nowSeconds - lastEnd > gapSeconds_)
            EndRun(std::nullopt, heard);
        return;
    }
    if (*openSince - lastEnd > gapSeconds_) {
        EndRun(std::nullopt, heard);
    } else if (nowSeconds - *openSince >
               (1.0 + LengthTolerance) * table_.toneSeconds + gapSeconds_) {
        // The tone now sounding is too long to be a symbol: the run ends where it began.
        EndRun(openSince, heard);
    }
}

void SequenceAssembler::Finish(std::vector<HeardSignal>& heard) {
    EndRun(std::nullopt, heard);
}

void SequenceAssembler::EndRun(std::optional<double> nextStart, std::vector<HeardSignal>& heard) {
    for (std::size_t i = 0; i + 1 < run_.size(); ++i) {
        const double middle = (run_[i].endSeconds + run_[i + 1].startSeconds) / 2.0;
        run_[i].endSeconds = middle;
        run_[i + 1].startSeconds = middle;
    }
    if (nextStart && !run_.empty())
        run_.back().endSeconds = (run_.back().endSeconds + *nextStart) / 2.0;

    HeardSignal sequence;
    const auto emit = [&] {
        if (sequence.digits.size() >= MinimumSymbols)
            heard.push_back(sequence);
        sequence = HeardSignal{};
    };
    for (const ToneSegment& segment : run_) {
        const std::optional<char> symbol = SymbolOf(segment);
        if (!symbol) {
            emit();
            continue;
        }
        if (sequence.digits.empty())
            sequence.startSeconds = segment.startSeconds;
        const bool repeats = *symbol == RepeatToneSymbol && !sequence.digits.empty();
        sequence.digits.push_back(repeats ? sequence.digits.back() : *symbol);
        sequence.toneSeconds.push_back(segment.Seconds());
        sequence.durationSeconds = segment.endSeconds - sequence.startSeconds;
    }
    emit();
    run_.clear();
}
