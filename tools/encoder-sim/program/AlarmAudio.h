#pragma once
// Sounds every alarm the encoder takes: its tones go to the WAV file and to the player, either
// or both. Alarms the full buffer dropped are never transmitted, so they make no sound.
//
// The tone faults sound in every Faults.Every-th alarm sounded, counted from the first; the
// others are right, so an endurance test has good alarms to tell the faulty ones from.
//
// Sound runs on the simulator's worker and may be called from one thread at a time. It never
// throws: a WAV file that cannot be written any more is reported once on standard error and
// then left alone, and the encoder goes on.

#include "tools/encoder-sim/audio/AlarmSound.h"
#include "tools/encoder-sim/audio/WavWriter.h"
#include "tools/encoder-sim/encoder/EncoderSimulator.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace EncoderSim {

inline constexpr int AudioFileRate = 22050;

using TPlaySamples = std::function<void(std::vector<std::int16_t>)>;

class TAlarmAudio {
public:
    // `writer` and `play` may each be empty; `playRate` is the rate `play` takes.
    TAlarmAudio(TAlarmSoundSettings settings, std::unique_ptr<TWavWriter> writer, TPlaySamples play,
                int playRate);

    void Sound(const TReceivedFrame& frame);

private:
    TAlarmSoundSettings Settings_;
    TAlarmSoundSettings Faultless_;
    unsigned long Sounded_ = 0;
    std::unique_ptr<TWavWriter> Writer_;
    TPlaySamples Play_;
    int PlayRate_;
};

} // namespace EncoderSim
