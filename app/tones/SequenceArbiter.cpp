#include "app/tones/SequenceArbiter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Long enough for the frame path's longest run to be judged on the line bank when it ends.
constexpr double KeptSeconds = 3.0;
// Long enough for any later sequence to be compared with what has left.
constexpr double RememberedSeconds = 10.0;
// The inside of a tone, where its frequency is measured: clear of the neighbours' edges.
constexpr double EdgeMarginSeconds = 0.006;
// How far a measured outer edge may lie from where the chain put it.
constexpr double EdgeReachSeconds = 0.010;
// A tone's second harmonic this strong (-20 dB) makes it a note; above the band none is heard.
constexpr double HarmonicShare = 0.1;
constexpr double HarmonicBandHz = 3000.0;
// The tone before may ring on 12 dB below its level, which noise at the frame path's limit
// never reaches.
constexpr double LingeringShare = 1.0 / 16.0;
constexpr double LeakGrowth = 4.0;
constexpr double LeakShare = 1.0 / 8.0;
constexpr double ToleratedDetune = 0.025;
constexpr double ToleratedGapSeconds = 0.005;
// The frame path's edges may be measured this much before its tracker opened them.
constexpr double FramedLeadSeconds = 0.03;

bool Overlap(std::uint64_t aFrom, std::uint64_t aTo, std::uint64_t bFrom, std::uint64_t bTo) {
    return aFrom < bTo && bFrom < aTo;
}

bool Holds(const std::string& framedSymbols, const std::string& chainSymbols) {
    return framedSymbols.find(chainSymbols) != std::string::npos;
}

} // namespace

TSequenceArbiter::TSequenceArbiter(TToneStandard standard, double sampleRate, double offsetSeconds,
                                   const TToneMeasurer& measurer)
    : Table_(TableOf(standard)), Search_(standard, sampleRate, KeptSeconds),
      Selector_(Search_.GridSeconds(), Search_.LongestChain()), Measurer_(measurer),
      SampleRate_(sampleRate), OffsetSeconds_(offsetSeconds) {}

double TSequenceArbiter::Seconds(std::uint64_t point) const {
    return static_cast<double>(point) * Search_.GridSeconds() + OffsetSeconds_;
}

std::uint64_t TSequenceArbiter::Point(double seconds) const {
    return static_cast<std::uint64_t>(
        std::max(0.0, std::round((seconds - OffsetSeconds_) / Search_.GridSeconds())));
}

void TSequenceArbiter::Add(float sample) {
    if (!Search_.Add(sample))
        return;
    Selector_.Take(Search_.Now(), Search_.Best(), Found_);
    for (const TFoundChain& chain : Found_)
        Chains_.push_back(Pending(Measured(chain), chain.Bounds.front(), chain.Bounds.back()));
    Found_.clear();
}

THeardSignal TSequenceArbiter::Measured(const TFoundChain& chain) const {
    THeardSignal sequence;
    sequence.Certain = chain.Certain;
    sequence.ConfidenceDb = chain.ConfidenceDb;
    const std::size_t count = chain.Symbols.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t from = chain.Bounds[i];
        const std::uint64_t to = chain.Bounds[i + 1];
        const double start = Seconds(from);
        const double end = Seconds(to);
        const std::size_t symbol = chain.Symbols[i];
        const double near = Search_.Scorer().StrongestHz(symbol, from, to);
        const double hz =
            Measurer_.FrequencyHz(start + EdgeMarginSeconds, end - EdgeMarginSeconds, near);
        TMeasuredTone tone{ToneSymbols[symbol], hz, start, end - start, 0.0};
        const double amplitude =
            Measurer_.Amplitude(start + EdgeMarginSeconds, end - EdgeMarginSeconds, hz);
        if (i == 0) {
            tone.StartSeconds =
                Measurer_
                    .EdgeSeconds(hz, amplitude, start + EdgeReachSeconds, start - EdgeReachSeconds)
                    .value_or(start);
            tone.Seconds = end - tone.StartSeconds;
        }
        if (i + 1 == count)
            tone.Seconds =
                Measurer_.EdgeSeconds(hz, amplitude, end - EdgeReachSeconds, end + EdgeReachSeconds)
                    .value_or(end) -
                tone.StartSeconds;
        const bool repeats = tone.Symbol == RepeatToneSymbol && i > 0;
        sequence.Digits.push_back(repeats ? sequence.Digits.back() : tone.Symbol);
        sequence.Tones.push_back(tone);
    }
    sequence.StartSeconds = sequence.Tones.front().StartSeconds;
    sequence.DurationSeconds =
        sequence.Tones.back().StartSeconds + sequence.Tones.back().Seconds - sequence.StartSeconds;
    return sequence;
}

