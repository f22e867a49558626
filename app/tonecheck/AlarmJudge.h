#pragma once
// The verdict on one whole alarm: the code as it was heard, each of its tones, its repeat and
// the pause before it, the call tone the pre-tone item asks for, and the two-tone pair the
// alarm type has in the limits, each measured value against its limit. "stimmt" when all
// hold; "weicht ab" with each miss in German ("Ton 3: 1290 Hz statt 1270 Hz (+1,6 %)");
// "nichts gehört" when no sequence was heard at all. A sequence the decoder was not certain of
// is never the expected code nor a repeat; judged as the code, it is "Code unsicher" and none
// of its symbols is named as heard.
//
// Pure functions; any thread. Nothing here throws.

#include "app/tonecheck/ToneLimits.h"
#include "app/tones/HeardSignal.h"
#include "app/tones/ToneStandard.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TExpectedAlarm {
    TToneStandard Standard = DefaultToneStandard;
    std::string Symbols;       // what the encoder should sound, "12345"
    std::string PreToneItem;   // the pre-tone item as the window shows it; empty: none applies
    std::string AlarmTypeItem; // the alarm-type item as the window shows it; empty: none
};

enum class TAlarmVerdict { Matches, Differs, NothingHeard };

// A frequency the alarm should sound, nominal +- tolerance.
struct TExpectedBand {
    double LowHz = 0.0;
    double HighHz = 0.0;

    bool operator==(const TExpectedBand&) const = default;
};

// One tone heard, for a picture: where it lies and whether it held its limits.
enum class TToneMarkState { NotJudged, Holds, Misses };
struct TToneMark {
    double StartSeconds = 0.0;
    double Seconds = 0.0;
    double FrequencyHz = 0.0;
    TToneMarkState State = TToneMarkState::NotJudged;
    char Symbol = 0;      // a code's tone: the symbol heard ('?': uncertain); 0 for others
    TExpectedBand Band{}; // what it should have sounded; empty when nothing was expected
    std::string Words{};  // what it missed, "1092 Hz statt 1060 Hz"; empty when it held

    bool operator==(const TToneMark&) const = default;
};

// How a measured value is held to its limit on the measurement sheet.
enum class TSheetLimit { PlusMinus, AtLeast, AtMost };
struct TSheetValue {
    double Nominal = 0.0; // Hz or seconds; for AtLeast and AtMost the bound itself
    double Measured = 0.0;
    double Tolerance = 0.0; // PlusMinus: allowed either side
    TSheetLimit Limit = TSheetLimit::PlusMinus;

    bool operator==(const TSheetValue&) const = default;
};

// What a receiver leaves of its acceptance: positive inside it, negative outside.
struct TReceiverReserve {
    double Value = 0.0;
    std::string Unit;   // " %", " Hz", " ms", " s"
    double Share = 0.0; // value over the acceptance, so reserves of any unit compare

    bool operator==(const TReceiverReserve&) const = default;
};

// One line of the measurement sheet ("Messblatt"): one element of the alarm in time order.
struct TSheetLine {
    std::string Element; // "Tonruf I", "Ton 3", "Code", "Sicherheit", "Pause", ...
    char Symbol = 0;     // a code's tone: the symbol expected there, past the code the one heard
    std::optional<TSheetValue> Frequency;
    std::optional<TSheetValue> Length;
    std::optional<double> LevelDifferenceDb;
    std::optional<double> ConfidenceDb; // a code's margin over its runner-up
    std::vector<std::string> Misses;    // what is wrong; empty: ok
    std::optional<TReceiverReserve> Reserve;

    bool operator==(const TSheetLine&) const = default;
};

// Whether receivers in the field (pagers' selective-call decoders, sirens' two-tone
// evaluators, as the limits' receiver profile describes them) would react to the alarm.
struct TReceiverJudgement {
    bool Judged = false; // false when the alarm has nothing a receiver reacts to
    bool Reacts = false;
    std::vector<std::string> Reasons;        // why not
    std::optional<TReceiverReserve> Reserve; // the least left anywhere

    bool operator==(const TReceiverJudgement&) const = default;
};

struct TAlarmJudgement {
    TAlarmVerdict Verdict = TAlarmVerdict::NothingHeard;
    std::vector<std::string> Misses;  // in the order of the alarm; empty unless it differs
    std::vector<TToneMark> Marks;     // every tone heard, two for a two-tone signal
    std::vector<TExpectedBand> Bands; // every frequency expected
    std::vector<TSheetLine> Sheet;    // in time order
    TReceiverJudgement Receivers;

    bool operator==(const TAlarmJudgement&) const = default;
};

// "stimmt", "weicht ab", "nichts gehört".
std::string_view VerdictText(TAlarmVerdict verdict);

// The misses joined by ", ", as the record's "Abweichungen" column shows them.
std::string MissesText(const TAlarmJudgement& judgement);

// The verdict with its misses, as the record's "Ergebnis" column shows it:
// "stimmt", "weicht ab (Ton 2: 92 ms statt 70 ms, kein Tonruf I gehört)", "nichts gehört".
std::string VerdictLine(const TAlarmJudgement& judgement);

// "würden auslösen (Reserve 0,3 %)", "würden nicht auslösen (Doppelton zu kurz, Reserve
// −0,3 s)"; empty when not judged.
std::string ReceiverText(const TReceiverJudgement& receivers);

// "0,3 %", "−0,3 s": negative with a true minus sign.
std::string ReserveText(const TReceiverReserve& reserve);

// heard: every signal heard within the alarm's hearing window, in any order.
TAlarmJudgement JudgeAlarm(const TExpectedAlarm& expected, const TToneLimits& limits,
                           const std::vector<THeardSignal>& heard);

// Marks for what was heard when nothing is expected: every tone NotJudged, a code's tones with
// the symbols heard.
std::vector<TToneMark> UnjudgedMarks(const std::vector<THeardSignal>& heard);

// The two-tone pair the alarm type has in the limits; nothing when it has none.
const TTwoTonePair* ExpectedPair(const TExpectedAlarm& expected, const TToneLimits& limits);

// How long after an alarm goes out its tones may still be heard: the usual window, plus the
// repeat, plus the two-tone pair with its delay where one is expected.
double HearingWindowSeconds(const TExpectedAlarm& expected, const TToneLimits& limits);
