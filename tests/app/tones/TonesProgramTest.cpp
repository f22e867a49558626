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

// setup: shell commands run before the program in the same shell (limits, traps).
ProgramRun RunTones(const std::string& arguments, const std::string& setup = {}) {
    // Grouped, so that an argument may send standard output elsewhere while errors still come.
    const std::string command =
        "{ " + setup + std::string(TONES_PROGRAM_PATH) + " " + arguments + "; } 2>&1";
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
        // "Tonruf I  lang", 11223, "Feueralarm": call tone, code, repeat and two-tone pair.
        const TDecodedFrame frame = DecodeStxFrame("\x02"
                                                   "3"
                                                   "11223"
                                                   "F\x03");
        const std::pair<const char*, void (*)(TSoundFaults&)> recordings[] = {
            {"alarm.wav", [](TSoundFaults&) {}},
            {"detuned.wav", [](TSoundFaults& f) { f.DetunePercent = 2.0; }},
            {"stretched.wav", [](TSoundFaults& f) { f.StretchPercent = 30.0; }},
            {"wrong-digit.wav", [](TSoundFaults& f) { f.WrongDigit = true; }},
            {"wrong-pair.wav", [](TSoundFaults& f) { f.WrongPair = true; }},
            {"no-call-tone.wav", [](TSoundFaults& f) { f.NoCallTone = true; }},
        };
        for (const auto& [name, fault] : recordings) {
            TAlarmSoundSettings settings;
            settings.Standard = TToneStandard::Ccir;
            fault(settings.Faults);
            TAlarmAudio audio(settings, std::make_unique<TWavWriter>(Path(name), AudioFileRate), {},
                              AudioFileRate);
            audio.Sound({frame, TAlarmOutcome::Transmitting, 0});
        }
        // The same samples without their 44-byte header, as raw input.
        std::ifstream wav(Path("alarm.wav"), std::ios::binary);
        wav.seekg(44);
        std::ofstream(Path("alarm.raw"), std::ios::binary) << wav.rdbuf();
        std::ofstream(Path("text.wav")) << "no audio here";
        // The first half of a recording, its header unchanged.
        std::ifstream whole(Path("alarm.wav"), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(whole)), {});
        std::ofstream(Path("cut.wav"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
        std::filesystem::create_symlink(Path("alarm.wav"), Path("alarm-link.wav"));
        std::filesystem::create_directories(Path("folder.png"));
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(folder_); }
    static std::string Path(const char* name) { return (folder_ / name).string(); }

    static std::filesystem::path folder_;
};

std::filesystem::path TonesProgram::folder_;

// The alarm the recordings should carry, as the window would describe it.
const std::string Expect =
    " --standard ccir --expect 11223 --pre-tone 'Tonruf I  lang' --alarm-type Feueralarm";

