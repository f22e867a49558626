#include "app/tonecheck/AlarmJudge.h"

#include "app/tonecheck/MeasuredValues.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

THeardSignal Sequence(double start, std::string_view sent, bool certain = true) {
    const TToneTable& table = TableOf(TToneStandard::Zvei1);
    THeardSignal signal;
    signal.StartSeconds = start;
    for (const char symbol : sent) {
        const double at = start + signal.DurationSeconds;
        signal.Tones.push_back({symbol, table.FrequencyHz[ToneSymbols.find(symbol)], at, 0.070});
        signal.Digits += symbol == RepeatToneSymbol ? signal.Digits.back() : symbol;
        signal.DurationSeconds += 0.070;
    }
    signal.ConfidenceDb = 18.0;
    signal.Certain = certain;
    return signal;
}

THeardSignal Long(THeardKind kind, double start, double seconds, std::vector<double> hz) {
    THeardSignal signal;
    signal.Kind = kind;
    signal.StartSeconds = start;
    signal.DurationSeconds = seconds;
    signal.FrequenciesHz = std::move(hz);
    return signal;
}

// A fire alarm as it should sound: Tonruf I kurz, 12335 twice, then 675+1240 Hz 5 s later.
std::vector<THeardSignal> GoodAlarm() {
    return {Long(THeardKind::LongTone, 0.5, 0.5, {1750.2}), Sequence(1.2, "123E5"),
            Sequence(2.15, "123E5"), Long(THeardKind::TwoTone, 7.5, 5.0, {675.4, 1240.8})};
}

struct JudgeCase {
    const char* name;
    std::function<void(std::vector<THeardSignal>&)> change;
    TAlarmVerdict verdict;
    std::vector<std::string> misses;
    const char* preTone = "Tonruf I  kurz";
    const char* alarmType = "Feueralarm";
};