TSequenceArbiter::TPendingSequence TSequenceArbiter::Pending(THeardSignal sequence,
                                                             std::uint64_t from, std::uint64_t to) {
    std::string symbols;
    for (const TMeasuredTone& tone : sequence.Tones)
        symbols.push_back(tone.Symbol);
    return {std::move(sequence), std::move(symbols), from, to};
}

// A selective call's tones are pure and stop where the next starts; music's notes carry
// harmonics and ring on into the next note.
bool TSequenceArbiter::SoundsLikeACall(const THeardSignal& sequence) const {
    const std::vector<TMeasuredTone>& tones = sequence.Tones;
    for (std::size_t i = 0; i < tones.size(); ++i) {
        const TMeasuredTone& tone = tones[i];
        const double from = tone.StartSeconds + EdgeMarginSeconds;
        const double to = tone.StartSeconds + tone.Seconds - EdgeMarginSeconds;
        const double level = Measurer_.Amplitude(from, to, tone.FrequencyHz);
        if (2.0 * tone.FrequencyHz < HarmonicBandHz &&
            Measurer_.Amplitude(from, to, 2.0 * tone.FrequencyHz) > HarmonicShare * level)
            return false;
        if (i == 0 || tone.GapSeconds > 0.0)
            continue;
        // Unwindowed sums over 20 ms tell the tone before from a neighbour 60 Hz away.
        const std::uint64_t edge = Point(tone.StartSeconds);
        const double hz = tones[i - 1].FrequencyHz;
        const TSlotScorer& scorer = Search_.Scorer();
        const std::uint64_t span = Search_.HandOverSpan();
        const std::uint64_t lead = Search_.HandOverLead();
        if (!scorer.Bank().Holds(edge - lead - span) ||
            !scorer.Bank().Holds(edge + lead + 2 * span))
            continue;
        const double ending = scorer.EnergyNear(hz, edge - lead - span, edge - lead);
        const double lingering = scorer.EnergyNear(hz, edge + lead, edge + lead + span);
        // What the next tone leaks into the line stays as strong a span later and lies well
        // below that tone; a release fades, a chord's other note sounds in full.
        const double later = scorer.EnergyNear(hz, edge + lead + span, edge + lead + 2 * span);
        const double next = scorer.EnergyNear(tone.FrequencyHz, edge + lead, edge + lead + span);
        if (lingering >
            std::max(LingeringShare * ending, std::min(LeakGrowth * later, LeakShare * next)))
            return false;
    }
    return true;
}

// Named with little doubt: each tone near its table frequency (tones further off are named by
// the nearest, which may be another standard's) and following the one before at once.
bool TSequenceArbiter::ClearlyNamed(const THeardSignal& sequence) const {
    return std::ranges::all_of(sequence.Tones, [&](const TMeasuredTone& tone) {
        const double nominal = Table_.FrequencyHz[ToneSymbols.find(tone.Symbol)];
        return std::abs(tone.FrequencyHz / nominal - 1.0) <= ToleratedDetune &&
               tone.GapSeconds <= ToleratedGapSeconds;
    });
}

void TSequenceArbiter::TakeFramed(THeardSignal sequence) {
    if (!SoundsLikeACall(sequence))
        return;
    const std::uint64_t from = Point(sequence.StartSeconds);
    const std::uint64_t to = Point(sequence.StartSeconds + sequence.DurationSeconds);
    JudgeFramed(sequence);
    Framed_.push_back(Pending(std::move(sequence), from, std::max(to, from + 1)));
}

// Certain when every tone stands clear of noise and of every other line.
void TSequenceArbiter::JudgeFramed(THeardSignal& sequence) const {
    const TLineBank& bank = Search_.Scorer().Bank();
    sequence.Certain = ClearlyNamed(sequence);
    sequence.ConfidenceDb = std::numeric_limits<double>::infinity();
    for (const TMeasuredTone& tone : sequence.Tones) {
        const std::uint64_t first = Point(tone.StartSeconds);
        const std::uint64_t last = Point(tone.StartSeconds + tone.Seconds);
        // A tone the bank no longer holds (the start of a very long run) counts as heard.
        if (last <= first || !bank.Holds(first) || !bank.Holds(last))
            continue;
        const double amplitude = Measurer_.Amplitude(
            tone.StartSeconds + EdgeMarginSeconds,
            tone.StartSeconds + tone.Seconds - EdgeMarginSeconds, tone.FrequencyHz);
        const TToneStanding standing =
            Search_.Scorer().StandingAt(first, last, tone.FrequencyHz, amplitude);
        sequence.ConfidenceDb = std::min(sequence.ConfidenceDb, standing.MarginDb);
        sequence.Certain =
            sequence.Certain && TChainSelector::Strong(standing.Energy, standing.MarginDb);
    }
    if (sequence.ConfidenceDb == std::numeric_limits<double>::infinity())
        sequence.ConfidenceDb = 0.0;
}

bool TSequenceArbiter::FramedReady(const TPendingSequence& framed) const {
    return !Selector_.MayReport(framed.From, framed.To);
}

