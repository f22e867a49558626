// The decoder on WAV files: the reader's refusals, and the files the simulated encoder writes
// for the alarms it takes.

#include "app/tonecheck/ToneNames.h"
#include "app/tones/ToneDecoder.h"
#include "app/tones/WavReader.h"
#include "tools/encoder-sim/program/AlarmAudio.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace {

using namespace EncoderSim;

std::string Le(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i));
    return out;
}

std::string WavBytes(std::uint16_t format, std::uint16_t channels, std::uint32_t rate,
                     std::uint16_t bits, const std::string& data) {
    const std::string fmt = Le(format, 2) + Le(channels, 2) + Le(rate, 4) +
                            Le(rate * channels * bits / 8, 4) + Le(channels * bits / 8, 2) +
                            Le(bits, 2);
    const std::string body = "WAVEfmt " + Le(16, 4) + fmt + "data" +
                             Le(static_cast<std::uint32_t>(data.size()), 4) + data;
    return "RIFF" + Le(static_cast<std::uint32_t>(body.size()), 4) + body;
}

struct RefusalCase {
    const char* name;
    std::string bytes;
    const char* message;
};

TEST(WavReader, RefusesWhatItCannotRead) {
    const RefusalCase cases[] = {
        {"empty", "", "the file ends inside the WAV header"},
        {"text", "hello, this is not audio", "not a WAV file (no RIFF/WAVE header)"},
        {"8-bit", WavBytes(1, 1, 8000, 8, "ab"), "unsupported 8-bit PCM; only 16-bit PCM is read"},
        {"float", WavBytes(3, 1, 8000, 32, "abcd"), "unsupported sample format 32-bit float"},
        {"mu-law", WavBytes(7, 1, 8000, 8, "ab"), "unsupported sample format mu-law"},
        {"extensible without its tail", WavBytes(0xFFFE, 1, 8000, 16, "ab"),
         "damaged format description"},
        {"many channels", WavBytes(1, 300, 8000, 16, ""), "unsupported 300 channels; at most 8"},
        {"no data", WavBytes(1, 1, 8000, 16, "").substr(0, 36), "no sample data"},
        {"cut header", WavBytes(1, 1, 8000, 16, "").substr(0, 30), "the file ends inside"},
    };
    for (const RefusalCase& c : cases) {
        std::istringstream in(c.bytes);
        try {
            TWavReader reader(in);
            ADD_FAILURE() << c.name << " was read";
        } catch (const TWavError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos)
                << c.name << ": " << error.what();
        }
    }
}

TEST(WavReader, MixesChannelsAndStopsAtTheDataEnd) {
    // Two stereo frames, then a trailing chunk the reader must not take for samples.
    std::istringstream in(
        WavBytes(1, 2, 11025, 16, Le(100, 2) + Le(300, 2) + Le(0xFFFF, 2) + Le(0xFFFD, 2)) +
        "LIST" + Le(4, 4) + "junk");
    TWavReader reader(in);
    EXPECT_EQ(reader.SampleRate(), 11025);
    std::int16_t samples[8] = {};
    ASSERT_EQ(reader.Read(samples, 8), 2u);
    EXPECT_EQ(samples[0], 200);
    EXPECT_EQ(samples[1], -2);
    EXPECT_EQ(reader.Read(samples, 8), 0u);
}

// What the decoder hears in a WAV file, read through the reader as quorvane-tones reads it.
std::vector<THeardSignal> DecodeFile(const std::string& path, TToneStandard standard) {
    std::ifstream file(path, std::ios::binary);
    TWavReader reader(file);
    TToneDecoder decoder(standard, reader.SampleRate());
    std::vector<std::int16_t> chunk(4096);
    while (const std::size_t count = reader.Read(chunk.data(), chunk.size()))
        decoder.Feed(chunk.data(), count);
    decoder.Flush();
    return decoder.TakeHeard();
}