TEST(AlarmJudge, EveryMissIsNamed) {
    const auto tone = [](std::size_t sequence, std::size_t index) {
        return [=](std::vector<THeardSignal>& heard) -> TMeasuredTone& {
            return heard[sequence].Tones[index];
        };
    };
    const JudgeCase cases[] = {
        {"good", [](auto&) {}, TAlarmVerdict::Matches, {}},
        {"just inside every limit",
         [&](auto& h) {
             tone(1, 2)(h).FrequencyHz = 1270 * 1.0149;
             tone(1, 1)(h).Seconds = 0.0849;
             h[1].DurationSeconds = 0.3599;
             h[0].DurationSeconds = 0.69;
             h[3].StartSeconds = h[2].StartSeconds + 0.35 + 5.24;
             h[3].FrequenciesHz = {672.1, 1244.9};
         },
         TAlarmVerdict::Matches,
         {}},
        {"detuned tone",
         [&](auto& h) { tone(1, 2)(h).FrequencyHz = 1290.4; },
         TAlarmVerdict::Differs,
         {"Ton 3: 1290 Hz statt 1270 Hz (+1,6 %)"}},
        {"the same fault in the repeat is named once",
         [&](auto& h) {
             tone(1, 2)(h).FrequencyHz = 1250;
             tone(2, 2)(h).FrequencyHz = 1250;
             tone(2, 3)(h).FrequencyHz = 2650;
         },
         TAlarmVerdict::Differs,
         {"Ton 3: 1250 Hz statt 1270 Hz (-1,6 %)",
          "Wiederholung Ton 4: 2650 Hz statt 2600 Hz (+1,9 %)"}},
        {"stretched tone in the repeat",
         [&](auto& h) {
             tone(2, 1)(h).Seconds = 0.092;
             h[2].DurationSeconds = 0.372;
         },
         TAlarmVerdict::Differs,
         {"Wiederholung Ton 2: 92 ms statt 70 ms", "Wiederholung Code 372 ms statt 350 ms"}},
        {"wrong digit",
         [](auto& h) {
             h[1] = Sequence(1.2, "12345");
             h[2] = Sequence(2.15, "12345");
         },
         TAlarmVerdict::Differs,
         {"Stelle 4: 4 statt 3"}},
        {"no repeat",
         [](auto& h) { h.erase(h.begin() + 2); },
         TAlarmVerdict::Differs,
         {"keine Wiederholung des Codes gehört", "Doppelton 5,95 s nach dem Code statt 5,00 s"}},
        // Guessed symbols never stand for the code or its repeat, even when they are right.
        {"guessed code and repeat",
         [](auto& h) { h[1].Certain = h[2].Certain = false; },
         TAlarmVerdict::Differs,
         {"Code unsicher", "keine Wiederholung des Codes gehört",
          "Doppelton 5,95 s nach dem Code statt 5,00 s"}},
        {"guessed repeat",
         [](auto& h) { h[2].Certain = false; },
         TAlarmVerdict::Differs,
         {"keine Wiederholung des Codes gehört", "Doppelton 5,95 s nach dem Code statt 5,00 s"}},
        {"long pause",
         [](auto& h) {
             h[2] = Sequence(2.45, "123E5");
             h[3].StartSeconds += 0.3;
         },
         TAlarmVerdict::Differs,
         {"Pause 900 ms statt 600 ms"}},
        {"no call tone",
         [](auto& h) { h.erase(h.begin()); },
         TAlarmVerdict::Differs,
         {"kein Tonruf I gehört"}},
        {"call tone lang instead of kurz",
         [](auto& h) { h[0].DurationSeconds = 2.0; },
         TAlarmVerdict::Differs,
         {"Tonruf I: 2,0 s statt 0,5 s"}},
        {"Tonruf II instead of I",
         [](auto& h) { h[0].FrequenciesHz = {2135}; },
         TAlarmVerdict::Differs,
         {"kein Tonruf I gehört"}},
        {"unexpected call tone",
         [](auto&) {},
         TAlarmVerdict::Differs,
         {"Tonruf I gehört, kein Tonruf erwartet"},
         "Ohne Tonruf"},
        {"wrong partner",
         [](auto& h) {
             h[3].FrequenciesHz = {675.1, 2280.3};
         },
         TAlarmVerdict::Differs,
         {"Doppelton 675+2280 Hz statt 675+1240 Hz"}},
        {"no two-tone",
         [](auto& h) { h.pop_back(); },
         TAlarmVerdict::Differs,
         {"kein Doppelton 675+1240 Hz gehört"}},
        {"short two-tone",
         [](auto& h) { h[3].DurationSeconds = 2.0; },
         TAlarmVerdict::Differs,
         {"Doppelton 2,0 s statt mindestens 3,0 s"}},
        // A miss never reads as if the value were the one expected.
        {"two-tone just too short",
         [](auto& h) { h[3].DurationSeconds = 2.96; },
         TAlarmVerdict::Differs,
         {"Doppelton 2,96 s statt mindestens 3,00 s"}},
        {"alarm type without a pair",
         [](auto& h) { h.pop_back(); },
         TAlarmVerdict::Matches,
         {},
         "Tonruf I kurz",
         "Warnung"},
        {"pre-tone not judged",
         [](auto& h) { h.erase(h.begin()); },
         TAlarmVerdict::Matches,
         {},
         "c (427.5 Hz)"},
        {"nothing heard",
         [](auto& h) {
             h = {h[0], h[3]};
         },
         TAlarmVerdict::NothingHeard,
         {}},
    };
    for (const JudgeCase& c : cases) {
        std::vector<THeardSignal> heard = GoodAlarm();
        c.change(heard);
        const TAlarmJudgement judgement = JudgeAlarm(
            {TToneStandard::Zvei1, "12335", c.preTone, c.alarmType}, DefaultToneLimits(), heard);
        EXPECT_EQ(judgement.Verdict, c.verdict) << c.name;
        EXPECT_EQ(judgement.Misses, c.misses) << c.name;
    }
}

