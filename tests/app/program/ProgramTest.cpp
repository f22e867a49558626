// The built quorvane program as a whole, offscreen: against the simulated encoder's program its
// trigger puts the telegram on the line (read from the simulator's JSON output), against an
// in-process encoder it polls twice a second, and with the simulator sounding its alarms into a
// private audio server it hears the code it sent and records it.

#include "ChildProcess.h"
#include "app/testrecord/RecordCsv.h"
#include "tools/encoder-sim/encoder/EncoderSimulator.h"
#include "tools/virtualport/VirtualComPort.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using TEnvironment = std::vector<std::pair<std::string, std::string>>;

// A temporary working folder with a code list, so the program starts without a message box.
class TWorkFolder {
public:
    TWorkFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quorvane-program-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a working folder");
        Path = pattern;
        std::ofstream(Path / "Tonfolgen.txt", std::ios::binary) << "1234A\r\n56789\r\n";
    }
    ~TWorkFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(Path, ignored);
    }
    std::filesystem::path Path;
};

TEnvironment ProgramEnvironment(const std::string& comDir, const std::string& code,
                                const std::filesystem::path& settings) {
    TEnvironment environment{{"QUORVANE_COM_DIR", comDir},
                             {"QT_QPA_PLATFORM", "offscreen"},
                             {"XDG_CONFIG_HOME", settings.string()},
                             {"XDG_STATE_HOME", (settings / "state").string()}};
    if (!code.empty()) {
        environment.emplace_back("QT_PLUGIN_PATH", QUORVANE_TEST_PLUGIN_DIR);
        environment.emplace_back("QT_QPA_GENERIC_PLUGINS", "quorvanetrigger:" + code);
    }
    return environment;
}

TEST(QuorvaneProgram, TriggerPutsTheTelegramOnTheSimulatorsLine) {
    TVirtualComDir comDir(false);
    TWorkFolder work;
    TChildProcess encoder(QUORVANE_ENCODER_SIM_BINARY,
                          {"--dir", comDir.Path(), "--com", "1", "--json"}, {}, work.Path.string());
    const auto ready = encoder.ReadLine(10s);
    ASSERT_TRUE(ready) << "the simulator starts";
    EXPECT_NE(ready->find("\"ready\""), std::string::npos) << *ready;

    TChildProcess quorvane(QUORVANE_BINARY, {},
                           ProgramEnvironment(comDir.Path(), "12345", work.Path),
                           work.Path.string());
    std::string frame;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (frame.empty() && std::chrono::steady_clock::now() < deadline) {
        const auto line = encoder.ReadLine(1s);
        if (line && line->find("\"frame\"") != std::string::npos)
            frame = *line;
    }
    ASSERT_FALSE(frame.empty()) << "no telegram reached the simulator";
    EXPECT_NE(frame.find("\"accepted\":true"), std::string::npos) << frame;
    EXPECT_NE(frame.find("\"bytes\":\"02 40 31 32 33 34 35 49 03\""), std::string::npos) << frame;
    EXPECT_TRUE(quorvane.Running()) << "the program goes on after the trigger";
}

TEST(QuorvaneProgram, TerminationSignalsCloseTheWindowTheOrdinaryWay) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        TVirtualComDir comDir(false);
        TVirtualComPort line(comDir, 1);
        EncoderSim::TEncoderSimulator encoder(line.MasterFd(), EncoderSim::TEncoderSettings{});
        encoder.Start();
        TWorkFolder work;
        TChildProcess quorvane(QUORVANE_BINARY, {},
                               ProgramEnvironment(comDir.Path(), "", work.Path),
                               work.Path.string());
        ASSERT_TRUE(encoder.WaitForPolls(1, 20s)) << "the program has its port open";
        // A second's worth of grace, widened for a loaded or instrumented build. Only an ordinary
        // end, with the window and its port closed, returns 0 from the program.
        const int status = quorvane.Stop(signal, 3s);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
}

