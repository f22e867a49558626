#include "app/tonecheck/MeasuredValues.h"

#include "app/tonecheck/GermanNumbers.h"
#include "app/tonecheck/ToneNames.h"

#include <algorithm>
#include <optional>

namespace {

std::string Listed(const std::vector<TMeasuredTone>& tones, double TMeasuredTone::*member,
                   double scale, int places) {
    std::string text;
    for (const TMeasuredTone& tone : tones)
        text += (text.empty() ? "" : "/") + GermanDecimal(tone.*member * scale, places);
    return text;
}

std::string SequenceText(const THeardSignal& sequence) {
    return NameOfSequence(sequence) + ": " +
           Listed(sequence.Tones, &TMeasuredTone::FrequencyHz, 1.0, 1) + " Hz, " +
           Listed(sequence.Tones, &TMeasuredTone::Seconds, 1000.0, 0) + " ms, Code " +
           GermanDecimal(sequence.DurationSeconds * 1000.0, 0) + " ms, Sicherheit " +
           GermanDecimal(sequence.ConfidenceDb, 1) + " dB";
}

// As the judge pairs them: guessed symbols repeat nothing.
bool Repeats(const THeardSignal& sequence, const THeardSignal& before) {
    return sequence.Certain && before.Certain && sequence.Digits == before.Digits;
}

std::string FrequenciesText(const std::vector<double>& frequenciesHz) {
    std::string text;
    for (const double hz : frequenciesHz)
        text += (text.empty() ? "" : "+") + GermanDecimal(hz, 1);
    return text + " Hz";
}

} // namespace

std::string MeasuredValuesText(const std::vector<THeardSignal>& heard) {
    std::vector<THeardSignal> ordered = heard;
    std::ranges::stable_sort(ordered, {}, &THeardSignal::StartSeconds);
    std::string text;
    const auto add = [&text](const std::string& part) {
        text += (text.empty() ? "" : "; ") + part;
    };
    std::optional<THeardSignal> lastSequence;
    for (const THeardSignal& signal : ordered) {
        if (signal.Kind == THeardKind::Sequence) {
            if (lastSequence && Repeats(signal, *lastSequence))
                add("Pause " +
                    GermanDecimal((signal.StartSeconds - lastSequence->StartSeconds -
                                   lastSequence->DurationSeconds) *
                                      1000.0,
                                  0) +
                    " ms");
            add(SequenceText(signal));
            lastSequence = signal;
            continue;
        }
        const std::string name = NameOfHeard(signal);
        std::string part = (signal.Kind == THeardKind::TwoTone ? "Doppelton " : "") +
                           (name.empty() ? "" : name + " ") +
                           FrequenciesText(signal.FrequenciesHz) + " " +
                           GermanDecimal(signal.DurationSeconds, 2) + " s";
        if (signal.Kind == THeardKind::TwoTone) {
            if (lastSequence)
                part += ", " +
                        GermanDecimal(signal.StartSeconds - lastSequence->StartSeconds -
                                          lastSequence->DurationSeconds,
                                      2) +
                        " s nach dem Code";
            part += ", Pegel " + GermanSigned(signal.LevelDifferenceDb, 1) + " dB";
        }
        add(part);
    }
    return text;
}
