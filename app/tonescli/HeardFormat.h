#pragma once
// How quorvane-tones prints what was heard and its verdict: one line of text or one JSON object
// per signal. A sequence tells how certain the decoder was of it; guessed symbols read
// "unsicher (12345?)" in the text, and come with "certain":false in the JSON.
//
// Pure; any thread may call it.

#include "app/tonecheck/AlarmJudge.h"
#include "app/tones/HeardSignal.h"
#include "app/tones/ToneStandard.h"

#include <string>

// Without a line end.
std::string FormatHeard(const THeardSignal& signal, TToneStandard standard, bool json);

// The verdict line as the test record shows it, or {"kind":"verdict",...}.
std::string FormatVerdict(const TAlarmJudgement& judgement, bool json);
