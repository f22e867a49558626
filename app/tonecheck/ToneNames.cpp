#include "app/tonecheck/ToneNames.h"

#include "app/options/OptionGroupItems.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double NameTolerance = 0.02;

// Worst relative deviation of the heard tones from the item's, or a value above the tolerance
// when the count differs.
double Deviation(const TNamedTone& item, const std::vector<double>& heardHz) {
    if (item.FrequenciesHz.size() != heardHz.size())
        return 1.0;
    double worst = 0.0;
    for (std::size_t i = 0; i < heardHz.size(); ++i) {
        const double nominal = item.FrequenciesHz[i];
        worst = std::max(worst, std::abs(heardHz[i] - nominal) / nominal);
    }
    return worst;
}

std::string ClosestName(const std::vector<const std::vector<TNamedTone>*>& lists,
                        const std::vector<double>& heardHz) {
    const TNamedTone* best = nullptr;
    double bestDeviation = NameTolerance;
    for (const auto* list : lists) {
        for (const TNamedTone& item : *list) {
            const double deviation = Deviation(item, heardHz);
            if (deviation <= bestDeviation) {
                bestDeviation = deviation;
                best = &item;
            }
        }
    }
    return best ? best->Text : std::string{};
}

} // namespace

std::string NameOfLongTone(double frequencyHz) {
    return ClosestName({&PreTones(), &CallTones()}, {frequencyHz});
}

std::string NameOfTwoTone(double lowerHz, double higherHz) {
    return ClosestName({&TwoToneAlarms()}, {lowerHz, higherHz});
}

std::string NameOfHeard(const THeardSignal& signal) {
    switch (signal.Kind) {
    case THeardKind::LongTone:
        return NameOfLongTone(signal.FrequenciesHz.at(0));
    case THeardKind::TwoTone:
        return NameOfTwoTone(signal.FrequenciesHz.at(0), signal.FrequenciesHz.at(1));
    case THeardKind::Sequence:
        break;
    }
    return {};
}

std::string NameOfSequence(const THeardSignal& sequence) {
    if (sequence.Certain)
        return sequence.Digits;
    return std::string(UncertainText) + " (" + sequence.Digits + "?)";
}
