// The built quorvane program as a whole, offscreen: against the simulated encoder's program its
// trigger puts the telegram on the line (read from the simulator's JSON output), and against an
// in-process encoder it polls twice a second.

#include "ChildProcess.h"
#include "tools/encoder-sim/encoder/EncoderSimulator.h"
#include "tools/virtualport/VirtualComPort.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>

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

TEnvironment ProgramEnvironment(const std::string& comDir, const std::string& code) {
    TEnvironment environment{{"QUORVANE_COM_DIR", comDir}, {"QT_QPA_PLATFORM", "offscreen"}};
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

    TChildProcess quorvane(QUORVANE_BINARY, {}, ProgramEnvironment(comDir.Path(), "12345"),
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
        TChildProcess quorvane(QUORVANE_BINARY, {}, ProgramEnvironment(comDir.Path(), ""),
                               work.Path.string());
        ASSERT_TRUE(encoder.WaitForPolls(1, 20s)) << "the program has its port open";
        // A second's worth of grace, widened for a loaded or instrumented build. Only an ordinary
        // end, with the window and its port closed, returns 0 from the program.
        const int status = quorvane.Stop(signal, 3s);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
}

TEST(QuorvaneProgram, PollsTwiceASecond) {
    TVirtualComDir comDir(false);
    TVirtualComPort line(comDir, 1);
    EncoderSim::TEncoderSimulator encoder(line.MasterFd(), EncoderSim::TEncoderSettings{});
    encoder.Start();
    TWorkFolder work;
    TChildProcess quorvane(QUORVANE_BINARY, {}, ProgramEnvironment(comDir.Path(), ""),
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

} // namespace
