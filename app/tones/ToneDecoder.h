#pragma once
// Listens to mono 16-bit audio and reports what an alarm encoder sent: selective-call
// sequences in one chosen standard, long single tones (pre-tones, call tones) and two-tone
// signals, each with its start time and duration.
//
// One decoder belongs to one feeding thread at a time: Feed, Flush and TakeHeard must not run
// concurrently. InputLevelDbfs may be read from any thread while another feeds. The decoder
// allocates nothing per sample and never blocks. The constructor throws std::invalid_argument
// for a sample rate outside [MinToneSampleRate, MaxToneSampleRate]; nothing else throws.

#include "app/tones/HeardSignal.h"
#include "app/tones/ToneStandard.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

inline constexpr int MinToneSampleRate = 8000;
inline constexpr int MaxToneSampleRate = 48000;

// What InputLevelDbfs reports for digital silence.
inline constexpr double SilenceLevelDbfs = -100.0;

class TToneAnalysis;

class TToneDecoder {
public:
    TToneDecoder(TToneStandard standard, int sampleRate);
    ~TToneDecoder();
    TToneDecoder(const TToneDecoder&) = delete;
    TToneDecoder& operator=(const TToneDecoder&) = delete;

    TToneStandard Standard() const;
    int SampleRate() const;

    // Appends samples in arrival order; signals complete once their end has been heard.
    void Feed(const std::int16_t* samples, std::size_t count);

    // End of input: reports what is still open (a sequence or tone cut off by the end).
    void Flush();

    // The signals completed since the last call, oldest first; start times count from the
    // first sample fed.
    std::vector<THeardSignal> TakeHeard();

    // Level of the most recent 50 ms, relative to a full-scale sine (so such a sine reads
    // 0 dBFS); SilenceLevelDbfs when there was no signal.
    double InputLevelDbfs() const;

private:
    std::unique_ptr<TToneAnalysis> Analysis_;
    std::atomic<double> LevelDbfs_{SilenceLevelDbfs};
};
