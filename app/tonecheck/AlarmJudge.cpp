#include "app/tonecheck/AlarmJudge.h"

#include "app/tonecheck/GermanNumbers.h"
#include "app/tonecheck/ToneNames.h"

#include <algorithm>
#include <cmath>
#include <deque>

namespace {

// The hearing window of an alarm without a two-tone pair: the encoder's own delay and a code.
constexpr double BaseHearingSeconds = 10.0;
// Room after an expected pair's end for the decoder to close it.
constexpr double PairMarginSeconds = 2.0;
// A long tone this near a call tone is taken for it, to be judged; farther off it is another.
constexpr double CallToneReach = 0.05;
// Stands for a symbol of a sequence the decoder only guessed.
constexpr char UncertainSymbol = '?';

char HeardSymbol(const THeardSignal& sequence, std::size_t position) {
    return sequence.Certain ? sequence.Digits[position] : UncertainSymbol;
}

// How a miss writes a quantity: its scale from the limits' unit, its usual places, its unit.
struct TUnit {
    double Scale;
    int Places;
    std::string_view Name;
};

constexpr TUnit Hz{1.0, 0, " Hz"};
constexpr TUnit Ms{1000.0, 0, " ms"};
constexpr TUnit Seconds{1.0, 1, " s"};
constexpr TUnit FineSeconds{1.0, 2, " s"};

std::vector<double> Scaled(const std::vector<double>& values, const TUnit& unit) {
    std::vector<double> scaled;
    for (const double value : values)
        scaled.push_back(value * unit.Scale);
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
                    const TUnit& unit, std::string_view statt = " statt ") {
    const std::vector<double> shownHeard = Scaled(heard, unit);
    const std::vector<double> shownExpected = Scaled(expected, unit);
    const int places = PlacesToTellApart(shownHeard, shownExpected, unit.Places);
    return Joined(shownHeard, places) + std::string(unit.Name) + std::string(statt) +
           Joined(shownExpected, places) + std::string(unit.Name);
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
struct TCallToneExpectation {
    bool Judged = false;
    const TCallToneLimits* CallTone = nullptr; // none: no call tone may sound
    bool IsLong = false;
};

TCallToneExpectation ExpectedCallTone(std::string_view item, const TToneLimits& limits) {
    const std::string text = Collapsed(item);
    if (text == "Ohne Tonruf" || text.starts_with("Bandumschaltung") || text == "kein Vorton")
        return {true, nullptr, false};
    const TCallToneLimits* best = nullptr;
    bool isLong = false;
    for (const TCallToneLimits& callTone : limits.CallTones) {
        for (const bool lang : {false, true}) {
            // The longest name that fits wins, so "Tonruf I" never stands for "Tonruf II".
            const std::string prefix = callTone.Name + (lang ? " lang" : " kurz");
            if (text.starts_with(prefix) && (!best || callTone.Name.size() > best->Name.size())) {
                best = &callTone;
                isLong = lang;
            }
        }
    }
    return best ? TCallToneExpectation{true, best, isLong} : TCallToneExpectation{};
}

double Deviation(double heard, double nominal) {
    return (heard - nominal) / nominal;
}

// The lesser of two reserves by their share of the acceptance.
void KeepLeast(std::optional<TReceiverReserve>& least, const TReceiverReserve& candidate) {
    if (!least || candidate.Share < least->Share)
        least = candidate;
}

TReceiverReserve Reserve(double value, double acceptance, std::string unit) {
    return {value, std::move(unit), acceptance > 0.0 ? value / acceptance : value};
}

class TJudge {
public:
    TJudge(const TExpectedAlarm& expected, const TToneLimits& limits,
           std::vector<THeardSignal> heard)
        : Expected_(expected), Limits_(limits), SequenceLimits_(limits.Of(expected.Standard)),
          Receiver_(limits.Receivers), Heard_(std::move(heard)) {
        std::ranges::stable_sort(Heard_, {}, &THeardSignal::StartSeconds);
    }

    TAlarmJudgement Run() {
        Bands();
        std::vector<const THeardSignal*> sequences;
        for (const THeardSignal& signal : Heard_)
            if (signal.Kind == THeardKind::Sequence)
                sequences.push_back(&signal);
        if (sequences.empty()) {
            if (!Expected_.Symbols.empty())
                NotReacting("nichts gehört");
            return Result(TAlarmVerdict::NothingHeard);
        }

        const auto matches = [&](const THeardSignal* s) {
            return s->Certain && s->Digits == Expected_.Symbols;
        };
        const auto first = std::ranges::find_if(sequences, matches);
        const THeardSignal& code = first == sequences.end() ? *sequences.front() : **first;
        if (first == sequences.end())
            CompareCode(code.Digits);
        const TSequenceMisses codeMisses = Sequence(code, "", {});
        const THeardSignal* repeat = nullptr;
        // Guessed symbols repeat nothing, nor are they repeated.
        for (const THeardSignal* s : sequences)
            if (s->StartSeconds > code.StartSeconds && code.Certain && s->Certain &&
                s->Digits == code.Digits && !repeat)
                repeat = s;
        if (repeat) {
            const double pause = repeat->StartSeconds - End(code);
            TSheetLine& line = AddLine(End(code), "Pause");
            line.Length = TSheetValue{SequenceLimits_.PauseSeconds, pause,
                                      SequenceLimits_.PauseToleranceSeconds};
            if (std::abs(pause - SequenceLimits_.PauseSeconds) >
                SequenceLimits_.PauseToleranceSeconds)
                Miss(line, "Pause ", Instead({pause}, {SequenceLimits_.PauseSeconds}, Ms));
            Sequence(*repeat, "Wiederholung ", codeMisses);
        } else if (SequenceLimits_.Repeated) {
            Miss(AddLine(End(code), "Wiederholung"), "", "keine Wiederholung des Codes gehört",
                 "nicht gehört");
        }
        CallTone(code.StartSeconds);
        JudgeCodeForReceivers(code, repeat);
        TwoTone(End(repeat ? *repeat : code));
        return Result(Misses_.empty() ? TAlarmVerdict::Matches : TAlarmVerdict::Differs);
    }

private:
    static double End(const THeardSignal& signal) {
        return signal.StartSeconds + signal.DurationSeconds;
    }

    TSheetLine& AddLine(double at, std::string element) {
        TSheetLine& line = Lines_.emplace_back(at, TSheetLine()).second;
        line.Element = std::move(element);
        return line;
    }

    // A miss as the verdict names it (`prefix` + `words`) and as its sheet line does (`words`,
    // or `lineWords` where the line says it shorter).
    void Miss(TSheetLine& line, const std::string& prefix, const std::string& words,
              const std::string& lineWords = {}) {
        Misses_.push_back(prefix + words);
        line.Misses.push_back(lineWords.empty() ? words : lineWords);
    }

    void Miss(std::string text) { Misses_.push_back(std::move(text)); }

    void NotReacting(std::string reason) {
        Receivers_.Judged = true;
        Receivers_.Reasons.push_back(std::move(reason));
    }

    // Marks a signal's tones: holding where no miss was added since `missesBefore` and the
    // tone's own words are empty.
    void Mark(const THeardSignal& signal, std::size_t missesBefore,
              const std::vector<std::string>& toneWords = {}, TExpectedBand band = {},
              const std::vector<TExpectedBand>& toneBands = {}) {
        const bool holds = Misses_.size() == missesBefore;
        Marked_.push_back(&signal);
        const auto state = [&](std::size_t i) {
            return holds && (i >= toneWords.size() || toneWords[i].empty())
                       ? TToneMarkState::Holds
                       : TToneMarkState::Misses;
        };
        const auto words = [&](std::size_t i) {
            return i < toneWords.size() ? toneWords[i] : std::string();
        };
        for (std::size_t i = 0; i < signal.Tones.size(); ++i)
            Marks_.push_back({signal.Tones[i].StartSeconds, signal.Tones[i].Seconds,
                              signal.Tones[i].FrequencyHz, state(i), HeardSymbol(signal, i),
                              i < toneBands.size() ? toneBands[i] : band, words(i)});
        for (std::size_t i = 0; i < signal.FrequenciesHz.size(); ++i)
            Marks_.push_back({signal.StartSeconds, signal.DurationSeconds, signal.FrequenciesHz[i],
                              state(0), 0, i < toneBands.size() ? toneBands[i] : band, words(i)});
    }

    TAlarmJudgement Result(TAlarmVerdict verdict) {
        std::vector<THeardSignal> unjudged;
        for (const THeardSignal& signal : Heard_)
            if (std::ranges::find(Marked_, &signal) == Marked_.end())
                unjudged.push_back(signal);
        for (const TToneMark& mark : UnjudgedMarks(unjudged))
            Marks_.push_back(mark);
        std::ranges::stable_sort(Marks_, {}, &TToneMark::StartSeconds);
        if (verdict == TAlarmVerdict::NothingHeard)
            Misses_.clear();
        std::ranges::stable_sort(Lines_, {}, &std::pair<double, TSheetLine>::first);
        std::vector<TSheetLine> sheet;
        for (auto& [at, line] : Lines_)
            sheet.push_back(std::move(line));
        Receivers_.Reacts = Receivers_.Judged && Receivers_.Reasons.empty();
        return {verdict, Misses_, Marks_, Bands_, std::move(sheet), Receivers_};
    }

    void Band(double hz, double toleranceHz) {
        const TExpectedBand band{hz - toleranceHz, hz + toleranceHz};
        if (std::ranges::find(Bands_, band) == Bands_.end())
            Bands_.push_back(band);
    }

    // The frequency the code's tone at `position` should have, 0 when the code has none there.
    double NominalHz(std::size_t position) const {
        if (position >= Expected_.Symbols.size())
            return 0.0;
        const bool repeats =
            position > 0 && Expected_.Symbols[position] == Expected_.Symbols[position - 1];
        const auto at = ToneSymbols.find(repeats ? RepeatToneSymbol : Expected_.Symbols[position]);
        return at == std::string_view::npos ? 0.0 : TableOf(Expected_.Standard).FrequencyHz[at];
    }

    void Bands() {
        const double share = SequenceLimits_.FrequencyTolerancePercent / 100.0;
        for (std::size_t i = 0; i < Expected_.Symbols.size(); ++i)
            if (const double hz = NominalHz(i); hz > 0.0)
                Band(hz, hz * share);
        if (const auto call = ExpectedCallTone(Expected_.PreToneItem, Limits_); call.CallTone)
            Band(call.CallTone->FrequencyHz,
                 call.CallTone->FrequencyHz * call.CallTone->TolerancePercent / 100.0);
        if (const TTwoTonePair* pair = ExpectedPair(Expected_, Limits_))
            for (std::size_t i = 0; i < 2; ++i)
                Band(pair->FrequenciesHz[i], pair->TolerancesHz[i]);
    }

    void CompareCode(const std::string& heard) {
        const std::string& sent = Expected_.Symbols;
        if (sent.size() != heard.size())
            Miss(std::to_string(heard.size()) + " statt " + std::to_string(sent.size()) +
                 " Stellen");
    }

    // Which tones of a sequence, and whether its whole length, missed their limits.
    struct TSequenceMisses {
        std::vector<bool> Tones;
        bool Code = false;
    };

    // A repeat names only what the code before it did not: the same fault twice says nothing
    // new in the verdict; its sheet lines say it all the same.
    TSequenceMisses Sequence(const THeardSignal& sequence, const std::string& prefix,
                             const TSequenceMisses& named) {
        TSequenceMisses found;
        Confidence(sequence, prefix);
        const TToneTable& table = TableOf(Expected_.Standard);
        const double share = SequenceLimits_.FrequencyTolerancePercent / 100.0;
        std::vector<std::string> toneWords;
        std::vector<TExpectedBand> toneBands;
        // Wrong places first: the verdict names them before any tone's values.
        std::vector<TSheetLine*> lines;
        for (std::size_t i = 0; i < sequence.Tones.size(); ++i) {
            TSheetLine& line =
                AddLine(sequence.Tones[i].StartSeconds, prefix + "Ton " + std::to_string(i + 1));
            line.Symbol =
                i < Expected_.Symbols.size() ? Expected_.Symbols[i] : HeardSymbol(sequence, i);
            lines.push_back(&line);
            if (i < Expected_.Symbols.size() && sequence.Digits[i] == Expected_.Symbols[i])
                continue;
            // A guessed symbol is named by no place: the confidence line says it once.
            if (!sequence.Certain) {
                line.Misses.emplace_back(UncertainText);
                continue;
            }
            const std::string words =
                i < Expected_.Symbols.size()
                    ? std::string(1, sequence.Digits[i]) + " statt " + Expected_.Symbols[i]
                    : std::string(1, sequence.Digits[i]) + " zu viel";
            // The verdict names each wrong place once, for the first code.
            if (prefix.empty() && i < Expected_.Symbols.size())
                Miss(line, "Stelle " + std::to_string(i + 1) + ": ", words);
            else
                line.Misses.push_back(words);
        }
        for (std::size_t i = 0; i < sequence.Tones.size(); ++i) {
            const TMeasuredTone& tone = sequence.Tones[i];
            const bool alreadyNamed = i < named.Tones.size() && named.Tones[i];
            const std::string name = prefix + "Ton " + std::to_string(i + 1);
            TSheetLine& line = *lines[i];
            const bool wrongSymbol = !line.Misses.empty();
            const double nominal = table.FrequencyHz[ToneSymbols.find(tone.Symbol)];
            const double deviation = Deviation(tone.FrequencyHz, nominal);
            line.Frequency = TSheetValue{nominal, tone.FrequencyHz, nominal * share};
            line.Length = TSheetValue{SequenceLimits_.ToneSeconds, tone.Seconds,
                                      SequenceLimits_.ToneToleranceSeconds};
            const bool detuned =
                std::abs(deviation) * 100.0 > SequenceLimits_.FrequencyTolerancePercent;
            const bool offLength = std::abs(tone.Seconds - SequenceLimits_.ToneSeconds) >
                                   SequenceLimits_.ToneToleranceSeconds;
            const std::string detunedWords =
                Instead({tone.FrequencyHz}, {nominal}, Hz) + " (" + Percent(deviation) + ")";
            const std::string lengthWords =
                Instead({tone.Seconds}, {SequenceLimits_.ToneSeconds}, Ms);
            if (detuned)
                alreadyNamed ? line.Misses.push_back(detunedWords)
                             : Miss(line, name + ": ", detunedWords);
            if (offLength)
                alreadyNamed ? line.Misses.push_back(lengthWords)
                             : Miss(line, name + ": ", lengthWords);
            line.Reserve = ToneReserve(tone, nominal);
            found.Tones.push_back(wrongSymbol || detuned || offLength);
            std::string words;
            for (const std::string& miss : line.Misses)
                words += (words.empty() ? "" : ", ") + miss;
            toneWords.push_back(words);
            toneBands.push_back({nominal * (1.0 - share), nominal * (1.0 + share)});
        }
        const double nominal =
            static_cast<double>(sequence.Tones.size()) * SequenceLimits_.ToneSeconds;
        TSheetLine& line =
            AddLine(sequence.StartSeconds + sequence.DurationSeconds * 0.999, prefix + "Code");
        line.Length =
            TSheetValue{nominal, sequence.DurationSeconds, SequenceLimits_.CodeToleranceSeconds};
        found.Code =
            std::abs(sequence.DurationSeconds - nominal) > SequenceLimits_.CodeToleranceSeconds;
        const std::string codeWords = Instead({sequence.DurationSeconds}, {nominal}, Ms);
        if (found.Code)
            named.Code ? line.Misses.push_back(codeWords) : Miss(line, prefix + "Code ", codeWords);
        // The code's own length marks no single tone.
        Mark(sequence, Misses_.size(), toneWords, {}, toneBands);
        return found;
    }

    // How far the sequence stood above its runner-up; below the decoder's floor its symbols are
    // a guess, which the verdict names before any of its tones.
    void Confidence(const THeardSignal& sequence, const std::string& prefix) {
        TSheetLine& line = AddLine(End(sequence) - 1e-6, prefix + "Sicherheit");
        line.ConfidenceDb = sequence.ConfidenceDb;
        if (!sequence.Certain)
            Miss(line, prefix + "Code ", std::string(UncertainText));
    }

    // What a selective-call decoder leaves of its acceptance for one tone: the lesser of its
    // frequency and its length reserve.
    TReceiverReserve ToneReserve(const TMeasuredTone& tone, double nominalHz) const {
        const double percent = std::abs(Deviation(tone.FrequencyHz, nominalHz)) * 100.0;
        const TReceiverReserve frequency = Reserve(Receiver_.SelcallTolerancePercent - percent,
                                                   Receiver_.SelcallTolerancePercent, " %");
        const double off = std::abs(tone.Seconds - SequenceLimits_.ToneSeconds);
        const TReceiverReserve length =
            Reserve((SequenceLimits_.ToneToleranceSeconds - off) * 1000.0,
                    SequenceLimits_.ToneToleranceSeconds * 1000.0, " ms");
        return length.Share < frequency.Share ? length : frequency;
    }

    // A decoder reacts to the code when either of its transmissions has the right symbols and
    // every tone within its acceptance; the better one counts.
    void JudgeCodeForReceivers(const THeardSignal& code, const THeardSignal* repeat) {
        if (Expected_.Symbols.empty())
            return;
        Receivers_.Judged = true;
        std::optional<TReceiverReserve> best;
        std::string why = code.Certain ? "Code " + code.Digits + " statt " + Expected_.Symbols
                                       : "Code " + std::string(UncertainText);
        for (const THeardSignal* sequence : {&code, repeat}) {
            if (!sequence || !sequence->Certain || sequence->Digits != Expected_.Symbols)
                continue;
            std::optional<TReceiverReserve> least;
            std::size_t worst = 0;
            for (std::size_t i = 0; i < sequence->Tones.size(); ++i) {
                const TReceiverReserve reserve = ToneReserve(sequence->Tones[i], NominalHz(i));
                // Of tones equally off, the first is named.
                if (!least || reserve.Share < least->Share - 1e-6) {
                    worst = i;
                    least = reserve;
                }
            }
            if (least && (!best || least->Share > best->Share)) {
                best = least;
                why = "Ton " + std::to_string(worst + 1) +
                      (least->Unit == " %" ? " zu weit ab" : " zu kurz oder zu lang");
            }
        }
        if (!best || best->Value < 0.0)
            Receivers_.Reasons.push_back(why);
        if (best)
            KeepLeast(Receivers_.Reserve, *best);
    }

    void CallTone(double codeStart) {
        const TCallToneExpectation expectation = ExpectedCallTone(Expected_.PreToneItem, Limits_);
        if (!expectation.Judged)
            return;
        // The call tone nearest in frequency among the long tones before the code.
        const auto nearest = [&](const TCallToneLimits& callTone) -> const THeardSignal* {
            const THeardSignal* best = nullptr;
            for (const THeardSignal& signal : Heard_) {
                if (signal.Kind != THeardKind::LongTone || signal.StartSeconds >= codeStart)
                    continue;
                const double off =
                    std::abs(Deviation(signal.FrequenciesHz[0], callTone.FrequencyHz));
                if (off <= CallToneReach &&
                    (!best ||
                     off < std::abs(Deviation(best->FrequenciesHz[0], callTone.FrequencyHz))))
                    best = &signal;
            }
            return best;
        };
        if (!expectation.CallTone) {
            for (const TCallToneLimits& callTone : Limits_.CallTones) {
                const THeardSignal* heard = nearest(callTone);
                if (heard &&
                    std::abs(Deviation(heard->FrequenciesHz[0], callTone.FrequencyHz)) * 100.0 <=
                        callTone.TolerancePercent) {
                    const std::size_t before = Misses_.size();
                    TSheetLine& line = AddLine(heard->StartSeconds, callTone.Name);
                    line.Frequency =
                        TSheetValue{callTone.FrequencyHz, heard->FrequenciesHz[0],
                                    callTone.FrequencyHz * callTone.TolerancePercent / 100.0};
                    Miss(line, callTone.Name, " gehört, kein Tonruf erwartet",
                         "gehört, kein Tonruf erwartet");
                    Mark(*heard, before, {line.Misses.back()});
                }
            }
            return;
        }
        const TCallToneLimits& callTone = *expectation.CallTone;
        const THeardSignal* heard = nearest(callTone);
        if (!heard)
            return Miss(AddLine(codeStart - 1e-6, callTone.Name), "kein ",
                        callTone.Name + " gehört", "nicht gehört");
        const std::size_t before = Misses_.size();
        TSheetLine& line = AddLine(heard->StartSeconds, callTone.Name);
        const double hz = heard->FrequenciesHz[0];
        const double deviation = Deviation(hz, callTone.FrequencyHz);
        const double toleranceHz = callTone.FrequencyHz * callTone.TolerancePercent / 100.0;
        line.Frequency = TSheetValue{callTone.FrequencyHz, hz, toleranceHz};
        if (std::abs(deviation) * 100.0 > callTone.TolerancePercent)
            Miss(line, callTone.Name + ": ",
                 Instead({hz}, {callTone.FrequencyHz}, Hz) + " (" + Percent(deviation) + ")");
        const double seconds = expectation.IsLong ? callTone.LongSeconds : callTone.ShortSeconds;
        line.Length = TSheetValue{seconds, heard->DurationSeconds, callTone.LengthToleranceSeconds};
        if (std::abs(heard->DurationSeconds - seconds) > callTone.LengthToleranceSeconds)
            Miss(line, callTone.Name + ": ", Instead({heard->DurationSeconds}, {seconds}, Seconds));
        std::string words;
        for (const std::string& miss : line.Misses)
            words += (words.empty() ? "" : ", ") + miss;
        Mark(*heard, before, {words},
             {callTone.FrequencyHz - toleranceHz, callTone.FrequencyHz + toleranceHz});
    }

    // The receiver tone nearest to `hz`, as its reserve for a heard frequency.
    // What the evaluator leaves for a heard tone of the pair, measured against the profile's
    // tone that the pair's tone is meant for; nothing when the profile has no tone for it (a
    // region's pair the profile does not describe), since then nothing can be said.
    std::optional<TReceiverReserve> PairToneReserve(double nominalHz, double heardHz) const {
        for (std::size_t i = 0; i < Receiver_.TwoToneHz.size(); ++i) {
            const double tolerance = Receiver_.TwoToneToleranceHz[i];
            if (std::abs(Receiver_.TwoToneHz[i] - nominalHz) <= tolerance)
                return Reserve(tolerance - std::abs(heardHz - Receiver_.TwoToneHz[i]), tolerance,
                               " Hz");
        }
        return std::nullopt;
    }

    void TwoTone(double codeEnd) {
        const TTwoTonePair* pair = ExpectedPair(Expected_, Limits_);
        if (!pair)
            return;
        const auto found = std::ranges::find_if(Heard_, [&](const THeardSignal& signal) {
            return signal.Kind == THeardKind::TwoTone && signal.StartSeconds >= codeEnd;
        });
        const std::vector<double> expectedHz(pair->FrequenciesHz.begin(),
                                             pair->FrequenciesHz.end());
        if (found == Heard_.end()) {
            NotReacting("kein Doppelton");
            return Miss(AddLine(codeEnd + pair->DelaySeconds, "Doppelton"), "",
                        "kein Doppelton " + Joined(expectedHz, Hz.Places) + " Hz gehört",
                        "nicht gehört");
        }
        const THeardSignal& heard = *found;
        const std::size_t before = Misses_.size();
        const double holdSeconds = Receiver_.HoldSeconds + Receiver_.HoldToleranceSeconds;
        const double listenSeconds = Receiver_.ListenSeconds + Receiver_.ListenExtraSeconds;

        bool inside = true;
        std::vector<std::string> toneWords;
        std::vector<TExpectedBand> toneBands;
        for (std::size_t i = 0; i < 2; ++i) {
            const double hz = heard.FrequenciesHz[i];
            const double nominal = pair->FrequenciesHz[i];
            TSheetLine& line = AddLine(heard.StartSeconds + 1e-6 * static_cast<double>(i),
                                       "Doppelton Ton " + std::to_string(i + 1));
            line.Frequency = TSheetValue{nominal, hz, pair->TolerancesHz[i]};
            line.Reserve = PairToneReserve(nominal, hz);
            const bool off = std::abs(hz - nominal) > pair->TolerancesHz[i];
            inside = inside && !off;
            if (off)
                line.Misses.push_back(Instead({hz}, {nominal}, Hz));
            if (line.Reserve && line.Reserve->Value < 0.0)
                NotReacting("Doppelton Ton " + std::to_string(i + 1) + " zu weit ab");
            if (line.Reserve)
                KeepLeast(Receivers_.Reserve, *line.Reserve);
            toneWords.push_back(off ? line.Misses.back() : std::string());
            toneBands.push_back({nominal - pair->TolerancesHz[i], nominal + pair->TolerancesHz[i]});
        }
        if (!inside)
            Miss("Doppelton " + Instead(heard.FrequenciesHz, expectedHz, Hz));

        const double delay = heard.StartSeconds - codeEnd;
        TSheetLine& wait = AddLine(heard.StartSeconds - 1e-6, "Verzögerung Doppelton");
        wait.Length = TSheetValue{pair->DelaySeconds, delay, pair->DelayToleranceSeconds};
        wait.Reserve = Reserve(listenSeconds - delay, listenSeconds, " s");
        if (std::abs(delay - pair->DelaySeconds) > pair->DelayToleranceSeconds)
            Miss(wait, "Doppelton ",
                 Instead({delay}, {pair->DelaySeconds}, FineSeconds, " nach dem Code statt "));
        if (wait.Reserve->Value < 0.0)
            NotReacting("Doppelton zu spät");
        KeepLeast(Receivers_.Reserve, *wait.Reserve);

        TSheetLine& length = AddLine(heard.StartSeconds + 3e-6, "Doppelton Länge");
        length.Length =
            TSheetValue{pair->ShortestSeconds, heard.DurationSeconds, 0.0, TSheetLimit::AtLeast};
        length.Reserve = Reserve(heard.DurationSeconds - holdSeconds, holdSeconds, " s");
        if (heard.DurationSeconds < pair->ShortestSeconds)
            Miss(length, "Doppelton ",
                 Instead({heard.DurationSeconds}, {pair->ShortestSeconds}, Seconds,
                         " statt mindestens "));
        if (length.Reserve->Value < 0.0)
            NotReacting("Doppelton zu kurz");
        KeepLeast(Receivers_.Reserve, *length.Reserve);

        AddLine(heard.StartSeconds + 4e-6, "Doppelton Pegel").LevelDifferenceDb =
            heard.LevelDifferenceDb;
        Mark(heard, before, toneWords, {}, toneBands);
    }

    const TExpectedAlarm& Expected_;
    const TToneLimits& Limits_;
    const TSequenceLimits& SequenceLimits_;
    const TReceiverProfile& Receiver_;
    std::vector<THeardSignal> Heard_;
    std::vector<std::string> Misses_;
    std::vector<TToneMark> Marks_;
    std::vector<TExpectedBand> Bands_;
    std::vector<const THeardSignal*> Marked_;
    std::deque<std::pair<double, TSheetLine>> Lines_; // by the time they stand for; stable
    TReceiverJudgement Receivers_;
};

} // namespace

std::string_view VerdictText(TAlarmVerdict verdict) {
    switch (verdict) {
    case TAlarmVerdict::Matches:
        return "stimmt";
    case TAlarmVerdict::Differs:
        return "weicht ab";
    case TAlarmVerdict::NothingHeard:
        break;
    }
    return "nichts gehört";
}

std::string MissesText(const TAlarmJudgement& judgement) {
    std::string text;
    for (const std::string& miss : judgement.Misses)
        text += (text.empty() ? "" : ", ") + miss;
    return text;
}

std::string VerdictLine(const TAlarmJudgement& judgement) {
    const std::string verdict(VerdictText(judgement.Verdict));
    return judgement.Misses.empty() ? verdict : verdict + " (" + MissesText(judgement) + ")";
}

TAlarmJudgement JudgeAlarm(const TExpectedAlarm& expected, const TToneLimits& limits,
                           const std::vector<THeardSignal>& heard) {
    return TJudge(expected, limits, heard).Run();
}

std::string ReceiverText(const TReceiverJudgement& receivers) {
    if (!receivers.Judged)
        return {};
    std::string details;
    for (const std::string& reason : receivers.Reasons)
        details += (details.empty() ? "" : ", ") + reason;
    // A receiver that would not react is told what it misses by, not what it has to spare
    // elsewhere.
    if (receivers.Reserve && (receivers.Reacts || receivers.Reserve->Value < 0.0))
        details += (details.empty() ? "Reserve " : ", Reserve ") + ReserveText(*receivers.Reserve);
    const std::string verdict = receivers.Reacts ? "würden auslösen" : "würden nicht auslösen";
    return details.empty() ? verdict : verdict + " (" + details + ")";
}

std::string ReserveText(const TReceiverReserve& reserve) {
    const int places = reserve.Unit == " ms" ? 0 : 1;
    const std::string magnitude = GermanDecimal(std::abs(reserve.Value), places);
    const bool negative =
        reserve.Value < 0.0 && magnitude.find_first_not_of("0,") != std::string::npos;
    return (negative ? "\u2212" : "") + magnitude + reserve.Unit;
}

std::vector<TToneMark> UnjudgedMarks(const std::vector<THeardSignal>& heard) {
    std::vector<TToneMark> marks;
    for (const THeardSignal& signal : heard) {
        for (std::size_t i = 0; i < signal.Tones.size(); ++i)
            marks.push_back({.StartSeconds = signal.Tones[i].StartSeconds,
                             .Seconds = signal.Tones[i].Seconds,
                             .FrequencyHz = signal.Tones[i].FrequencyHz,
                             .Symbol = i < signal.Digits.size() ? HeardSymbol(signal, i) : '\0'});
        for (const double hz : signal.FrequenciesHz)
            marks.push_back({.StartSeconds = signal.StartSeconds,
                             .Seconds = signal.DurationSeconds,
                             .FrequencyHz = hz});
    }
    std::ranges::stable_sort(marks, {}, &TToneMark::StartSeconds);
    return marks;
}

const TTwoTonePair* ExpectedPair(const TExpectedAlarm& expected, const TToneLimits& limits) {
    return limits.PairFor(Collapsed(expected.AlarmTypeItem));
}

double HearingWindowSeconds(const TExpectedAlarm& expected, const TToneLimits& limits) {
    const TSequenceLimits& sequence = limits.Of(expected.Standard);
    double seconds = BaseHearingSeconds;
    if (sequence.Repeated)
        seconds += sequence.PauseSeconds +
                   static_cast<double>(expected.Symbols.size()) * sequence.ToneSeconds;
    if (const TTwoTonePair* pair = ExpectedPair(expected, limits))
        seconds +=
            pair->DelaySeconds + pair->DelayToleranceSeconds + pair->Seconds + PairMarginSeconds;
    return seconds;
}
