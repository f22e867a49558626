#include "bench/tones/ToneChannel.h"

#include "tools/encoder-sim/audio/SelcallCode.h"
#include "tools/encoder-sim/audio/ToneSynthesis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ToneBench {

namespace {

using EncoderSim::TToneBurst;

constexpr double SilenceSeconds = 0.5;
constexpr double RepeatPauseSeconds = 0.6;
constexpr double MaxLengthOffsetSeconds = 0.010;

// The limiter: a drive of 2 holds a full tone's peaks to half of what a linear path would give
// (6 dB of limiting). Its low ceiling leaves room for the noise of the weakest cells.
constexpr double LimiterDrive = 2.0;
constexpr double LimiterCeiling = 0.04;

// The fading's complex path is updated 105 times a second (every 210 samples) and interpolated
// in between; each of its two one-pole stages is set so the pair is 3 dB down at 2 Hz.
constexpr int FadingStepSamples = 210;
constexpr double FadingStepRate = static_cast<double>(ChannelRate) / FadingStepSamples;
const double FadingStageHz = 2.0 / std::sqrt(std::numbers::sqrt2 - 1.0);
const double FadingPole = std::exp(-2.0 * std::numbers::pi * FadingStageHz / FadingStepRate);
// Mean square of one component after both stages per unit of input power, so the gain can be
// scaled to a mean square of 1.
const double FadingStagesPower = std::pow(1.0 - FadingPole, 4) * (1.0 + FadingPole * FadingPole) /
                                 std::pow(1.0 - FadingPole * FadingPole, 3);
constexpr int FadingWarmUpSteps = 1000;

// The mean square white noise of unit power keeps through the band-pass.
double InBandShare() {
    static const double share = [] {
        std::mt19937 random(7);
        std::normal_distribution<double> gauss;
        TBandPass filter;
        for (int i = 0; i < ChannelRate / 10; ++i)
            filter(gauss(random));
        double sum = 0.0;
        const int count = 20 * ChannelRate;
        for (int i = 0; i < count; ++i) {
            const double value = filter(gauss(random));
            sum += value * value;
        }
        return sum / count;
    }();
    return share;
}

// The code as the encoder sounds it, each tone with its own error in pitch and length.
std::vector<TToneBurst> OffBursts(TToneStandard standard, const std::string& code, double maxDetune,
                                  std::mt19937& random) {
    std::uniform_real_distribution<double> detune(-maxDetune, maxDetune);
    std::uniform_real_distribution<double> lengthOffset(-MaxLengthOffsetSeconds,
                                                        MaxLengthOffsetSeconds);
    std::vector<TToneBurst> bursts = EncoderSim::SelcallBursts(standard, code);
    for (TToneBurst& burst : bursts) {
        burst.FrequenciesHz.front() *= 1.0 + detune(random);
        burst.Seconds += lengthOffset(random);
    }
    return bursts;
}

} // namespace

std::int16_t ToSample(double value) {
    return static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0, 1.0) * 32767.0));
}

std::string RandomCode(std::mt19937& random) {
    std::uniform_int_distribution<int> digit(0, 9);
    std::string code;
    for (int i = 0; i < 5; ++i)
        code += static_cast<char>('0' + digit(random));
    return code;
}

TAlarmSound SoundAlarm(TToneStandard standard, const std::string& code, double maxDetune,
                       std::mt19937& random) {
    std::vector<TToneBurst> bursts{{{}, SilenceSeconds}};
    for (const TToneBurst& burst : OffBursts(standard, code, maxDetune, random))
        bursts.push_back(burst);
    bursts.push_back({{}, RepeatPauseSeconds});
    for (const TToneBurst& burst : OffBursts(standard, code, maxDetune, random))
        bursts.push_back(burst);
    bursts.push_back({{}, SilenceSeconds});
    const std::vector<std::int16_t> clean = EncoderSim::SynthesiseBursts(bursts, ChannelRate, 1.0);

    TBandPass filter;
    TAlarmSound sound;
    sound.Samples.reserve(clean.size());
    double toneEnergy = 0.0;
    std::size_t toneSamples = 0;
    for (const std::int16_t sample : clean) {
        const double limited = LimiterCeiling * std::tanh(LimiterDrive * filter(sample / 32767.0)) /
                               std::tanh(LimiterDrive);
        sound.Samples.push_back(limited);
        // The synthesis leaves its pauses at exact zero.
        if (sample != 0) {
            toneEnergy += limited * limited;
            ++toneSamples;
        }
    }
    sound.TonePower = toneEnergy / static_cast<double>(std::max<std::size_t>(1, toneSamples));
    return sound;
}

