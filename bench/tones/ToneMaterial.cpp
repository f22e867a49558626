#include "bench/tones/ToneMaterial.h"

#include "bench/tones/ToneChannel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <random>
#include <span>

namespace ToneBench {

namespace {

constexpr double TwoPi = 2.0 * std::numbers::pi;
// Harmonics above this are left out: the band-pass takes them away anyway.
constexpr double TopHarmonicHz = 3400.0;
// Pitch and formants move smoothly enough to be set once per block of samples.
constexpr std::size_t BlockSamples = 64;

std::size_t SampleCount(double seconds) {
    return static_cast<std::size_t>(seconds * ChannelRate);
}

double Uniform(std::mt19937& random, double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random);
}

int UniformInt(std::mt19937& random, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
}

// sum of amplitudes[k - 1] * sin(k * phase): one sine and cosine per sample, the harmonics by
// the recursion sin(k x) = 2 cos(x) sin((k - 1) x) - sin((k - 2) x).
double Harmonics(double phase, std::span<const double> amplitudes) {
    const double twoCos = 2.0 * std::cos(phase);
    double before = 0.0;
    double current = std::sin(phase);
    double sum = 0.0;
    for (const double amplitude : amplitudes) {
        sum += amplitude * current;
        const double next = twoCos * current - before;
        before = current;
        current = next;
    }
    return sum;
}

std::size_t HarmonicCount(double fundamentalHz) {
    return static_cast<std::size_t>(std::max(1.0, std::floor(TopHarmonicHz / fundamentalHz)));
}

// Band-limits the raw sound and scales it to `power` over the samples where it sounded (the
// raw pauses are exact zeros).
std::vector<std::int16_t> ToLevel(std::vector<double> raw, double power) {
    TBandPass filter;
    double energy = 0.0;
    std::size_t sounding = 0;
    for (double& sample : raw) {
        const bool pause = sample == 0.0;
        sample = filter(sample);
        if (!pause) {
            energy += sample * sample;
            ++sounding;
        }
    }
    const double gain =
        std::sqrt(power / std::max(energy / std::max<std::size_t>(1, sounding), 1e-30));
    std::vector<std::int16_t> samples;
    samples.reserve(raw.size());
    for (const double sample : raw)
        samples.push_back(ToSample(gain * sample));
    return samples;
}

// ---- Speech-like ----

struct TFormants {
    std::array<double, 3> Hz{};
};

// Vowels of an adult male voice (a, e, i, o, u, ä); a female voice's are 15 % higher.
constexpr std::array<TFormants, 6> Vowels{{{{730, 1090, 2440}},
                                           {{530, 1840, 2480}},
                                           {{270, 2290, 3010}},
                                           {{570, 840, 2410}},
                                           {{300, 870, 2240}},
                                           {{660, 1720, 2410}}}};
constexpr std::array<double, 3> FormantBandwidthsHz{90, 110, 170};
constexpr std::array<double, 3> FormantGains{1.0, 0.6, 0.3};

// The vocal tract's gain at `hz`: a resonance peak at each formant over a small floor.
double FormantGain(const TFormants& formants, double hz) {
    double gain = 0.02;
    for (std::size_t i = 0; i < formants.Hz.size(); ++i) {
        const double offset = (hz - formants.Hz[i]) / (FormantBandwidthsHz[i] / 2.0);
        gain += FormantGains[i] / (1.0 + offset * offset);
    }
    return gain;
}

struct TSyllable {
    double Seconds = 0.0;
    double StartHz = 0.0; // pitch glides from here to EndHz
    double EndHz = 0.0;
    TFormants From{}; // formants move from here to To
    TFormants To{};
    double Loudness = 1.0;
};

// One voiced syllable appended to `out`; `phase` carries the voice on into the next syllable.
void AddSyllable(std::vector<double>& out, const TSyllable& syllable, double& phase) {
    const std::size_t count = SampleCount(syllable.Seconds);
    std::vector<double> amplitudes;
    for (std::size_t at = 0; at < count; at += BlockSamples) {
        const double share = static_cast<double>(at) / static_cast<double>(count);
        const double hz = syllable.StartHz * std::pow(syllable.EndHz / syllable.StartHz, share);
        TFormants formants;
        for (std::size_t i = 0; i < formants.Hz.size(); ++i)
            formants.Hz[i] = std::lerp(syllable.From.Hz[i], syllable.To.Hz[i], share);
        // The glottal source falls off about 6 dB per octave.
        amplitudes.resize(HarmonicCount(hz));
        for (std::size_t k = 1; k <= amplitudes.size(); ++k)
            amplitudes[k - 1] = FormantGain(formants, k * hz) / static_cast<double>(k);
        for (std::size_t i = at; i < std::min(count, at + BlockSamples); ++i) {
            phase = std::fmod(phase + TwoPi * hz / ChannelRate, TwoPi);
            const double envelope =
                std::pow(std::sin(std::numbers::pi * (i + 0.5) / static_cast<double>(count)), 0.6);
            out.push_back(syllable.Loudness * envelope * Harmonics(phase, amplitudes));
        }
    }
}

TFormants SpeakerVowel(std::mt19937& random, double formantScale) {
    TFormants vowel = Vowels[static_cast<std::size_t>(
        UniformInt(random, 0, static_cast<int>(Vowels.size()) - 1))];
    for (double& hz : vowel.Hz)
        hz *= formantScale;
    return vowel;
}

// A phrase of 3-12 syllables from one speaker, whose pitch drifts within its range.
void AddPhrase(std::vector<double>& out, std::mt19937& random) {
    const bool female = UniformInt(random, 0, 1) == 1;
    const double baseHz = female ? Uniform(random, 180, 240) : Uniform(random, 95, 135);
    const double formantScale = female ? 1.15 : 1.0;
    double phase = 0.0;
    double hz = baseHz * Uniform(random, 1.0, 1.2);
    TFormants vowel = SpeakerVowel(random, formantScale);
    for (int i = UniformInt(random, 3, 12); i > 0; --i) {
        TSyllable syllable;
        syllable.Seconds = Uniform(random, 0.12, 0.32);
        syllable.StartHz = hz;
        syllable.EndHz =
            std::clamp(hz * std::exp(Uniform(random, -0.25, 0.2)), 0.75 * baseHz, 1.6 * baseHz);
        syllable.From = vowel;
        syllable.To = vowel = SpeakerVowel(random, formantScale);
        syllable.Loudness = Uniform(random, 0.5, 1.0);
        AddSyllable(out, syllable, phase);
        hz = syllable.EndHz;
        // A stop consonant now and then: a short silence inside the phrase.
        if (UniformInt(random, 0, 9) < 4)
            out.resize(out.size() + SampleCount(Uniform(random, 0.02, 0.08)));
    }
}

std::vector<double> Speech(std::size_t count, std::mt19937& random) {
    std::vector<double> out;
    out.reserve(count + SampleCount(6.0));
    while (out.size() < count) {
        AddPhrase(out, random);
        out.resize(out.size() + SampleCount(Uniform(random, 0.25, 1.2)));
    }
    out.resize(count);
    return out;
}

// ---- Music-like ----

struct TNote {
    double Hz = 0.0;
    double Seconds = 0.0;
    double VibratoDepth = 0.0; // share of the pitch
    double Loudness = 1.0;
};

constexpr double AttackSeconds = 0.008;
constexpr double ReleaseSeconds = 0.03;
constexpr double VibratoHz = 5.5;
constexpr double VibratoOnsetSeconds = 0.15;

struct TPiece {
    double ConcertA = 440.0;
    // How fast the harmonics fall off: about 1 for strings, 2.5 for a flute.
    double Rolloff = 1.0;
};

double TemperedHz(const TPiece& piece, int midiNote) {
    return piece.ConcertA * std::pow(2.0, (midiNote - 69) / 12.0);
}

// Adds one note into `out` from `start` on; its release rings into what follows.
void AddNote(std::vector<double>& out, std::size_t start, const TNote& note, const TPiece& piece) {
    std::vector<double> amplitudes(HarmonicCount(note.Hz));
    for (std::size_t k = 1; k <= amplitudes.size(); ++k)
        amplitudes[k - 1] = note.Loudness * std::pow(static_cast<double>(k), -piece.Rolloff);
    const std::size_t count = std::min(SampleCount(note.Seconds + ReleaseSeconds),
                                       out.size() - std::min(start, out.size()));
    double phase = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / ChannelRate;
        const double vibrato = note.VibratoDepth * std::min(1.0, t / VibratoOnsetSeconds) *
                               std::sin(TwoPi * VibratoHz * t);
        phase = std::fmod(phase + TwoPi * note.Hz * (1.0 + vibrato) / ChannelRate, TwoPi);
        const double envelope = std::clamp(
            std::min(t / AttackSeconds, 1.0 - (t - note.Seconds) / ReleaseSeconds), 0.0, 1.0);
        out[start + i] += envelope * Harmonics(phase, amplitudes);
    }
}

