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

ToneAnalysis::ToneAnalysis(ToneStandard standard, int sampleRate)
    : standard_(standard), sampleRate_(sampleRate), decimator_(sampleRate),
      measurer_(decimator_.OutputRate(),
                (decimator_.Factor() - 1 - decimator_.DelaySamples()) / sampleRate),
      short_{SpectrumAnalyser(decimator_.OutputRate(),
                              SamplesFor(ShortWindowSeconds, decimator_.OutputRate())),
             SamplesFor(ShortHopSeconds, decimator_.OutputRate())},
      long_{SpectrumAnalyser(decimator_.OutputRate(),
                             SamplesFor(LongWindowSeconds, decimator_.OutputRate())),
            SamplesFor(LongHopSeconds, decimator_.OutputRate())},
      sequenceTones_(ToneCount::One, HopSeconds(short_)),
      singleTones_(ToneCount::One, HopSeconds(long_)),
      toneCouples_(ToneCount::Two, HopSeconds(long_)), sequences_(standard, measurer_),
      history_(long_.analyser.WindowLength()), levelLength_(SamplesFor(LevelSeconds, sampleRate)) {}

double ToneAnalysis::HopSeconds(const FrameTrack& track) const {
    return static_cast<double>(track.hop) / decimator_.OutputRate();
}

void ToneAnalysis::Feed(const std::int16_t* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        float decimated = 0.0f;
        const bool ready = decimator_.Push(static_cast<float>(samples[i]) / 32768.0f, decimated);
        const double level = decimator_.LastWithoutDc();
        levelSum_ += level * level;
        if (++levelCount_ == levelLength_) {
            // Mean power of a full-scale sine is 1/2.
            const double ratio = 2.0 * levelSum_ / static_cast<double>(levelLength_);
            levelDbfs_ = ratio > 1e-10 ? 10.0 * std::log10(ratio) : SilenceLevelDbfs;
            levelSum_ = 0.0;
            levelCount_ = 0;
        }
        if (ready)
            AddAnalysisSample(decimated);
    }
}

void ToneAnalysis::AddAnalysisSample(float sample) {
    history_.Push(sample);
    measurer_.Add(sample);

    // The newest sample's time, less the front end's delay; a frame's centre lies half its
    // window earlier.
    const double newestSeconds = (static_cast<double>(history_.Total() - 1) * decimator_.Factor() +
                                  (decimator_.Factor() - 1) - decimator_.DelaySamples()) /
                                 sampleRate_;
    const auto centreOf = [&](const FrameTrack& track) {
        return newestSeconds - (static_cast<double>(track.analyser.WindowLength()) - 1.0) / 2.0 /
                                   decimator_.OutputRate();
    };
    if (++short_.sinceLast >= short_.hop) {
        short_.sinceLast = 0;
        AnalyseShort(centreOf(short_));
    }
    if (++long_.sinceLast >= long_.hop) {
        long_.sinceLast = 0;
        AnalyseLong(centreOf(long_));
    }
}

const float* ToneAnalysis::Latest(std::size_t length) const {
    return history_.Newest(length);
}

void ToneAnalysis::AnalyseShort(double centreSeconds) {
    const SpectrumFrame frame =
        short_.analyser.Analyse(Latest(short_.analyser.WindowLength()), centreSeconds);
    if (const auto segment = sequenceTones_.Push(frame))
        sequences_.Take(*segment, heard_);
    sequences_.Tick(centreSeconds, sequenceTones_.OpenSince(), heard_);
}

void ToneAnalysis::AnalyseLong(double centreSeconds) {
    const SpectrumFrame frame =
        long_.analyser.Analyse(Latest(long_.analyser.WindowLength()), centreSeconds);
    if (const auto segment = singleTones_.Push(frame))
        TakeLongSegment(*segment, HeardKind::LongTone);
    if (const auto segment = toneCouples_.Push(frame))
        TakeLongSegment(*segment, HeardKind::TwoTone);
    MeasureOpening(singleTones_, frame, singleOpening_, false);
    MeasureOpening(toneCouples_, frame, coupleOpening_, true);
}

