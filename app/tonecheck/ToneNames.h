#pragma once
// Names what was heard by the option texts the operator picks from: pre-tones, call tones and
// two-tone alarms. A tone matches an item within 2 % of its frequency; the closest item wins.
//
// Pure functions on constant data; any thread may call them.

#include "app/tones/HeardSignal.h"

#include <string>

// "c (427.5 Hz)", "Tonruf I", ...; empty when no item matches.
std::string NameOfLongTone(double frequencyHz);

// "675+1240(E)", ...; empty when no item matches both tones.
std::string NameOfTwoTone(double lowerHz, double higherHz);

// The name of a long tone or two-tone signal as above; empty for a sequence.
std::string NameOfHeard(const THeardSignal& signal);
