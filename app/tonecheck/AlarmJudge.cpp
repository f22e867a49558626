#include "app/tonecheck/AlarmJudge.h"

#include "app/tonecheck/GermanNumbers.h"

#include <algorithm>
#include <cmath>

namespace {

// The hearing window of an alarm without a two-tone pair: the encoder's own delay and a code.
constexpr double BaseHearingSeconds = 10.0;
// Room after an expected pair's end for the decoder to close it.
constexpr double PairMarginSeconds = 2.0;
// A long tone this near a call tone is taken for it, to be judged; farther off it is another.
constexpr double CallToneReach = 0.05;

// How a miss writes a quantity: its scale from the limits' unit, its usual places, its unit.
struct Unit {
    double scale;
    int places;
    std::string_view name;
};

constexpr Unit Hz{1.0, 0, " Hz"};
constexpr Unit Ms{1000.0, 0, " ms"};
constexpr Unit Seconds{1.0, 1, " s"};
constexpr Unit FineSeconds{1.0, 2, " s"};

std::vector<double> Scaled(const std::vector<double>& values, const Unit& unit) {
    std::vector<double> scaled;
    for (const double value : values)
        scaled.push_back(value * unit.scale);
    return scaled;
}

// "675+1240"
std::string Joined(const std::vector<double>& values, int places) {
    std::string text;
    for (const double value : values)
        text += (text.empty() ? "" : "+") + GermanDecimal(value, places);
    return text;
}

// "92 ms statt 70 ms", "675+2280 Hz statt 675+1240 Hz": with more places where the usual ones
// would show the heard and the expected value alike.
std::string Instead(const std::vector<double>& heard, const std::vector<double>& expected,
                    const Unit& unit, std::string_view statt = " statt ") {
    const std::vector<double> shownHeard = Scaled(heard, unit);
    const std::vector<double> shownExpected = Scaled(expected, unit);
    const int places = PlacesToTellApart(shownHeard, shownExpected, unit.places);
    return Joined(shownHeard, places) + std::string(unit.name) + std::string(statt) +
           Joined(shownExpected, places) + std::string(unit.name);
}

// A deviation as a signed percentage, never "0,0 %" for one that is not zero.
std::string Percent(double share) {
    return GermanSigned(share * 100.0, PlacesToTellApart({share * 100.0}, {0.0}, 1)) + " %";
}

std::string Collapsed(std::string_view text) {
    std::string collapsed;
    for (const char c : text)
        if (c != ' ' || (!collapsed.empty() && collapsed.back() != ' '))
            collapsed += c;
    return collapsed;
}

// What the pre-tone item asks for: a call tone of one length, no call tone, or nothing to judge.
struct CallToneExpectation {
    bool judged = false;
    const CallToneLimits* callTone = nullptr; // none: no call tone may sound
    bool isLong = false;
};

CallToneExpectation ExpectedCallTone(std::string_view item, const ToneLimits& limits) {
    const std::string text = Collapsed(item);
    if (text == "Ohne Tonruf" || text.starts_with("Bandumschaltung") || text == "kein Vorton")
        return {true, nullptr, false};
    const CallToneLimits* best = nullptr;
    bool isLong = false;
    for (const CallToneLimits& callTone : limits.callTones) {
        for (const bool lang : {false, true}) {
            // The longest name that fits wins, so "Tonruf I" never stands for "Tonruf II".
            const std::string prefix = callTone.name + (lang ? " lang" : " kurz");
            if (text.starts_with(prefix) && (!best || callTone.name.size() > best->name.size())) {
                best = &callTone;
                isLong = lang;
            }
        }
    }
    return best ? CallToneExpectation{true, best, isLong} : CallToneExpectation{};
}

double Deviation(double heard, double nominal) {
    return (heard - nominal) / nominal;
}

class Judge {
public:
    Judge(const ExpectedAlarm& expected, const ToneLimits& limits, std::vector<HeardSignal> heard)
        : expected_(expected), limits_(limits), sequenceLimits_(limits.Of(expected.standard)),
          heard_(std::move(heard)) {
        std::ranges::stable_sort(heard_, {}, &HeardSignal::startSeconds);
    }

