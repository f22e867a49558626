#pragma once
// Test audio for the tone decoder: tone bursts at a chosen level with white noise and a DC
// offset added, and speech-like babble as false-alarm material. Deterministic (fixed seeds).

#include "app/tones/ToneStandard.h"
#include "tools/encoder-sim/audio/ToneSynthesis.h"

#include <cstdint>
#include <string_view>
#include <vector>

struct SignalShape {
    int sampleRate = 22050;
    double levelDbfs = -10.0; // peak of the tones
    double snrDb = 200.0;     // tone power over noise power across the whole band
    double dcOffset = 0.0;    // of full scale
};

// `symbols` as transmitted (E is the repeat tone), from the decoder's own table, each tone's
// frequency and length scaled; half a second of silence before and after.
std::vector<EncoderSim::TToneBurst> SequenceBursts(TToneStandard standard, std::string_view symbols,
                                                   double frequencyScale = 1.0,
                                                   double lengthScale = 1.0);

std::vector<std::int16_t> Render(const std::vector<EncoderSim::TToneBurst>& bursts,
                                 const SignalShape& shape);

// Voiced, gliding-pitch syllables through moving formants, the way speech fills a channel.
std::vector<std::int16_t> SpeechLike(double seconds, int sampleRate);
