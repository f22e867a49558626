#include "app/tonecheck/MeasuredValues.h"

#include "app/tonecheck/GermanNumbers.h"
#include "app/tonecheck/ToneNames.h"

#include <algorithm>
#include <optional>

namespace {

std::string Listed(const std::vector<MeasuredTone>& tones, double MeasuredTone::*member,
                   double scale, int places) {
    std::string text;
    for (const MeasuredTone& tone : tones)
        text += (text.empty() ? "" : "/") + GermanDecimal(tone.*member * scale, places);
    return text;
}

std::string SequenceText(const HeardSignal& sequence) {
    return sequence.digits + ": " + Listed(sequence.tones, &MeasuredTone::frequencyHz, 1.0, 1) +
           " Hz, " + Listed(sequence.tones, &MeasuredTone::seconds, 1000.0, 0) + " ms, Code " +
           GermanDecimal(sequence.durationSeconds * 1000.0, 0) + " ms";
}

std::string FrequenciesText(const std::vector<double>& frequenciesHz) {
    std::string text;
    for (const double hz : frequenciesHz)
        text += (text.empty() ? "" : "+") + GermanDecimal(hz, 1);
    return text + " Hz";
}

} // namespace

std::string MeasuredValuesText(const std::vector<HeardSignal>& heard) {
    std::vector<HeardSignal> ordered = heard;
    std::ranges::stable_sort(ordered, {}, &HeardSignal::startSeconds);
    std::string text;
    const auto add = [&text](const std::string& part) {
        text += (text.empty() ? "" : "; ") + part;
    };
    std::optional<HeardSignal> lastSequence;
    for (const HeardSignal& signal : ordered) {
        if (signal.kind == HeardKind::Sequence) {
            if (lastSequence && lastSequence->digits == signal.digits)
                add("Pause " +
                    GermanDecimal((signal.startSeconds - lastSequence->startSeconds -
                                   lastSequence->durationSeconds) *
                                      1000.0,
                                  0) +
                    " ms");
            add(SequenceText(signal));
            lastSequence = signal;
            continue;
        }
        const std::string name = NameOfHeard(signal);
        std::string part = (signal.kind == HeardKind::TwoTone ? "Doppelton " : "") +
                           (name.empty() ? "" : name + " ") +
                           FrequenciesText(signal.frequenciesHz) + " " +
                           GermanDecimal(signal.durationSeconds, 2) + " s";
        if (signal.kind == HeardKind::TwoTone) {
            if (lastSequence)
                part += ", " +
                        GermanDecimal(signal.startSeconds - lastSequence->startSeconds -
                                          lastSequence->durationSeconds,
                                      2) +
                        " s nach dem Code";
            part += ", Pegel " + GermanSigned(signal.levelDifferenceDb, 1) + " dB";
        }
        add(part);
    }
    return text;
}
