#pragma once
// What a stretch of audio holds at the tones of one standard: for every symbol, how far its
// strongest line stands above the noise there, and the same for the strongest line between
// the table's tones. Each symbol owns lines half a resolution step apart across its frequency
// +-1.6 %, so an encoder's tone off by that much still integrates fully. The noise is the median
// of reference lines one resolution step apart over 330-2950 Hz in the same stretch, so the
// scale follows the noise, and speech or music that fills the band raises it.
//
// Plain object over the caller's line bank; one thread at a time.

#include "app/tones/LineBank.h"
#include "app/tones/ToneStandard.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Energies in units of the stretch's noise line: 1 is noise, a tone grows with its length.
struct TSlotScores {
    std::array<float, ToneSymbols.size()> Symbol{};
    float Between = 0.0f; // the strongest line clear of every symbol's tone
    float NoiseEnergy = 0.0f;
    // Around the edge to the tone before (see TChainSearch): that tone at the end of its slot
    // and early in this one, and this slot's tone early in its slot and late in the one before.
    // Code tones stop where the next starts; notes ring on, or start before the edge.
    float EndOfBefore = 0.0f;
    float BeforeLingering = 0.0f;
    float StartOfOwn = 0.0f;
    float OwnEarly = 0.0f;
    // The same lines one span further from the edge: a neighbour's leak, steady in both.
    float BeforeFarAfter = 0.0f;
    float OwnFarBefore = 0.0f;
    // What either tone would hold next to the edge if it sounded steadily through its slot.
    float BeforeFilled = 0.0f;
    float OwnFilled = 0.0f;
};

struct TToneStanding {
    double Energy = 0.0;
    double MarginDb = 0.0;
};

class TSlotScorer {
public:
    TSlotScorer(TToneStandard standard, double sampleRate, std::size_t blockLength,
                std::size_t depth);

    TLineBank& Bank() { return Bank_; }
    const TLineBank& Bank() const { return Bank_; }

    TSlotScores Score(std::uint64_t from, std::uint64_t to) const;
    // The same, in the units of a noise energy already known for the stretch.
    TSlotScores Score(std::uint64_t from, std::uint64_t to, double noiseEnergy) const;

    // The parts of Score, for a search that reads many stretches: the noise line's energy
    // over a stretch, and the symbols' energies in its units (Between is left alone).
    double NoiseEnergy(std::uint64_t from, std::uint64_t to) const;
    void ScoreSymbols(std::uint64_t from, std::uint64_t to, double noiseEnergy,
                      TSlotScores& scores) const;

    // The frequency of the symbol's line that holds the most of this stretch.
    double StrongestHz(std::size_t symbol, std::uint64_t from, std::uint64_t to) const;

    // The energy of the line nearest hz over the stretch: a plain, unwindowed sum, so a tone
    // a resolution step away leaks little into it.
    double EnergyNear(double hz, std::uint64_t from, std::uint64_t to) const;

    // How a tone measured at hz with this peak amplitude (1: full scale) stands in the
    // stretch: its energy over the noise and its margin over the strongest line clear of it.
    TToneStanding StandingAt(std::uint64_t from, std::uint64_t to, double hz,
                             double amplitude) const;

private:
    struct TPlan {
        std::vector<double> FrequenciesHz;
        std::array<std::size_t, ToneSymbols.size() + 1> SymbolFirst{}; // line ranges
        std::size_t ReferenceFirst = 0;
        std::vector<std::size_t> Clear; // reference lines clear of every symbol
    };
    static TPlan PlanFor(const TToneTable& table);
    // The symbols' strongest lines from the energies last read into Energies_.
    void FillSymbols(double noiseEnergy, TSlotScores& scores) const;

    TPlan Plan_;
    double OwnHz_;
    TLineBank Bank_;
    mutable std::vector<float> Energies_;
    mutable std::vector<float> References_;
};
