// What one test record row's results cost beyond decoding: judging the alarm (the verdict, the
// measurement sheet and the receivers' judgement, JudgeAlarm), drawing its two-panel picture
// (DrawAlarmPicture) from the longest audio a row keeps (60 s), at each sample rate, and
// encoding it as the PNG the record saves (in memory: the disk's share is not the program's).
// Best of a few runs, so that another program's burst does not count.
//
// Usage: quorvane_alarm_result_bench [RUNS]   (default 5)

#include "app/tonecheck/AlarmJudge.h"
#include "app/tonepicture/AlarmPicture.h"
#include "app/tonepicture/FontsWithoutWindow.h"
#include "app/tones/ToneDecoder.h"
#include "tools/encoder-sim/audio/SelcallCode.h"
#include "tools/encoder-sim/audio/ToneSynthesis.h"

#include <QBuffer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace EncoderSim;

namespace {

constexpr double KeptSeconds = 60.0;

// Call tone "Tonruf I lang", code 12345 and its repeat, the fire alarm's two-tone pair, then
// silence to the end of the minute.
std::vector<TToneBurst> AlarmBursts() {
    std::vector<TToneBurst> bursts{{{}, 0.5}, {{1750}, 2.0}, {{}, 0.2}};
    const std::vector<TToneBurst> code = SelcallBursts(TToneStandard::Zvei1, "12345");
    bursts.insert(bursts.end(), code.begin(), code.end());
    bursts.push_back({{}, 0.6});
    bursts.insert(bursts.end(), code.begin(), code.end());
    bursts.push_back({{}, 5.0});
    bursts.push_back({{675, 1240}, 5.0});
    bursts.push_back({{}, KeptSeconds - 14.0});
    return bursts;
}

template <typename Work> double BestMs(int runs, Work work) {
    double best = 1e9;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const auto fonts = StartFontsWithoutWindow("quorvane_alarm_result_bench");
    const TExpectedAlarm expected{TToneStandard::Zvei1, "12345", "Tonruf I  lang", "Feueralarm"};
    for (const int rate : {8000, 22050, 48000}) {
        const std::vector<std::int16_t> samples = SynthesiseBursts(AlarmBursts(), rate, 0.3);
        TToneDecoder decoder(TToneStandard::Zvei1, rate);
        decoder.Feed(samples.data(), samples.size());
        decoder.Flush();
        const std::vector<THeardSignal> heard = decoder.TakeHeard();
        TAlarmJudgement judgement;
        const double judging =
            BestMs(runs, [&] { judgement = JudgeAlarm(expected, DefaultToneLimits(), heard); });
        if (judgement.Verdict != TAlarmVerdict::Matches || judgement.Sheet.empty()) {
            std::fprintf(stderr, "the alarm at %d Hz was judged: %s\n", rate,
                         VerdictLine(judgement).c_str());
            return 1;
        }
        const TAlarmHeard alarm{{samples.data(), samples.size(), rate, 0.0},
                                heard.front().StartSeconds,
                                judgement.Marks,
                                judgement.Bands};
        QImage picture;
        const double drawing = BestMs(runs, [&] { picture = DrawAlarmPicture(alarm); });
        QByteArray png;
        const double encoding = BestMs(runs, [&] {
            png.clear();
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            picture.save(&buffer, "PNG");
        });
        if (png.isEmpty())
            return 1;
        std::printf("alarm_judgement_ms_%d %.3f\n", rate, judging);
        std::printf("alarm_picture_ms_%d %.1f\n", rate, drawing);
        std::printf("alarm_png_ms_%d %.1f\n", rate, encoding);
        std::printf("alarm_row_results_ms_%d %.1f\n", rate, judging + drawing + encoding);
    }
    return 0;
}
