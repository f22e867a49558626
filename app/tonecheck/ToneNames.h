#pragma once
// Names what was heard by the option texts the operator picks from: pre-tones, call tones and
// two-tone alarms. A tone matches an item within 2 % of its frequency; the closest item wins.
// A sequence is named by its symbols, or as "unsicher" when the decoder only guessed them.
//
// Pure functions on constant data; any thread may call them.

#include "app/tones/HeardSignal.h"

#include <string>
#include <string_view>

// Stands where the symbols of a sequence the decoder was not certain of would be.
inline constexpr std::string_view UncertainText{"unsicher"};

// "c (427.5 Hz)", "Tonruf I", ...; empty when no item matches.
std::string NameOfLongTone(double frequencyHz);

// "675+1240(E)", ...; empty when no item matches both tones.
std::string NameOfTwoTone(double lowerHz, double higherHz);

// The name of a long tone or two-tone signal as above; empty for a sequence.
std::string NameOfHeard(const THeardSignal& signal);

// "12345"; "unsicher (12345?)" when not certain, so the guess never reads as a code.
std::string NameOfSequence(const THeardSignal& sequence);