    AlarmJudgement Run() {
        Bands();
        std::vector<const HeardSignal*> sequences;
        for (const HeardSignal& signal : heard_)
            if (signal.kind == HeardKind::Sequence)
                sequences.push_back(&signal);
        if (sequences.empty())
            return Result(AlarmVerdict::NothingHeard);

        const auto matches = [&](const HeardSignal* s) { return s->digits == expected_.symbols; };
        const auto first = std::ranges::find_if(sequences, matches);
        const HeardSignal& code = first == sequences.end() ? *sequences.front() : **first;
        if (first == sequences.end())
            CompareCode(code.digits);
        const SequenceMisses codeMisses = Sequence(code, "", {});
        const HeardSignal* repeat = nullptr;
        for (const HeardSignal* s : sequences)
            if (s->startSeconds > code.startSeconds && s->digits == code.digits && !repeat)
                repeat = s;
        if (repeat) {
            Sequence(*repeat, "Wiederholung ", codeMisses);
            const double pause = repeat->startSeconds - End(code);
            if (std::abs(pause - sequenceLimits_.pauseSeconds) >
                sequenceLimits_.pauseToleranceSeconds)
                Miss("Pause " + Instead({pause}, {sequenceLimits_.pauseSeconds}, Ms));
        } else if (sequenceLimits_.repeated) {
            Miss("keine Wiederholung des Codes gehört");
        }
        CallTone(code.startSeconds);
        TwoTone(End(repeat ? *repeat : code));
        return Result(misses_.empty() ? AlarmVerdict::Matches : AlarmVerdict::Differs);
    }

private:
    static double End(const HeardSignal& signal) {
        return signal.startSeconds + signal.durationSeconds;
    }

    void Miss(std::string text) { misses_.push_back(std::move(text)); }

    // Marks a signal's tones as holding when no miss was added since `missesBefore`.
    void Mark(const HeardSignal& signal, std::size_t missesBefore,
              const std::vector<bool>& wrongTones = {}) {
        const bool holds = misses_.size() == missesBefore;
        marked_.push_back(&signal);
        const auto state = [&](std::size_t i) {
            return holds && (i >= wrongTones.size() || !wrongTones[i]) ? ToneMarkState::Holds
                                                                       : ToneMarkState::Misses;
        };
        for (std::size_t i = 0; i < signal.tones.size(); ++i)
            marks_.push_back({signal.tones[i].startSeconds, signal.tones[i].seconds,
                              signal.tones[i].frequencyHz, state(i)});
        for (const double hz : signal.frequenciesHz)
            marks_.push_back({signal.startSeconds, signal.durationSeconds, hz, state(0)});
    }

    AlarmJudgement Result(AlarmVerdict verdict) {
        std::vector<HeardSignal> unjudged;
        for (const HeardSignal& signal : heard_)
            if (std::ranges::find(marked_, &signal) == marked_.end())
                unjudged.push_back(signal);
        for (const ToneMark& mark : UnjudgedMarks(unjudged))
            marks_.push_back(mark);
        std::ranges::stable_sort(marks_, {}, &ToneMark::startSeconds);
        if (verdict == AlarmVerdict::NothingHeard)
            misses_.clear();
        return {verdict, misses_, marks_, bands_};
    }

    void Band(double hz, double toleranceHz) {
        const ExpectedBand band{hz - toleranceHz, hz + toleranceHz};
        if (std::ranges::find(bands_, band) == bands_.end())
            bands_.push_back(band);
    }

    void Bands() {
        const ToneTable& table = TableOf(expected_.standard);
        const double share = sequenceLimits_.frequencyTolerancePercent / 100.0;
        for (std::size_t i = 0; i < expected_.symbols.size(); ++i) {
            const bool repeats = i > 0 && expected_.symbols[i] == expected_.symbols[i - 1];
            const auto at = ToneSymbols.find(repeats ? RepeatToneSymbol : expected_.symbols[i]);
            if (at != std::string_view::npos)
                Band(table.frequencyHz[at], table.frequencyHz[at] * share);
        }
        if (const auto call = ExpectedCallTone(expected_.preToneItem, limits_); call.callTone)
            Band(call.callTone->frequencyHz,
                 call.callTone->frequencyHz * call.callTone->tolerancePercent / 100.0);
        if (const TwoTonePair* pair = ExpectedPair(expected_, limits_))
            for (std::size_t i = 0; i < 2; ++i)
                Band(pair->frequenciesHz[i], pair->tolerancesHz[i]);
    }

    void CompareCode(const std::string& heard) {
        const std::string& sent = expected_.symbols;
        if (sent.size() != heard.size())
            Miss(std::to_string(heard.size()) + " statt " + std::to_string(sent.size()) +
                 " Stellen");
        for (std::size_t i = 0; i < std::min(sent.size(), heard.size()); ++i)
            if (sent[i] != heard[i])
                Miss("Stelle " + std::to_string(i + 1) + ": " + heard[i] + " statt " + sent[i]);
    }