TBandPass::TBandPass() {
    // Q of the two sections of a fourth-order Butterworth.
    constexpr std::array<double, 2> Qs{0.5412, 1.3066};
    const auto design = [](double hz, double q, bool highPass) {
        const double w = 2.0 * std::numbers::pi * hz / ChannelRate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double a0 = 1.0 + alpha;
        const double c = std::cos(w);
        const double b = highPass ? (1.0 + c) / 2.0 : (1.0 - c) / 2.0;
        TBiquad section;
        section.B0 = b / a0;
        section.B1 = (highPass ? -2.0 * b : 2.0 * b) / a0;
        section.B2 = b / a0;
        section.A1 = -2.0 * c / a0;
        section.A2 = (1.0 - alpha) / a0;
        return section;
    };
    Sections_ = {design(300.0, Qs[0], true), design(300.0, Qs[1], true),
                 design(3000.0, Qs[0], false), design(3000.0, Qs[1], false)};
}

double TBandPass::operator()(double sample) {
    // Transposed direct form II: one pass per section, two state values each.
    for (TBiquad& s : Sections_) {
        const double out = s.B0 * sample + s.Z1;
        s.Z1 = s.B1 * sample - s.A1 * out + s.Z2;
        s.Z2 = s.B2 * sample - s.A2 * out;
        sample = out;
    }
    return sample;
}

TRayleighFading::TRayleighFading(std::uint32_t seed) : Random_(seed) {
    // Starts from the path's steady state, not from zero.
    for (int i = 0; i < FadingWarmUpSteps; ++i)
        Step();
    Step();
}

void TRayleighFading::Step() {
    const double a = FadingPole;
    First_ = a * First_ + (1.0 - a) * std::complex<double>(Gauss_(Random_), Gauss_(Random_));
    Second_ = a * Second_ + (1.0 - a) * First_;
    Before_ = After_;
    After_ = std::abs(Second_) / std::sqrt(2.0 * FadingStagesPower);
}

double TRayleighFading::Next() {
    if (SinceStep_ == FadingStepSamples) {
        Step();
        SinceStep_ = 0;
    }
    const double share = static_cast<double>(SinceStep_++) / FadingStepSamples;
    return Before_ + (After_ - Before_) * share;
}

std::vector<std::int16_t> Receive(const TAlarmSound& alarm, double snrDb, TRayleighFading* fading,
                                  std::mt19937& random) {
    const double noisePower = alarm.TonePower / std::pow(10.0, snrDb / 10.0) / InBandShare();
    std::normal_distribution<double> noise(0.0, std::sqrt(noisePower));
    std::vector<std::int16_t> samples;
    samples.reserve(alarm.Samples.size());
    for (const double tone : alarm.Samples) {
        const double gain = fading ? fading->Next() : 1.0;
        samples.push_back(ToSample(tone * gain + noise(random)));
    }
    return samples;
}

std::vector<std::int16_t> BandLimitedNoise(std::size_t count, double power, std::mt19937& random) {
    std::normal_distribution<double> noise(0.0, std::sqrt(power / InBandShare()));
    TBandPass filter;
    std::vector<std::int16_t> samples;
    samples.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        samples.push_back(ToSample(filter(noise(random))));
    return samples;
}

} // namespace ToneBench
