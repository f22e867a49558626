// What the tone decoder costs on live input: the share of one core it takes to keep up with a
// minute of audio at each sample rate, fed in 20 ms chunks as an audio device delivers them.
// The audio is alarms (pre-tone, ZVEI1 sequence, two-tone) in white noise 10 dB down, so every
// stage of the decoder works. The floor is a bare pass over the same samples that only sums
// their squares (the least any level meter does).
//
// Usage: quorvane_tones_bench [SECONDS]   (default 60 of audio per rate)

#include "app/tones/ToneDecoder.h"
#include "tools/encoder-sim/audio/SelcallCode.h"
#include "tools/encoder-sim/audio/ToneSynthesis.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

using namespace EncoderSim;

namespace {

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

std::vector<std::int16_t> AlarmsInNoise(double seconds, int rate) {
    std::vector<TToneBurst> bursts;
    std::mt19937 random(3);
    std::uniform_int_distribution<int> digit(0, 9);
    double total = 0.0;
    while (total < seconds) {
        std::string code;
        for (int i = 0; i < 5; ++i)
            code += static_cast<char>('0' + digit(random));
        std::vector<TToneBurst> alarm{{{}, 1.0}, {{1750}, 0.5}, {{}, 0.2}};
        for (const TToneBurst& tone : SelcallBursts(TToneStandard::Zvei1, code))
            alarm.push_back(tone);
        alarm.push_back({{}, 0.3});
        alarm.push_back({{675, 1240}, 1.0});
        for (const TToneBurst& burst : alarm) {
            bursts.push_back(burst);
            total += burst.Seconds;
        }
    }
    std::vector<std::int16_t> samples = SynthesiseBursts(bursts, rate, 0.3);
    std::normal_distribution<double> noise(0.0, 0.3 / std::sqrt(2.0) / std::sqrt(10.0) * 32767);
    for (std::int16_t& sample : samples)
        sample = static_cast<std::int16_t>(std::lround(sample + noise(random)));
    samples.resize(static_cast<std::size_t>(seconds * rate));
    return samples;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    for (const int rate : {8000, 22050, 44100, 48000}) {
        const std::vector<std::int16_t> samples = AlarmsInNoise(seconds, rate);
        const std::size_t chunk = static_cast<std::size_t>(rate / 50);

        TToneDecoder decoder(TToneStandard::Zvei1, rate);
        std::size_t heard = 0;
        const double start = ThreadCpuSeconds();
        for (std::size_t at = 0; at + chunk <= samples.size(); at += chunk) {
            decoder.Feed(samples.data() + at, chunk);
            heard += decoder.TakeHeard().size();
        }
        const double decoderCpu = ThreadCpuSeconds() - start;

        double energy = 0.0;
        const double floorStart = ThreadCpuSeconds();
        for (std::size_t at = 0; at + chunk <= samples.size(); at += chunk) {
            for (std::size_t i = at; i < at + chunk; ++i)
                energy += static_cast<double>(samples[i]) * samples[i];
        }
        const double floorCpu = ThreadCpuSeconds() - floorStart;
        // Keeps the floor's loop from being optimised away.
        volatile double keep = energy;
        (void)keep;

        std::printf("tones_cpu_percent_%d %.4f\n", rate, 100.0 * decoderCpu / seconds);
        std::printf("tones_floor_cpu_percent_%d %.4f\n", rate, 100.0 * floorCpu / seconds);
        std::printf("tones_signals_heard_per_min_%d %.1f\n", rate,
                    static_cast<double>(heard) * 60.0 / seconds);
    }
    return 0;
}
