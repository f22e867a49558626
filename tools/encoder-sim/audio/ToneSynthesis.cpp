#include "tools/encoder-sim/audio/ToneSynthesis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace EncoderSim {

namespace {

constexpr double FadeSeconds = 0.002;

} // namespace

std::vector<std::int16_t> SynthesiseBursts(const std::vector<TToneBurst>& bursts, int sampleRate,
                                           double amplitude) {
    std::vector<std::int16_t> samples;
    std::vector<double> phases;
    // Burst ends are rounded on the running total, so lengths do not drift over a sequence.
    double elapsedSeconds = 0.0;
    const auto fadeLength = static_cast<long>(std::lround(FadeSeconds * sampleRate));
    for (std::size_t b = 0; b < bursts.size(); ++b) {
        const TToneBurst& burst = bursts[b];
        const long begin = static_cast<long>(samples.size());
        elapsedSeconds += burst.Seconds;
        const long end = std::lround(elapsedSeconds * sampleRate);
        const bool silentBefore = b == 0 || bursts[b - 1].FrequenciesHz.empty();
        const bool silentAfter = b + 1 == bursts.size() || bursts[b + 1].FrequenciesHz.empty();
        phases.resize(burst.FrequenciesHz.size(), 0.0);
        const double perTone =
            amplitude / static_cast<double>(std::max<std::size_t>(1, phases.size()));
        for (long n = begin; n < end; ++n) {
            double value = 0.0;
            for (std::size_t t = 0; t < phases.size(); ++t) {
                value += std::sin(phases[t]);
                phases[t] += 2.0 * std::numbers::pi * burst.FrequenciesHz[t] / sampleRate;
                if (phases[t] > 2.0 * std::numbers::pi)
                    phases[t] -= 2.0 * std::numbers::pi;
            }
            double gain = perTone;
            if (silentBefore && n - begin < fadeLength)
                gain *= 0.5 - 0.5 * std::cos(std::numbers::pi * (n - begin) / fadeLength);
            if (silentAfter && end - 1 - n < fadeLength)
                gain *= 0.5 - 0.5 * std::cos(std::numbers::pi * (end - 1 - n) / fadeLength);
            samples.push_back(static_cast<std::int16_t>(std::lround(value * gain * 32767.0)));
        }
        if (burst.FrequenciesHz.empty())
            phases.clear();
    }
    return samples;
}

} // namespace EncoderSim