// The sheet's lines that are not ok ("element: what is wrong") and whether receivers would
// react, for each fault the simulator can sound and at both sides of each receiver limit.
TEST(AlarmJudge, SheetAndReceivers) {
    const auto codeTones = [](const std::function<void(TMeasuredTone&)>& change) {
        return [=](std::vector<THeardSignal>& heard) {
            for (const std::size_t sequence : {1, 2})
                for (TMeasuredTone& tone : heard[sequence].Tones)
                    change(tone);
        };
    };
    struct SheetCase {
        const char* name;
        std::function<void(std::vector<THeardSignal>&)> change;
        std::vector<std::string> wrongLines;
        const char* receivers;
        const char* alarmType = "Feueralarm";
    };
    const SheetCase cases[] = {
        {"good", [](auto&) {}, {}, "würden auslösen (Reserve 3,0 s)"},
        {"detuned 2 %",
         codeTones([](TMeasuredTone& t) { t.FrequencyHz *= 1.02; }),
         {"Ton 1: 1081 Hz statt 1060 Hz (+2,0 %)", "Ton 2: 1183 Hz statt 1160 Hz (+2,0 %)",
          "Ton 3: 1295 Hz statt 1270 Hz (+2,0 %)", "Ton 4: 2652 Hz statt 2600 Hz (+2,0 %)",
          "Ton 5: 1561 Hz statt 1530 Hz (+2,0 %)",
          "Wiederholung Ton 1: 1081 Hz statt 1060 Hz (+2,0 %)",
          "Wiederholung Ton 2: 1183 Hz statt 1160 Hz (+2,0 %)",
          "Wiederholung Ton 3: 1295 Hz statt 1270 Hz (+2,0 %)",
          "Wiederholung Ton 4: 2652 Hz statt 2600 Hz (+2,0 %)",
          "Wiederholung Ton 5: 1561 Hz statt 1530 Hz (+2,0 %)"},
         "würden nicht auslösen (Ton 1 zu weit ab, Reserve \u22120,5 %)"},
        {"detuned 1.2 %: a miss for a tight limit, not for receivers",
         codeTones([](TMeasuredTone& t) { t.FrequencyHz *= 1.012; }),
         {},
         "würden auslösen (Reserve 0,3 %)"},
        {"stretched 30 %",
         [](auto& h) {
             for (const std::size_t s : {1, 2}) {
                 for (TMeasuredTone& t : h[s].Tones)
                     t.Seconds = 0.091;
                 h[s].DurationSeconds = 0.455;
             }
             h[2].StartSeconds = 2.255;
             h[3].StartSeconds = 7.71;
         },
         {"Ton 1: 91 ms statt 70 ms", "Ton 2: 91 ms statt 70 ms", "Ton 3: 91 ms statt 70 ms",
          "Ton 4: 91 ms statt 70 ms", "Ton 5: 91 ms statt 70 ms", "Code: 455 ms statt 350 ms",
          "Wiederholung Ton 1: 91 ms statt 70 ms", "Wiederholung Ton 2: 91 ms statt 70 ms",
          "Wiederholung Ton 3: 91 ms statt 70 ms", "Wiederholung Ton 4: 91 ms statt 70 ms",
          "Wiederholung Ton 5: 91 ms statt 70 ms", "Wiederholung Code: 455 ms statt 350 ms"},
         "würden nicht auslösen (Ton 1 zu kurz oder zu lang, Reserve \u22126 ms)"},
        {"wrong digit",
         [](auto& h) {
             h[1] = Sequence(1.2, "12345");
             h[2] = Sequence(2.15, "12345");
         },
         {"Ton 4: 4 statt 3", "Wiederholung Ton 4: 4 statt 3"},
         "würden nicht auslösen (Code 12345 statt 12335)"},
        {"guessed wrong digit",
         [](auto& h) { h[1] = h[2] = Sequence(1.2, "12345", false); },
         {"Ton 4: unsicher", "Sicherheit: unsicher", "Wiederholung: nicht gehört",
          "Verzögerung Doppelton: 5,95 s nach dem Code statt 5,00 s"},
         "würden nicht auslösen (Code unsicher)"},
        {"wrong pair",
         [](auto& h) {
             h[3].FrequenciesHz = {675.1, 2280.3};
         },
         {"Doppelton Ton 2: 2280 Hz statt 1240 Hz"},
         "würden nicht auslösen (Doppelton Ton 2 zu weit ab, Reserve \u22121030,3 Hz)"},
        {"no call tone",
         [](auto& h) { h.erase(h.begin()); },
         {"Tonruf I: nicht gehört"},
         "würden auslösen (Reserve 3,0 s)"},
        {"two-tone 2.6 s",
         [](auto& h) { h[3].DurationSeconds = 2.6; },
         {"Doppelton Länge: 2,6 s statt mindestens 3,0 s"},
         "würden auslösen (Reserve 0,1 s)"},
        {"two-tone 2.4 s",
         [](auto& h) { h[3].DurationSeconds = 2.4; },
         {"Doppelton Länge: 2,4 s statt mindestens 3,0 s"},
         "würden nicht auslösen (Doppelton zu kurz, Reserve \u22120,1 s)"},
        {"two-tone 7.9 s after the code",
         [](auto& h) { h[3].StartSeconds = 2.5 + 7.9; },
         {"Verzögerung Doppelton: 7,90 s nach dem Code statt 5,00 s"},
         "würden auslösen (Reserve 0,1 s)"},
        {"two-tone 8.1 s after the code",
         [](auto& h) { h[3].StartSeconds = 2.5 + 8.1; },
         {"Verzögerung Doppelton: 8,10 s nach dem Code statt 5,00 s"},
         "würden nicht auslösen (Doppelton zu spät, Reserve \u22120,1 s)"},
        {"675 Hz + 5 Hz",
         [](auto& h) { h[3].FrequenciesHz[0] = 680.0; },
         {"Doppelton Ton 1: 680 Hz statt 675 Hz"},
         "würden auslösen (Reserve 1,0 Hz)"},
        {"675 Hz - 7 Hz",
         [](auto& h) { h[3].FrequenciesHz[0] = 668.0; },
         {"Doppelton Ton 1: 668 Hz statt 675 Hz"},
         "würden nicht auslösen (Doppelton Ton 1 zu weit ab, Reserve \u22121,0 Hz)"},
        {"nothing heard",
         [](auto& h) {
             h = {h[0], h[3]};
         },
         {},
         "würden nicht auslösen (nichts gehört)"},
        {"a pair tone the profile has no tone for says nothing of the sirens",
         [](auto& h) {
             h[3].FrequenciesHz = {675.0, 1860.0};
         },
         {},
         "würden auslösen (Reserve 3,0 s)",
         "Probealarm"},
    };
    for (const SheetCase& c : cases) {
        std::vector<THeardSignal> heard = GoodAlarm();
        c.change(heard);
        const TAlarmJudgement judgement =
            JudgeAlarm({TToneStandard::Zvei1, "12335", "Tonruf I kurz", c.alarmType},
                       DefaultToneLimits(), heard);
        std::vector<std::string> wrong;
        for (const TSheetLine& line : judgement.Sheet)
            for (const std::string& miss : line.Misses)
                wrong.push_back(line.Element + ": " + miss);
        EXPECT_EQ(wrong, c.wrongLines) << c.name;
        EXPECT_EQ(ReceiverText(judgement.Receivers), c.receivers) << c.name;
    }
    std::vector<THeardSignal> good = GoodAlarm();
    std::string elements;
    for (const TSheetLine& line :
         JudgeAlarm({TToneStandard::Zvei1, "12335", "Tonruf I kurz", "Feueralarm"},
                    DefaultToneLimits(), good)
             .Sheet)
        elements += line.Element + (line.Symbol ? std::string(" ") + line.Symbol : "") + "; ";
    EXPECT_EQ(elements, "Tonruf I; Ton 1 1; Ton 2 2; Ton 3 3; Ton 4 3; Ton 5 5; Code; "
                        "Sicherheit; Pause; Wiederholung Ton 1 1; Wiederholung Ton 2 2; "
                        "Wiederholung Ton 3 3; Wiederholung Ton 4 3; Wiederholung Ton 5 5; "
                        "Wiederholung Code; Wiederholung Sicherheit; "
                        "Verzögerung Doppelton; Doppelton Ton 1; Doppelton Ton 2; "
                        "Doppelton Länge; Doppelton Pegel; ")
        << "in time order";
}

