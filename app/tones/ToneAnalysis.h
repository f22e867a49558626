#pragma once
// The decoder's inner workings behind TToneDecoder: a decimating front end feeding two frame
// analyses over one sample history. Short frames (20 ms every 2.5 ms) follow the quick tones of a
// selective call; long frames (64 ms every 16 ms) resolve the tones of a two-tone alarm. What
// they find is measured closely on the samples themselves (TToneMeasurer). Beside the short
// frames, a line bank integrates whole tones to hear codes deep in noise; the arbiter decides
// between the two and grades every sequence.
//
// Plain object; one thread at a time.

#include "app/tones/Decimator.h"
#include "app/tones/HeardSignal.h"
#include "app/tones/SequenceArbiter.h"
#include "app/tones/SequenceAssembler.h"
#include "app/tones/SpectrumAnalyser.h"
#include "app/tones/ToneMeasurer.h"
#include "app/tones/ToneStandard.h"
#include "app/tones/ToneTracker.h"

#include <cstdint>
#include <optional>
#include <vector>

class TToneAnalysis {
public:
    TToneAnalysis(TToneStandard standard, int sampleRate);

    TToneStandard Standard() const { return Standard_; }
    int SampleRate() const { return SampleRate_; }

    void Feed(const std::int16_t* samples, std::size_t count);
    void Flush();
    std::vector<THeardSignal> TakeHeard();

    // The level of the latest complete 50 ms, once per such stretch.
    std::optional<double> TakeLevelDbfs();

private:
    // The start of a long tone, measured while it still sounds: by its end, its start may have
    // left the measurer's reach.
    struct TOpening {
        double RoughSeconds;
        double MeasuredSeconds;
    };
    struct TFrameTrack {
        TSpectrumAnalyser Analyser;
        std::size_t Hop;
        std::size_t SinceLast = 0;
    };
    void AddAnalysisSample(float sample);
    void AnalyseShort(double centreSeconds);
    void AnalyseLong(double centreSeconds);
    void PassFramed();
    void TakeLongSegment(const TToneSegment& segment, THeardKind kind);
    // pair: the tracker follows two tones, whose partner the edge must leave out.
    void MeasureOpening(const TToneTracker& tracker, const TSpectrumFrame& frame,
                        std::optional<TOpening>& opening, bool pair) const;
    const float* Latest(std::size_t length) const;
    double HopSeconds(const TFrameTrack& track) const;

    TToneStandard Standard_;
    int SampleRate_;
    TDecimator Decimator_;
    TToneMeasurer Measurer_;
    TFrameTrack Short_;
    TFrameTrack Long_;
    TToneTracker SequenceTones_;
    TToneTracker SingleTones_;
    TToneTracker ToneCouples_;
    TSequenceAssembler Sequences_;
    TSequenceArbiter Arbiter_;
    std::vector<THeardSignal> Framed_; // the frame path's sequences on their way to the arbiter
    std::optional<TOpening> SingleOpening_;
    std::optional<TOpening> CoupleOpening_;
    TSampleRing<float> History_; // the long window's length
    std::vector<THeardSignal> Heard_;

    std::size_t LevelLength_;
    std::size_t LevelCount_ = 0;
    double LevelSum_ = 0.0;
    std::optional<double> LevelDbfs_;
};
