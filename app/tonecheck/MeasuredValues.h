#pragma once
// What was measured of one alarm, as one short German text for the record's "Messwerte"
// column: per sequence its tones' frequencies and lengths, its whole length and how certain the
// decoder was of it (named "unsicher" when it only guessed), the pause before a repeat, per long
// tone its frequency and length, per two-tone signal its pair, its length, its distance from the
// code before it and the level difference of its tones.
//
// Pure; any thread.

#include "app/tones/HeardSignal.h"

#include <string>
#include <vector>

// heard: the alarm's signals in any order; empty text when nothing was heard.
std::string MeasuredValuesText(const std::vector<THeardSignal>& heard);
