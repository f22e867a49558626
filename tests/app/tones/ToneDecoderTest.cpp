#include "app/tones/ToneDecoder.h"

#include "app/tonecheck/ToneNames.h"
#include "app/tones/SampleRing.h"
#include "tests/app/tones/TestSignals.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using EncoderSim::TToneBurst;

std::vector<THeardSignal> Decode(TToneStandard standard, int sampleRate,
                                 const std::vector<std::int16_t>& samples) {
    TToneDecoder decoder(standard, sampleRate);
    // Uneven chunks, as an audio device delivers them.
    for (std::size_t at = 0; at < samples.size(); at += 1237)
        decoder.Feed(samples.data() + at, std::min<std::size_t>(1237, samples.size() - at));
    decoder.Flush();
    return decoder.TakeHeard();
}

std::vector<std::string> Sequences(const std::vector<THeardSignal>& heard) {
    std::vector<std::string> digits;
    for (const THeardSignal& signal : heard)
        if (signal.Kind == THeardKind::Sequence)
            digits.push_back(signal.Digits);
    return digits;
}

struct SequenceCase {
    const char* name;
    TToneStandard standard;
    const char* sent;  // as transmitted: E is the repeat tone
    const char* heard; // empty: no sequence at all
    SignalShape shape{};
    double frequencyScale = 1.0;
    double lengthScale = 1.0;
    // Tones far off the table are named by the nearest, which is a guess.
    bool certain = true;
    // How closely tones are placed: far down in noise, only to the search's grid.
    double placedSeconds = 0.006;
};

// Test lists show the case's name, not its bytes.
void PrintTo(const SequenceCase& c, std::ostream* os) {
    *os << c.name;
}

class SequenceDecoding : public testing::TestWithParam<SequenceCase> {};

TEST_P(SequenceDecoding, HearsWhatWasSent) {
    const SequenceCase& c = GetParam();
    const auto samples =
        Render(SequenceBursts(c.standard, c.sent, c.frequencyScale, c.lengthScale), c.shape);
    const auto heard = Decode(c.standard, c.shape.sampleRate, samples);
    const std::vector<std::string> expected =
        *c.heard ? std::vector<std::string>{c.heard} : std::vector<std::string>{};
    EXPECT_EQ(Sequences(heard), expected);
    for (const THeardSignal& signal : heard) {
        if (signal.Kind != THeardKind::Sequence)
            continue;
        EXPECT_EQ(signal.Certain, c.certain);
        EXPECT_NEAR(signal.StartSeconds, 0.5, c.placedSeconds);
        const double tone = TableOf(c.standard).ToneSeconds * c.lengthScale;
        ASSERT_EQ(signal.Tones.size(), signal.Digits.size());
        for (const TMeasuredTone& measured : signal.Tones)
            EXPECT_NEAR(measured.Seconds, tone, c.placedSeconds);
    }
}

constexpr SignalShape Noisy(int rate, double level) {
    return {rate, level, 10.0, 0.0};
}

