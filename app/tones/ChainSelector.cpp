#include "app/tones/ChainSelector.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// Energies over the noise line and margins over the runner-up line. Noise alone gives a slot's
// best symbol about 6 and a margin of about 1 dB; a tone at -9 dB in-band SNR gives a ZVEI slot
// about 25.
struct TGradeFloor {
    float Energy;
    double MarginDb;
};
constexpr TGradeFloor StrongFloor{13.0f, 4.5};
constexpr TGradeFloor WeakFloor{9.0f, 3.0};
constexpr TGradeFloor LooseFloor{4.0f, 0.5};
// The two repeats added together must pass this to be a code.
constexpr TGradeFloor CombinedFloor{18.0f, 3.5};
// Chain edges this close (grid steps) are the same edge.
constexpr std::uint64_t SameEdge = 1;
constexpr double RepeatNearestSeconds = 0.5;
constexpr double RepeatFarthestSeconds = 2.5;

// Either tone may sound across the edge between them as noise does, below its own level (the
// tone before 12 dB, as a note's release is stronger; this one 6 dB, as an edge placed a grid
// step late in a fade lets through, a note that started well before the edge is as strong), or
// as a leak of the other tone into its lines: steady a span further on, and 9 dB below that
// tone, where a chord's notes both sound in full.
constexpr float CrossingNoise = 9.0f;
constexpr float CrossingShare = 1.0f / 16.0f;
constexpr float EarlyShare = 1.0f / 4.0f;
constexpr float LeakGrowth = 4.0f;
constexpr float LeakShare = 1.0f / 8.0f;

bool Crosses(float across, float own, float ownShare, float farther, float other) {
    return across > std::max({CrossingNoise, ownShare * own,
                              std::min(LeakGrowth * farther, LeakShare * other)});
}

// A clear tone reaches the edge at no less than 6 dB below its steady level: a note may
// have stopped or not yet started there.
constexpr float ReachShare = 1.0f / 4.0f;
constexpr float ReachFloor = 36.0f;

bool ReachesTheEdge(float atEdge, float filled) {
    return filled < ReachFloor || atEdge >= ReachShare * filled;
}

bool HandedOverCleanly(const TSlotScores& slot) {
    return ReachesTheEdge(slot.EndOfBefore, slot.BeforeFilled) &&
           ReachesTheEdge(slot.StartOfOwn, slot.OwnFilled) &&
           !Crosses(slot.BeforeLingering, slot.EndOfBefore, CrossingShare, slot.BeforeFarAfter,
                    slot.StartOfOwn) &&
           !Crosses(slot.OwnEarly, slot.StartOfOwn, EarlyShare, slot.OwnFarBefore,
                    slot.EndOfBefore);
}

bool Passes(const TSlotScores& slot, std::uint8_t symbol, const TGradeFloor& floor) {
    return HandedOverCleanly(slot) && slot.Symbol[symbol] >= floor.Energy &&
           TChainSelector::MarginDb(slot, symbol) >= floor.MarginDb;
}

bool Overlap(std::uint64_t aFrom, std::uint64_t aTo, std::uint64_t bFrom, std::uint64_t bTo) {
    return aFrom + SameEdge < bTo && bFrom + SameEdge < aTo;
}

std::uint64_t Apart(std::uint64_t a, std::uint64_t b) {
    return a > b ? a - b : b - a;
}

// The symbols that add up to the most over the slots, no symbol twice in a row.
std::vector<std::uint8_t> BestSymbols(const std::vector<TSlotScores>& slots) {
    constexpr std::size_t Count = ToneSymbols.size();
    std::vector<std::array<std::uint8_t, Count>> from(slots.size());
    std::array<double, Count> score{};
    for (std::size_t i = 0; i < slots.size(); ++i) {
        std::array<double, Count> next{};
        for (std::size_t s = 0; s < Count; ++s) {
            double prior = i == 0 ? 0.0 : -std::numeric_limits<double>::infinity();
            for (std::size_t p = 0; i > 0 && p < Count; ++p) {
                if (p != s && score[p] > prior) {
                    prior = score[p];
                    from[i][s] = static_cast<std::uint8_t>(p);
                }
            }
            next[s] = prior + std::sqrt(static_cast<double>(slots[i].Symbol[s]));
        }
        score = next;
    }
    std::vector<std::uint8_t> symbols(slots.size());
    symbols.back() = static_cast<std::uint8_t>(std::ranges::max_element(score) - score.begin());
    for (std::size_t i = slots.size() - 1; i > 0; --i)
        symbols[i - 1] = from[i][symbols[i]];
    return symbols;
}

} // namespace

TChainSelector::TChainSelector(double gridSeconds, std::uint64_t longestChain)
    : LongestChain_(longestChain),
      RepeatNearest_(static_cast<std::uint64_t>(RepeatNearestSeconds / gridSeconds)),
      RepeatFarthest_(static_cast<std::uint64_t>(RepeatFarthestSeconds / gridSeconds)) {}

