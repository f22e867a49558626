#pragma once
// One thing the tone decoder heard. Plain value; copy freely.

#include <string>
#include <vector>

enum class HeardKind { Sequence, LongTone, TwoTone };

struct HeardSignal {
    HeardKind kind = HeardKind::Sequence;
    double startSeconds = 0.0;
    double durationSeconds = 0.0;
    // Sequence: the symbols heard, repeat tones expanded into the symbol they repeat ("11223"
    // for 1, E, 2, E, 3); a repeat tone that opens a sequence stays "E". Empty otherwise.
    std::string digits;
    // Sequence: the length of each tone, one per symbol of digits.
    std::vector<double> toneSeconds;
    // LongTone: one measured frequency; TwoTone: both, lower first. Empty for a sequence.
    std::vector<double> frequenciesHz;
    // The program's own option text where the tone matches one within 2 %, for example
    // "c (427.5 Hz)", "Tonruf I" or "675+1240(E)"; empty when nothing matches.
    std::string name;
};