bool TSequenceArbiter::ChainReady(const TPendingSequence& chain, double framedSince) const {
    return Seconds(chain.To) + FramedLeadSeconds < framedSince;
}

void TSequenceArbiter::Release(std::optional<double> framedSince,
                               std::vector<THeardSignal>& heard) {
    while (!Framed_.empty() && FramedReady(Framed_.front())) {
        Pass(Framed_.front(), heard);
        Framed_.pop_front();
    }
    // The frame path reports in time order, so a chain waits only for what may still overlap it.
    const double since = framedSince.value_or(std::numeric_limits<double>::infinity());
    for (std::size_t i = 0; i < Chains_.size();) {
        if (!ChainReady(Chains_[i], since)) {
            ++i;
            continue;
        }
        PassChain(Chains_[i], heard);
        Chains_.erase(Chains_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    const double now = Seconds(Search_.Now());
    while (!Decided_.empty() && Seconds(Decided_.front().To) + RememberedSeconds < now)
        Decided_.pop_front();
}

// The frame path's sequence gives way to a certain chain over the same stretch that it does not
// hold; a chain it holds lends it its certainty.
// A weak tone just before or after the frame path's sequence makes it a piece of a code whose
// other tones faded.
bool TSequenceArbiter::AdjoinsATone(const TPendingSequence& framed) const {
    const TSlotScorer& scorer = Search_.Scorer();
    const auto slot =
        static_cast<std::uint64_t>(std::lround(Table_.ToneSeconds / Search_.GridSeconds()));
    const std::uint64_t lead = Search_.HandOverLead();
    const auto holdsATone = [&](std::uint64_t from, std::uint64_t to) {
        return scorer.Bank().Holds(from) && scorer.Bank().Holds(to) &&
               TChainSelector::HoldsATone(scorer.Score(from, to));
    };
    return (framed.From > slot + lead &&
            holdsATone(framed.From - lead - slot, framed.From - lead)) ||
           holdsATone(framed.To + lead, framed.To + lead + slot);
}

void TSequenceArbiter::Pass(TPendingSequence& framed, std::vector<THeardSignal>& heard) {
    THeardSignal& signal = framed.Signal;
    if (signal.Certain && AdjoinsATone(framed))
        signal.Certain = false;
    const auto weigh = [&](std::uint64_t from, std::uint64_t to, const std::string& symbols,
                           bool certain, double confidenceDb) {
        if (!certain || !Overlap(framed.From, framed.To, from, to))
            return true;
        if (!Holds(framed.Symbols, symbols))
            return false;
        signal.Certain = true;
        signal.ConfidenceDb = std::max(signal.ConfidenceDb, confidenceDb);
        return true;
    };
    bool stands = true;
    for (const TPendingSequence& chain : Chains_)
        stands = weigh(chain.From, chain.To, chain.Symbols, chain.Signal.Certain,
                       chain.Signal.ConfidenceDb) &&
                 stands;
    for (const TDecided& decided : Decided_)
        if (!decided.Framed)
            stands =
                weigh(decided.From, decided.To, decided.Symbols, decided.Certain, 0.0) && stands;
    Record(framed, true, stands);
    if (stands)
        heard.push_back(std::move(signal));
}

// A chain the frame path heard as well leaves through the frame path's sequence; an uncertain
// one where the frame path heard anything at all is dropped.
void TSequenceArbiter::PassChain(TPendingSequence& chain, std::vector<THeardSignal>& heard) {
    const auto covered = [&](std::uint64_t from, std::uint64_t to, const std::string& symbols) {
        return Overlap(chain.From, chain.To, from, to) &&
               (!chain.Signal.Certain || Holds(symbols, chain.Symbols));
    };
    bool passes = true;
    for (const TPendingSequence& framed : Framed_)
        passes = passes && !covered(framed.From, framed.To, framed.Symbols);
    for (const TDecided& decided : Decided_)
        if (decided.Framed && decided.Passed)
            passes = passes && !covered(decided.From, decided.To, decided.Symbols);
    Record(chain, false, passes);
    if (passes)
        heard.push_back(std::move(chain.Signal));
}

void TSequenceArbiter::Record(const TPendingSequence& sequence, bool framed, bool passed) {
    Decided_.push_back(
        {sequence.From, sequence.To, sequence.Symbols, sequence.Signal.Certain, framed, passed});
}

void TSequenceArbiter::Finish(std::vector<THeardSignal>& heard) {
    Selector_.Finish(Found_);
    for (const TFoundChain& chain : Found_)
        Chains_.push_back(Pending(Measured(chain), chain.Bounds.front(), chain.Bounds.back()));
    Found_.clear();
    while (!Framed_.empty()) {
        Pass(Framed_.front(), heard);
        Framed_.pop_front();
    }
    Release(std::nullopt, heard);
}
