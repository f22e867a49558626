#include "app/tonecheck/AlarmJudge.h"

#include "app/tonecheck/GermanNumbers.h"

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

// The lesser of two reserves by their share of the acceptance.
void KeepLeast(std::optional<ReceiverReserve>& least, const ReceiverReserve& candidate) {
    if (!least || candidate.share < least->share)
        least = candidate;
}

ReceiverReserve Reserve(double value, double acceptance, std::string unit) {
    return {value, std::move(unit), acceptance > 0.0 ? value / acceptance : value};
}

class Judge {
public:
    Judge(const ExpectedAlarm& expected, const ToneLimits& limits, std::vector<HeardSignal> heard)
        : expected_(expected), limits_(limits), sequenceLimits_(limits.Of(expected.standard)),
          receiver_(limits.receivers), heard_(std::move(heard)) {
        std::ranges::stable_sort(heard_, {}, &HeardSignal::startSeconds);
    }

    AlarmJudgement Run() {
        Bands();
        std::vector<const HeardSignal*> sequences;
        for (const HeardSignal& signal : heard_)
            if (signal.kind == HeardKind::Sequence)
                sequences.push_back(&signal);
        if (sequences.empty()) {
            if (!expected_.symbols.empty())
                NotReacting("nichts gehört");
            return Result(AlarmVerdict::NothingHeard);
        }

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
            const double pause = repeat->startSeconds - End(code);
            SheetLine& line = AddLine(End(code), "Pause");
            line.length = SheetValue{sequenceLimits_.pauseSeconds, pause,
                                     sequenceLimits_.pauseToleranceSeconds};
            if (std::abs(pause - sequenceLimits_.pauseSeconds) >
                sequenceLimits_.pauseToleranceSeconds)
                Miss(line, "Pause ", Instead({pause}, {sequenceLimits_.pauseSeconds}, Ms));
            Sequence(*repeat, "Wiederholung ", codeMisses);
        } else if (sequenceLimits_.repeated) {
            Miss(AddLine(End(code), "Wiederholung"), "", "keine Wiederholung des Codes gehört",
                 "nicht gehört");
        }
        CallTone(code.startSeconds);
        JudgeCodeForReceivers(code, repeat);
        TwoTone(End(repeat ? *repeat : code));
        return Result(misses_.empty() ? AlarmVerdict::Matches : AlarmVerdict::Differs);
    }

