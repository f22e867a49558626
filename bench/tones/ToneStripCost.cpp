// What drawing one alarm's picture costs: the wall time of DrawToneStrip over the longest strip
// (60 s of audio) at each sample rate, with a sequence's worth of marks and bands, best of a few
// runs so that another program's burst does not count.
//
// Usage: quorvane_tone_strip_bench [RUNS]   (default 5)

#include "app/tonepicture/ToneStrip.h"
#include "tools/encoder-sim/audio/SelcallCode.h"
#include "tools/encoder-sim/audio/ToneSynthesis.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace EncoderSim;

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<TToneBurst> bursts{{{}, 1.0}, {{1750}, 2.0}, {{}, 0.2}};
    for (const TToneBurst& tone : SelcallBursts(TSelcallStandard::Zvei1, "12345"))
        bursts.push_back(tone);
    bursts.push_back({{675, 1240}, 5.0});
    bursts.push_back({{}, ToneStripLongestSeconds - 8.55});
    std::vector<ToneMark> marks;
    std::vector<ExpectedBand> bands;
    for (int i = 0; i < 7; ++i) {
        marks.push_back({3.2 + 0.07 * i, 0.07, 1000.0 + 150.0 * i, ToneMarkState::Holds});
        bands.push_back({985.0 + 150.0 * i, 1015.0 + 150.0 * i});
    }
    for (const int rate : {8000, 22050, 48000}) {
        const std::vector<std::int16_t> samples = SynthesiseBursts(bursts, rate, 0.3);
        double best = 1e9;
        for (int run = 0; run < runs; ++run) {
            const auto start = std::chrono::steady_clock::now();
            const QImage image = DrawToneStrip({samples.data(), samples.size(), rate, 0.0}, marks,
                                               bands);
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            best = std::min(best, took.count());
            if (image.isNull())
                return 1;
        }
        std::printf("tone_strip_60s_ms_%d %.1f\n", rate, best);
    }
    return 0;
}
