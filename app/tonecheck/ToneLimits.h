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

struct SequenceLimits {
    double toneSeconds = 0.070;
    double toneToleranceSeconds = 0.015;
    double frequencyTolerancePercent = 1.5;
    // The whole code: its tones' nominal lengths together, within this.
    double codeToleranceSeconds = 0.010;
    // Whether the code is sent twice, and the pause between the two.
    bool repeated = true;
    double pauseSeconds = 0.600;
    double pauseToleranceSeconds = 0.100;

    bool operator==(const SequenceLimits&) const = default;
};

struct CallToneLimits {
    std::string name; // as the pre-tone items name it: "Tonruf I"
    double frequencyHz = 0.0;
    double tolerancePercent = 1.5;
    double shortSeconds = 0.5; // "kurz"
    double longSeconds = 2.0;  // "lang"
    double lengthToleranceSeconds = 0.2;

    bool operator==(const CallToneLimits&) const = default;
};

struct TwoTonePair {
    std::string alarmType;                 // as the alarm-type items name it: "Feueralarm"
    std::array<double, 2> frequenciesHz{}; // lower first
    std::array<double, 2> tolerancesHz{};
    // From the end of the last code to the pair's start.
    double delaySeconds = 5.0;
    double delayToleranceSeconds = 0.25;
    double seconds = 5.0;         // how long an encoder sounds it
    double shortestSeconds = 3.0; // shorter is a miss

    bool operator==(const TwoTonePair&) const = default;
};

// What receivers in the field accept, to say whether they would react: selective-call decoders
// take a code whose every tone lies within this frequency tolerance and the standard's length
// window; a siren's two-tone evaluator takes tones within its list, both at once for its hold
// time (at worst hold plus its tolerance), and listens only so long after the code.
struct ReceiverProfile {
    double selcallTolerancePercent = 1.5;
    std::vector<double> twoToneHz{675.0, 825.0, 1240.0};
    std::vector<double> twoToneToleranceHz{6.0, 6.0, 10.0};
    double holdSeconds = 2.0;
    double holdToleranceSeconds = 0.5;
    double listenSeconds = 6.0;
    double listenExtraSeconds = 2.0;

    bool operator==(const ReceiverProfile&) const = default;
};

struct ToneLimits {
    std::array<SequenceLimits, AllToneStandards.size()> sequences; // indexed like AllToneStandards
    std::vector<CallToneLimits> callTones;
    std::vector<TwoTonePair> pairs;
    ReceiverProfile receivers;

    const SequenceLimits& Of(ToneStandard standard) const;
    SequenceLimits& Of(ToneStandard standard);
    // Nothing when the name is not listed.
    const CallToneLimits* CallTone(std::string_view name) const;
    const TwoTonePair* PairFor(std::string_view alarmType) const;

    bool operator==(const ToneLimits&) const = default;
};

const ToneLimits& DefaultToneLimits();
