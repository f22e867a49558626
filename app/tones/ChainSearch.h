#pragma once
// Finds, at every grid point (4 ms), the best chain of five abutting tones of one standard that
// ends there: a best-path search over tone slots, each slot as long as a tone may be (the nominal
// length +-20 %, at least +-10 ms, in 4 ms steps), no symbol twice in a row (the repeat tone is a
// symbol of its own). A slot counts by the square root of its symbol's energy over the noise, which
// is close to what a tone of unknown level adds to the likelihood and keeps one loud tone from
// carrying four empty slots.
//
// Plain object; one thread at a time. Add allocates nothing.

#include "app/tones/SlotScorer.h"
#include "app/tones/ToneStandard.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

inline constexpr std::size_t ChainTones = 5;

struct TChain {
    std::array<std::uint64_t, ChainTones + 1> Bounds{}; // grid points, first to last
    std::array<std::uint8_t, ChainTones> Symbols{};     // indices into ToneSymbols
    std::array<TSlotScores, ChainTones> Slots{};
};

class TChainSearch {
public:
    TChainSearch(TToneStandard standard, double sampleRate, double keptSeconds);

    const TSlotScorer& Scorer() const { return Scorer_; }
    double GridSeconds() const { return GridSeconds_; }
    // The longest a chain may last, in grid steps.
    std::uint64_t LongestChain() const { return ChainTones * LongestSlot_; }

    // Takes one analysis sample; true when it completed a grid point.
    bool Add(float sample);
    // The newest grid point.
    std::uint64_t Now() const { return Scorer_.Bank().Points(); }
    // The best chain ending at the newest grid point, if one can.
    std::optional<TChain> Best() const;

    // A hand-over from one tone to the next is judged over this many grid points either side
    // of the edge, this many clear of it.
    std::uint64_t HandOverSpan() const { return HandOverSpan_; }
    std::uint64_t HandOverLead() const { return HandOverLead_; }

private:
    struct TState {
        float Score = 0.0f;
        std::uint8_t Extra = 0; // slot length less the shortest, in grid steps
        std::uint8_t Previous = 0;
    };
    struct TPoint {
        std::array<std::array<TState, ToneSymbols.size()>, ChainTones> States{};
        std::array<std::uint8_t, ChainTones> Best{};   // the best last symbol per chain length
        std::array<std::uint8_t, ChainTones> Second{}; // the best with another last symbol
        double NoisePerStep = 0.0;
        bool Valid = false;
    };
    TPoint& PointAt(std::uint64_t point) { return Points_[point % Points_.size()]; }
    const TPoint& PointAt(std::uint64_t point) const { return Points_[point % Points_.size()]; }
    void Advance(std::uint64_t now);
    TChain Trace(std::uint64_t end, std::uint8_t symbol) const;
    void MeasureHandOver(TChain& chain, std::size_t k) const;

    TSlotScorer Scorer_;
    double GridSeconds_;
    std::uint64_t HandOverSpan_;
    std::uint64_t HandOverLead_;
    std::uint64_t ShortestSlot_;
    std::uint64_t LongestSlot_;
    std::vector<TPoint> Points_;
};