const SequenceCase SequenceCases[] = {
    // Every symbol of every standard; E opening a sequence is the repeat tone on its own.
    {"Zvei1All", TToneStandard::Zvei1, "E0123456789ABCD", "E0123456789ABCD"},
    {"Zvei2All", TToneStandard::Zvei2, "E0123456789ABCD", "E0123456789ABCD"},
    {"Zvei3All", TToneStandard::Zvei3, "E0123456789ABCD", "E0123456789ABCD"},
    {"DzveiAll", TToneStandard::Dzvei, "E0123456789ABCD", "E0123456789ABCD"},
    {"CcirAll", TToneStandard::Ccir, "E0123456789ABCD", "E0123456789ABCD"},
    {"EeaAll", TToneStandard::Eea, "E0123456789ABCD", "E0123456789ABCD"},
    {"ReverseOrder", TToneStandard::Ccir, "DCBA9876543210", "DCBA9876543210"},
    {"Repeats", TToneStandard::Zvei1, "1E2E3", "11223"},
    {"RepeatedLetters", TToneStandard::Eea, "AEAE0", "AAAA0"},
    {"FiveTheSame", TToneStandard::Zvei2, "9E9E9", "99999"},
    // Tones off the norm are still heard, from half to one and a half times the length and
    // while closer to their symbol than to any other.
    {"ShortInside", TToneStandard::Eea, "12345", "12345", {}, 1.0, 0.55},
    {"LongInside", TToneStandard::Zvei1, "12345", "12345", {}, 1.0, 1.45},
    {"ShortOutside", TToneStandard::Zvei1, "12345", "", {}, 1.0, 0.45},
    {"LongOutside", TToneStandard::Ccir, "12345", "", {}, 1.0, 1.6},
    {"HighInside", TToneStandard::Zvei1, "67890", "67890", {}, 1.03, 1.0, false},
    {"LowInside", TToneStandard::Dzvei, "67890", "67890", {}, 0.97, 1.0, false},
    {"NamedByNeighbourAbove", TToneStandard::Zvei1, "67890", "78900", {}, 1.06, 1.0, false},
    // EEA's tones step by about 6.5 %, so these land on the neighbours' own frequencies.
    {"NamedByNeighbourBelow", TToneStandard::Eea, "67890", "56789", {}, 0.94},
    {"TooFewTones", TToneStandard::Zvei1, "12", ""},
    // Noise, levels, DC offset and sample rates.
    {"Noise8k", TToneStandard::Eea, "0123456789", "0123456789", Noisy(8000, -10)},
    {"Noise11k", TToneStandard::Zvei1, "0123456789", "0123456789", Noisy(11025, -20)},
    {"Noise16k", TToneStandard::Zvei2, "0123456789", "0123456789", Noisy(16000, -30)},
    {"Noise22k", TToneStandard::Ccir, "0123456789", "0123456789", Noisy(22050, -40)},
    {"Noise32k", TToneStandard::Zvei3, "0123456789", "0123456789", Noisy(32000, 0)},
    {"Noise44k", TToneStandard::Eea, "0123456789", "0123456789", Noisy(44100, -40)},
    {"Noise48k", TToneStandard::Zvei1, "0123456789", "0123456789", Noisy(48000, 0)},
    {"DcOffset", TToneStandard::Zvei1, "1E2E3", "11223", {48000, -30, 10.0, 0.2}},
    // Far down in noise a code of five tones is still heard whole, once: here 4 dB (ZVEI), 3 dB
    // (CCIR) and 1 dB (EEA, short tones) below the noise inside the 300-3000 Hz band.
    {"DeepNoiseZvei",
     TToneStandard::Zvei1,
     "1E2E3",
     "11223",
     {22050, -26, -10.0, 0.0},
     1.015,
     1.0,
     true,
     0.012},
    {"DeepNoiseCcir",
     TToneStandard::Ccir,
     "90817",
     "90817",
     {16000, -26, -8.0, 0.0},
     0.985,
     1.0,
     true,
     0.012},
    {"DeepNoiseEea",
     TToneStandard::Eea,
     "24680",
     "24680",
     {8000, -26, -3.0, 0.0},
     1.0,
     1.0,
     true,
     0.012},
};