double TChainSelector::MarginDb(const TSlotScores& slot, std::uint8_t symbol) {
    float other = slot.Between;
    for (std::size_t s = 0; s < slot.Symbol.size(); ++s)
        if (s != symbol)
            other = std::max(other, slot.Symbol[s]);
    const double ratio =
        static_cast<double>(slot.Symbol[symbol]) / std::max(static_cast<double>(other), 1e-9);
    return 10.0 * std::log10(std::max(ratio, 1e-9));
}

bool TChainSelector::Strong(double energy, double marginDb) {
    return energy >= StrongFloor.Energy && marginDb >= StrongFloor.MarginDb;
}

bool TChainSelector::HoldsATone(const TSlotScores& slot) {
    for (std::size_t s = 0; s < slot.Symbol.size(); ++s)
        if (Passes(slot, static_cast<std::uint8_t>(s), WeakFloor))
            return true;
    return false;
}

TChainSelector::TGrade TChainSelector::GradeOf(const TSlotScores& slot, std::uint8_t symbol) {
    if (Passes(slot, symbol, StrongFloor))
        return TGrade::Strong;
    if (Passes(slot, symbol, WeakFloor))
        return TGrade::Weak;
    if (Passes(slot, symbol, LooseFloor))
        return TGrade::Loose;
    return TGrade::None;
}

TChainSelector::TCandidate TChainSelector::Candidate(TFoundChain chain) {
    TCandidate candidate{std::move(chain), TGrade::Strong};
    TFoundChain& found = candidate.Chain;
    found.ConfidenceDb = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < found.Slots.size(); ++i) {
        const std::uint8_t symbol = found.Symbols[i];
        candidate.Grade = std::min(candidate.Grade, GradeOf(found.Slots[i], symbol));
        candidate.MeanGain += std::sqrt(static_cast<double>(found.Slots[i].Symbol[symbol]));
        found.ConfidenceDb = std::min(found.ConfidenceDb, MarginDb(found.Slots[i], symbol));
    }
    candidate.MeanGain /= static_cast<double>(found.Slots.size());
    return candidate;
}

bool TChainSelector::Ranks(const TCandidate& a, const TCandidate& b) {
    return a.Grade != b.Grade ? a.Grade > b.Grade : a.MeanGain > b.MeanGain;
}

void TChainSelector::Take(std::uint64_t now, const std::optional<TChain>& best,
                          std::vector<TFoundChain>& found) {
    Now_ = now;
    if (Pending_ && now >= Pending_->Chain.Bounds.back() + LongestChain_)
        Settle(*std::exchange(Pending_, std::nullopt), found);
    Expire(now);
    // Most chains in noise fail a slot or lie in what is settled: they are let go unbuilt.
    if (!best || best->Bounds.front() + SameEdge < SettledEnd_)
        return;
    for (std::size_t i = 0; i < ChainTones; ++i)
        if (GradeOf(best->Slots[i], best->Symbols[i]) == TGrade::None)
            return;
    TCandidate next = Candidate(TFoundChain{{best->Bounds.begin(), best->Bounds.end()},
                                            {best->Symbols.begin(), best->Symbols.end()},
                                            {best->Slots.begin(), best->Slots.end()}});
    if (!Pending_) {
        Pending_ = std::move(next);
    } else if (!Overlap(Pending_->Chain.Bounds.front(), Pending_->Chain.Bounds.back(),
                        next.Chain.Bounds.front(), next.Chain.Bounds.back())) {
        Settle(*std::exchange(Pending_, std::move(next)), found);
    } else if (!Extend(*Pending_, next) && Ranks(next, *Pending_)) {
        Pending_ = std::move(next);
    }
}

// A later chain that agrees with the pending one on their shared tones carries it on.
bool TChainSelector::Extend(TCandidate& pending, const TCandidate& next) const {
    const TFoundChain& a = pending.Chain;
    const TFoundChain& b = next.Chain;
    if (b.Bounds.back() <= a.Bounds.back() + SameEdge || b.Bounds.front() < a.Bounds.front())
        return false;
    std::size_t shift = 0;
    while (shift < a.Symbols.size() && Apart(a.Bounds[shift], b.Bounds[0]) > SameEdge)
        ++shift;
    if (shift == a.Symbols.size())
        return false;
    const std::size_t shared = a.Symbols.size() - shift;
    for (std::size_t i = 0; i < shared; ++i)
        if (a.Symbols[shift + i] != b.Symbols[i] ||
            Apart(a.Bounds[shift + i + 1], b.Bounds[i + 1]) > SameEdge)
            return false;
    TFoundChain longer = a;
    for (std::size_t i = shared; i < b.Symbols.size(); ++i) {
        longer.Symbols.push_back(b.Symbols[i]);
        longer.Slots.push_back(b.Slots[i]);
        longer.Bounds.push_back(b.Bounds[i + 1]);
    }
    TCandidate extended = Candidate(std::move(longer));
    if (extended.Grade < pending.Grade)
        return false;
    pending = std::move(extended);
    return true;
}