TEST_F(TonesProgram, PrintsWhatItHearsAndExitsByWhetherItCouldRead) {
    const struct {
        std::string arguments;
        int status;
        std::string output;
        std::string setup = {};
    } cases[] = {
        {Path("alarm.wav") + " --standard ccir", 0, " s: long tone 1750.0 Hz, "},
        {Path("alarm.wav") + " --standard=CCIR", 0, " s: sequence 11223 (CCIR), 0.4"},
        {Path("alarm.wav") + " --standard ccir --json", 0,
         "\"frequencies\":[1750.0],\"name\":\"Tonruf I\",\"hz\":[1750.0],\"ms\":"},
        {Path("alarm.wav") + " --standard ccir --json", 0,
         "\"kind\":\"two-tone\",\"duration\":5.0"},
        {Path("alarm.wav") + " --json --standard ccir", 0,
         "\"standard\":\"CCIR\",\"digits\":\"11223\",\"tones\":[{\"symbol\":\"1\","
         "\"hz\":1124.0,\"ms\":"},
        // Every fault the simulator can sound is named in the window's words.
        {Path("alarm.wav") + Expect, 0, "\nstimmt\n"},
        {Path("detuned.wav") + Expect, 0,
         "\nweicht ab (Ton 1: 1146 Hz statt 1124 Hz (+2,0 %), Ton 2: 2152 Hz statt 2110 Hz "
         "(+2,0 %),"},
        {Path("stretched.wav") + Expect, 0, "\nweicht ab (Ton 1: 130 ms statt 100 ms, "},
        {Path("stretched.wav") + Expect, 0, "Ton 5: 130 ms statt 100 ms, Code 6"},
        {Path("wrong-digit.wav") + Expect, 0, "\nweicht ab (Stelle 3: 3 statt 2)\n"},
        {Path("wrong-pair.wav") + Expect, 0,
         "\nweicht ab (Doppelton 675+2280 Hz statt 675+1240 Hz)\n"},
        {Path("no-call-tone.wav") + Expect, 0, "\nweicht ab (kein Tonruf I gehört)\n"},
        {Path("alarm.wav") + " --standard ccir --expect 11223 --pre-tone 'Tonruf II kurz' --json",
         0,
         "{\"kind\":\"verdict\",\"verdict\":\"weicht ab\",\"misses\":[\"kein Tonruf II "
         "gehört\"],\"sheet\":[{\"element\":\"Tonruf II\",\"ok\":false,\"misses\":[\"nicht "
         "gehört\"]},"},
        {Path("wrong-pair.wav") + Expect + " --sheet", 0,
         "\nEmpfänger würden nicht auslösen (Doppelton Ton 2 zu weit ab, Reserve \u22121030,0 "
         "Hz)\n"},
        // Tones of another standard are named by the nearest of the table, and judged off.
        {Path("alarm.wav") + " --expect 11223", 0, "\nweicht ab (Code unsicher, "},
        {"- --rate 8000 --expect 11223 < /dev/null", 0, "nichts gehört\n"},
        {Path("wrong-pair.wav") + Expect + " --png " + Path("alarm.png"), 0, "weicht ab"},
        {Path("alarm.wav") + " --png " + Path("missing/alarm.png"), 2,
         "cannot write the picture " + Path("missing/alarm.png")},
        // The picture never replaces the recording or a special file, and is whole or not there:
        // a file size limit stands in for a full disk.
        {Path("alarm.wav") + " --png " + Path("alarm-link.wav"), 2,
         "refusing to write the picture " + Path("alarm-link.wav") + ": it is the input"},
        {"- --standard ccir --png " + Path("alarm.wav") + " < " + Path("alarm.wav"), 2,
         "it is the input"},
        {Path("alarm.wav") + " --png " + Path("folder.png"), 2, "not a regular file"},
        {Path("alarm.wav") + " --png " + Path("limited.png"), 2,
         "cannot write the picture " + Path("limited.png") + ": File too large",
         "trap '' XFSZ; ulimit -f 8; "},
        // Items as typed: any case, blanks folded; a text that names no item is refused.
        {Path("no-call-tone.wav") + " --standard ccir --expect 11223 --pre-tone ' tonruf  i LANG'",
         0, "\nweicht ab (kein Tonruf I gehört)\n"},
        {Path("wrong-pair.wav") + " --standard ccir --expect 11223 --alarm-type FEUERALARM", 0,
         "\nweicht ab (Doppelton 675+2280 Hz statt 675+1240 Hz)\n"},
        {Path("alarm.wav") + " --expect 11223 --pre-tone 'Tonruf 1 kurz'", 2,
         "invalid value 'Tonruf 1 kurz' for --pre-tone (expected one of \"Ohne Tonruf\", "
         "\"Tonruf I kurz\", "},
        {Path("alarm.wav") + " --expect 11223 --alarm-type Quatsch", 2,
         "\"Warten (max 5 sec) Weckruf\")"},
        {Path("alarm.wav") + " --expect 1x", 2, "invalid value '1x' for --expect"},
        {Path("alarm.wav") + " --alarm-type Feueralarm", 2, "describe the alarm --expect judges"},
        {"- --rate 22050 --standard ccir < " + Path("alarm.raw"), 0, "sequence 11223 (CCIR)"},
        {"- --standard ccir < " + Path("alarm.wav"), 0, "sequence 11223 (CCIR)"},
        {Path("alarm.wav"), 0, "\"Tonruf I\"\n"},
        {Path("missing.wav"), 2, "cannot open " + Path("missing.wav") + ": No such file"},
        {Path("text.wav"), 2, "not a WAV file (no RIFF/WAVE header)"},
        {Path(""), 2, "it is a folder"},
        // Its own input and output told truly.
        {"- --rate 8000 < " + Path(""), 2, "cannot read standard input: Is a directory"},
        {Path("alarm.wav") + " --standard ccir > /dev/full", 2,
         "cannot write the output: No space left on device"},
        {Path("cut.wav") + " --standard ccir", 0, "cut.wav is cut short: its header gives more"},
        {"- --rate 22050 < /dev/null", 0, ""},
        {"", 2, "no input given"},
        {Path("alarm.wav") + " --standard zvei4", 2, "invalid value 'zvei4' for --standard"},
        {"- --rate 96000", 2, "invalid value '96000' for --rate (expected 8000 to 48000 Hz)"},
        {Path("alarm.wav") + " --rate 8000", 2, "--rate is for raw samples on standard input"},
        {"--help", 0, "Usage: quorvane-tones FILE.wav|-"},
        {"--help > /dev/full", 2, "cannot write the output: No space left on device"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = RunTones(c.arguments, c.setup);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.output), std::string::npos) << c.arguments << "\n"
                                                                << run.output;
    }
    std::ifstream picture(Path("alarm.png"), std::ios::binary);
    std::string signature(8, '\0');
    picture.read(signature.data(), 8);
    EXPECT_EQ(signature, "\x89PNG\r\n\x1a\n");
    // The header's width and height: both panels, the whole alarm above its first code.
    std::string header(16, '\0');
    picture.read(header.data(), 16);
    EXPECT_EQ(header.substr(8), std::string("\0\0\x03\x3e\0\0\x01\xe0", 8)) << "830 x 480";
    std::ifstream wav(Path("alarm.wav"), std::ios::binary);
    std::string riff(4, '\0');
    wav.read(riff.data(), 4);
    EXPECT_EQ(riff, "RIFF") << "the input is kept";
    for (const auto& entry : std::filesystem::directory_iterator(folder_))
        EXPECT_FALSE(entry.path().filename().string().starts_with("limited.png"))
            << "a picture cut short is left: " << entry.path();
}

} // namespace