    // Which tones of a sequence, and whether its whole length, missed their limits.
    struct SequenceMisses {
        std::vector<bool> tones;
        bool code = false;
    };

    // A repeat names only what the code before it did not: the same fault twice says nothing new.
    SequenceMisses Sequence(const HeardSignal& sequence, const std::string& prefix,
                            const SequenceMisses& named) {
        SequenceMisses found;
        std::vector<bool>& wrongTones = found.tones;
        const ToneTable& table = TableOf(expected_.standard);
        for (std::size_t i = 0; i < sequence.tones.size(); ++i) {
            const bool wrongSymbol =
                i >= expected_.symbols.size() || sequence.digits[i] != expected_.symbols[i];
            const bool alreadyNamed = i < named.tones.size() && named.tones[i];
            const MeasuredTone& tone = sequence.tones[i];
            const std::string name = prefix + "Ton " + std::to_string(i + 1) + ": ";
            const double nominal = table.frequencyHz[ToneSymbols.find(tone.symbol)];
            const double deviation = Deviation(tone.frequencyHz, nominal);
            const bool detuned =
                std::abs(deviation) * 100.0 > sequenceLimits_.frequencyTolerancePercent;
            const bool offLength = std::abs(tone.seconds - sequenceLimits_.toneSeconds) >
                                   sequenceLimits_.toneToleranceSeconds;
            if (detuned && !alreadyNamed)
                Miss(name + Instead({tone.frequencyHz}, {nominal}, Hz) + " (" + Percent(deviation) +
                     ")");
            if (offLength && !alreadyNamed)
                Miss(name + Instead({tone.seconds}, {sequenceLimits_.toneSeconds}, Ms));
            wrongTones.push_back(wrongSymbol || detuned || offLength);
        }
        const double nominal =
            static_cast<double>(sequence.tones.size()) * sequenceLimits_.toneSeconds;
        found.code =
            std::abs(sequence.durationSeconds - nominal) > sequenceLimits_.codeToleranceSeconds;
        if (found.code && !named.code)
            Miss(prefix + "Code " + Instead({sequence.durationSeconds}, {nominal}, Ms));
        // The code's own length marks no single tone.
        Mark(sequence, misses_.size(), wrongTones);
        return found;
    }

    void CallTone(double codeStart) {
        const CallToneExpectation expectation = ExpectedCallTone(expected_.preToneItem, limits_);
        if (!expectation.judged)
            return;
        // The call tone nearest in frequency among the long tones before the code.
        const auto nearest = [&](const CallToneLimits& callTone) -> const HeardSignal* {
            const HeardSignal* best = nullptr;
            for (const HeardSignal& signal : heard_) {
                if (signal.kind != HeardKind::LongTone || signal.startSeconds >= codeStart)
                    continue;
                const double off =
                    std::abs(Deviation(signal.frequenciesHz[0], callTone.frequencyHz));
                if (off <= CallToneReach &&
                    (!best ||
                     off < std::abs(Deviation(best->frequenciesHz[0], callTone.frequencyHz))))
                    best = &signal;
            }
            return best;
        };
        if (!expectation.callTone) {
            for (const CallToneLimits& callTone : limits_.callTones) {
                const HeardSignal* heard = nearest(callTone);
                if (heard &&
                    std::abs(Deviation(heard->frequenciesHz[0], callTone.frequencyHz)) * 100.0 <=
                        callTone.tolerancePercent) {
                    Miss(callTone.name + " gehört, kein Tonruf erwartet");
                    Mark(*heard, misses_.size() - 1);
                }
            }
            return;
        }
        const CallToneLimits& callTone = *expectation.callTone;
        const HeardSignal* heard = nearest(callTone);
        if (!heard)
            return Miss("kein " + callTone.name + " gehört");
        const std::size_t before = misses_.size();
        const double hz = heard->frequenciesHz[0];
        const double deviation = Deviation(hz, callTone.frequencyHz);
        if (std::abs(deviation) * 100.0 > callTone.tolerancePercent)
            Miss(callTone.name + ": " + Instead({hz}, {callTone.frequencyHz}, Hz) + " (" +
                 Percent(deviation) + ")");
        const double seconds = expectation.isLong ? callTone.longSeconds : callTone.shortSeconds;
        if (std::abs(heard->durationSeconds - seconds) > callTone.lengthToleranceSeconds)
            Miss(callTone.name + ": " + Instead({heard->durationSeconds}, {seconds}, Seconds));
        Mark(*heard, before);
    }