std::optional<TFoundChain> TChainSelector::Combined(const TCandidate& earlier,
                                                    const TCandidate& later) const {
    const TFoundChain& a = earlier.Chain;
    const TFoundChain& b = later.Chain;
    const std::uint64_t apart = b.Bounds.front() - a.Bounds.front();
    if (a.Symbols.size() != b.Symbols.size() || apart < RepeatNearest_ || apart > RepeatFarthest_)
        return std::nullopt;
    std::size_t agreeing = 0;
    std::vector<TSlotScores> sum(a.Slots.size());
    for (std::size_t i = 0; i < sum.size(); ++i) {
        agreeing += a.Symbols[i] == b.Symbols[i] ? 1 : 0;
        for (std::size_t s = 0; s < ToneSymbols.size(); ++s)
            sum[i].Symbol[s] = a.Slots[i].Symbol[s] + b.Slots[i].Symbol[s];
        sum[i].Between = a.Slots[i].Between + b.Slots[i].Between;
        sum[i].EndOfBefore = a.Slots[i].EndOfBefore + b.Slots[i].EndOfBefore;
        sum[i].BeforeLingering = a.Slots[i].BeforeLingering + b.Slots[i].BeforeLingering;
        sum[i].StartOfOwn = a.Slots[i].StartOfOwn + b.Slots[i].StartOfOwn;
        sum[i].OwnEarly = a.Slots[i].OwnEarly + b.Slots[i].OwnEarly;
        sum[i].BeforeFarAfter = a.Slots[i].BeforeFarAfter + b.Slots[i].BeforeFarAfter;
        sum[i].OwnFarBefore = a.Slots[i].OwnFarBefore + b.Slots[i].OwnFarBefore;
        sum[i].BeforeFilled = a.Slots[i].BeforeFilled + b.Slots[i].BeforeFilled;
        sum[i].OwnFilled = a.Slots[i].OwnFilled + b.Slots[i].OwnFilled;
    }
    if (2 * agreeing <= sum.size())
        return std::nullopt;
    TFoundChain both{b.Bounds, BestSymbols(sum), sum, true,
                     std::numeric_limits<double>::infinity()};
    for (std::size_t i = 0; i < sum.size(); ++i) {
        if (!Passes(sum[i], both.Symbols[i], CombinedFloor))
            return std::nullopt;
        both.ConfidenceDb = std::min(both.ConfidenceDb, MarginDb(sum[i], both.Symbols[i]));
    }
    return both;
}

void TChainSelector::Settle(TCandidate candidate, std::vector<TFoundChain>& found) {
    SettledEnd_ = candidate.Chain.Bounds.back();
    if (candidate.Grade == TGrade::Strong) {
        candidate.Chain.Certain = true;
        candidate.Reported = true;
        found.push_back(candidate.Chain);
    }
    for (TCandidate& earlier : Held_) {
        if (earlier.Reported && candidate.Reported)
            continue;
        const std::optional<TFoundChain> both = Combined(earlier, candidate);
        if (!both)
            continue;
        for (TCandidate* one : {&earlier, &candidate}) {
            if (one->Reported)
                continue;
            one->Reported = true;
            one->Chain.Symbols = both->Symbols;
            one->Chain.Certain = true;
            one->Chain.ConfidenceDb = both->ConfidenceDb;
            found.push_back(one->Chain);
        }
    }
    Held_.push_back(std::move(candidate));
}

void TChainSelector::Expire(std::uint64_t now) {
    const std::uint64_t wait = RepeatFarthest_ + 2 * LongestChain_;
    std::erase_if(Held_,
                  [&](const TCandidate& held) { return now >= held.Chain.Bounds.front() + wait; });
}

void TChainSelector::Finish(std::vector<TFoundChain>& found) {
    if (Pending_)
        Settle(*std::exchange(Pending_, std::nullopt), found);
    Held_.clear();
}

bool TChainSelector::MayReport(std::uint64_t from, std::uint64_t to) const {
    if (to + LongestChain_ + SameEdge > Now_)
        return true;
    if (Pending_ &&
        Overlap(from, to, Pending_->Chain.Bounds.front(), Pending_->Chain.Bounds.back()))
        return true;
    return std::ranges::any_of(Held_, [&](const TCandidate& held) {
        return !held.Reported &&
               Overlap(from, to, held.Chain.Bounds.front(), held.Chain.Bounds.back());
    });
}
