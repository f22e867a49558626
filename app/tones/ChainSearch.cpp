#include "app/tones/ChainSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A slot a grid step off its tone loses about half a dB.
constexpr double GridStepSeconds = 0.004;
constexpr std::uint64_t NoiseEvery = 4;
constexpr double LengthShare = 0.2;
constexpr double LeastLengthReachSeconds = 0.010;
constexpr float Impossible = -std::numeric_limits<float>::infinity();
// A hand-over is judged over 20 ms either side of the edge, 4 ms clear of it.
constexpr double HandOverSeconds = 0.020;
constexpr double HandOverLeadSeconds = 0.004;

std::size_t BlockLength(double sampleRate) {
    return static_cast<std::size_t>(std::lround(GridStepSeconds * sampleRate));
}

} // namespace

TChainSearch::TChainSearch(TToneStandard standard, double sampleRate, double keptSeconds)
    : Scorer_(standard, sampleRate, BlockLength(sampleRate),
              static_cast<std::size_t>(std::ceil(keptSeconds / GridStepSeconds))),
      GridSeconds_(static_cast<double>(BlockLength(sampleRate)) / sampleRate),
      HandOverSpan_(static_cast<std::uint64_t>(std::lround(HandOverSeconds / GridSeconds_))),
      HandOverLead_(static_cast<std::uint64_t>(std::lround(HandOverLeadSeconds / GridSeconds_))) {
    const double tone = TableOf(standard).ToneSeconds;
    const double reach = std::max(LengthShare * tone, LeastLengthReachSeconds);
    ShortestSlot_ = static_cast<std::uint64_t>(std::floor((tone - reach) / GridSeconds_));
    LongestSlot_ = static_cast<std::uint64_t>(std::ceil((tone + reach) / GridSeconds_));
    Points_.resize(ChainTones * LongestSlot_ + 2);
    // Two spans and the lead must fit into the shortest tone (EEA's are 30 ms).
    HandOverSpan_ =
        std::max<std::uint64_t>(1, std::min(HandOverSpan_, (ShortestSlot_ - HandOverLead_) / 2));
}

bool TChainSearch::Add(float sample) {
    if (!Scorer_.Bank().Add(sample))
        return false;
    Advance(Now());
    return true;
}

std::optional<TChain> TChainSearch::Best() const {
    const std::uint64_t now = Now();
    const TPoint& point = PointAt(now);
    const std::uint8_t last = point.Best[ChainTones - 1];
    if (!point.Valid || point.States[ChainTones - 1][last].Score == Impossible)
        return std::nullopt;
    return Trace(now, last);
}

void TChainSearch::Advance(std::uint64_t now) {
    TPoint& point = PointAt(now);
    point.Valid = false;
    for (auto& states : point.States)
        states.fill(TState{Impossible, 0, 0});
    if (now < ShortestSlot_)
        return;
    // One noise figure for all slots ending here, as they share most of their samples; it
    // changes slowly, so it is read afresh every few grid points.
    const std::uint64_t nominal = std::min((ShortestSlot_ + LongestSlot_) / 2, now);
    const TPoint& last = PointAt(now - 1);
    point.NoisePerStep =
        now % NoiseEvery == 0 || !last.Valid
            ? Scorer_.NoiseEnergy(now - nominal, now) / static_cast<double>(nominal)
            : last.NoisePerStep;
    const double noisePerStep = point.NoisePerStep;
    for (std::uint64_t length = ShortestSlot_; length <= LongestSlot_ && length <= now; ++length) {
        const auto extra = static_cast<std::uint8_t>(length - ShortestSlot_);
        TSlotScores slot;
        Scorer_.ScoreSymbols(now - length, now, noisePerStep * static_cast<double>(length), slot);
        const TPoint& before = PointAt(now - length);
        const bool chained = before.Valid;
        for (std::size_t s = 0; s < ToneSymbols.size(); ++s) {
            const float gain = std::sqrt(slot.Symbol[s]);
            for (std::size_t k = 0; k < ChainTones; ++k) {
                float score = gain;
                std::uint8_t previous = 0;
                if (k > 0) {
                    if (!chained)
                        break;
                    // No symbol twice in a row: the best chain one shorter, or its runner-up.
                    previous = before.Best[k - 1] == s ? before.Second[k - 1] : before.Best[k - 1];
                    const float prior = before.States[k - 1][previous].Score;
                    if (prior == Impossible)
                        break;
                    score += prior;
                }
                TState& state = point.States[k][s];
                if (score > state.Score)
                    state = TState{score, extra, previous};
            }
        }
    }
    for (std::size_t k = 0; k < ChainTones; ++k) {
        const auto& states = point.States[k];
        std::size_t best = 0;
        for (std::size_t s = 1; s < states.size(); ++s)
            if (states[s].Score > states[best].Score)
                best = s;
        std::size_t second = best == 0 ? 1 : 0;
        for (std::size_t s = 0; s < states.size(); ++s)
            if (s != best && states[s].Score > states[second].Score)
                second = s;
        point.Best[k] = static_cast<std::uint8_t>(best);
        point.Second[k] = static_cast<std::uint8_t>(second);
    }
    point.Valid = true;
}