    void TwoTone(double codeEnd) {
        const TwoTonePair* pair = ExpectedPair(expected_, limits_);
        if (!pair)
            return;
        const auto found = std::ranges::find_if(heard_, [&](const HeardSignal& signal) {
            return signal.kind == HeardKind::TwoTone && signal.startSeconds >= codeEnd;
        });
        const std::vector<double> expectedHz(pair->frequenciesHz.begin(),
                                             pair->frequenciesHz.end());
        if (found == heard_.end())
            return Miss("kein Doppelton " + Joined(expectedHz, Hz.places) + " Hz gehört");
        const HeardSignal& heard = *found;
        const std::size_t before = misses_.size();
        bool inside = true;
        for (std::size_t i = 0; i < 2; ++i)
            inside = inside && std::abs(heard.frequenciesHz[i] - pair->frequenciesHz[i]) <=
                                   pair->tolerancesHz[i];
        if (!inside)
            Miss("Doppelton " + Instead(heard.frequenciesHz, expectedHz, Hz));
        const double delay = heard.startSeconds - codeEnd;
        if (std::abs(delay - pair->delaySeconds) > pair->delayToleranceSeconds)
            Miss("Doppelton " +
                 Instead({delay}, {pair->delaySeconds}, FineSeconds, " nach dem Code statt "));
        if (heard.durationSeconds < pair->shortestSeconds)
            Miss("Doppelton " + Instead({heard.durationSeconds}, {pair->shortestSeconds}, Seconds,
                                        " statt mindestens "));
        Mark(heard, before);
    }

    const ExpectedAlarm& expected_;
    const ToneLimits& limits_;
    const SequenceLimits& sequenceLimits_;
    std::vector<HeardSignal> heard_;
    std::vector<std::string> misses_;
    std::vector<ToneMark> marks_;
    std::vector<ExpectedBand> bands_;
    std::vector<const HeardSignal*> marked_;
};

} // namespace

std::string_view VerdictText(AlarmVerdict verdict) {
    switch (verdict) {
    case AlarmVerdict::Matches:
        return "stimmt";
    case AlarmVerdict::Differs:
        return "weicht ab";
    case AlarmVerdict::NothingHeard:
        break;
    }
    return "nichts gehört";
}

std::string MissesText(const AlarmJudgement& judgement) {
    std::string text;
    for (const std::string& miss : judgement.misses)
        text += (text.empty() ? "" : ", ") + miss;
    return text;
}

std::string VerdictLine(const AlarmJudgement& judgement) {
    const std::string verdict(VerdictText(judgement.verdict));
    return judgement.misses.empty() ? verdict : verdict + " (" + MissesText(judgement) + ")";
}

AlarmJudgement JudgeAlarm(const ExpectedAlarm& expected, const ToneLimits& limits,
                          const std::vector<HeardSignal>& heard) {
    return Judge(expected, limits, heard).Run();
}

std::vector<ToneMark> UnjudgedMarks(const std::vector<HeardSignal>& heard) {
    std::vector<ToneMark> marks;
    for (const HeardSignal& signal : heard) {
        for (const MeasuredTone& tone : signal.tones)
            marks.push_back({tone.startSeconds, tone.seconds, tone.frequencyHz});
        for (const double hz : signal.frequenciesHz)
            marks.push_back({signal.startSeconds, signal.durationSeconds, hz});
    }
    std::ranges::stable_sort(marks, {}, &ToneMark::startSeconds);
    return marks;
}

const TwoTonePair* ExpectedPair(const ExpectedAlarm& expected, const ToneLimits& limits) {
    return limits.PairFor(Collapsed(expected.alarmTypeItem));
}

double HearingWindowSeconds(const ExpectedAlarm& expected, const ToneLimits& limits) {
    const SequenceLimits& sequence = limits.Of(expected.standard);
    double seconds = BaseHearingSeconds;
    if (sequence.repeated)
        seconds += sequence.pauseSeconds +
                   static_cast<double>(expected.symbols.size()) * sequence.toneSeconds;
    if (const TwoTonePair* pair = ExpectedPair(expected, limits))
        seconds +=
            pair->delaySeconds + pair->delayToleranceSeconds + pair->seconds + PairMarginSeconds;
    return seconds;
}