// Without any port the start-up asks for one; a signal then closes the dialog, and what would
// have followed in boxes (the cancelled choice, the missing code list) goes to stderr.
TEST(QuorvaneProgram, TerminationSignalDuringThePortDialogEndsWithoutFurtherBoxes) {
    TVirtualComDir comDir(false);
    TWorkFolder work;
    std::filesystem::remove(work.Path / "Tonfolgen.txt");
    TChildProcess quorvane(QUORVANE_BINARY, {}, ProgramEnvironment(comDir.Path(), "", work.Path),
                           work.Path.string());
    // Time to come up to the dialog, widened for an instrumented build.
    std::this_thread::sleep_for(3s);
    ASSERT_TRUE(quorvane.Running());
    const int status = quorvane.Stop(SIGTERM, 5s);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(QuorvaneProgram, PollsTwiceASecond) {
    TVirtualComDir comDir(false);
    TVirtualComPort line(comDir, 1);
    EncoderSim::TEncoderSimulator encoder(line.MasterFd(), EncoderSim::TEncoderSettings{});
    encoder.Start();
    TWorkFolder work;
    TChildProcess quorvane(QUORVANE_BINARY, {}, ProgramEnvironment(comDir.Path(), "", work.Path),
                           work.Path.string());

    ASSERT_TRUE(encoder.WaitForPolls(1, 20s)) << "the program polls its port";
    const auto first = std::chrono::steady_clock::now();
    const std::size_t firstCount = encoder.PollCount();
    ASSERT_TRUE(encoder.WaitForPolls(firstCount + 6, 20s)) << "polling goes on";
    const auto elapsed = std::chrono::steady_clock::now() - first;
    // A loaded machine may stretch the rhythm, never quicken it: six more polls take at least
    // the program's 6 x 500 ms, less the slack of when the first one was seen.
    EXPECT_GE(elapsed, 2500ms);
    EXPECT_TRUE(encoder.Frames().empty()) << "polls only, no telegram";
}

// A private PulseAudio server: its own folders, a null sink that takes what is played, and a
// plain source hearing that sink's monitor (Qt lists no monitor sources). Stopped on destruction.
class TPulseServer {
public:
    static constexpr const char* Program = "/usr/bin/pulseaudio";
    static constexpr const char* SourceName = "quorvane_tones";

    TPulseServer() {
        const std::string folder = Folder_.Path.string(), socket = folder + "/native";
        Server_.emplace(Program,
                        std::vector<std::string>{
                            "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                            "--log-target=stderr", "--log-level=error",
                            "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket,
                            "--load=module-null-sink sink_name=quorvane_line",
                            "--load=module-remap-source master=quorvane_line.monitor channels=1 "
                            "source_properties=device.description=Quorvane-Test source_name=" +
                                std::string(SourceName)},
                        TEnvironment{{"HOME", folder},
                                     {"XDG_RUNTIME_DIR", folder},
                                     {"PULSE_RUNTIME_PATH", folder}},
                        folder);
        Client = {{"PULSE_SERVER", "unix:" + socket}, {"PULSE_RUNTIME_PATH", folder}};
        for (int tries = 0; !std::filesystem::exists(socket); ++tries) {
            if (tries == 300)
                throw std::runtime_error("the audio server did not start");
            std::this_thread::sleep_for(50ms);
        }
    }

    TEnvironment Client; // what a program needs to play and listen there

private:
    TWorkFolder Folder_;
    std::optional<TChildProcess> Server_; // stopped before its folder goes
};

// The simulator sounding its alarms (with the faults given) into a private audio server, and
// a working folder whose settings have the program listen there.
class THeardBench {
public:
    explicit THeardBench(const std::vector<std::string>& fault) {
        std::filesystem::create_directories(Work.Path / "Quorvane");
        std::ofstream(Work.Path / "Quorvane" / "Quorvane.conf")
            << "[Pruefprotokoll]\nToneingang=" << TPulseServer::SourceName << "\n";
        std::vector<std::string> simulator{"--dir", ComDir.Path(), "--com",
                                           "1",     "--json",      "--play"};
        simulator.insert(simulator.end(), fault.begin(), fault.end());
        Encoder.emplace(QUORVANE_ENCODER_SIM_BINARY, simulator, Audio.Client, Work.Path.string());
    }

    // What the program needs to run there, the trigger plugin's parameter included.
    TEnvironment ProgramEnvironment(const std::string& trigger) const {
        TEnvironment environment = Audio.Client;
        for (auto& setting : ::ProgramEnvironment(ComDir.Path(), trigger, Work.Path))
            environment.push_back(setting);
        return environment;
    }

    TPulseServer Audio;
    TVirtualComDir ComDir{false};
    TWorkFolder Work;
    std::optional<TChildProcess> Encoder; // stopped first
};

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> fields;
    std::stringstream stream(text);
    for (std::string field; std::getline(stream, field, separator);)
        fields.push_back(field);
    return fields;
}

