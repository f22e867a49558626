// What the simulated encoder costs while nobody talks to it, and while it is polled twice a
// second as the program does: CPU time and wake-ups over a stretch of wall-clock time, with the
// link held open on the other side the whole time.
//
// Usage: quorvane_encoder_sim_idle_bench [SECONDS]   (default 10 per phase)

#include "tools/encoder-sim/encoder/EncoderSimulator.h"
#include "tools/virtualport/VirtualComPort.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace EncoderSim;
using namespace std::chrono_literals;

namespace {

struct TThreadCost {
    long Ticks = 0; // user + system clock ticks of every thread but the calling one
    long VoluntarySwitches = 0;
};

// Sums /proc/self/task/<tid>/{stat,status} over the other threads of this process.
TThreadCost OtherThreadsCost() {
    TThreadCost cost;
    std::string self = std::to_string(gettid());
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks)
        return cost;
    while (dirent* entry = readdir(tasks)) {
        std::string tid = entry->d_name;
        if (tid == "." || tid == ".." || tid == self)
            continue;
        std::ifstream stat("/proc/self/task/" + tid + "/stat");
        std::string line;
        std::getline(stat, line);
        // Fields after the parenthesised name: state is field 3, utime 14, stime 15.
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string field;
        long utime = 0;
        long stime = 0;
        for (int index = 3; fields >> field; ++index) {
            if (index == 14)
                utime = std::stol(field);
            if (index == 15) {
                stime = std::stol(field);
                break;
            }
        }
        cost.Ticks += utime + stime;
        std::ifstream status("/proc/self/task/" + tid + "/status");
        while (std::getline(status, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                cost.VoluntarySwitches += std::stol(line.substr(line.find(':') + 1));
        }
    }
    closedir(tasks);
    return cost;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void Report(const char* phase, double seconds, std::uint64_t wakeUps, const TThreadCost& before,
            const TThreadCost& after, double cpuBefore, double cpuAfter, std::size_t polls) {
    long ticksPerSecond = sysconf(_SC_CLK_TCK);
    std::printf("%s, %.1f s with the link open:\n", phase, seconds);
    std::printf("  process CPU time:              %.6f s\n", cpuAfter - cpuBefore);
    std::printf("  simulator thread CPU time:     %.3f s (%ld ticks of 1/%ld s)\n",
                double(after.Ticks - before.Ticks) / double(ticksPerSecond),
                after.Ticks - before.Ticks, ticksPerSecond);
    std::printf("  simulator wake-ups:            %llu\n",
                static_cast<unsigned long long>(wakeUps));
    std::printf("  voluntary context switches:    %ld\n",
                after.VoluntarySwitches - before.VoluntarySwitches);
    if (polls > 0)
        std::printf("  polls answered:                %zu (%.2f wake-ups per poll)\n", polls,
                    double(wakeUps) / double(polls));
}

} // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: %s [SECONDS]\n", argv[0]);
        return 2;
    }
    auto phase = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::duration<double>(seconds));

    TVirtualComDir dir;
    TVirtualComPort port(dir, 1);
    TEncoderSimulator simulator(port.MasterFd(), {}, port.TerminalPath());
    simulator.Start();
    int peer = open(port.LinkPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (peer < 0) {
        std::perror("open link");
        return 1;
    }
    // Let the start-up settle so that only the idle stretch is counted.
    std::this_thread::sleep_for(100ms);

    auto threadsBefore = OtherThreadsCost();
    double cpuBefore = CpuSeconds();
    auto wakeUpsBefore = simulator.WakeUps();
    std::this_thread::sleep_for(phase);
    Report("idle", seconds, simulator.WakeUps() - wakeUpsBefore, threadsBefore, OtherThreadsCost(),
           cpuBefore, CpuSeconds(), 0);

    threadsBefore = OtherThreadsCost();
    cpuBefore = CpuSeconds();
    wakeUpsBefore = simulator.WakeUps();
    std::size_t pollsBefore = simulator.PollCount();
    auto next = std::chrono::steady_clock::now();
    auto end = next + phase;
    char answer[16];
    while (next < end) {
        [[maybe_unused]] auto written = write(peer, "\x11\x05", 2);
        next += 500ms;
        std::this_thread::sleep_until(next);
        [[maybe_unused]] auto got = read(peer, answer, sizeof answer);
    }
    Report("polled every 500 ms", seconds, simulator.WakeUps() - wakeUpsBefore, threadsBefore,
           OtherThreadsCost(), cpuBefore, CpuSeconds(), simulator.PollCount() - pollsBefore);

    close(peer);
    simulator.Stop();
    return 0;
}
