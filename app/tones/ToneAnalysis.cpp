#include "app/tones/ToneAnalysis.h"

#include "app/tones/ToneDecoder.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr double ShortWindowSeconds = 0.020;
constexpr double ShortHopSeconds = 0.0025;
constexpr double LongWindowSeconds = 0.064;
constexpr double LongHopSeconds = 0.016;
// Longer than any selective-call tone (CCIR: 100 ms + 25 %) with room to spare.
constexpr double LongToneSeconds = 0.25;
// Two-tone alarms last at least half a second; a hop's worth of measuring error is allowed.
constexpr double TwoToneSeconds = 0.5 - LongHopSeconds;
constexpr double LevelSeconds = 0.050;
// Enough silence to let every tracker and the sequence run close.
constexpr double FlushSeconds = 0.5;
// The inside of a long tone, where it is measured: clear of its edges by a long frame's half.
constexpr double LongMarginSeconds = 0.035;
// A long frame's edge lies within its window and a hop of the tone's.
constexpr double LongEdgeReachSeconds = LongWindowSeconds / 2.0 + LongHopSeconds;
// A long tone's start is measured once this much of it has sounded.
constexpr double OpeningSeconds = 0.15;

std::size_t SamplesFor(double seconds, double rate) {
    return static_cast<std::size_t>(std::lround(seconds * rate));
}

} // namespace

TToneAnalysis::TToneAnalysis(TToneStandard standard, int sampleRate)
    : Standard_(standard), SampleRate_(sampleRate), Decimator_(sampleRate),
      Measurer_(Decimator_.OutputRate(),
                (Decimator_.Factor() - 1 - Decimator_.DelaySamples()) / sampleRate),
      Short_{TSpectrumAnalyser(Decimator_.OutputRate(),
                               SamplesFor(ShortWindowSeconds, Decimator_.OutputRate())),
             SamplesFor(ShortHopSeconds, Decimator_.OutputRate())},
      Long_{TSpectrumAnalyser(Decimator_.OutputRate(),
                              SamplesFor(LongWindowSeconds, Decimator_.OutputRate())),
            SamplesFor(LongHopSeconds, Decimator_.OutputRate())},
      SequenceTones_(TToneCount::One, HopSeconds(Short_)),
      SingleTones_(TToneCount::One, HopSeconds(Long_)),
      ToneCouples_(TToneCount::Two, HopSeconds(Long_)), Sequences_(standard, Measurer_),
      Arbiter_(standard, Decimator_.OutputRate(),
               (Decimator_.Factor() - 1 - Decimator_.DelaySamples()) / sampleRate, Measurer_),
      History_(Long_.Analyser.WindowLength()), LevelLength_(SamplesFor(LevelSeconds, sampleRate)) {}

double TToneAnalysis::HopSeconds(const TFrameTrack& track) const {
    return static_cast<double>(track.Hop) / Decimator_.OutputRate();
}

void TToneAnalysis::Feed(const std::int16_t* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        float decimated = 0.0f;
        const bool ready = Decimator_.Push(static_cast<float>(samples[i]) / 32768.0f, decimated);
        const double level = Decimator_.LastWithoutDc();
        LevelSum_ += level * level;
        if (++LevelCount_ == LevelLength_) {
            // Mean power of a full-scale sine is 1/2.
            const double ratio = 2.0 * LevelSum_ / static_cast<double>(LevelLength_);
            LevelDbfs_ = ratio > 1e-10 ? 10.0 * std::log10(ratio) : SilenceLevelDbfs;
            LevelSum_ = 0.0;
            LevelCount_ = 0;
        }
        if (ready)
            AddAnalysisSample(decimated);
    }
}

void TToneAnalysis::AddAnalysisSample(float sample) {
    History_.Push(sample);
    Measurer_.Add(sample);
    Arbiter_.Add(sample);

    // The newest sample's time, less the front end's delay; a frame's centre lies half its
    // window earlier.
    const double newestSeconds = (static_cast<double>(History_.Total() - 1) * Decimator_.Factor() +
                                  (Decimator_.Factor() - 1) - Decimator_.DelaySamples()) /
                                 SampleRate_;
    const auto centreOf = [&](const TFrameTrack& track) {
        return newestSeconds - (static_cast<double>(track.Analyser.WindowLength()) - 1.0) / 2.0 /
                                   Decimator_.OutputRate();
    };
    if (++Short_.SinceLast >= Short_.Hop) {
        Short_.SinceLast = 0;
        AnalyseShort(centreOf(Short_));
    }
    if (++Long_.SinceLast >= Long_.Hop) {
        Long_.SinceLast = 0;
        AnalyseLong(centreOf(Long_));
    }
}

const float* TToneAnalysis::Latest(std::size_t length) const {
    return History_.Newest(length);
}

void TToneAnalysis::AnalyseShort(double centreSeconds) {
    const TSpectrumFrame frame =
        Short_.Analyser.Analyse(Latest(Short_.Analyser.WindowLength()), centreSeconds);
    if (const auto segment = SequenceTones_.Push(frame))
        Sequences_.Take(*segment, Framed_);
    Sequences_.Tick(centreSeconds, SequenceTones_.OpenSince(), Framed_);
    PassFramed();
    // A sequence still to come from the frame path starts no earlier than what it follows now.
    double framedSince = centreSeconds;
    for (const std::optional<double> open : {Sequences_.OpenSince(), SequenceTones_.OpenSince()})
        if (open)
            framedSince = std::min(framedSince, *open);
    Arbiter_.Release(framedSince, Heard_);
}

