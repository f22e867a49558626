// quorvane-encoder-sim: a simulated alarm encoder on a virtual serial port, for trying Quorvane
// without hardware and for whole-program tests. See --help.

#include "app/tonecheck/LimitsFile.h"
#include "runtime/StandardOutput.h"
#include "tools/encoder-sim/encoder/EncoderSimulator.h"
#include "tools/encoder-sim/player/AudioPlayer.h"
#include "tools/encoder-sim/program/AlarmAudio.h"
#include "tools/encoder-sim/program/CommandLine.h"
#include "tools/encoder-sim/program/EventFormat.h"
#include "tools/encoder-sim/program/LinePrinter.h"
#include "tools/virtualport/VirtualComPort.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <pthread.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace EncoderSim;

namespace {

std::filesystem::path ProgramFolder() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
}

// The alarms' tones, when --audio or --play asks for them.
std::optional<TAlarmAudio> MakeAlarmAudio(const TSimOptions& options,
                                          std::optional<TAudioPlayer>& player) {
    if (!options.AudioFile && !options.Play)
        return std::nullopt;
    std::unique_ptr<TWavWriter> writer;
    if (options.AudioFile)
        writer = std::make_unique<TWavWriter>(*options.AudioFile, AudioFileRate);
    TPlaySamples play;
    if (options.Play) {
        player.emplace();
        play = [&player](std::vector<std::int16_t> samples) { player->Play(std::move(samples)); };
    }
    const TLoadedLimits limits = LoadToneLimits(LimitsFileCandidates(ProgramFolder()));
    for (const std::string& message : limits.Messages)
        std::fprintf(stderr, "%s: %s\n", SimProgramName.data(), message.c_str());
    return TAlarmAudio({options.Tones, limits.Limits, options.SoundFaults}, std::move(writer),
                       std::move(play), player ? player->SampleRate() : AudioFileRate);
}

int Run(const TSimOptions& options, const sigset_t& stopSignals) {
    // Made before the simulator, so they outlive every event it delivers.
    std::optional<TAudioPlayer> player;
    std::optional<TAlarmAudio> audio = MakeAlarmAudio(options, player);
    TLinePrinter printer(STDOUT_FILENO, stopSignals);
    std::optional<TVirtualComDir> dir;
    if (options.Dir)
        dir.emplace(*options.Dir, false);
    else
        dir.emplace(false);
    TVirtualComPort port(*dir, options.ComNumber);
    TEncoderSimulator simulator(port.MasterFd(), options.Settings, port.TerminalPath());
    if (!simulator.WatchesPeerCloses())
        std::fprintf(stderr,
                     "%s: cannot watch the port for closes; a program that opens it exclusively "
                     "may not be able to open it again\n",
                     SimProgramName.data());
    simulator.SetOnEvent([&printer, &audio, json = options.Json](const TSimEvent& event) {
        printer.Post(FormatEvent(event, json));
        if (const auto* frame = std::get_if<TReceivedFrame>(&event); frame && audio)
            audio->Sound(*frame);
    });

    for (auto& line : FormatStart(
             {dir->Path(), port.LinkPath(), port.TerminalPath(), options.Settings}, options.Json))
        printer.Post(std::move(line));
    simulator.Start();
    printer.RunUntilSignal();
    simulator.Stop();
    if (std::size_t lost = printer.Finish(); lost > 0)
        std::fprintf(stderr, "%s: %zu lines not printed: nobody read them\n", SimProgramName.data(),
                     lost);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    auto parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.Options) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", SimProgramName.data(),
                     parsed.Error.c_str(), SimProgramName.data());
        return 2;
    }
    if (parsed.Options->Help)
        return PrintOnStandardOutput(SimProgramName, UsageText());

    // The stop signals arrive through the printer's signalfd; every thread started later
    // inherits the mask, so none of them is interrupted.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    // A reader that goes away must not kill the encoder before it removes its link.
    std::signal(SIGPIPE, SIG_IGN);

    try {
        return Run(*parsed.Options, stopSignals);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", SimProgramName.data(), error.what());
        return 1;
    }
}
