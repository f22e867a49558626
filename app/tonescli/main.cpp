// quorvane-tones: prints the selective-call sequences, long tones and two-tone alarms heard in
// a recording or in raw samples on standard input. See --help.

#include "app/outputfile/OutputTarget.h"
#include "app/tonecheck/AlarmJudge.h"
#include "app/tonecheck/LimitsFile.h"
#include "app/tonecheck/MeasurementSheet.h"
#include "app/tonepicture/AlarmPicture.h"
#include "app/tonepicture/FontsWithoutWindow.h"
#include "app/tonepicture/PictureFile.h"
#include "app/tones/SampleRing.h"
#include "app/tones/ToneDecoder.h"
#include "app/tones/WavReader.h"
#include "app/tonescli/HeardFormat.h"
#include "app/tonescli/ToneCommandLine.h"
#include "runtime/StandardOutput.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t ChunkSamples = 4096;
// The picture shows the alarm within the last minute of input.
constexpr double PictureSeconds = 60.0;

// The reason the first write to standard output failed; 0 while every one went through.
int OutputError = 0;

void FlushOutput() {
    if (std::fflush(stdout) != 0 && OutputError == 0)
        OutputError = errno != 0 ? errno : EIO;
}

int Refuse(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", TonesProgramName.data(), message.c_str());
    return 2;
}

// Prints what the decoder completed and keeps it for the verdict and the picture.
void PrintHeard(TToneDecoder& decoder, const TToneOptions& options,
                std::vector<THeardSignal>& all) {
    std::vector<THeardSignal> heard = decoder.TakeHeard();
    std::stable_sort(heard.begin(), heard.end(),
                     [](const auto& a, const auto& b) { return a.StartSeconds < b.StartSeconds; });
    for (const THeardSignal& signal : heard)
        std::printf("%s\n", FormatHeard(signal, options.Standard, options.Json).c_str());
    // A live stream on standard input shows each signal as it ends.
    FlushOutput();
    all.insert(all.end(), heard.begin(), heard.end());
}

TAlarmJudgement Judge(const TToneOptions& options, const std::vector<THeardSignal>& heard) {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    const TLoadedLimits loaded = LoadToneLimits(LimitsFileCandidates(program.parent_path()));
    for (const std::string& message : loaded.Messages)
        std::fprintf(stderr, "%s: %s\n", TonesProgramName.data(), message.c_str());
    std::string symbols = *options.Expect;
    for (char& symbol : symbols)
        symbol = static_cast<char>(std::toupper(static_cast<unsigned char>(symbol)));
    const TExpectedAlarm expected{options.Standard, symbols, options.PreTone, options.AlarmType};
    return JudgeAlarm(expected, loaded.Limits, heard);
}

// Nothing when the picture is written; else why not. The alarm starts with the first signal
// heard when one was expected, else with the audio the picture has.
std::optional<std::string> DrawPicture(const std::string& path,
                                       const TSampleRing<std::int16_t>& tail, int rate,
                                       const std::vector<THeardSignal>& heard,
                                       const std::optional<TAlarmJudgement>& judgement) {
    const std::vector<std::int16_t> samples = tail.Since(0);
    const TToneAudio audio{samples.data(), samples.size(), rate,
                           static_cast<double>(tail.Total() - samples.size()) / rate};
    double alarmStart = audio.StartSeconds;
    if (judgement && !heard.empty())
        alarmStart = std::ranges::min(heard, {}, &THeardSignal::StartSeconds).StartSeconds;
    const QImage image =
        DrawAlarmPicture({audio, alarmStart, judgement ? judgement->Marks : UnjudgedMarks(heard),
                          judgement ? judgement->Bands : std::vector<TExpectedBand>{}});
    if (image.isNull())
        return "no audio";
    return WritePicturePng(image, QFile::decodeName(path.c_str()));
}

