#include "tools/encoder-sim/program/AlarmAudio.h"

#include "tools/encoder-sim/program/CommandLine.h"

#include <cstdio>
#include <exception>

namespace EncoderSim {

namespace {

// Peak of the tones: loud and clear, with room for a receiver's de-emphasis.
constexpr double ToneAmplitude = 0.5;

} // namespace

TAlarmAudio::TAlarmAudio(TAlarmSoundSettings settings, std::unique_ptr<TWavWriter> writer,
                         TPlaySamples play, int playRate)
    : Settings_(settings), Faultless_(std::move(settings)), Writer_(std::move(writer)),
      Play_(std::move(play)), PlayRate_(playRate) {
    Faultless_.Faults = {};
}

void TAlarmAudio::Sound(const TReceivedFrame& frame) {
    if (!frame.Accepted() || frame.Outcome == TAlarmOutcome::Dropped)
        return;
    ++Sounded_;
    const bool faulty = Settings_.Faults.Every <= 1 || Sounded_ % Settings_.Faults.Every == 0;
    const std::vector<TToneBurst> bursts =
        AlarmBursts(frame.Decoded(), faulty ? Settings_ : Faultless_);
    if (Writer_) {
        try {
            Writer_->Append(SynthesiseBursts(bursts, AudioFileRate, ToneAmplitude));
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s: %s; no more tones are written\n", SimProgramName.data(),
                         error.what());
            Writer_.reset();
        }
    }
    if (Play_)
        Play_(SynthesiseBursts(bursts, PlayRate_, ToneAmplitude));
}

} // namespace EncoderSim