TEST(AlarmJudge, TextsForTheRecord) {
    TAlarmJudgement differs;
    differs.Verdict = TAlarmVerdict::Differs;
    differs.Misses = {"Ton 1: 92 ms statt 70 ms", "x"};
    EXPECT_EQ(VerdictLine(differs), "weicht ab (Ton 1: 92 ms statt 70 ms, x)");
    EXPECT_EQ(MissesText(differs), "Ton 1: 92 ms statt 70 ms, x");
    EXPECT_EQ(VerdictLine(TAlarmJudgement{}), "nichts gehört");
    EXPECT_EQ(MeasuredValuesText(GoodAlarm()),
              "Tonruf I 1750,2 Hz 0,50 s; "
              "12335: 1060,0/1160,0/1270,0/2600,0/1530,0 Hz, 70/70/70/70/70 ms, Code 350 ms, "
              "Sicherheit 18,0 dB; Pause 600 ms; "
              "12335: 1060,0/1160,0/1270,0/2600,0/1530,0 Hz, 70/70/70/70/70 ms, Code 350 ms, "
              "Sicherheit 18,0 dB; "
              "Doppelton 675+1240(E) 675,4+1240,8 Hz 5,00 s, 5,00 s nach dem Code, Pegel 0,0 dB");
    // A guess is no repeat, and no symbol of it shows in a picture.
    const std::vector<THeardSignal> guessed{Sequence(1.2, "12"), Sequence(1.5, "12", false)};
    EXPECT_EQ(MeasuredValuesText(guessed),
              "12: 1060,0/1160,0 Hz, 70/70 ms, Code 140 ms, Sicherheit "
              "18,0 dB; unsicher (12?): 1060,0/1160,0 Hz, 70/70 ms, "
              "Code 140 ms, Sicherheit 18,0 dB");
    EXPECT_EQ(UnjudgedMarks(guessed).back().Symbol, '?');
}

TEST(AlarmJudge, HearingWindowCoversAnExpectedPair) {
    const TExpectedAlarm fire{TToneStandard::Zvei1, "12345", "", "Feueralarm"};
    const TExpectedAlarm warning{TToneStandard::Zvei1, "12345", "", "Warnung"};
    EXPECT_DOUBLE_EQ(HearingWindowSeconds(warning, DefaultToneLimits()), 10.95);
    EXPECT_DOUBLE_EQ(HearingWindowSeconds(fire, DefaultToneLimits()), 10.95 + 5.25 + 5 + 2);
}

} // namespace
