#pragma once
// The decoder's inner workings behind ToneDecoder: a decimating front end feeding two frame
// analyses over one sample history. Short frames (20 ms every 2.5 ms) follow the quick tones of a
// selective call; long frames (64 ms every 16 ms) resolve the tones of a two-tone alarm. What
// they find is measured closely on the samples themselves (ToneMeasurer).
//
// Plain object; one thread at a time.

#include "app/tones/Decimator.h"
#include "app/tones/HeardSignal.h"
#include "app/tones/SequenceAssembler.h"
#include "app/tones/SpectrumAnalyser.h"
#include "app/tones/ToneMeasurer.h"
#include "app/tones/ToneStandard.h"
#include "app/tones/ToneTracker.h"

#include <cstdint>
#include <optional>
#include <vector>

class ToneAnalysis {
public:
    ToneAnalysis(ToneStandard standard, int sampleRate);

    ToneStandard Standard() const { return standard_; }
    int SampleRate() const { return sampleRate_; }

    void Feed(const std::int16_t* samples, std::size_t count);
    void Flush();
    std::vector<HeardSignal> TakeHeard();

    // The level of the latest complete 50 ms, once per such stretch.
    std::optional<double> TakeLevelDbfs();

private:
    // The start of a long tone, measured while it still sounds: by its end, its start may have
    // left the measurer's reach.
    struct Opening {
        double roughSeconds;
        double measuredSeconds;
    };
    struct FrameTrack {
        SpectrumAnalyser analyser;
        std::size_t hop;
        std::size_t sinceLast = 0;
    };
    void AddAnalysisSample(float sample);
    void AnalyseShort(double centreSeconds);
    void AnalyseLong(double centreSeconds);
    void TakeLongSegment(const ToneSegment& segment, HeardKind kind);
    // pair: the tracker follows two tones, whose partner the edge must leave out.
    void MeasureOpening(const ToneTracker& tracker, const SpectrumFrame& frame,
                        std::optional<Opening>& opening, bool pair) const;
    const float* Latest(std::size_t length) const;
    double HopSeconds(const FrameTrack& track) const;

    ToneStandard standard_;
    int sampleRate_;
    Decimator decimator_;
    ToneMeasurer measurer_;
    FrameTrack short_;
    FrameTrack long_;
    ToneTracker sequenceTones_;
    ToneTracker singleTones_;
    ToneTracker toneCouples_;
    SequenceAssembler sequences_;
    std::optional<Opening> singleOpening_;
    std::optional<Opening> coupleOpening_;
    TSampleRing<float> history_; // the long window's length
    std::vector<HeardSignal> heard_;

    std::size_t levelLength_;
    std::size_t levelCount_ = 0;
    double levelSum_ = 0.0;
    std::optional<double> levelDbfs_;
};