// The simulator sounds the alarm into a private audio server: as it should (the code and its
// repeat heard, "stimmt") and detuned by 3 % ("weicht ab", naming each tone; tones that far off
// the table are named by a guess, so the code is heard as uncertain). The row goes into the
// day's file with the measured values, and its picture beside it.
TEST(QuorvaneProgram, HearsTheAlarmItSentJudgesAndRecordsIt) {
    if (access(TPulseServer::Program, X_OK) != 0)
        GTEST_SKIP() << "pulseaudio is not installed (scripts/install-deps.sh installs it)";
    const struct {
        std::vector<std::string> Fault;
        const char* Heard;
        const char* Verdict;
        const char* Miss;
    } cases[] = {
        {{}, "12345; 12345", "stimmt", ""},
        {{"--detune", "3"}, "unsicher (12345?); unsicher (12345?)", "weicht ab", "Ton 1: "}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Verdict);
        THeardBench bench(c.Fault);
        ASSERT_TRUE(bench.Encoder->ReadLine(10s)) << "the simulator starts";
        TEnvironment environment = bench.ProgramEnvironment("12345");
        const std::filesystem::path& workPath = bench.Work.Path;
        // A picture of the window with the record filled, on request; on a display (Xvfb) when
        // there is one.
        if (const char* shot = std::getenv("QUORVANE_TEST_SHOT")) {
            // One picture per verdict: "test-record.png", "test-record-weicht-ab.png".
            std::filesystem::path file(shot);
            if (&c != &cases[0])
                file.replace_filename(file.stem().string() + "-weicht-ab" +
                                      file.extension().string());
            environment.emplace_back("QUORVANE_TEST_SHOT", file.string());
            if (std::getenv("DISPLAY") != nullptr)
                for (auto& [name, value] : environment)
                    if (name == "QT_QPA_PLATFORM")
                        value = "xcb";
        }
        TChildProcess quorvane(QUORVANE_BINARY, {}, environment, workPath.string());

        std::vector<std::string> row;
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (std::chrono::steady_clock::now() < deadline) {
            const auto line = quorvane.ReadLine(1s);
            if (line && line->rfind("record:", 0) == 0)
                row = Split(line->substr(7), '\t');
            if (row.size() == 12 && !row[8].empty())
                break;
        }
        ASSERT_EQ(row.size(), 12u) << "the record shows a row";
        EXPECT_EQ(row[2], "12345");
        EXPECT_EQ(row[5], "02 40 31 32 33 34 35 49 03");
        EXPECT_EQ(row[7], c.Heard) << "heard, with its repeat";
        EXPECT_EQ(row[8].rfind(c.Verdict, 0), 0u) << row[8];
        EXPECT_NE(row[9].find(c.Miss), std::string::npos) << row[9];
        EXPECT_NE(row[10].find("Hz"), std::string::npos) << "measured: " << row[10];

        // The row goes into the day's file once its hearing window has passed, with its picture.
        std::vector<std::string> fileRow;
        std::filesystem::path pictures;
        while (fileRow.empty() && std::chrono::steady_clock::now() < deadline + 20s) {
            for (const auto& entry : std::filesystem::directory_iterator(workPath)) {
                if (entry.path().filename().string().rfind("Pruefprotokoll-", 0) != 0)
                    continue;
                if (entry.is_directory()) {
                    pictures = entry.path();
                    continue;
                }
                std::stringstream content;
                content << std::ifstream(entry.path()).rdbuf();
                const std::vector<TCsvRecord> records = SplitCsvRecords(content.str());
                if (records.size() == 2)
                    fileRow = records[1].Fields;
            }
            std::this_thread::sleep_for(200ms);
        }
        ASSERT_EQ(fileRow.size(), 15u)
            << "the file holds the row with its date, its sheet and no step";
        EXPECT_EQ(fileRow[14], "");
        for (const std::size_t column : {0u, 1u, 2u, 3u, 4u, 5u, 7u, 8u, 9u, 10u, 11u})
            EXPECT_EQ(fileRow[column + 1], row[column]) << column;
        EXPECT_EQ(fileRow[7].rfind(row[6], 0), 0u) << "replies that came later are added";
        EXPECT_EQ(fileRow[13].rfind("Ton 1\t1\t", 0), 0u) << "the sheet: " << fileRow[13];
        const std::string time = row[0].substr(0, 2) + row[0].substr(3, 2) + row[0].substr(6, 2);
        EXPECT_TRUE(std::filesystem::is_regular_file(pictures / (time + "-12345.png"))) << pictures;
    }
}

