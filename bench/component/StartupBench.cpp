// Start-up of the main window with 50 probed ports: from before TMainForm is constructed to the
// first poll (0x11 0x05) arriving at the encoder on COM1, in an offscreen QApplication. Beside
// it: the constructor alone, the engine's 50 probes alone, the floor of 50 raw open/flock/close
// probes of the same links, and the floor of the first poll: those probes plus the first tick of
// a bare 500 ms QTimer, since the window polls on its timer's first tick by design.
//
// Prints "name value" lines in milliseconds. Usage: quorvane_startup_bench

#include "app/window/MainForm.h"
#include "bench/common/BenchMeasure.h"
#include "serial/engine/ports/SioProbePort.h"
#include "tools/virtualport/VirtualComPort.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr unsigned PortCount = 50;

double Millis(TBenchClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A working folder with a fixed code list, so the window starts without a message box.
class TBenchFolder {
public:
    TBenchFolder() : Previous_(std::filesystem::current_path()) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quorvane-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            std::exit(1);
        Path_ = pattern;
        std::filesystem::current_path(Path_);
        std::ofstream("Tonfolgen.txt") << "1234A\n";
    }
    ~TBenchFolder() {
        std::error_code ignored;
        std::filesystem::current_path(Previous_, ignored);
        std::filesystem::remove_all(Path_, ignored);
    }
    TBenchFolder(const TBenchFolder&) = delete;
    TBenchFolder& operator=(const TBenchFolder&) = delete;

private:
    std::filesystem::path Previous_;
    std::filesystem::path Path_;
};

// The poll timer's first tick in a bare event loop: a 500 ms repeating QTimer as the window
// starts it, from start to its first timeout.
double BareTimerMs() {
    QEventLoop loop;
    QTimer timer;
    timer.setInterval(500);
    TBenchClock::time_point fired;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        fired = TBenchClock::now();
        loop.quit();
    });
    const auto start = TBenchClock::now();
    timer.start();
    loop.exec();
    return Millis(fired - start);
}

double RawProbes(const TVirtualComDir& dir) {
    const auto start = TBenchClock::now();
    for (unsigned n = 1; n <= PortCount; ++n) {
        int fd = open(dir.LinkPath(n).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) != 0)
            std::exit(1);
        close(fd);
    }
    const double took = Millis(TBenchClock::now() - start);
    Report("startup_floor_probe50_ms", took);
    return took;
}

void EngineProbes() {
    const auto start = TBenchClock::now();
    for (std::uint16_t n = 1; n <= PortCount; ++n)
        if (!ProbePort(n))
            std::exit(1);
    Report("startup_probe50_ms", Millis(TBenchClock::now() - start));
}

} // namespace

int main(int, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    TBenchFolder folder;
    TVirtualComDir dir;
    std::vector<std::unique_ptr<TVirtualComPort>> ports;
    for (unsigned n = 1; n <= PortCount; ++n)
        ports.push_back(std::make_unique<TVirtualComPort>(dir, n));
    const double probes = RawProbes(dir);
    EngineProbes();
    Report("startup_floor_first_poll_ms", probes + BareTimerMs());

    TBenchPeer peer(ports.front()->MasterFd(), TBenchPeer::TMode::Answer);
    const auto start = TBenchClock::now();
    auto form = std::make_unique<TMainForm>();
    const auto constructed = TBenchClock::now();
    form->show();
    // The peer timestamps the arrival; this loop only looks now and then whether it has come.
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (peer.FirstPollAt() != TBenchClock::time_point())
            loop.quit();
    });
    check.start(5);
    loop.exec();
    Report("startup_construct_ms", Millis(constructed - start));
    Report("startup_first_poll_ms", Millis(peer.FirstPollAt() - start));
    form.reset();
    return 0;
}
