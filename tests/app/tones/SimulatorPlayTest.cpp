// The simulated encoder's --play through Qt Multimedia into a PulseAudio null sink that the test
// starts in a runtime folder of its own; parec records the sink's monitor and our decoder must
// hear the alarm. Skipped, with the reason printed, where PulseAudio is missing.

#include "app/tonecheck/ToneNames.h"
#include "app/tones/ToneDecoder.h"
#include "app/tones/WavReader.h"
#include "tests/app/program/ChildProcess.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// The full path of a program on PATH, or empty.
std::string Which(const std::string& program) {
    FILE* pipe = popen(("command -v " + program + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return {};
    char line[512] = {};
    const bool found = std::fgets(line, sizeof line, pipe) != nullptr;
    pclose(pipe);
    std::string path = found ? line : "";
    while (!path.empty() && path.back() == '\n')
        path.pop_back();
    return path;
}

bool WaitFor(const std::filesystem::path& path, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

TEST(SimulatorPlay, AlarmSoundsOnTheDefaultOutput) {
    const std::string pulseaudio = Which("pulseaudio");
    const std::string parec = Which("parec");
    if (pulseaudio.empty() || parec.empty())
        GTEST_SKIP() << "pulseaudio or parec is not installed; --play is not tried";
    const auto folder =
        std::filesystem::temp_directory_path() / ("quorvane-play-" + std::to_string(getpid()));
    const auto runtime = folder / "runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    const std::vector<std::pair<std::string, std::string>> environment{
        {"XDG_RUNTIME_DIR", runtime.string()}, {"HOME", runtime.string()}};
    {
        TChildProcess server(pulseaudio,
                             {"--daemonize=no", "--exit-idle-time=-1", "-n",
                              "--load=module-null-sink sink_name=quorvane_test",
                              "--load=module-native-protocol-unix", "--log-target=stderr"},
                             environment, folder.string());
        ASSERT_TRUE(WaitFor(runtime / "pulse" / "native", 10s)) << "PulseAudio did not start";
        const std::string recording = (folder / "heard.wav").string();
        TChildProcess recorder(parec,
                               {"--device=quorvane_test.monitor", "--rate=22050", "--channels=1",
                                "--format=s16le", "--file-format=wav", recording},
                               environment, folder.string());
        TChildProcess simulator(
            SIM_PROGRAM_PATH,
            {"--dir", folder.string(), "--play", "--tones", "eea", "--tx-ms", "100"}, environment,
            folder.string());
        ASSERT_TRUE(WaitFor(folder / "COM1", 10s)) << "the simulator made no link";
        const int line = open((folder / "COM1").c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(line, 0);
        const std::string telegram = "\x02"
                                     "1"
                                     "90210"
                                     "W\x03"; // "Tonruf I  kurz", 90210, "Warnung": no pair
        ASSERT_EQ(write(line, telegram.data(), telegram.size()),
                  static_cast<ssize_t>(telegram.size()));
        // The alarm sounds for about 2.7 s; the output adds its own latency.
        std::this_thread::sleep_for(6s);
        close(line);
        simulator.Stop();
        recorder.Stop();

        std::ifstream file(recording, std::ios::binary);
        TWavReader reader(file);
        TToneDecoder decoder(TToneStandard::Eea, reader.SampleRate());
        std::vector<std::int16_t> chunk(4096);
        while (const std::size_t count = reader.Read(chunk.data(), chunk.size()))
            decoder.Feed(chunk.data(), count);
        decoder.Flush();
        std::vector<std::string> heard;
        for (const THeardSignal& signal : decoder.TakeHeard())
            heard.push_back(signal.Kind == THeardKind::Sequence ? signal.Digits
                                                                : NameOfHeard(signal));
        EXPECT_EQ(heard, (std::vector<std::string>{"Tonruf I", "90210", "90210"}));
    }
    std::filesystem::remove_all(folder);
}

} // namespace