// A held melody note high enough that its fundamental lies among the code tones.
double AddSustained(std::vector<double>& out, std::size_t start, const TPiece& piece,
                    std::mt19937& random) {
    const TNote note{TemperedHz(piece, UniformInt(random, 74, 100)), Uniform(random, 0.3, 1.2),
                     Uniform(random, 0.003, 0.01), 1.0};
    AddNote(out, start, note, piece);
    return note.Seconds;
}

// A triad or seventh chord, its notes sounding together.
double AddChord(std::vector<double>& out, std::size_t start, const TPiece& piece,
                std::mt19937& random) {
    const int root = UniformInt(random, 60, 84);
    const bool minor = UniformInt(random, 0, 1) == 1;
    std::vector<int> notes{root, root + (minor ? 3 : 4), root + 7};
    if (UniformInt(random, 0, 2) == 0)
        notes.push_back(root + 10);
    const double seconds = Uniform(random, 0.5, 1.5);
    const double depth = Uniform(random, 0.0, 0.005);
    for (const int midi : notes)
        AddNote(out, start, {TemperedHz(piece, midi), seconds, depth, 0.6}, piece);
    return seconds;
}

// 5-12 short notes stepping up or down a major scale, each 60-120 ms and steady in pitch.
double AddRun(std::vector<double>& out, std::size_t start, const TPiece& piece,
              std::mt19937& random) {
    constexpr std::array<int, 7> MajorSteps{2, 2, 1, 2, 2, 2, 1};
    const double noteSeconds = Uniform(random, 0.06, 0.12);
    const bool upwards = UniformInt(random, 0, 1) == 1;
    int midi = UniformInt(random, 76, 94);
    std::size_t degree = static_cast<std::size_t>(UniformInt(random, 0, 6));
    const int count = UniformInt(random, 5, 12);
    for (int i = 0; i < count; ++i) {
        AddNote(out, start + SampleCount(i * noteSeconds), {TemperedHz(piece, midi), noteSeconds},
                piece);
        if (upwards) {
            midi += MajorSteps[degree];
            degree = (degree + 1) % MajorSteps.size();
        } else {
            degree = (degree + MajorSteps.size() - 1) % MajorSteps.size();
            midi -= MajorSteps[degree];
        }
    }
    return count * noteSeconds;
}

