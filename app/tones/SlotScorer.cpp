#include "app/tones/SlotScorer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// How far an encoder's tone may be off its table frequency and still be integrated fully.
constexpr double Detune = 0.016;
// Lines half a resolution step (1 / tone length) apart lose at most 1 dB between them.
constexpr double LineStepShare = 0.5;
constexpr double ReferenceLowHz = 330.0;
constexpr double ReferenceHighHz = 2950.0;
// Reference lines one resolution step apart: no line between them escapes the margin test.
constexpr double ReferenceStepShare = 1.0;
// A reference line this many resolution steps beyond a symbol's lines holds little of its tone
// (13 dB down at most), and catches a tone just off the table that those lines would take in.
constexpr double ClearSteps = 1.5;
// Of a measured tone, the lines this many resolution steps either side are its own.
constexpr double OwnSteps = 2.5;
// The median of exponentially distributed energies is ln 2 of their mean.
const double MedianToMean = 1.0 / std::numbers::ln2;
// Digital silence has no noise: a floor far below a 16-bit step keeps the scale finite.
constexpr double NoiseFloorPerSample = 1e-12;

} // namespace

TSlotScorer::TPlan TSlotScorer::PlanFor(const TToneTable& table) {
    TPlan plan;
    const double stepHz = LineStepShare / table.ToneSeconds;
    for (std::size_t s = 0; s < ToneSymbols.size(); ++s) {
        plan.SymbolFirst[s] = plan.FrequenciesHz.size();
        const double hz = table.FrequencyHz[s];
        const int half = static_cast<int>(std::ceil(Detune * hz / stepHz));
        for (int i = -half; i <= half; ++i)
            plan.FrequenciesHz.push_back(hz * (1.0 + Detune * i / std::max(half, 1)));
    }
    plan.SymbolFirst.back() = plan.FrequenciesHz.size();
    plan.ReferenceFirst = plan.FrequenciesHz.size();
    const double referenceStepHz = ReferenceStepShare / table.ToneSeconds;
    for (double hz = ReferenceLowHz; hz <= ReferenceHighHz; hz += referenceStepHz) {
        const bool clear = std::ranges::all_of(table.FrequencyHz, [&](double toneHz) {
            return std::abs(hz - toneHz) > Detune * toneHz + ClearSteps / table.ToneSeconds;
        });
        if (clear)
            plan.Clear.push_back(plan.FrequenciesHz.size());
        plan.FrequenciesHz.push_back(hz);
    }
    return plan;
}

TSlotScorer::TSlotScorer(TToneStandard standard, double sampleRate, std::size_t blockLength,
                         std::size_t depth)
    : Plan_(PlanFor(TableOf(standard))), OwnHz_(OwnSteps / TableOf(standard).ToneSeconds),
      Bank_(sampleRate, Plan_.FrequenciesHz, blockLength, depth), Energies_(Bank_.Lines()),
      References_(Bank_.Lines() - Plan_.ReferenceFirst) {}

double TSlotScorer::NoiseEnergy(std::uint64_t from, std::uint64_t to) const {
    Bank_.Energies(from, to, Plan_.ReferenceFirst, Bank_.Lines(), Energies_.data());
    std::copy(Energies_.begin() + static_cast<std::ptrdiff_t>(Plan_.ReferenceFirst),
              Energies_.end(), References_.begin());
    const auto middle = References_.begin() + static_cast<std::ptrdiff_t>(References_.size() / 2);
    std::nth_element(References_.begin(), middle, References_.end());
    const double samples = static_cast<double>((to - from) * Bank_.BlockLength());
    return std::max(static_cast<double>(*middle) * MedianToMean, NoiseFloorPerSample * samples);
}

void TSlotScorer::ScoreSymbols(std::uint64_t from, std::uint64_t to, double noiseEnergy,
                               TSlotScores& scores) const {
    Bank_.Energies(from, to, 0, Plan_.ReferenceFirst, Energies_.data());
    FillSymbols(noiseEnergy, scores);
}

void TSlotScorer::FillSymbols(double noiseEnergy, TSlotScores& scores) const {
    scores.NoiseEnergy = static_cast<float>(noiseEnergy);
    const auto scale = static_cast<float>(1.0 / noiseEnergy);
    for (std::size_t s = 0; s < ToneSymbols.size(); ++s) {
        float strongest = 0.0f;
        for (std::size_t line = Plan_.SymbolFirst[s]; line < Plan_.SymbolFirst[s + 1]; ++line)
            strongest = std::max(strongest, Energies_[line]);
        scores.Symbol[s] = strongest * scale;
    }
}

TSlotScores TSlotScorer::Score(std::uint64_t from, std::uint64_t to) const {
    return Score(from, to, NoiseEnergy(from, to));
}

TSlotScores TSlotScorer::Score(std::uint64_t from, std::uint64_t to, double noiseEnergy) const {
    TSlotScores scores;
    ScoreSymbols(from, to, noiseEnergy, scores);
    for (const std::size_t line : Plan_.Clear) {
        Bank_.Energies(from, to, line, line + 1, Energies_.data());
        scores.Between =
            std::max(scores.Between, static_cast<float>(Energies_[line] / noiseEnergy));
    }
    return scores;
}

double TSlotScorer::StrongestHz(std::size_t symbol, std::uint64_t from, std::uint64_t to) const {
    std::size_t best = Plan_.SymbolFirst[symbol];
    Bank_.Energies(from, to, best, Plan_.SymbolFirst[symbol + 1], Energies_.data());
    for (std::size_t line = best; line < Plan_.SymbolFirst[symbol + 1]; ++line)
        if (Energies_[line] > Energies_[best])
            best = line;
    return Bank_.FrequencyHz(best);
}

TToneStanding TSlotScorer::StandingAt(std::uint64_t from, std::uint64_t to, double hz,
                                      double amplitude) const {
    const TSlotScores scores = Score(from, to);
    Bank_.Energies(from, to, 0, Bank_.Lines(), Energies_.data());
    const double samples = static_cast<double>((to - from) * Bank_.BlockLength());
    // A sine of peak amplitude a integrates to a * samples / 2 at its own frequency.
    const double measured = amplitude * samples / 2.0;
    double own = measured * measured / scores.NoiseEnergy;
    double other = 0.0;
    for (std::size_t line = 0; line < Bank_.Lines(); ++line) {
        const double energy = Energies_[line] / scores.NoiseEnergy;
        if (std::abs(Bank_.FrequencyHz(line) - hz) > OwnHz_)
            other = std::max(other, energy);
        else
            own = std::max(own, energy);
    }
    return {own, 10.0 * std::log10(std::max(own, 1e-9) / std::max(other, 1e-9))};
}

double TSlotScorer::EnergyNear(double hz, std::uint64_t from, std::uint64_t to) const {
    std::size_t nearest = 0;
    for (std::size_t line = 1; line < Bank_.Lines(); ++line)
        if (std::abs(Bank_.FrequencyHz(line) - hz) < std::abs(Bank_.FrequencyHz(nearest) - hz))
            nearest = line;
    Bank_.Energies(from, to, nearest, nearest + 1, Energies_.data());
    return Energies_[nearest];
}
