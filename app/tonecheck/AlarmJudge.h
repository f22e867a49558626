#pragma once
// The verdict on one whole alarm: the code as it was heard, each of its tones, its repeat and
// the pause before it, the call tone the pre-tone item asks for, and the two-tone pair the
// alarm type has in the limits, each measured value against its limit. "stimmt" when all
// hold; "weicht ab" with each miss in German ("Ton 3: 1290 Hz statt 1270 Hz (+1,6 %)");
// "nichts gehört" when no sequence was heard at all.
//
// Pure functions; any thread. Nothing here throws.

#include "app/tonecheck/ToneLimits.h"
#include "app/tones/HeardSignal.h"
#include "app/tones/ToneStandard.h"

#include <string>
#include <string_view>
#include <vector>

struct ExpectedAlarm {
    ToneStandard standard = DefaultToneStandard;
    std::string symbols;       // what the encoder should sound, "12345"
    std::string preToneItem;   // the pre-tone item as the window shows it; empty: none applies
    std::string alarmTypeItem; // the alarm-type item as the window shows it; empty: none
};

enum class AlarmVerdict { Matches, Differs, NothingHeard };

// One tone heard, for a picture: where it lies and whether it held its limits.
enum class ToneMarkState { NotJudged, Holds, Misses };
struct ToneMark {
    double startSeconds = 0.0;
    double seconds = 0.0;
    double frequencyHz = 0.0;
    ToneMarkState state = ToneMarkState::NotJudged;

    bool operator==(const ToneMark&) const = default;
};

// A frequency the alarm should sound, nominal +- tolerance.
struct ExpectedBand {
    double lowHz = 0.0;
    double highHz = 0.0;

    bool operator==(const ExpectedBand&) const = default;
};

struct AlarmJudgement {
    AlarmVerdict verdict = AlarmVerdict::NothingHeard;
    std::vector<std::string> misses; // in the order of the alarm; empty unless it differs
    std::vector<ToneMark> marks;     // every tone heard, two for a two-tone signal
    std::vector<ExpectedBand> bands; // every frequency expected

    bool operator==(const AlarmJudgement&) const = default;
};

// "stimmt", "weicht ab", "nichts gehört".
std::string_view VerdictText(AlarmVerdict verdict);

// The misses joined by ", ", as the record's "Abweichungen" column shows them.
std::string MissesText(const AlarmJudgement& judgement);

// The verdict with its misses, as the record's "Ergebnis" column shows it:
// "stimmt", "weicht ab (Ton 2: 92 ms statt 70 ms, kein Tonruf I gehört)", "nichts gehört".
std::string VerdictLine(const AlarmJudgement& judgement);

// heard: every signal heard within the alarm's hearing window, in any order.
AlarmJudgement JudgeAlarm(const ExpectedAlarm& expected, const ToneLimits& limits,
                          const std::vector<HeardSignal>& heard);

// Marks for what was heard when nothing is expected: every tone NotJudged.
std::vector<ToneMark> UnjudgedMarks(const std::vector<HeardSignal>& heard);

// The two-tone pair the alarm type has in the limits; nothing when it has none.
const TwoTonePair* ExpectedPair(const ExpectedAlarm& expected, const ToneLimits& limits);

// How long after an alarm goes out its tones may still be heard: the usual window, plus the
// repeat, plus the two-tone pair with its delay where one is expected.
double HearingWindowSeconds(const ExpectedAlarm& expected, const ToneLimits& limits);
