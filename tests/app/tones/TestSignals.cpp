#include "tests/app/tones/TestSignals.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

std::vector<EncoderSim::TToneBurst> SequenceBursts(TToneStandard standard, std::string_view symbols,
                                                   double frequencyScale, double lengthScale) {
    const TToneTable& table = TableOf(standard);
    std::vector<EncoderSim::TToneBurst> bursts{{{}, 0.5}};
    for (char symbol : symbols) {
        const double hz = table.FrequencyHz[ToneSymbols.find(symbol)];
        bursts.push_back({{hz * frequencyScale}, table.ToneSeconds * lengthScale});
    }
    bursts.push_back({{}, 0.5});
    return bursts;
}

std::vector<std::int16_t> Render(const std::vector<EncoderSim::TToneBurst>& bursts,
                                 const SignalShape& shape) {
    const double amplitude = std::pow(10.0, shape.levelDbfs / 20.0);
    std::vector<std::int16_t> samples =
        EncoderSim::SynthesiseBursts(bursts, shape.sampleRate, amplitude);
    // A sine of peak A carries A^2/2.
    const double noiseRms = amplitude / std::sqrt(2.0) * std::pow(10.0, -shape.snrDb / 20.0);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, noiseRms * 32767.0);
    for (std::int16_t& sample : samples) {
        const double value = sample + noise(random) + shape.dcOffset * 32767.0;
        sample = static_cast<std::int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
    }
    return samples;
}

std::vector<std::int16_t> SpeechLike(double seconds, int sampleRate) {
    struct Vowel {
        double f1, f2, f3;
    };
    constexpr Vowel Vowels[] = {{730, 1090, 2440}, {270, 2290, 3010}, {300, 870, 2240},
                                {530, 1840, 2480}, {570, 840, 2410},  {660, 1720, 2410}};
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<std::int16_t> samples;
    const auto total = static_cast<std::size_t>(seconds * sampleRate);
    double phase = 0.0;
    // Two-pole resonators, one per formant.
    double state[3][2] = {};
    while (samples.size() < total) {
        const Vowel& vowel = Vowels[static_cast<std::size_t>(unit(random) * 6) % 6];
        const double syllable = 0.08 + 0.2 * unit(random);
        const double pitchStart = 90 + 140 * unit(random);
        const double pitchEnd = pitchStart * (0.7 + 0.6 * unit(random));
        const auto length = static_cast<std::size_t>(syllable * sampleRate);
        for (std::size_t n = 0; n < length && samples.size() < total; ++n) {
            const double progress = static_cast<double>(n) / static_cast<double>(length);
            phase += (pitchStart + (pitchEnd - pitchStart) * progress) / sampleRate;
            const double excitation = phase >= 1.0 ? 1.0 : 0.02 * (unit(random) - 0.5);
            if (phase >= 1.0)
                phase -= 1.0;
            double out = 0.0;
            const double formants[3] = {vowel.f1, vowel.f2, vowel.f3};
            for (int f = 0; f < 3; ++f) {
                const double r = std::exp(-std::numbers::pi * 90.0 / sampleRate);
                const double c =
                    2.0 * r * std::cos(2.0 * std::numbers::pi * formants[f] / sampleRate);
                const double y = excitation + c * state[f][0] - r * r * state[f][1];
                state[f][1] = state[f][0];
                state[f][0] = y;
                out += y / (f + 1);
            }
            const double envelope = std::sin(std::numbers::pi * progress);
            samples.push_back(static_cast<std::int16_t>(
                std::clamp(std::lround(out * envelope * 2500.0), -32768L, 32767L)));
        }
    }
    return samples;
}
