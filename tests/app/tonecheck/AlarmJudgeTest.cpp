#include "app/tonecheck/AlarmJudge.h"

#include "app/tonecheck/MeasuredValues.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

HeardSignal Sequence(double start, std::string_view sent) {
    const ToneTable& table = TableOf(ToneStandard::Zvei1);
    HeardSignal signal;
    signal.startSeconds = start;
    for (const char symbol : sent) {
        const double at = start + signal.durationSeconds;
        signal.tones.push_back({symbol, table.frequencyHz[ToneSymbols.find(symbol)], at, 0.070});
        signal.digits += symbol == RepeatToneSymbol ? signal.digits.back() : symbol;
        signal.durationSeconds += 0.070;
    }
    return signal;
}

HeardSignal Long(HeardKind kind, double start, double seconds, std::vector<double> hz) {
    HeardSignal signal;
    signal.kind = kind;
    signal.startSeconds = start;
    signal.durationSeconds = seconds;
    signal.frequenciesHz = std::move(hz);
    return signal;
}

// A fire alarm as it should sound: Tonruf I kurz, 12335 twice, then 675+1240 Hz 5 s later.
std::vector<HeardSignal> GoodAlarm() {
    return {Long(HeardKind::LongTone, 0.5, 0.5, {1750.2}), Sequence(1.2, "123E5"),
            Sequence(2.15, "123E5"), Long(HeardKind::TwoTone, 7.5, 5.0, {675.4, 1240.8})};
}

struct JudgeCase {
    const char* name;
    std::function<void(std::vector<HeardSignal>&)> change;
    AlarmVerdict verdict;
    std::vector<std::string> misses;
    const char* preTone = "Tonruf I  kurz";
    const char* alarmType = "Feueralarm";
};

TEST(AlarmJudge, EveryMissIsNamed) {
    const auto tone = [](std::size_t sequence, std::size_t index) {
        return [=](std::vector<HeardSignal>& heard) -> MeasuredTone& {
            return heard[sequence].tones[index];
        };
    };
    const JudgeCase cases[] = {
        {"good", [](auto&) {}, AlarmVerdict::Matches, {}},
        {"just inside every limit",
         [&](auto& h) {
             tone(1, 2)(h).frequencyHz = 1270 * 1.0149;
             tone(1, 1)(h).seconds = 0.0849;
             h[1].durationSeconds = 0.3599;
             h[0].durationSeconds = 0.69;
             h[3].startSeconds = h[2].startSeconds + 0.35 + 5.24;
             h[3].frequenciesHz = {672.1, 1244.9};
         },
         AlarmVerdict::Matches, {}},
        {"detuned tone", [&](auto& h) { tone(1, 2)(h).frequencyHz = 1290.4; },
         AlarmVerdict::Differs, {"Ton 3: 1290 Hz statt 1270 Hz (+1,6 %)"}},
        {"the same fault in the repeat is named once",
         [&](auto& h) {
             tone(1, 2)(h).frequencyHz = 1250;
             tone(2, 2)(h).frequencyHz = 1250;
             tone(2, 3)(h).frequencyHz = 2650;
         },
         AlarmVerdict::Differs,
         {"Ton 3: 1250 Hz statt 1270 Hz (-1,6 %)",
          "Wiederholung Ton 4: 2650 Hz statt 2600 Hz (+1,9 %)"}},
        {"stretched tone in the repeat",
         [&](auto& h) {
             tone(2, 1)(h).seconds = 0.092;
             h[2].durationSeconds = 0.372;
         },
         AlarmVerdict::Differs,
         {"Wiederholung Ton 2: 92 ms statt 70 ms", "Wiederholung Code 372 ms statt 350 ms"}},
        {"wrong digit",
         [](auto& h) {
             h[1] = Sequence(1.2, "12345");
             h[2] = Sequence(2.15, "12345");
         },
         AlarmVerdict::Differs, {"Stelle 4: 4 statt 3"}},
        {"no repeat", [](auto& h) { h.erase(h.begin() + 2); }, AlarmVerdict::Differs,
         {"keine Wiederholung des Codes gehört", "Doppelton 5,95 s nach dem Code statt 5,00 s"}},
        {"long pause",
         [](auto& h) {
             h[2] = Sequence(2.45, "123E5");
             h[3].startSeconds += 0.3;
         },
         AlarmVerdict::Differs, {"Pause 900 ms statt 600 ms"}},
        {"no call tone", [](auto& h) { h.erase(h.begin()); }, AlarmVerdict::Differs,
         {"kein Tonruf I gehört"}},
        {"call tone lang instead of kurz", [](auto& h) { h[0].durationSeconds = 2.0; },
         AlarmVerdict::Differs, {"Tonruf I: 2,0 s statt 0,5 s"}},
        {"Tonruf II instead of I", [](auto& h) { h[0].frequenciesHz = {2135}; },
         AlarmVerdict::Differs, {"kein Tonruf I gehört"}},
        {"unexpected call tone", [](auto&) {}, AlarmVerdict::Differs,
         {"Tonruf I gehört, kein Tonruf erwartet"}, "Ohne Tonruf"},
        {"wrong partner", [](auto& h) { h[3].frequenciesHz = {675.1, 2280.3}; },
         AlarmVerdict::Differs, {"Doppelton 675+2280 Hz statt 675+1240 Hz"}},
        {"no two-tone", [](auto& h) { h.pop_back(); }, AlarmVerdict::Differs,
         {"kein Doppelton 675+1240 Hz gehört"}},
        {"short two-tone", [](auto& h) { h[3].durationSeconds = 2.0; }, AlarmVerdict::Differs,
         {"Doppelton 2,0 s statt mindestens 3,0 s"}},
        // A miss never reads as if the value were the one expected.
        {"two-tone just too short", [](auto& h) { h[3].durationSeconds = 2.96; },
         AlarmVerdict::Differs, {"Doppelton 2,96 s statt mindestens 3,00 s"}},
        {"alarm type without a pair", [](auto& h) { h.pop_back(); }, AlarmVerdict::Matches, {},
         "Tonruf I kurz", "Warnung"},
        {"pre-tone not judged", [](auto& h) { h.erase(h.begin()); }, AlarmVerdict::Matches, {},
         "c (427.5 Hz)"},
        {"nothing heard", [](auto& h) { h = {h[0], h[3]}; }, AlarmVerdict::NothingHeard, {}},
    };
    for (const JudgeCase& c : cases) {
        std::vector<HeardSignal> heard = GoodAlarm();
        c.change(heard);
        const AlarmJudgement judgement =
            JudgeAlarm({ToneStandard::Zvei1, "12335", c.preTone, c.alarmType},
                       DefaultToneLimits(), heard);
        EXPECT_EQ(judgement.verdict, c.verdict) << c.name;
        EXPECT_EQ(judgement.misses, c.misses) << c.name;
    }
}