void ToneAnalysis::MeasureOpening(const ToneTracker& tracker, const SpectrumFrame& frame,
                                  std::optional<Opening>& opening, bool pair) const {
    const std::optional<double> since = tracker.OpenSince();
    if (!since || (opening && opening->roughSeconds == *since) ||
        frame.centreSeconds - *since < OpeningSeconds)
        return;
    // The frame's strongest peak is one of the tones, which is all an edge needs.
    const double from = *since + LongWindowSeconds;
    const double hz = measurer_.FrequencyHz(from, frame.centreSeconds, frame.strongest.frequencyHz);
    const double other = frame.second.frequencyHz;
    const double amplitude = measurer_.Amplitude(from, frame.centreSeconds, hz);
    const std::optional<double> start =
        measurer_.EdgeSeconds(hz, amplitude, from, *since - LongHopSeconds, pair ? other : 0.0);
    opening = Opening{*since, start.value_or(*since)};
}

void ToneAnalysis::TakeLongSegment(const ToneSegment& segment, HeardKind kind) {
    const bool single = kind == HeardKind::LongTone;
    std::optional<Opening>& opening = single ? singleOpening_ : coupleOpening_;
    const std::optional<Opening> measuredOpening = std::exchange(opening, std::nullopt);
    if (segment.Seconds() < (single ? LongToneSeconds : TwoToneSeconds))
        return;
    HeardSignal signal;
    signal.kind = kind;
    const double from = segment.startSeconds + LongMarginSeconds;
    const double to = segment.endSeconds - LongMarginSeconds;
    std::vector<double> amplitudes;
    for (const double rough : segment.frequenciesHz) {
        const double hz = measurer_.FrequencyHz(from, to, rough);
        signal.frequenciesHz.push_back(hz);
        amplitudes.push_back(measurer_.Amplitude(from, to, hz));
    }
    if (!single && amplitudes[0] > 0.0 && amplitudes[1] > 0.0)
        signal.levelDifferenceDb = 20.0 * std::log10(amplitudes[0] / amplitudes[1]);
    // A trimmed start lies later than where the tracker opened, never earlier.
    const bool opened = measuredOpening &&
                        segment.startSeconds - measuredOpening->roughSeconds < LongEdgeReachSeconds;
    const double start = opened ? measuredOpening->measuredSeconds : segment.startSeconds;
    const double end = measurer_
                           .EdgeSeconds(signal.frequenciesHz[0], amplitudes[0], to,
                                        segment.endSeconds + LongEdgeReachSeconds,
                                        single ? 0.0 : signal.frequenciesHz[1])
                           .value_or(segment.endSeconds);
    signal.startSeconds = start;
    signal.durationSeconds = end - signal.startSeconds;
    heard_.push_back(std::move(signal));
}

void ToneAnalysis::Flush() {
    // Silence lets every open tone end where it really ended; then nothing is left open.
    const std::vector<std::int16_t> silence(SamplesFor(FlushSeconds, sampleRate_), 0);
    Feed(silence.data(), silence.size());
    if (const auto segment = sequenceTones_.Close())
        sequences_.Take(*segment, heard_);
    sequences_.Finish(heard_);
    if (const auto segment = singleTones_.Close())
        TakeLongSegment(*segment, HeardKind::LongTone);
    if (const auto segment = toneCouples_.Close())
        TakeLongSegment(*segment, HeardKind::TwoTone);
}

std::vector<HeardSignal> ToneAnalysis::TakeHeard() {
    // The front end's delay can place a tone that opens the input a few samples before it.
    for (HeardSignal& signal : heard_) {
        if (signal.startSeconds >= 0.0)
            continue;
        signal.durationSeconds += signal.startSeconds;
        signal.startSeconds = 0.0;
        if (!signal.tones.empty()) {
            MeasuredTone& first = signal.tones.front();
            first.seconds += first.startSeconds;
            first.startSeconds = 0.0;
        }
    }
    return std::exchange(heard_, {});
}

std::optional<double> ToneAnalysis::TakeLevelDbfs() {
    return std::exchange(levelDbfs_, std::nullopt);
}
