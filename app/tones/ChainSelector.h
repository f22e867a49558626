#pragma once
// Decides which of the chain search's chains are codes, and how sure that is. Each slot of a
// chain is graded by its symbol's energy over the noise and by its margin over the strongest
// other line in the slot (the other symbols' and those between the table's tones):
//   - a chain whose every slot is strong is a code on its own;
//   - a weaker chain needs its repeat: another chain of as many tones 0.5-2.5 s away that agrees
//     in most symbols; the two are added slot by slot and decided again on the sum, which is
//     how a tone lost in one repeat is heard in the other;
//   - a weaker chain whose repeat never comes is no code.
// Overlapping chains that agree on their shared tones are one longer sequence; of those that
// do not, the better graded wins.
//
// Plain object; one thread at a time. Take allocates a little for a chain that may be a code.

#include "app/tones/ChainSearch.h"

#include <cstdint>
#include <optional>
#include <vector>

struct TFoundChain {
    std::vector<std::uint64_t> Bounds; // grid points: one more than tones
    std::vector<std::uint8_t> Symbols; // indices into ToneSymbols
    std::vector<TSlotScores> Slots;
    bool Certain = false;
    double ConfidenceDb = 0.0; // the smallest slot margin
};

class TChainSelector {
public:
    // gridSeconds: one grid step; longestChain: the longest five tones, in grid steps.
    TChainSelector(double gridSeconds, std::uint64_t longestChain);

    // The chain search's best chain at grid point now, if it had one; appends what is decided.
    void Take(std::uint64_t now, const std::optional<TChain>& best,
              std::vector<TFoundChain>& found);

    // Decides what is still open, as at the end of input.
    void Finish(std::vector<TFoundChain>& found);

    // Whether a chain still to be decided may overlap from..to (grid points).
    bool MayReport(std::uint64_t from, std::uint64_t to) const;

    // The margin of a symbol over the strongest other line of its slot, in dB.
    static double MarginDb(const TSlotScores& slot, std::uint8_t symbol);

    // Whether a tone this far over the noise and its runner-up is certain on its own.
    static bool Strong(double energy, double marginDb);

    // Whether some symbol sounds in the slot, if only weakly.
    static bool HoldsATone(const TSlotScores& slot);

private:
    enum class TGrade { None, Loose, Weak, Strong };
    struct TCandidate {
        TFoundChain Chain;
        TGrade Grade = TGrade::None;
        double MeanGain = 0.0;
        bool Reported = false;
    };
    static TGrade GradeOf(const TSlotScores& slot, std::uint8_t symbol);
    static TCandidate Candidate(TFoundChain chain);
    static bool Ranks(const TCandidate& a, const TCandidate& b);
    bool Extend(TCandidate& pending, const TCandidate& next) const;
    void Settle(TCandidate candidate, std::vector<TFoundChain>& found);
    std::optional<TFoundChain> Combined(const TCandidate& earlier, const TCandidate& later) const;
    void Expire(std::uint64_t now);

    std::uint64_t LongestChain_;
    std::uint64_t RepeatNearest_;
    std::uint64_t RepeatFarthest_;
    std::optional<TCandidate> Pending_;
    std::uint64_t SettledEnd_ = 0;
    std::uint64_t Now_ = 0;
    std::vector<TCandidate> Held_; // decided chains kept for a repeat
};