private:
    static double End(const HeardSignal& signal) {
        return signal.startSeconds + signal.durationSeconds;
    }

    SheetLine& AddLine(double at, std::string element) {
        SheetLine& line = lines_.emplace_back(at, SheetLine()).second;
        line.element = std::move(element);
        return line;
    }

    // A miss as the verdict names it (`prefix` + `words`) and as its sheet line does (`words`,
    // or `lineWords` where the line says it shorter).
    void Miss(SheetLine& line, const std::string& prefix, const std::string& words,
              const std::string& lineWords = {}) {
        misses_.push_back(prefix + words);
        line.misses.push_back(lineWords.empty() ? words : lineWords);
    }

    void Miss(std::string text) { misses_.push_back(std::move(text)); }

    void NotReacting(std::string reason) {
        receivers_.judged = true;
        receivers_.reasons.push_back(std::move(reason));
    }

    // Marks a signal's tones: holding where no miss was added since `missesBefore` and the
    // tone's own words are empty.
    void Mark(const HeardSignal& signal, std::size_t missesBefore,
              const std::vector<std::string>& toneWords = {}, ExpectedBand band = {},
              const std::vector<ExpectedBand>& toneBands = {}) {
        const bool holds = misses_.size() == missesBefore;
        marked_.push_back(&signal);
        const auto state = [&](std::size_t i) {
            return holds && (i >= toneWords.size() || toneWords[i].empty()) ? ToneMarkState::Holds
                                                                            : ToneMarkState::Misses;
        };
        const auto words = [&](std::size_t i) {
            return i < toneWords.size() ? toneWords[i] : std::string();
        };
        for (std::size_t i = 0; i < signal.tones.size(); ++i)
            marks_.push_back({signal.tones[i].startSeconds, signal.tones[i].seconds,
                              signal.tones[i].frequencyHz, state(i), signal.digits[i],
                              i < toneBands.size() ? toneBands[i] : band, words(i)});
        for (std::size_t i = 0; i < signal.frequenciesHz.size(); ++i)
            marks_.push_back({signal.startSeconds, signal.durationSeconds, signal.frequenciesHz[i],
                              state(0), 0, i < toneBands.size() ? toneBands[i] : band, words(i)});
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
        std::ranges::stable_sort(lines_, {}, &std::pair<double, SheetLine>::first);
        std::vector<SheetLine> sheet;
        for (auto& [at, line] : lines_)
            sheet.push_back(std::move(line));
        receivers_.reacts = receivers_.judged && receivers_.reasons.empty();
        return {verdict, misses_, marks_, bands_, std::move(sheet), receivers_};
    }

    void Band(double hz, double toleranceHz) {
        const ExpectedBand band{hz - toleranceHz, hz + toleranceHz};
        if (std::ranges::find(bands_, band) == bands_.end())
            bands_.push_back(band);
    }

    // The frequency the code's tone at `position` should have, 0 when the code has none there.
    double NominalHz(std::size_t position) const {
        if (position >= expected_.symbols.size())
            return 0.0;
        const bool repeats =
            position > 0 && expected_.symbols[position] == expected_.symbols[position - 1];
        const auto at = ToneSymbols.find(repeats ? RepeatToneSymbol : expected_.symbols[position]);
        return at == std::string_view::npos ? 0.0 : TableOf(expected_.standard).frequencyHz[at];
    }

    void Bands() {
        const double share = sequenceLimits_.frequencyTolerancePercent / 100.0;
        for (std::size_t i = 0; i < expected_.symbols.size(); ++i)
            if (const double hz = NominalHz(i); hz > 0.0)
                Band(hz, hz * share);
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
    }

    // Which tones of a sequence, and whether its whole length, missed their limits.
    struct SequenceMisses {
        std::vector<bool> tones;
        bool code = false;
    };

    // A repeat names only what the code before it did not: the same fault twice says nothing
    // new in the verdict; its sheet lines say it all the same.
    SequenceMisses Sequence(const HeardSignal& sequence, const std::string& prefix,
                            const SequenceMisses& named) {
        SequenceMisses found;
        const ToneTable& table = TableOf(expected_.standard);
        const double share = sequenceLimits_.frequencyTolerancePercent / 100.0;
        std::vector<std::string> toneWords;
        std::vector<ExpectedBand> toneBands;
        // Wrong places first: the verdict names them before any tone's values.
        std::vector<SheetLine*> lines;
        for (std::size_t i = 0; i < sequence.tones.size(); ++i) {
            SheetLine& line =
                AddLine(sequence.tones[i].startSeconds, prefix + "Ton " + std::to_string(i + 1));
            line.symbol = i < expected_.symbols.size() ? expected_.symbols[i] : sequence.digits[i];
            lines.push_back(&line);
            if (i < expected_.symbols.size() && sequence.digits[i] == expected_.symbols[i])
                continue;
            const std::string words =
                i < expected_.symbols.size()
                    ? std::string(1, sequence.digits[i]) + " statt " + expected_.symbols[i]
                    : std::string(1, sequence.digits[i]) + " zu viel";
            // The verdict names each wrong place once, for the first code.
            if (prefix.empty() && i < expected_.symbols.size())
                Miss(line, "Stelle " + std::to_string(i + 1) + ": ", words);
            else
                line.misses.push_back(words);
        }
        for (std::size_t i = 0; i < sequence.tones.size(); ++i) {
            const MeasuredTone& tone = sequence.tones[i];
            const bool alreadyNamed = i < named.tones.size() && named.tones[i];
            const std::string name = prefix + "Ton " + std::to_string(i + 1);
            SheetLine& line = *lines[i];
            const bool wrongSymbol = !line.misses.empty();
            const double nominal = table.frequencyHz[ToneSymbols.find(tone.symbol)];
            const double deviation = Deviation(tone.frequencyHz, nominal);
            line.frequency = SheetValue{nominal, tone.frequencyHz, nominal * share};
            line.length = SheetValue{sequenceLimits_.toneSeconds, tone.seconds,
                                     sequenceLimits_.toneToleranceSeconds};
            const bool detuned =
                std::abs(deviation) * 100.0 > sequenceLimits_.frequencyTolerancePercent;
            const bool offLength = std::abs(tone.seconds - sequenceLimits_.toneSeconds) >
                                   sequenceLimits_.toneToleranceSeconds;
            const std::string detunedWords =
                Instead({tone.frequencyHz}, {nominal}, Hz) + " (" + Percent(deviation) + ")";
            const std::string lengthWords =
                Instead({tone.seconds}, {sequenceLimits_.toneSeconds}, Ms);
            if (detuned)
                alreadyNamed ? line.misses.push_back(detunedWords)
                             : Miss(line, name + ": ", detunedWords);
            if (offLength)
                alreadyNamed ? line.misses.push_back(lengthWords)
                             : Miss(line, name + ": ", lengthWords);
            line.reserve = ToneReserve(tone, nominal);
            found.tones.push_back(wrongSymbol || detuned || offLength);
            std::string words;
            for (const std::string& miss : line.misses)
                words += (words.empty() ? "" : ", ") + miss;
            toneWords.push_back(words);
            toneBands.push_back({nominal * (1.0 - share), nominal * (1.0 + share)});
        }
        const double nominal =
            static_cast<double>(sequence.tones.size()) * sequenceLimits_.toneSeconds;
        SheetLine& line =
            AddLine(sequence.startSeconds + sequence.durationSeconds * 0.999, prefix + "Code");
        line.length =
            SheetValue{nominal, sequence.durationSeconds, sequenceLimits_.codeToleranceSeconds};
        found.code =
            std::abs(sequence.durationSeconds - nominal) > sequenceLimits_.codeToleranceSeconds;
        const std::string codeWords = Instead({sequence.durationSeconds}, {nominal}, Ms);
        if (found.code)
            named.code ? line.misses.push_back(codeWords) : Miss(line, prefix + "Code ", codeWords);
        // The code's own length marks no single tone.
        Mark(sequence, misses_.size(), toneWords, {}, toneBands);
        return found;
    }

    // What a selective-call decoder leaves of its acceptance for one tone: the lesser of its
    // frequency and its length reserve.
    ReceiverReserve ToneReserve(const MeasuredTone& tone, double nominalHz) const {
        const double percent = std::abs(Deviation(tone.frequencyHz, nominalHz)) * 100.0;
        const ReceiverReserve frequency = Reserve(receiver_.selcallTolerancePercent - percent,
                                                  receiver_.selcallTolerancePercent, " %");
        const double off = std::abs(tone.seconds - sequenceLimits_.toneSeconds);
        const ReceiverReserve length =
            Reserve((sequenceLimits_.toneToleranceSeconds - off) * 1000.0,
                    sequenceLimits_.toneToleranceSeconds * 1000.0, " ms");
        return length.share < frequency.share ? length : frequency;
    }

    // A decoder reacts to the code when either of its transmissions has the right symbols and
    // every tone within its acceptance; the better one counts.
    void JudgeCodeForReceivers(const HeardSignal& code, const HeardSignal* repeat) {
        if (expected_.symbols.empty())
            return;
        receivers_.judged = true;
        std::optional<ReceiverReserve> best;
        std::string why = "Code " + code.digits + " statt " + expected_.symbols;
        for (const HeardSignal* sequence : {&code, repeat}) {
            if (!sequence || sequence->digits != expected_.symbols)
                continue;
            std::optional<ReceiverReserve> least;
            std::size_t worst = 0;
            for (std::size_t i = 0; i < sequence->tones.size(); ++i) {
                const ReceiverReserve reserve = ToneReserve(sequence->tones[i], NominalHz(i));
                // Of tones equally off, the first is named.
                if (!least || reserve.share < least->share - 1e-6) {
                    worst = i;
                    least = reserve;
                }
            }
            if (least && (!best || least->share > best->share)) {
                best = least;
                why = "Ton " + std::to_string(worst + 1) +
                      (least->unit == " %" ? " zu weit ab" : " zu kurz oder zu lang");
            }
        }
        if (!best || best->value < 0.0)
            receivers_.reasons.push_back(why);
        if (best)
            KeepLeast(receivers_.reserve, *best);
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
                    const std::size_t before = misses_.size();
                    SheetLine& line = AddLine(heard->startSeconds, callTone.name);
                    line.frequency =
                        SheetValue{callTone.frequencyHz, heard->frequenciesHz[0],
                                   callTone.frequencyHz * callTone.tolerancePercent / 100.0};
                    Miss(line, callTone.name, " gehört, kein Tonruf erwartet",
                         "gehört, kein Tonruf erwartet");
                    Mark(*heard, before, {line.misses.back()});
                }
            }
            return;
        }
        const CallToneLimits& callTone = *expectation.callTone;
        const HeardSignal* heard = nearest(callTone);
        if (!heard)
            return Miss(AddLine(codeStart - 1e-6, callTone.name), "kein ",
                        callTone.name + " gehört", "nicht gehört");
        const std::size_t before = misses_.size();
        SheetLine& line = AddLine(heard->startSeconds, callTone.name);
        const double hz = heard->frequenciesHz[0];
        const double deviation = Deviation(hz, callTone.frequencyHz);
        const double toleranceHz = callTone.frequencyHz * callTone.tolerancePercent / 100.0;
        line.frequency = SheetValue{callTone.frequencyHz, hz, toleranceHz};
        if (std::abs(deviation) * 100.0 > callTone.tolerancePercent)
            Miss(line, callTone.name + ": ",
                 Instead({hz}, {callTone.frequencyHz}, Hz) + " (" + Percent(deviation) + ")");
        const double seconds = expectation.isLong ? callTone.longSeconds : callTone.shortSeconds;
        line.length = SheetValue{seconds, heard->durationSeconds, callTone.lengthToleranceSeconds};
        if (std::abs(heard->durationSeconds - seconds) > callTone.lengthToleranceSeconds)
            Miss(line, callTone.name + ": ", Instead({heard->durationSeconds}, {seconds}, Seconds));
        std::string words;
        for (const std::string& miss : line.misses)
            words += (words.empty() ? "" : ", ") + miss;
        Mark(*heard, before, {words},
             {callTone.frequencyHz - toleranceHz, callTone.frequencyHz + toleranceHz});
    }

    // The receiver tone nearest to `hz`, as its reserve for a heard frequency.
    // What the evaluator leaves for a heard tone of the pair, measured against the profile's
    // tone that the pair's tone is meant for; nothing when the profile has no tone for it (a
    // region's pair the profile does not describe), since then nothing can be said.
    std::optional<ReceiverReserve> PairToneReserve(double nominalHz, double heardHz) const {
        for (std::size_t i = 0; i < receiver_.twoToneHz.size(); ++i) {
            const double tolerance = receiver_.twoToneToleranceHz[i];
            if (std::abs(receiver_.twoToneHz[i] - nominalHz) <= tolerance)
                return Reserve(tolerance - std::abs(heardHz - receiver_.twoToneHz[i]), tolerance,
                               " Hz");
        }
        return std::nullopt;
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
        if (found == heard_.end()) {
            NotReacting("kein Doppelton");
            return Miss(AddLine(codeEnd + pair->delaySeconds, "Doppelton"), "",
                        "kein Doppelton " + Joined(expectedHz, Hz.places) + " Hz gehört",
                        "nicht gehört");
        }
        const HeardSignal& heard = *found;
        const std::size_t before = misses_.size();
        const double holdSeconds = receiver_.holdSeconds + receiver_.holdToleranceSeconds;
        const double listenSeconds = receiver_.listenSeconds + receiver_.listenExtraSeconds;

        bool inside = true;
        std::vector<std::string> toneWords;
        std::vector<ExpectedBand> toneBands;
        for (std::size_t i = 0; i < 2; ++i) {
            const double hz = heard.frequenciesHz[i];
            const double nominal = pair->frequenciesHz[i];
            SheetLine& line = AddLine(heard.startSeconds + 1e-6 * static_cast<double>(i),
                                      "Doppelton Ton " + std::to_string(i + 1));
            line.frequency = SheetValue{nominal, hz, pair->tolerancesHz[i]};
            line.reserve = PairToneReserve(nominal, hz);
            const bool off = std::abs(hz - nominal) > pair->tolerancesHz[i];
            inside = inside && !off;
            if (off)
                line.misses.push_back(Instead({hz}, {nominal}, Hz));
            if (line.reserve && line.reserve->value < 0.0)
                NotReacting("Doppelton Ton " + std::to_string(i + 1) + " zu weit ab");
            if (line.reserve)
                KeepLeast(receivers_.reserve, *line.reserve);
            toneWords.push_back(off ? line.misses.back() : std::string());
            toneBands.push_back({nominal - pair->tolerancesHz[i], nominal + pair->tolerancesHz[i]});
        }
        if (!inside)
            Miss("Doppelton " + Instead(heard.frequenciesHz, expectedHz, Hz));

        const double delay = heard.startSeconds - codeEnd;
        SheetLine& wait = AddLine(heard.startSeconds - 1e-6, "Verzögerung Doppelton");
        wait.length = SheetValue{pair->delaySeconds, delay, pair->delayToleranceSeconds};
        wait.reserve = Reserve(listenSeconds - delay, listenSeconds, " s");
        if (std::abs(delay - pair->delaySeconds) > pair->delayToleranceSeconds)
            Miss(wait, "Doppelton ",
                 Instead({delay}, {pair->delaySeconds}, FineSeconds, " nach dem Code statt "));
        if (wait.reserve->value < 0.0)
            NotReacting("Doppelton zu spät");
        KeepLeast(receivers_.reserve, *wait.reserve);

        SheetLine& length = AddLine(heard.startSeconds + 3e-6, "Doppelton Länge");
        length.length =
            SheetValue{pair->shortestSeconds, heard.durationSeconds, 0.0, SheetLimit::AtLeast};
        length.reserve = Reserve(heard.durationSeconds - holdSeconds, holdSeconds, " s");
        if (heard.durationSeconds < pair->shortestSeconds)
            Miss(length, "Doppelton ",
                 Instead({heard.durationSeconds}, {pair->shortestSeconds}, Seconds,
                         " statt mindestens "));
        if (length.reserve->value < 0.0)
            NotReacting("Doppelton zu kurz");
        KeepLeast(receivers_.reserve, *length.reserve);

        AddLine(heard.startSeconds + 4e-6, "Doppelton Pegel").levelDifferenceDb =
            heard.levelDifferenceDb;
        Mark(heard, before, toneWords, {}, toneBands);
    }

    const ExpectedAlarm& expected_;
    const ToneLimits& limits_;
    const SequenceLimits& sequenceLimits_;
    const ReceiverProfile& receiver_;
    std::vector<HeardSignal> heard_;
    std::vector<std::string> misses_;
    std::vector<ToneMark> marks_;
    std::vector<ExpectedBand> bands_;
    std::vector<const HeardSignal*> marked_;
    std::deque<std::pair<double, SheetLine>> lines_; // by the time they stand for; stable
    ReceiverJudgement receivers_;
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

