#include "app/tonecheck/ToneLimits.h"

#include <algorithm>

namespace {

std::size_t IndexOf(ToneStandard standard) {
    return static_cast<std::size_t>(std::ranges::find(AllToneStandards, standard) -
                                    AllToneStandards.begin());
}

ToneLimits MakeDefaults() {
    ToneLimits limits;
    for (const ToneStandard standard : AllToneStandards)
        limits.Of(standard).toneSeconds = TableOf(standard).toneSeconds;
    // Published for ZVEI; CCIR and EEA are held to the same shares of their tone lengths.
    limits.Of(ToneStandard::Ccir).toneToleranceSeconds = 0.020;
    limits.Of(ToneStandard::Ccir).codeToleranceSeconds = 0.015;
    limits.Of(ToneStandard::Eea).toneToleranceSeconds = 0.010;
    limits.callTones = {{"Tonruf I", 1750.0}, {"Tonruf II", 2135.0}};
    limits.pairs = {{"Feueralarm", {675.0, 1240.0}, {3.0, 5.0}},
                    {"Probealarm", {675.0, 1860.0}, {3.0, 7.0}}};
    return limits;
}

} // namespace

const SequenceLimits& ToneLimits::Of(ToneStandard standard) const {
    return sequences.at(IndexOf(standard));
}

SequenceLimits& ToneLimits::Of(ToneStandard standard) {
    return sequences.at(IndexOf(standard));
}

const CallToneLimits* ToneLimits::CallTone(std::string_view name) const {
    const auto found = std::ranges::find(callTones, name, &CallToneLimits::name);
    return found == callTones.end() ? nullptr : &*found;
}

const TwoTonePair* ToneLimits::PairFor(std::string_view alarmType) const {
    const auto found = std::ranges::find(pairs, alarmType, &TwoTonePair::alarmType);
    return found == pairs.end() ? nullptr : &*found;
}

const ToneLimits& DefaultToneLimits() {
    static const ToneLimits limits = MakeDefaults();
    return limits;
}
