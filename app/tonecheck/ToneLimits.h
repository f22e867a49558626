#pragma once
// The limits an alarm's tones are held to: per selective-call standard the tone length and
// frequency tolerances, the whole code's length and the pause before its repeat; per call tone
// its frequency and its "kurz" and "lang" lengths; per alarm type the two-tone pair that
// follows the code, if the workshop's region has one. The built-in defaults are those the
// installed limits file holds (LimitsFile.h reads a changed one).
//
// Plain values; any thread may read them.

#include "app/tones/ToneStandard.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

struct TSequenceLimits {
    double ToneSeconds = 0.070;
    double ToneToleranceSeconds = 0.015;
    double FrequencyTolerancePercent = 1.5;
    // The whole code: its tones' nominal lengths together, within this.
    double CodeToleranceSeconds = 0.010;
    // Whether the code is sent twice, and the pause between the two.
    bool Repeated = true;
    double PauseSeconds = 0.600;
    double PauseToleranceSeconds = 0.100;

    bool operator==(const TSequenceLimits&) const = default;
};

struct TCallToneLimits {
    std::string Name; // as the pre-tone items name it: "Tonruf I"
    double FrequencyHz = 0.0;
    double TolerancePercent = 1.5;
    double ShortSeconds = 0.5; // "kurz"
    double LongSeconds = 2.0;  // "lang"
    double LengthToleranceSeconds = 0.2;

    bool operator==(const TCallToneLimits&) const = default;
};

struct TTwoTonePair {
    std::string AlarmType;                 // as the alarm-type items name it: "Feueralarm"
    std::array<double, 2> FrequenciesHz{}; // lower first
    std::array<double, 2> TolerancesHz{};
    // From the end of the last code to the pair's start.
    double DelaySeconds = 5.0;
    double DelayToleranceSeconds = 0.25;
    double Seconds = 5.0;         // how long an encoder sounds it
    double ShortestSeconds = 3.0; // shorter is a miss

    bool operator==(const TTwoTonePair&) const = default;
};

// What receivers in the field accept, to say whether they would react: selective-call decoders
// take a code whose every tone lies within this frequency tolerance and the standard's length
// window; a siren's two-tone evaluator takes tones within its list, both at once for its hold
// time (at worst hold plus its tolerance), and listens only so long after the code.
struct TReceiverProfile {
    double SelcallTolerancePercent = 1.5;
    std::vector<double> TwoToneHz{675.0, 825.0, 1240.0};
    std::vector<double> TwoToneToleranceHz{6.0, 6.0, 10.0};
    double HoldSeconds = 2.0;
    double HoldToleranceSeconds = 0.5;
    double ListenSeconds = 6.0;
    double ListenExtraSeconds = 2.0;

    bool operator==(const TReceiverProfile&) const = default;
};

struct TToneLimits {
    std::array<TSequenceLimits, AllToneStandards.size()> Sequences; // indexed like AllToneStandards
    std::vector<TCallToneLimits> CallTones;
    std::vector<TTwoTonePair> Pairs;
    TReceiverProfile Receivers;

    const TSequenceLimits& Of(TToneStandard standard) const;
    TSequenceLimits& Of(TToneStandard standard);
    // Nothing when the name is not listed.
    const TCallToneLimits* CallTone(std::string_view name) const;
    const TTwoTonePair* PairFor(std::string_view alarmType) const;

    bool operator==(const TToneLimits&) const = default;
};

const TToneLimits& DefaultToneLimits();