TChain TChainSearch::Trace(std::uint64_t end, std::uint8_t symbol) const {
    TChain chain;
    std::uint64_t at = end;
    for (std::size_t k = ChainTones; k-- > 0;) {
        const TPoint& point = PointAt(at);
        const TState& state = point.States[k][symbol];
        chain.Bounds[k + 1] = at;
        chain.Symbols[k] = symbol;
        const std::uint64_t length = ShortestSlot_ + state.Extra;
        chain.Slots[k] =
            Scorer_.Score(at - length, at, point.NoisePerStep * static_cast<double>(length));
        at -= length;
        symbol = state.Previous;
    }
    chain.Bounds[0] = at;
    for (std::size_t k = 1; k < ChainTones; ++k)
        MeasureHandOver(chain, k);
    return chain;
}

// How the tones either side of the edge before slot k sound on the other side of it, beside
// how they sound on their own: a clean hand-over leaves nothing there.
void TChainSearch::MeasureHandOver(TChain& chain, std::size_t k) const {
    const std::uint64_t edge = chain.Bounds[k];
    const std::uint8_t before = chain.Symbols[k - 1];
    const double noise = PointAt(edge).NoisePerStep * static_cast<double>(HandOverSpan_);
    const std::uint8_t own = chain.Symbols[k];
    TSlotScores& slot = chain.Slots[k];
    TSlotScores stretch;
    Scorer_.ScoreSymbols(edge - HandOverLead_ - HandOverSpan_, edge - HandOverLead_, noise,
                         stretch);
    slot.EndOfBefore = stretch.Symbol[before];
    slot.OwnEarly = stretch.Symbol[own];
    Scorer_.ScoreSymbols(edge + HandOverLead_, edge + HandOverLead_ + HandOverSpan_, noise,
                         stretch);
    slot.BeforeLingering = stretch.Symbol[before];
    slot.StartOfOwn = stretch.Symbol[own];
    // One span further from the edge, what a tone leaks into the other's lines stays the same,
    // a release or an early start does not.
    const std::uint64_t far = HandOverLead_ + 2 * HandOverSpan_;
    Scorer_.ScoreSymbols(edge - far, edge - far + HandOverSpan_, noise, stretch);
    slot.OwnFarBefore = stretch.Symbol[own];
    Scorer_.ScoreSymbols(edge + far - HandOverSpan_, edge + far, noise, stretch);
    slot.BeforeFarAfter = stretch.Symbol[before];
    // A steady tone that fills its slot holds the span's share of its energy at the edge.
    const auto share = [&](std::size_t index) {
        return static_cast<float>(HandOverSpan_) /
               static_cast<float>(chain.Bounds[index + 1] - chain.Bounds[index]);
    };
    slot.BeforeFilled = chain.Slots[k - 1].Symbol[before] * share(k - 1);
    slot.OwnFilled = slot.Symbol[own] * share(k);
}
