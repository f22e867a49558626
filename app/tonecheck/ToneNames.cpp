#include "app/tonecheck/ToneNames.h"

#include "app/options/OptionGroupItems.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double NameTolerance = 0.02;

// Worst relative deviation of the heard tones from the item's, or a value above the tolerance
// when the count differs.
double Deviation(const NamedTone& item, const std::vector<double>& heardHz) {
    if (item.frequenciesHz.size() != heardHz.size())
        return 1.0;
    double worst = 0.0;
    for (std::size_t i = 0; i < heardHz.size(); ++i) {
        const double nominal = item.frequenciesHz[i];
        worst = std::max(worst, std::abs(heardHz[i] - nominal) / nominal);
    }
    return worst;
}

std::string ClosestName(const std::vector<const std::vector<NamedTone>*>& lists,
                        const std::vector<double>& heardHz) {
    const NamedTone* best = nullptr;
    double bestDeviation = NameTolerance;
    for (const auto* list : lists) {
        for (const NamedTone& item : *list) {
            const double deviation = Deviation(item, heardHz);
            if (deviation <= bestDeviation) {
                bestDeviation = deviation;
                best = &item;
            }
        }
    }
    return best ? best->text : std::string{};
}

} // namespace

std::string NameOfLongTone(double frequencyHz) {
    return ClosestName({&PreTones(), &CallTones()}, {frequencyHz});
}

std::string NameOfTwoTone(double lowerHz, double higherHz) {
    return ClosestName({&TwoToneAlarms()}, {lowerHz, higherHz});
}

std::string NameOfHeard(const HeardSignal& signal) {
    switch (signal.kind) {
    case HeardKind::LongTone:
        return NameOfLongTone(signal.frequenciesHz.at(0));
    case HeardKind::TwoTone:
        return NameOfTwoTone(signal.frequenciesHz.at(0), signal.frequenciesHz.at(1));
    case HeardKind::Sequence:
        break;
    }
    return {};
}
