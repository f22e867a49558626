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

#include <optional>
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

// A frequency the alarm should sound, nominal +- tolerance.
struct ExpectedBand {
    double lowHz = 0.0;
    double highHz = 0.0;

    bool operator==(const ExpectedBand&) const = default;
};

// One tone heard, for a picture: where it lies and whether it held its limits.
enum class ToneMarkState { NotJudged, Holds, Misses };
struct ToneMark {
    double startSeconds = 0.0;
    double seconds = 0.0;
    double frequencyHz = 0.0;
    ToneMarkState state = ToneMarkState::NotJudged;
    char symbol = 0;     // a code's tone: the symbol heard; 0 for other tones
    ExpectedBand band{}; // what it should have sounded; empty when nothing was expected
    std::string words{}; // what it missed, "1092 Hz statt 1060 Hz"; empty when it held

    bool operator==(const ToneMark&) const = default;
};

// How a measured value is held to its limit on the measurement sheet.
enum class SheetLimit { PlusMinus, AtLeast, AtMost };
struct SheetValue {
    double nominal = 0.0; // Hz or seconds; for AtLeast and AtMost the bound itself
    double measured = 0.0;
    double tolerance = 0.0; // PlusMinus: allowed either side
    SheetLimit limit = SheetLimit::PlusMinus;

    bool operator==(const SheetValue&) const = default;
};

// What a receiver leaves of its acceptance: positive inside it, negative outside.
struct ReceiverReserve {
    double value = 0.0;
    std::string unit;   // " %", " Hz", " ms", " s"
    double share = 0.0; // value over the acceptance, so reserves of any unit compare

    bool operator==(const ReceiverReserve&) const = default;
};

// One line of the measurement sheet ("Messblatt"): one element of the alarm in time order.
struct SheetLine {
    std::string element; // "Tonruf I", "Ton 3", "Code", "Pause", "Wiederholung Ton 3", ...
    char symbol = 0;     // a code's tone: the symbol expected there
    std::optional<SheetValue> frequency;
    std::optional<SheetValue> length;
    std::optional<double> levelDifferenceDb;
    std::vector<std::string> misses; // what is wrong; empty: ok
    std::optional<ReceiverReserve> reserve;

    bool operator==(const SheetLine&) const = default;
};

// Whether receivers in the field (pagers' selective-call decoders, sirens' two-tone
// evaluators, as the limits' receiver profile describes them) would react to the alarm.
struct ReceiverJudgement {
    bool judged = false; // false when the alarm has nothing a receiver reacts to
    bool reacts = false;
    std::vector<std::string> reasons;       // why not
    std::optional<ReceiverReserve> reserve; // the least left anywhere

    bool operator==(const ReceiverJudgement&) const = default;
};

struct AlarmJudgement {
    AlarmVerdict verdict = AlarmVerdict::NothingHeard;
    std::vector<std::string> misses; // in the order of the alarm; empty unless it differs
    std::vector<ToneMark> marks;     // every tone heard, two for a two-tone signal
    std::vector<ExpectedBand> bands; // every frequency expected
    std::vector<SheetLine> sheet;    // in time order
    ReceiverJudgement receivers;

    bool operator==(const AlarmJudgement&) const = default;
};

// "stimmt", "weicht ab", "nichts gehört".
std::string_view VerdictText(AlarmVerdict verdict);

// The misses joined by ", ", as the record's "Abweichungen" column shows them.
std::string MissesText(const AlarmJudgement& judgement);

// The verdict with its misses, as the record's "Ergebnis" column shows it:
// "stimmt", "weicht ab (Ton 2: 92 ms statt 70 ms, kein Tonruf I gehört)", "nichts gehört".
std::string VerdictLine(const AlarmJudgement& judgement);

// "würden auslösen (Reserve 0,3 %)", "würden nicht auslösen (Doppelton zu kurz, Reserve
// −0,3 s)"; empty when not judged.
std::string ReceiverText(const ReceiverJudgement& receivers);

// "0,3 %", "−0,3 s": negative with a true minus sign.
std::string ReserveText(const ReceiverReserve& reserve);

// heard: every signal heard within the alarm's hearing window, in any order.
AlarmJudgement JudgeAlarm(const ExpectedAlarm& expected, const ToneLimits& limits,
                          const std::vector<HeardSignal>& heard);

// Marks for what was heard when nothing is expected: every tone NotJudged, a code's tones with
// the symbols heard.
std::vector<ToneMark> UnjudgedMarks(const std::vector<HeardSignal>& heard);

// The two-tone pair the alarm type has in the limits; nothing when it has none.
const TwoTonePair* ExpectedPair(const ExpectedAlarm& expected, const ToneLimits& limits);

// How long after an alarm goes out its tones may still be heard: the usual window, plus the
// repeat, plus the two-tone pair with its delay where one is expected.
double HearingWindowSeconds(const ExpectedAlarm& expected, const ToneLimits& limits);