// A test plan run from the window against the simulator heard through the audio server: every
// alarm goes out once, in order, each only after the row before has its verdict, and the report
// dialog at the end holds the run's rows with the plan's name. In a Dauertest the simulator's
// faults in every fifth alarm are found in those alarms only.
TEST(QuorvaneProgram, RunsATestPlanEachAlarmAfterTheVerdictBefore) {
    if (access(TPulseServer::Program, X_OK) != 0)
        GTEST_SKIP() << "pulseaudio is not installed (scripts/install-deps.sh installs it)";
    const std::vector<std::string> matches(10, "stimmt");
    std::vector<std::string> everyFifth = matches;
    everyFifth[4] = everyFifth[9] = "weicht ab";
    const struct {
        const char* Plan;
        std::vector<std::string> Fault;
        std::vector<std::string> Verdicts; // how each row's verdict starts, in send order
        const char* Report;
    } cases[] = {
        {"alle Alarmarten", {}, matches, "Zeilen des Prüfablaufs (10)\talle Alarmarten"},
        {"Dauertest*10",
         {"--detune", "3", "--fault-every", "5"},
         everyFifth,
         "Zeilen des Prüfablaufs (10)\tDauertest"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Plan);
        THeardBench bench(c.Fault);
        TChildProcess& encoder = *bench.Encoder;
        ASSERT_TRUE(encoder.ReadLine(10s)) << "the simulator starts";
        const std::filesystem::path& workPath = bench.Work.Path;
        TChildProcess quorvane(QUORVANE_BINARY, {},
                               bench.ProgramEnvironment("plan=" + std::string(c.Plan) + "=12345"),
                               workPath.string());

        std::vector<std::string> keys, verdicts; // per row, in the order they appeared
        std::string report;
        const auto deadline = std::chrono::steady_clock::now() + 200s;
        while (report.empty() && std::chrono::steady_clock::now() < deadline) {
            const auto line = quorvane.ReadLine(1s);
            if (line && line->rfind("report:", 0) == 0)
                report = line->substr(7);
            if (!line || line->rfind("record:", 0) != 0)
                continue;
            const std::vector<std::string> row = Split(line->substr(7), '\t');
            ASSERT_GE(row.size(), 9u);
            const std::string key = row[0] + row[4] + row[5];
            const auto at = std::find(keys.begin(), keys.end(), key);
            if (at == keys.end()) {
                ASSERT_TRUE(keys.empty() || !verdicts.back().empty())
                    << "row " << keys.size() + 1 << " went out before row " << keys.size()
                    << " was judged";
                keys.push_back(key);
                verdicts.emplace_back();
            }
            verdicts[static_cast<std::size_t>(std::find(keys.begin(), keys.end(), key) -
                                              keys.begin())] = row[8];
            // The encoder took each alarm idle: none came while the one before was on the air.
            while (const auto event = encoder.ReadLine(0ms)) {
                if (event->find("\"event\":\"frame\"") != std::string::npos) {
                    EXPECT_NE(event->find("\"outcome\":\"transmitting\""), std::string::npos)
                        << *event;
                }
            }
        }
        EXPECT_EQ(report, c.Report);
        // On request, the day's report of the run, its first page as a picture too.
        if (const char* shot = std::getenv("QUORVANE_TEST_SHOT")) {
            quorvane.Stop(); // the last rows go into the file as the window closes
            const std::string pdf =
                std::filesystem::path(shot).replace_extension().string() + "-Pruefbericht.pdf";
            for (const auto& entry : std::filesystem::directory_iterator(workPath))
                if (entry.path().extension() == ".csv")
                    TChildProcess(QUORVANE_REPORT_BINARY,
                                  {entry.path().string(), "-o", pdf, "--pruefer", "Test"}, {},
                                  workPath.string())
                        .Stop(0, 30s);
            const std::string page = "pdftoppm -png -r 60 -f 1 -l 1 -singlefile '" + pdf + "' '" +
                                     pdf.substr(0, pdf.size() - 4) + "'";
            EXPECT_EQ(std::system(page.c_str()), 0) << page;
        }
        ASSERT_EQ(verdicts.size(), c.Verdicts.size());
        for (std::size_t i = 0; i < verdicts.size(); ++i)
            EXPECT_EQ(verdicts[i].rfind(c.Verdicts[i], 0), 0u)
                << "row " << i + 1 << ": " << verdicts[i];
    }
}