TEST(AlarmJudge, TextsForTheRecord) {
    AlarmJudgement differs;
    differs.verdict = AlarmVerdict::Differs;
    differs.misses = {"Ton 1: 92 ms statt 70 ms", "x"};
    EXPECT_EQ(VerdictLine(differs), "weicht ab (Ton 1: 92 ms statt 70 ms, x)");
    EXPECT_EQ(MissesText(differs), "Ton 1: 92 ms statt 70 ms, x");
    EXPECT_EQ(VerdictLine(AlarmJudgement{}), "nichts gehört");
    EXPECT_EQ(MeasuredValuesText(GoodAlarm()),
              "Tonruf I 1750,2 Hz 0,50 s; "
              "12335: 1060,0/1160,0/1270,0/2600,0/1530,0 Hz, 70/70/70/70/70 ms, Code 350 ms; "
              "Pause 600 ms; "
              "12335: 1060,0/1160,0/1270,0/2600,0/1530,0 Hz, 70/70/70/70/70 ms, Code 350 ms; "
              "Doppelton 675+1240(E) 675,4+1240,8 Hz 5,00 s, 5,00 s nach dem Code, Pegel 0,0 dB");
}

TEST(AlarmJudge, HearingWindowCoversAnExpectedPair) {
    const ExpectedAlarm fire{ToneStandard::Zvei1, "12345", "", "Feueralarm"};
    const ExpectedAlarm warning{ToneStandard::Zvei1, "12345", "", "Warnung"};
    EXPECT_DOUBLE_EQ(HearingWindowSeconds(warning, DefaultToneLimits()), 10.95);
    EXPECT_DOUBLE_EQ(HearingWindowSeconds(fire, DefaultToneLimits()), 10.95 + 5.25 + 5 + 2);
}

} // namespace
