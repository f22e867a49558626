#include "app/tonecheck/ToneLimits.h"

#include <algorithm>

namespace {

std::size_t IndexOf(TToneStandard standard) {
    return static_cast<std::size_t>(std::ranges::find(AllToneStandards, standard) -
                                    AllToneStandards.begin());
}

TToneLimits MakeDefaults() {
    TToneLimits limits;
    for (const TToneStandard standard : AllToneStandards)
        limits.Of(standard).ToneSeconds = TableOf(standard).ToneSeconds;
    // Published for ZVEI; CCIR and EEA are held to the same shares of their tone lengths.
    limits.Of(TToneStandard::Ccir).ToneToleranceSeconds = 0.020;
    limits.Of(TToneStandard::Ccir).CodeToleranceSeconds = 0.015;
    limits.Of(TToneStandard::Eea).ToneToleranceSeconds = 0.010;
    limits.CallTones = {{"Tonruf I", 1750.0}, {"Tonruf II", 2135.0}};
    limits.Pairs = {{"Feueralarm", {675.0, 1240.0}, {3.0, 5.0}},
                    {"Probealarm", {675.0, 1860.0}, {3.0, 7.0}}};
    return limits;
}

} // namespace

const TSequenceLimits& TToneLimits::Of(TToneStandard standard) const {
    return Sequences.at(IndexOf(standard));
}

TSequenceLimits& TToneLimits::Of(TToneStandard standard) {
    return Sequences.at(IndexOf(standard));
}

const TCallToneLimits* TToneLimits::CallTone(std::string_view name) const {
    const auto found = std::ranges::find(CallTones, name, &TCallToneLimits::Name);
    return found == CallTones.end() ? nullptr : &*found;
}

const TTwoTonePair* TToneLimits::PairFor(std::string_view alarmType) const {
    const auto found = std::ranges::find(Pairs, alarmType, &TTwoTonePair::AlarmType);
    return found == Pairs.end() ? nullptr : &*found;
}

const TToneLimits& DefaultToneLimits() {
    static const TToneLimits limits = MakeDefaults();
    return limits;
}
