// An independent decoder as the judge: Debian's multimon-ng reads the simulator's WAV files and
// must hear the same digits as ours. Skipped, with the reason printed, where it is missing.

#include "app/tones/ToneDecoder.h"
#include "app/tones/WavReader.h"
#include "tools/encoder-sim/program/AlarmAudio.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

namespace {

using namespace EncoderSim;

constexpr int CodesPerStandard = 200;

struct CrossCheckCase {
    TToneStandard standard;
    const char* demodulator;
};

std::string RandomCode(std::mt19937& random) {
    std::uniform_int_distribution<int> digit(0, 9);
    std::string code;
    for (int i = 0; i < 5; ++i)
        code += static_cast<char>('0' + digit(random));
    return code;
}

// multimon-ng prints the repeat tone as E; ours expands it into the digit it repeats.
std::string ExpandRepeats(std::string digits) {
    for (std::size_t i = 1; i < digits.size(); ++i)
        if (digits[i] == 'E')
            digits[i] = digits[i - 1];
    return digits;
}

std::vector<std::string> MultimonDigits(const std::string& rawPath, const char* demodulator) {
    const std::string command = std::string("multimon-ng -q -c -a ") + demodulator + " -t raw '" +
                                rawPath + "' 2>/dev/null";
    std::vector<std::string> codes;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return codes;
    char line[256];
    const std::string prefix = std::string(demodulator) + ": ";
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        if (text.starts_with(prefix))
            codes.push_back(ExpandRepeats(text.substr(prefix.size())));
    }
    pclose(pipe);
    return codes;
}

// Test lists show the standard, not the case's bytes.
void PrintTo(const CrossCheckCase& c, std::ostream* os) {
    *os << c.demodulator;
}

class MultimonCrossCheck : public testing::TestWithParam<CrossCheckCase> {};

TEST_P(MultimonCrossCheck, SameDigitsAsOurs) {
    if (std::system("multimon-ng -h >/dev/null 2>&1") == 127 ||
        std::system("command -v multimon-ng >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "multimon-ng is not installed (scripts/install-deps.sh installs it); "
                        "the cross-check against it is skipped";
    const CrossCheckCase& c = GetParam();
    const auto base = std::filesystem::temp_directory_path() /
                      ("cross-" + std::string(c.demodulator) + "-" + std::to_string(getpid()));
    const std::string wavPath = base.string() + ".wav";
    const std::string rawPath = base.string() + ".raw";

    std::mt19937 random(static_cast<unsigned>(c.standard) + 1);
    std::vector<std::string> sent;
    {
        // Each code once and no two-tone pair: the digits are what is compared.
        TAlarmSoundSettings settings;
        settings.Standard = c.standard;
        settings.Limits.Of(c.standard).Repeated = false;
        TAlarmAudio audio(settings, std::make_unique<TWavWriter>(wavPath, AudioFileRate), {},
                          AudioFileRate);
        for (int i = 0; i < CodesPerStandard; ++i) {
            sent.push_back(RandomCode(random));
            audio.Sound(
                {DecodeStxFrame("\x02@" + sent.back() + "W\x03"), TAlarmOutcome::Transmitting, 0});
        }
    }

    // Both decoders get the same samples: ours through the WAV reader, multimon-ng raw at the
    // file's 22050 Hz, its native rate.
    std::ifstream wav(wavPath, std::ios::binary);
    TWavReader reader(wav);
    ASSERT_EQ(reader.SampleRate(), 22050);
    TToneDecoder decoder(c.standard, reader.SampleRate());
    std::ofstream raw(rawPath, std::ios::binary);
    std::vector<std::int16_t> chunk(4096);
    while (const std::size_t count = reader.Read(chunk.data(), chunk.size())) {
        decoder.Feed(chunk.data(), count);
        raw.write(reinterpret_cast<const char*>(chunk.data()),
                  static_cast<std::streamsize>(2 * count));
    }
    raw.close();
    decoder.Flush();
    std::vector<std::string> ours;
    for (const THeardSignal& signal : decoder.TakeHeard())
        if (signal.Kind == THeardKind::Sequence)
            ours.push_back(signal.Digits);

    EXPECT_EQ(ours, sent);
    EXPECT_EQ(MultimonDigits(rawPath, c.demodulator), ours);
    std::filesystem::remove(wavPath);
    std::filesystem::remove(rawPath);
}

INSTANTIATE_TEST_SUITE_P(Tones, MultimonCrossCheck,
                         testing::Values(CrossCheckCase{TToneStandard::Zvei1, "ZVEI1"},
                                         CrossCheckCase{TToneStandard::Zvei2, "ZVEI2"},
                                         CrossCheckCase{TToneStandard::Zvei3, "ZVEI3"},
                                         CrossCheckCase{TToneStandard::Dzvei, "DZVEI"},
                                         CrossCheckCase{TToneStandard::Ccir, "CCIR"}),
                         [](const auto& info) { return std::string(info.param.demodulator); });

} // namespace
