// quorvane-encoder-sim: a simulated alarm encoder on a virtual serial port, for trying Quorvane
// without hardware and for whole-program tests. See --help.

#include "tools/encoder-sim/encoder/EncoderSimulator.h"
#include "tools/encoder-sim/program/CommandLine.h"
#include "tools/encoder-sim/program/EventFormat.h"
#include "tools/virtualport/VirtualComPort.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <optional>
#include <pthread.h>
#include <string>
#include <vector>

using namespace EncoderSim;

namespace {

// Lines go out whole and at once, so a script reading a pipe sees each as it happens.
void PrintLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", SimProgramName.data(), message.c_str());
    return 1;
}

int Run(const TSimOptions& options, const sigset_t& stopSignals) {
    std::optional<TVirtualComDir> dir;
    if (options.Dir)
        dir.emplace(*options.Dir, false);
    else
        dir.emplace(false);
    TVirtualComPort port(*dir, options.ComNumber);
    TEncoderSimulator simulator(port.MasterFd(), options.Settings);
    simulator.SetOnEvent(
        [json = options.Json](const TSimEvent& event) { PrintLine(FormatEvent(event, json)); });

    for (const auto& line : FormatStart(
             {dir->Path(), port.LinkPath(), port.TerminalPath(), options.Settings}, options.Json))
        PrintLine(line);
    simulator.Start();

    int signal = 0;
    sigwait(&stopSignals, &signal);
    simulator.Stop();
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
    if (parsed.Options->Help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }

    // The stop signals are taken by sigwait on this thread; every thread started later
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
        return Fail(error.what());
    }
}