// Raw little-endian 16-bit samples until the end of the stream; a last odd byte is dropped.
std::size_t ReadRaw(std::istream& in, std::int16_t* out, std::size_t capacity) {
    std::array<unsigned char, 2 * ChunkSamples> bytes;
    in.read(reinterpret_cast<char*>(bytes.data()),
            static_cast<std::streamsize>(2 * std::min(capacity, ChunkSamples)));
    const auto samples = static_cast<std::size_t>(in.gcount()) / 2;
    for (std::size_t i = 0; i < samples; ++i)
        out[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

// A full disk or a closed pipe on standard output is a failure, not a run that printed nothing.
int OutputWritten(int status) {
    FlushOutput();
    if (OutputError == 0)
        return status;
    return Refuse(std::string("cannot write the output: ") + std::strerror(OutputError));
}

int Decode(std::istream& in, const TToneOptions& options, const std::string& inputName) {
    std::optional<TWavReader> wav;
    int rate = 0;
    if (options.RawRate) {
        rate = *options.RawRate;
    } else {
        try {
            wav.emplace(in);
        } catch (const TWavError& error) {
            return Refuse(inputName + ": " + error.what());
        }
        rate = wav->SampleRate();
        if (rate < MinToneSampleRate || rate > MaxToneSampleRate)
            return Refuse(inputName + ": sample rate " + std::to_string(rate) +
                          " Hz is outside 8000 to 48000 Hz");
    }

    TToneDecoder decoder(options.Standard, rate);
    std::vector<THeardSignal> heard;
    // The last minute of input, for the picture.
    TSampleRing<std::int16_t> tail(static_cast<std::size_t>(PictureSeconds * rate));
    std::vector<std::int16_t> samples(ChunkSamples);
    for (;;) {
        const std::size_t count = wav ? wav->Read(samples.data(), samples.size())
                                      : ReadRaw(in, samples.data(), samples.size());
        if (count == 0)
            break;
        decoder.Feed(samples.data(), count);
        if (options.Png)
            tail.Push(samples.data(), count);
        PrintHeard(decoder, options, heard);
    }
    // A stream that fails to read (standard input from a folder, a device error) looks ended to
    // the stream; stdio still knows.
    if (in.bad() || (&in == &std::cin && std::ferror(stdin)))
        return Refuse("cannot read " + inputName + ": " + std::strerror(errno));
    if (wav && wav->CutShort())
        std::fprintf(stderr,
                     "%s: %s is cut short: its header gives more sample data than it holds; "
                     "decoded as far as it goes\n",
                     TonesProgramName.data(), inputName.c_str());
    decoder.Flush();
    PrintHeard(decoder, options, heard);
    const std::optional<TAlarmJudgement> judgement =
        options.Expect ? std::optional(Judge(options, heard)) : std::nullopt;
    if (judgement)
        std::printf("%s\n", FormatVerdict(*judgement, options.Json).c_str());
    if (judgement && options.Sheet && !options.Json)
        std::printf("%s", SheetText(*judgement).c_str());
    if (!options.Png)
        return 0;
    if (const auto reason = DrawPicture(*options.Png, tail, rate, heard, judgement))
        return Refuse("cannot write the picture " + *options.Png + ": " + *reason);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const auto parsed = ParseToneCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.Options) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", TonesProgramName.data(),
                     parsed.Error.c_str(), TonesProgramName.data());
        return 2;
    }
    const TToneOptions& options = *parsed.Options;
    if (options.Help)
        return PrintOnStandardOutput(TonesProgramName, ToneUsageText());
    if (options.Png)
        // Standard input, when it is a file, is known by what /dev/stdin leads to.
        if (const auto problem = RefusedOutput(
                *options.Png, {options.Input == StandardInputName ? "/dev/stdin" : options.Input}))
            return Refuse("refusing to write the picture " + *options.Png + ": " + *problem);
    // The picture's texts need fonts; plain decoding needs no GUI at all.
    const auto fonts = options.Png ? StartFontsWithoutWindow(TonesProgramName.data()) : nullptr;
    if (options.Input == StandardInputName)
        return OutputWritten(Decode(std::cin, options, "standard input"));

    std::error_code error;
    if (std::filesystem::is_directory(options.Input, error))
        return Refuse("cannot read " + options.Input + ": it is a folder");
    std::ifstream file(options.Input, std::ios::binary);
    if (!file)
        return Refuse("cannot open " + options.Input + ": " + std::strerror(errno));
    return OutputWritten(Decode(file, options, options.Input));
}
