#pragma once
// How quorvane-tones prints what was heard: one line of text or one JSON object per signal.
//
// Pure; any thread may call it.

#include "app/tones/HeardSignal.h"
#include "app/tones/ToneStandard.h"

#include <string>

// Without a line end.
std::string FormatHeard(const HeardSignal& signal, ToneStandard standard, bool json);
