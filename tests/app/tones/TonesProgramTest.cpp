// Runs quorvane-tones as a process on a recording the simulated encoder wrote, the way
// technicians and scripts use it.

#include "tools/encoder-sim/program/AlarmAudio.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace EncoderSim;

struct ProgramRun {
    int status;
    std::string output; // standard output and error together
};

ProgramRun RunTones(const std::string& arguments) {
    const std::string command = std::string(TONES_PROGRAM_PATH) + " " + arguments + " 2>&1";
    ProgramRun run{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char chunk[512];
    while (const std::size_t got = std::fread(chunk, 1, sizeof chunk, pipe))
        run.output.append(chunk, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class TonesProgram : public testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ =
            std::filesystem::temp_directory_path() / ("quorvane-tones-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder_);
        TAlarmAudio audio(TSelcallStandard::Ccir,
                          std::make_unique<TWavWriter>(Path("alarm.wav"), AudioFileRate), {},
                          AudioFileRate);
        audio.Sound({DecodeStxFrame("\x02"
                                    "3"
                                    "11223"
                                    "F\x03"),
                     TAlarmOutcome::Transmitting, 0});
        // The same samples without their 44-byte header, as raw input.
        std::ifstream wav(Path("alarm.wav"), std::ios::binary);
        wav.seekg(44);
        std::ofstream(Path("alarm.raw"), std::ios::binary) << wav.rdbuf();
        std::ofstream(Path("text.wav")) << "no audio here";
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(folder_); }
    static std::string Path(const char* name) { return (folder_ / name).string(); }

    static std::filesystem::path folder_;
};

std::filesystem::path TonesProgram::folder_;

TEST_F(TonesProgram, PrintsWhatItHearsAndExitsByWhetherItCouldRead) {
    const struct {
        std::string arguments;
        int status;
        std::string output;
    } cases[] = {
        {Path("alarm.wav") + " --standard ccir", 0, " s: long tone 1750.0 Hz, "},
        {Path("alarm.wav") + " --standard=CCIR", 0, " s: sequence 11223 (CCIR), 0.500 s, tones 1"},
        {Path("alarm.wav") + " --standard ccir --json", 0,
         "\"frequencies\":[1750.0],\"name\":\"Tonruf I\"}\n"},
        {Path("alarm.wav") + " --json --standard ccir", 0,
         "\"duration\":0.500,\"standard\":\"CCIR\",\"digits\":\"11223\",\"tones\":[0.1"},
        {"- --rate 22050 --standard ccir < " + Path("alarm.raw"), 0, "sequence 11223 (CCIR)"},
        {"- --standard ccir < " + Path("alarm.wav"), 0, "sequence 11223 (CCIR)"},
        {Path("alarm.wav"), 0, "\"Tonruf I\"\n"}, // ZVEI1 by default: no CCIR sequence
        {Path("missing.wav"), 2, "cannot open " + Path("missing.wav") + ": No such file"},
        {Path("text.wav"), 2, "not a WAV file (no RIFF/WAVE header)"},
        {Path(""), 2, "it is a folder"},
        {"- --rate 22050 < /dev/null", 0, ""},
        {"", 2, "no input given"},
        {Path("alarm.wav") + " --standard zvei4", 2, "invalid value 'zvei4' for --standard"},
        {"- --rate 96000", 2, "invalid value '96000' for --rate (expected 8000 to 48000 Hz)"},
        {Path("alarm.wav") + " --rate 8000", 2, "--rate is for raw samples on standard input"},
        {"--help", 0, "Usage: quorvane-tones FILE.wav|-"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = RunTones(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.output), std::string::npos) << c.arguments << "\n"
                                                                << run.output;
    }
    EXPECT_EQ(RunTones(Path("alarm.wav")).output.find("sequence"), std::string::npos);
}

} // namespace