void TToneAnalysis::PassFramed() {
    for (THeardSignal& sequence : Framed_)
        Arbiter_.TakeFramed(std::move(sequence));
    Framed_.clear();
}

void TToneAnalysis::AnalyseLong(double centreSeconds) {
    const TSpectrumFrame frame =
        Long_.Analyser.Analyse(Latest(Long_.Analyser.WindowLength()), centreSeconds);
    if (const auto segment = SingleTones_.Push(frame))
        TakeLongSegment(*segment, THeardKind::LongTone);
    if (const auto segment = ToneCouples_.Push(frame))
        TakeLongSegment(*segment, THeardKind::TwoTone);
    MeasureOpening(SingleTones_, frame, SingleOpening_, false);
    MeasureOpening(ToneCouples_, frame, CoupleOpening_, true);
}

void TToneAnalysis::MeasureOpening(const TToneTracker& tracker, const TSpectrumFrame& frame,
                                   std::optional<TOpening>& opening, bool pair) const {
    const std::optional<double> since = tracker.OpenSince();
    if (!since || (opening && opening->RoughSeconds == *since) ||
        frame.CentreSeconds - *since < OpeningSeconds)
        return;
    // The frame's strongest peak is one of the tones, which is all an edge needs.
    const double from = *since + LongWindowSeconds;
    const double hz = Measurer_.FrequencyHz(from, frame.CentreSeconds, frame.Strongest.FrequencyHz);
    const double other = frame.Second.FrequencyHz;
    const double amplitude = Measurer_.Amplitude(from, frame.CentreSeconds, hz);
    const std::optional<double> start =
        Measurer_.EdgeSeconds(hz, amplitude, from, *since - LongHopSeconds, pair ? other : 0.0);
    opening = TOpening{*since, start.value_or(*since)};
}

void TToneAnalysis::TakeLongSegment(const TToneSegment& segment, THeardKind kind) {
    const bool single = kind == THeardKind::LongTone;
    std::optional<TOpening>& opening = single ? SingleOpening_ : CoupleOpening_;
    const std::optional<TOpening> measuredOpening = std::exchange(opening, std::nullopt);
    if (segment.Seconds() < (single ? LongToneSeconds : TwoToneSeconds))
        return;
    THeardSignal signal;
    signal.Kind = kind;
    const double from = segment.StartSeconds + LongMarginSeconds;
    const double to = segment.EndSeconds - LongMarginSeconds;
    std::vector<double> amplitudes;
    for (const double rough : segment.FrequenciesHz) {
        const double hz = Measurer_.FrequencyHz(from, to, rough);
        signal.FrequenciesHz.push_back(hz);
        amplitudes.push_back(Measurer_.Amplitude(from, to, hz));
    }
    if (!single && amplitudes[0] > 0.0 && amplitudes[1] > 0.0)
        signal.LevelDifferenceDb = 20.0 * std::log10(amplitudes[0] / amplitudes[1]);
    // A trimmed start lies later than where the tracker opened, never earlier.
    const bool opened = measuredOpening &&
                        segment.StartSeconds - measuredOpening->RoughSeconds < LongEdgeReachSeconds;
    const double start = opened ? measuredOpening->MeasuredSeconds : segment.StartSeconds;
    const double end = Measurer_
                           .EdgeSeconds(signal.FrequenciesHz[0], amplitudes[0], to,
                                        segment.EndSeconds + LongEdgeReachSeconds,
                                        single ? 0.0 : signal.FrequenciesHz[1])
                           .value_or(segment.EndSeconds);
    signal.StartSeconds = start;
    signal.DurationSeconds = end - signal.StartSeconds;
    Heard_.push_back(std::move(signal));
}

void TToneAnalysis::Flush() {
    // Silence lets every open tone end where it really ended; then nothing is left open.
    const std::vector<std::int16_t> silence(SamplesFor(FlushSeconds, SampleRate_), 0);
    Feed(silence.data(), silence.size());
    if (const auto segment = SequenceTones_.Close())
        Sequences_.Take(*segment, Framed_);
    Sequences_.Finish(Framed_);
    PassFramed();
    Arbiter_.Finish(Heard_);
    if (const auto segment = SingleTones_.Close())
        TakeLongSegment(*segment, THeardKind::LongTone);
    if (const auto segment = ToneCouples_.Close())
        TakeLongSegment(*segment, THeardKind::TwoTone);
}

std::vector<THeardSignal> TToneAnalysis::TakeHeard() {
    // The front end's delay can place a tone that opens the input a few samples before it.
    for (THeardSignal& signal : Heard_) {
        if (signal.StartSeconds >= 0.0)
            continue;
        signal.DurationSeconds += signal.StartSeconds;
        signal.StartSeconds = 0.0;
        if (!signal.Tones.empty()) {
            TMeasuredTone& first = signal.Tones.front();
            first.Seconds += first.StartSeconds;
            first.StartSeconds = 0.0;
        }
    }
    return std::exchange(Heard_, {});
}

std::optional<double> TToneAnalysis::TakeLevelDbfs() {
    return std::exchange(LevelDbfs_, std::nullopt);
}