// Pieces of 15-40 s, each with its own concert pitch within ±20 cents and its own timbre.
std::vector<double> Music(std::size_t count, std::mt19937& random) {
    std::vector<double> out(count);
    std::size_t at = 0;
    while (at < count) {
        const TPiece piece{440.0 * std::pow(2.0, Uniform(random, -20, 20) / 1200.0),
                           Uniform(random, 1.0, 2.5)};
        const std::size_t end = at + SampleCount(Uniform(random, 15, 40));
        while (at < std::min(end, count)) {
            const int pick = UniformInt(random, 0, 2);
            const double seconds = pick == 0   ? AddSustained(out, at, piece, random)
                                   : pick == 1 ? AddChord(out, at, piece, random)
                                               : AddRun(out, at, piece, random);
            at += SampleCount(seconds + Uniform(random, 0.0, 0.15));
        }
    }
    return out;
}

} // namespace

const char* MaterialName(TMaterialKind kind) {
    switch (kind) {
    case TMaterialKind::Noise:
        return "noise";
    case TMaterialKind::Speech:
        return "speech-like";
    case TMaterialKind::Music:
        return "music-like";
    }
    return "";
}

std::vector<std::int16_t> MakeMaterial(TMaterialKind kind, double seconds, double power) {
    std::mt19937 random(2000 + static_cast<unsigned>(kind));
    const std::size_t count = SampleCount(seconds);
    switch (kind) {
    case TMaterialKind::Noise:
        return BandLimitedNoise(count, power, random);
    case TMaterialKind::Speech:
        return ToLevel(Speech(count, random), power);
    case TMaterialKind::Music:
        return ToLevel(Music(count, random), power);
    }
    return {};
}

} // namespace ToneBench