INSTANTIATE_TEST_SUITE_P(Tones, SequenceDecoding, testing::ValuesIn(SequenceCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct MeasureCase {
    const char* name;
    TToneStandard standard;
    int sampleRate;
    double frequencyScale;
    double lengthScale;
};

void PrintTo(const MeasureCase& c, std::ostream* os) {
    *os << c.name;
}

class ToneMeasurement : public testing::TestWithParam<MeasureCase> {};

// At 20 dB SNR every tone is measured to 1 Hz and 2 ms, also just either side of the norm's
// limits (1.5 % in frequency; 70 +-15 ms in ZVEI, 100 +-10 ms in CCIR).
TEST_P(ToneMeasurement, FrequencyAndLengthOfEveryTone) {
    const MeasureCase& c = GetParam();
    const TToneTable& table = TableOf(c.standard);
    const SignalShape shape{c.sampleRate, -10, 20.0, 0.0};
    const auto heard = Decode(
        c.standard, c.sampleRate,
        Render(SequenceBursts(c.standard, "1E2345", c.frequencyScale, c.lengthScale), shape));
    ASSERT_EQ(Sequences(heard), std::vector<std::string>{"112345"});
    const auto& tones = heard[0].Tones;
    for (std::size_t i = 0; i < tones.size(); ++i) {
        const double hz = table.FrequencyHz[ToneSymbols.find("1E2345"[i])] * c.frequencyScale;
        EXPECT_NEAR(tones[i].FrequencyHz, hz, 1.0) << "tone " << i + 1;
        EXPECT_NEAR(tones[i].Seconds, table.ToneSeconds * c.lengthScale, 0.002) << "tone " << i + 1;
        EXPECT_NEAR(tones[i].StartSeconds, 0.5 + i * table.ToneSeconds * c.lengthScale, 0.002);
        EXPECT_EQ(tones[i].GapSeconds, 0.0);
    }
}

const MeasureCase MeasureCases[] = {
    {"Nominal8k", TToneStandard::Zvei1, 8000, 1.0, 1.0},
    {"HighInside16k", TToneStandard::Zvei1, 16000, 1.014, 1.0},
    {"HighOutside48k", TToneStandard::Zvei1, 48000, 1.016, 1.0},
    {"LowInside48k", TToneStandard::Zvei3, 48000, 0.986, 1.0},
    {"LowOutside8k", TToneStandard::Zvei2, 8000, 0.984, 1.0},
    {"ShortInside16k", TToneStandard::Zvei1, 16000, 1.0, 56.0 / 70},
    {"ShortOutside8k", TToneStandard::Dzvei, 8000, 1.0, 54.0 / 70},
    {"LongInside48k", TToneStandard::Zvei1, 48000, 1.0, 84.0 / 70},
    {"LongOutside16k", TToneStandard::Zvei1, 16000, 1.0, 86.0 / 70},
    {"CcirShortOutside48k", TToneStandard::Ccir, 48000, 1.0, 0.89},
    {"CcirLongOutside8k", TToneStandard::Ccir, 8000, 1.0, 1.11},
    {"Eea16k", TToneStandard::Eea, 16000, 1.0, 1.0},
    // 8 kHz, nominal and 1.5 % off, at the length limits the tone checks hold (ZVEI 70 +-15 ms,
    // CCIR 100 +-20 ms, EEA 40 +-10 ms).
    {"ZveiShortHigh8k", TToneStandard::Zvei1, 8000, 1.015, 55.0 / 70},
    {"ZveiLongLow8k", TToneStandard::Zvei2, 8000, 0.985, 85.0 / 70},
    {"CcirNominal8k", TToneStandard::Ccir, 8000, 1.0, 1.0},
    {"CcirShortLow8k", TToneStandard::Ccir, 8000, 0.985, 0.8},
    {"CcirLongHigh8k", TToneStandard::Ccir, 8000, 1.015, 1.2},
    {"EeaNominal8k", TToneStandard::Eea, 8000, 1.0, 1.0},
    {"EeaShortHigh8k", TToneStandard::Eea, 8000, 1.015, 0.75},
    {"EeaLongLow8k", TToneStandard::Eea, 8000, 0.985, 1.25},
    // Rates whose analysis hops fall unevenly on the boundaries between the tones.
    {"CcirShortHigh11k", TToneStandard::Ccir, 11025, 1.015, 0.9},
    {"CcirLow22k", TToneStandard::Ccir, 22050, 0.985, 1.0},
    {"CcirNominal44k", TToneStandard::Ccir, 44100, 1.0, 1.0},
};

INSTANTIATE_TEST_SUITE_P(Tones, ToneMeasurement, testing::ValuesIn(MeasureCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct LongCase {
    const char* name;
    int sampleRate;
    std::vector<TToneBurst> bursts;
    THeardKind kind;
    std::vector<double> frequenciesHz;
    const char* text;
};

void PrintTo(const LongCase& c, std::ostream* os) {
    *os << c.name;
}

class LongSignals : public testing::TestWithParam<LongCase> {};

TEST_P(LongSignals, MeasuredAndNamed) {
    const LongCase& c = GetParam();
    std::vector<TToneBurst> bursts{{{}, 0.3}};
    bursts.insert(bursts.end(), c.bursts.begin(), c.bursts.end());
    bursts.push_back({{}, 0.3});
    // Tones of half a second and more are measured to 0.2 Hz and 5 ms at 20 dB SNR.
    const SignalShape shape{c.sampleRate, -20, 20.0, 0.0};
    const auto heard = Decode(TToneStandard::Zvei1, shape.sampleRate, Render(bursts, shape));
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].Kind, c.kind);
    EXPECT_EQ(NameOfHeard(heard[0]), c.text);
    EXPECT_NEAR(heard[0].StartSeconds, 0.3, 0.005);
    EXPECT_NEAR(heard[0].DurationSeconds, c.bursts[0].Seconds, 0.005);
    ASSERT_EQ(heard[0].FrequenciesHz.size(), c.frequenciesHz.size());
    for (std::size_t i = 0; i < c.frequenciesHz.size(); ++i)
        EXPECT_NEAR(heard[0].FrequenciesHz[i], c.frequenciesHz[i], 0.2);
    EXPECT_NEAR(heard[0].LevelDifferenceDb, 0.0, 0.3);
}

const LongCase LongCases[] = {
    {"LowestPreTone", 8000, {{{367.5}, 1.0}}, THeardKind::LongTone, {367.5}, "a (367.5 Hz)"},
    {"LastLetter", 16000, {{{1117.5}, 0.6}}, THeardKind::LongTone, {1117.5}, "z (1117.5 Hz)"},
    {"Umlaut", 48000, {{{3000}, 0.6}}, THeardKind::LongTone, {3000}, "\xC3\xA4 (3000  Hz)"},
    {"CallToneOne", 44100, {{{1750}, 2.0}}, THeardKind::LongTone, {1750}, "Tonruf I"},
    {"CallToneTwo", 8000, {{{2135}, 0.5}}, THeardKind::LongTone, {2135}, "Tonruf II"},
    {"UnnamedTone", 22050, {{{1500}, 0.4}}, THeardKind::LongTone, {1500}, ""},
    {"TwoToneB", 16000, {{{675, 825}, 0.6}}, THeardKind::TwoTone, {675, 825}, "675+825  (B)"},
    {"TwoToneC", 48000, {{{675, 2280}, 5.0}}, THeardKind::TwoTone, {675, 2280}, "675+2280(C)"},
    {"UnnamedPair", 8000, {{{700, 1500}, 1.0}}, THeardKind::TwoTone, {700, 1500}, ""},
};

INSTANTIATE_TEST_SUITE_P(Tones, LongSignals, testing::ValuesIn(LongCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ToneDecoder, NoSequenceFromFalseAlarmMaterial) {
    const int rate = 16000;
    const std::pair<const char*, std::vector<std::int16_t>> materials[] = {
        {"speech", SpeechLike(30.0, rate)},
        {"silence", std::vector<std::int16_t>(static_cast<std::size_t>(rate) * 10, 0)},
        {"noise", Render({{{}, 10.0}}, {rate, -20, 0.0, 0.0})},
        {"steady tone", Render({{{1400}, 10.0}}, {rate, -10, 200.0, 0.0})},
        {"short tone pulses",
         Render({{{1060}, 0.07}, {{}, 0.2}, {{1160}, 0.07}, {{}, 0.2}, {{1270}, 0.07}},
                {rate, -10, 200.0, 0.0})},
    };
    for (const auto& [name, samples] : materials) {
        for (TToneStandard standard : AllToneStandards)
            EXPECT_TRUE(Sequences(Decode(standard, rate, samples)).empty())
                << name << " in " << DisplayName(standard);
    }
}

TEST(ToneDecoder, CodeTooWeakAloneIsHeardWithItsRepeat) {
    // 10 dB below the noise inside the audio band: a single sending is at best uncertain, the
    // code and its repeat a second later are certain together.
    const auto once = SequenceBursts(TToneStandard::Zvei1, "27E81");
    auto twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    const auto certain = [](const std::vector<EncoderSim::TToneBurst>& bursts) {
        std::vector<std::string> digits;
        for (const THeardSignal& signal :
             Decode(TToneStandard::Zvei1, 22050, Render(bursts, {22050, -26, -16.0, 0.0})))
            if (signal.Kind == THeardKind::Sequence && signal.Certain)
                digits.push_back(signal.Digits);
        return digits;
    };
    EXPECT_EQ(certain(once), std::vector<std::string>{});
    EXPECT_EQ(certain(twice), (std::vector<std::string>{"27781", "27781"}));
}

TEST(ToneDecoder, ToneBrokenByNoiseIsOneTone) {
    // The second tone drops out for 8 ms, as a fade on the channel does; the third for 25 ms,
    // longer than noise breaks a tone, so it is heard as two tones: no code.
    const auto heard = [](double breakSeconds) {
        return Sequences(Decode(TToneStandard::Zvei1, 16000,
                                Render({{{}, 0.3},
                                        {{1060}, 0.07},
                                        {{1160}, 0.03},
                                        {{}, breakSeconds},
                                        {{1160}, 0.04 - breakSeconds},
                                        {{1270}, 0.07},
                                        {{}, 0.3}},
                                       {16000, -10, 200.0, 0.0})));
    };
    EXPECT_EQ(heard(0.008), std::vector<std::string>{"123"});
    EXPECT_EQ(heard(0.025), std::vector<std::string>{});
}

TEST(ToneDecoder, NothingStartsBeforeTheInput) {
    for (const int rate : {8000, 48000}) {
        // The input opens with a tone: the front end's delay must not place it before 0 s.
        const auto heard = Decode(
            TToneStandard::Zvei1, rate,
            Render({{{1060}, 0.07}, {{1160}, 0.07}, {{1270}, 0.07}, {{}, 0.3}, {{1750}, 0.5}},
                   {rate, -10, 200.0, 0.0}));
        ASSERT_EQ(heard.size(), 2u) << rate;
        EXPECT_GE(heard[0].StartSeconds, 0.0) << rate;
        EXPECT_NEAR(heard[0].StartSeconds, 0.0, 0.002) << rate;
        EXPECT_EQ(heard[0].Tones.at(0).StartSeconds, heard[0].StartSeconds) << rate;
        EXPECT_NEAR(heard[0].Tones.at(0).Seconds, 0.07, 0.003) << rate;
    }
}

TEST(ToneDecoder, LevelMeterAndRates) {
    TToneDecoder decoder(TToneStandard::Zvei1, 48000);
    EXPECT_EQ(decoder.InputLevelDbfs(), SilenceLevelDbfs);
    const auto tone = Render({{{1000}, 0.2}}, {48000, -20, 200.0, 0.3});
    decoder.Feed(tone.data(), tone.size() / 2);
    EXPECT_NEAR(decoder.InputLevelDbfs(), -20.0, 0.3);
    EXPECT_THROW(TToneDecoder(TToneStandard::Ccir, 7999), std::invalid_argument);
    EXPECT_THROW(TToneDecoder(TToneStandard::Ccir, 48001), std::invalid_argument);
}

TEST(TToneStandard, NamesParseBothWays) {
    for (TToneStandard standard : AllToneStandards) {
        EXPECT_EQ(ParseToneStandard(OptionName(standard)), standard);
        EXPECT_EQ(ParseToneStandard(DisplayName(standard)), standard);
    }
    EXPECT_EQ(ParseToneStandard("Ccir"), TToneStandard::Ccir);
    EXPECT_EQ(ParseToneStandard("zvei"), std::nullopt);
    EXPECT_EQ(ParseToneStandard(""), std::nullopt);
}

// The ring every stage keeps its recent samples in: positions count from the stream's start,
// the newest run is contiguous across the wrap, and what has left the ring is not read back.
TEST(SampleRing, KeepsTheNewestSamplesContiguousAcrossTheWrap) {
    TSampleRing<int> ring(4);
    EXPECT_EQ(std::vector<int>(ring.Newest(4), ring.Newest(4) + 4), (std::vector<int>{0, 0, 0, 0}));
    for (int sample = 1; sample <= 6; ++sample)
        ring.Push(sample);
    EXPECT_EQ(ring.Total(), 6u);
    EXPECT_EQ(ring.Oldest(), 2u);
    EXPECT_EQ(std::vector<int>(ring.Newest(4), ring.Newest(4) + 4), (std::vector<int>{3, 4, 5, 6}));
    EXPECT_EQ(std::vector<int>(ring.Newest(2), ring.Newest(2) + 2), (std::vector<int>{5, 6}));
    EXPECT_EQ(ring.At(2), 3);
    EXPECT_EQ(ring.At(5), 6);
    EXPECT_EQ(ring.Since(0), (std::vector<int>{3, 4, 5, 6})) << "the oldest have gone";
    EXPECT_EQ(ring.Since(4), (std::vector<int>{5, 6}));
    EXPECT_TRUE(ring.Since(6).empty());
}

} // namespace