std::string ReceiverText(const ReceiverJudgement& receivers) {
    if (!receivers.judged)
        return {};
    std::string details;
    for (const std::string& reason : receivers.reasons)
        details += (details.empty() ? "" : ", ") + reason;
    // A receiver that would not react is told what it misses by, not what it has to spare
    // elsewhere.
    if (receivers.reserve && (receivers.reacts || receivers.reserve->value < 0.0))
        details += (details.empty() ? "Reserve " : ", Reserve ") + ReserveText(*receivers.reserve);
    const std::string verdict = receivers.reacts ? "würden auslösen" : "würden nicht auslösen";
    return details.empty() ? verdict : verdict + " (" + details + ")";
}

std::string ReserveText(const ReceiverReserve& reserve) {
    const int places = reserve.unit == " ms" ? 0 : 1;
    const std::string magnitude = GermanDecimal(std::abs(reserve.value), places);
    const bool negative =
        reserve.value < 0.0 && magnitude.find_first_not_of("0,") != std::string::npos;
    return (negative ? "\u2212" : "") + magnitude + reserve.unit;
}

std::vector<ToneMark> UnjudgedMarks(const std::vector<HeardSignal>& heard) {
    std::vector<ToneMark> marks;
    for (const HeardSignal& signal : heard) {
        for (std::size_t i = 0; i < signal.tones.size(); ++i)
            marks.push_back({.startSeconds = signal.tones[i].startSeconds,
                             .seconds = signal.tones[i].seconds,
                             .frequencyHz = signal.tones[i].frequencyHz,
                             .symbol = i < signal.digits.size() ? signal.digits[i] : '\0'});
        for (const double hz : signal.frequenciesHz)
            marks.push_back({.startSeconds = signal.startSeconds,
                             .seconds = signal.durationSeconds,
                             .frequencyHz = hz});
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