// The same run without a window: a Dauertest of 20 alarms against the simulator whose every fifth
// alarm is detuned gives 16 "stimmt" and 4 "weicht ab" in the record, each alarm taken by an idle
// encoder, the report of the run, and exit status 1.
TEST(QuorvaneProgram, RunsATestPlanWithoutAWindow) {
    if (access(TPulseServer::Program, X_OK) != 0)
        GTEST_SKIP() << "pulseaudio is not installed (scripts/install-deps.sh installs it)";
    THeardBench bench({"--detune", "3", "--fault-every", "5"});
    TChildProcess& encoder = *bench.Encoder;
    ASSERT_TRUE(encoder.ReadLine(10s)) << "the simulator starts";
    const std::filesystem::path& workPath = bench.Work.Path;
    std::ofstream(workPath / "dauertest.txt")
        << "# 20 alarms\nStandart neu; 12345; Ohne Tonruf; Sofortiger Weckruf; 20\n";
    TChildProcess run(QUORVANE_RUN_BINARY,
                      {"dauertest.txt", "--port", "COM1", "--tone-input", TPulseServer::SourceName,
                       "-o", "bericht.pdf"},
                      bench.ProgramEnvironment(""), workPath.string());
    const int status = run.Stop(0, 200s);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    while (const auto event = encoder.ReadLine(0ms)) {
        if (event->find("\"event\":\"frame\"") != std::string::npos) {
            EXPECT_NE(event->find("\"outcome\":\"transmitting\""), std::string::npos) << *event;
        }
    }
    std::vector<TCsvRecord> records;
    for (const auto& entry : std::filesystem::directory_iterator(workPath))
        if (entry.path().extension() == ".csv") {
            std::stringstream content;
            content << std::ifstream(entry.path()).rdbuf();
            records = SplitCsvRecords(content.str());
        }
    ASSERT_EQ(records.size(), 21u) << "the header and 20 rows";
    for (std::size_t step = 1; step <= 20; ++step) {
        const std::vector<std::string>& row = records[step].Fields;
        ASSERT_EQ(row.size(), 15u);
        EXPECT_EQ(row[9].rfind(step % 5 == 0 ? "weicht ab" : "stimmt", 0), 0u)
            << "step " << step << ": " << row[9];
        EXPECT_EQ(row[14], std::to_string(step));
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(workPath / "bericht.pdf"));
}

} // namespace
