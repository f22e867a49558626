#pragma once
// The radio path the sensitivity bench sends alarms through, independent of the decoder: an
// encoder whose tones are a little off in pitch and length, a transmitter that band-limits to
// 300-3000 Hz and soft-clips, optionally slow Rayleigh fading, and white noise at the receiver.
// Everything runs at 22,050 Hz and draws from the caller's generator, so a seed repeats a run.
//
// Plain values and single-threaded helpers.

#include "app/tones/ToneStandard.h"

#include <array>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace ToneBench {

inline constexpr int ChannelRate = 22050;

// How far an encoder's tone may be off its nominal pitch: what the bench assumes of a real one,
// and a tight encoder that multimon-ng, which allows well under 1 %, can follow.
inline constexpr double EncoderDetune = 0.015;
inline constexpr double TightEncoderDetune = 0.005;

// A sample in full-scale units (1 = 32767), rounded and clipped to 16 bits.
std::int16_t ToSample(double value);

// Five digits 0-9; equal neighbours are sounded with the repeat tone.
std::string RandomCode(std::mt19937& random);

// One alarm as it leaves the transmitter: silence, the code, a 600 ms pause, the code again,
// silence; every tone up to `maxDetune` off in pitch and 10 ms in length. Samples are in
// full-scale units (1 = 32767).
struct TAlarmSound {
    std::vector<double> Samples{};
    // Mean square of the samples while a tone sounds: what the signal-to-noise ratio refers to.
    double TonePower = 0.0;
};

TAlarmSound SoundAlarm(TToneStandard standard, const std::string& code, double maxDetune,
                       std::mt19937& random);

// 300-3000 Hz, a fourth-order Butterworth high-pass and low-pass in biquad sections.
class TBandPass {
public:
    TBandPass();
    double operator()(double sample);

private:
    struct TBiquad {
        double B0 = 0.0, B1 = 0.0, B2 = 0.0, A1 = 0.0, A2 = 0.0;
        double Z1 = 0.0, Z2 = 0.0;
    };
    std::array<TBiquad, 4> Sections_{};
};

// A slowly fading amplitude: the magnitude of a complex Gaussian low-passed to 2 Hz, with a
// mean square of 1, so a faded signal keeps its average power.
class TRayleighFading {
public:
    explicit TRayleighFading(std::uint32_t seed);
    // The gain for the next sample.
    double Next();

private:
    void Step();

    std::mt19937 Random_;
    std::normal_distribution<double> Gauss_{};
    std::complex<double> First_{};
    std::complex<double> Second_{};
    double Before_ = 0.0;
    double After_ = 0.0;
    int SinceStep_ = 0;
};

// The alarm at the receiver: tones (faded, when `fading` is given) plus white noise whose share
// inside 300-3000 Hz is `snrDb` below the tone power; rounded and clipped to 16 bits.
std::vector<std::int16_t> Receive(const TAlarmSound& alarm, double snrDb, TRayleighFading* fading,
                                  std::mt19937& random);

// Noise alone, band-limited to 300-3000 Hz, with the given mean square.
std::vector<std::int16_t> BandLimitedNoise(std::size_t count, double power, std::mt19937& random);

} // namespace ToneBench
