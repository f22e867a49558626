#pragma once
// Turns a list of tone bursts into 16-bit samples: each burst one or two sine tones (or a
// pause), the phase carried on from burst to burst so that adjacent tones join without a
// click, and a 2 ms fade where sound meets silence.
//
// Pure; any thread may call it.

#include <cstdint>
#include <vector>

namespace EncoderSim {

struct TToneBurst {
    std::vector<double> FrequenciesHz; // empty: a pause
    double Seconds = 0.0;
};

// `amplitude` is the peak of the whole burst, 0 to 1 of full scale.
std::vector<std::int16_t> SynthesiseBursts(const std::vector<TToneBurst>& bursts, int sampleRate,
                                           double amplitude);

} // namespace EncoderSim
