#pragma once
// One thing the tone decoder heard, with what was measured of it. Frequencies are measured to
// a tenth of a hertz, times to a millisecond or two. Naming what was heard is left to the
// caller, who knows which texts the operator reads. Plain value; copy freely.

#include <string>
#include <vector>

enum class THeardKind { Sequence, LongTone, TwoTone };

// One tone of a selective-call sequence.
struct TMeasuredTone {
    // As transmitted: the repeat tone stays 'E' here.
    char Symbol = '0';
    double FrequencyHz = 0.0;
    double StartSeconds = 0.0;
    double Seconds = 0.0;
    // Silence before the tone; 0 for the first tone and for a tone that follows at once.
    double GapSeconds = 0.0;
};

struct THeardSignal {
    THeardKind Kind = THeardKind::Sequence;
    double StartSeconds = 0.0;
    double DurationSeconds = 0.0;
    // Sequence: the symbols heard, repeat tones expanded into the symbol they repeat ("11223"
    // for 1, E, 2, E, 3); a repeat tone that opens a sequence stays "E". Empty otherwise.
    std::string Digits;
    // Sequence: one per symbol of digits. Empty otherwise.
    std::vector<TMeasuredTone> Tones;
    // LongTone: one measured frequency; TwoTone: both, lower first. Empty for a sequence.
    std::vector<double> FrequenciesHz;
    // TwoTone: the lower tone's level less the higher tone's, in dB.
    double LevelDifferenceDb = 0.0;
    // Sequence: how far the weakest tone stood above the strongest other line in its place, in
    // dB (the sequence's margin over its runner-up). Below the decoder's floor the digits are a
    // guess and Certain is false: shown as "unsicher", never as a code.
    double ConfidenceDb = 0.0;
    bool Certain = true;
};