TReceivedFrame Taken(TDecodedFrame frame, TAlarmOutcome outcome = TAlarmOutcome::Transmitting) {
    return {std::move(frame), outcome, 0};
}

TDecodedFrame TenChar(std::string code, char preTone, int item) {
    TDecodedFrame frame;
    frame.Family = TFrameFamily::TenCharacter;
    frame.Code = std::move(code);
    frame.PreTone = TOptionByte{static_cast<unsigned char>(preTone), item};
    return frame;
}

TEST(SimulatorAudio, EveryStandardDecodesFromTheSimulatorsFile) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("sim-tones-" + std::to_string(getpid()) + ".wav"))
                                 .string();
    for (const TToneStandard standard : AllToneStandards) {
        {
            TAlarmSoundSettings settings;
            settings.Standard = standard;
            TAlarmAudio audio(settings, std::make_unique<TWavWriter>(path, AudioFileRate), {},
                              AudioFileRate);
            audio.Sound(Taken(DecodeStxFrame(std::string("\x02"
                                                         "112345F\x03"))));
            audio.Sound(Taken(DecodeStxFrame(std::string("\x02"
                                                         "40:0;0F\x03")),
                              TAlarmOutcome::Dropped));
            audio.Sound(Taken(DecodeStxFrame(std::string("\x02"
                                                         "498877F\x03")),
                              TAlarmOutcome::Buffered));
            audio.Sound(Taken(TenChar("0123456789", 'c', 3)));
            audio.Sound(Taken(DecodeStxFrame(std::string("\x02"
                                                         "8:;<=0F\x03"))));
        }
        const auto heard = DecodeFile(path, standard);
        std::vector<std::string> seen;
        for (const THeardSignal& signal : heard) {
            seen.push_back(signal.Kind == THeardKind::Sequence ? signal.Digits
                                                               : NameOfHeard(signal));
            if (signal.Kind == THeardKind::LongTone)
                seen.back() += " " + std::to_string(std::lround(signal.DurationSeconds * 10));
        }
        // Pre-tone lengths in tenths of a second: 0.5 s kurz, 2.0 s lang, 1.0 s for a letter.
        // Every code twice; a fire alarm ("F") ends with its two-tone pair.
        EXPECT_EQ(seen, (std::vector<std::string>{"Tonruf I 5", "12345", "12345", "675+1240(E)",
                                                  "Tonruf II 20", "98877", "98877", "675+1240(E)",
                                                  "c (427.5 Hz) 10", "0123456789", "0123456789",
                                                  "ABCD0", "ABCD0", "675+1240(E)"}))
            << DisplayName(standard);
    }
    std::filesystem::remove(path);
}

TEST(SimulatorAudio, FaultsSoundInEveryNthAlarmOnly) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("sim-every-" + std::to_string(getpid()) + ".wav"))
                                 .string();
    {
        TAlarmAudio audio({.Faults = {.WrongDigit = true, .Every = 5}},
                          std::make_unique<TWavWriter>(path, AudioFileRate), {}, AudioFileRate);
        const TDecodedFrame frame = DecodeStxFrame(std::string("\x02@12345`\x03"));
        audio.Sound(Taken(frame, TAlarmOutcome::Dropped)); // never sounded, so never counted
        for (int alarm = 0; alarm < 20; ++alarm)
            audio.Sound(Taken(frame));
    }
    // Each alarm sounds its code twice: sequences 9 and 10 are the fifth alarm's.
    std::vector<std::size_t> faulty;
    std::size_t sequences = 0;
    for (const THeardSignal& signal : DecodeFile(path, TToneStandard::Zvei1)) {
        if (signal.Kind != THeardKind::Sequence)
            continue;
        ++sequences;
        if (signal.Digits != "12345")
            faulty.push_back(sequences);
    }
    EXPECT_EQ(sequences, 40u);
    EXPECT_EQ(faulty, (std::vector<std::size_t>{9, 10, 19, 20, 29, 30, 39, 40}));
    std::filesystem::remove(path);
}

} // namespace
