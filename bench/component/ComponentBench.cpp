// Speed and cost of the port component as the application uses it: TSioComPort on the GUI
// thread of an offscreen QApplication, its events carried by the Qt notification window, the
// encoder on the master end of a pseudo-terminal. Each figure stands beside the floor of a
// minimal single-threaded poll()+read() client on the same line, measured in the same run.
//
// Prints "name value" lines: reply latency (the peer's answer to the OnTriggerAvail handler,
// and the whole poll/reply round trip from WriteString; median, p99, max in microseconds),
// throughput both ways (MB/s, every byte checked), idle cost of an open port (CPU milliseconds
// beside a bare 50 ms poll() loop, wake-ups per second) and open+close cost (microseconds per
// cycle beside raw open/flock/close). scripts/bench.sh runs it several times and summarises.
//
// Usage: quorvane_component_bench [IDLE-SECONDS [latency|throughput|openclose|idle]]
// (default: 10 s, every part)

#include "bench/common/BenchMeasure.h"
#include "serial/component/SioComPort.h"
#include "serial/engine/dispatcher/SioBaseDispatcher.h"
#include "serial/engine/posix/SioPosixDispatcher.h"
#include "tools/virtualport/VirtualComPort.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>

namespace {

constexpr int LatencyRounds = 2000;
constexpr std::size_t StreamBytes = 4 * 1024 * 1024;
constexpr std::uint16_t StreamOutSize = 32768;
constexpr std::uint32_t StreamBlock = 1024;
constexpr int OpenCloseCycles = 300;

// The event loop ProcessUntil runs; handlers call Settled() once they may have made its
// condition true. A plain processEvents(WaitForMoreEvents) would not do: Qt's Unix dispatcher
// sends the posted events and then still blocks for a new one.
QEventLoop* RunningLoop = nullptr;

void Settled() {
    if (RunningLoop)
        RunningLoop->quit();
}

// Runs the GUI thread's event loop until `done` holds.
void ProcessUntil(const std::function<bool()>& done) {
    while (!done()) {
        QEventLoop loop;
        RunningLoop = &loop;
        loop.exec();
        RunningLoop = nullptr;
    }
}

// The component with the main window's settings on COM1.
std::unique_ptr<TSioComPort> MakePort(std::uint16_t inSize = 4096, std::uint16_t outSize = 4096) {
    auto port = std::make_unique<TSioComPort>();
    port->SetComNumber(1);
    port->SetBaud(1200);
    port->SetInSize(inSize);
    port->SetOutSize(outSize);
    return port;
}

void Latency(TVirtualComPort& line) {
    RawLatencyFloor(line, LatencyRounds, "component_floor");
    TBenchPeer peer(line.MasterFd(), TBenchPeer::TMode::Answer);
    auto port = MakePort();
    std::vector<double> replies;
    std::vector<double> roundTrips;
    bool acked = false;
    TBenchClock::time_point entered;
    port->SetOnTriggerAvail([&](TSioCustomComPort& CP, std::uint16_t Count) {
        const TBenchClock::time_point now = TBenchClock::now();
        for (std::uint16_t i = 0; i < Count; ++i)
            if (CP.ReadChar() == 0x06) {
                entered = now;
                acked = true;
            }
        Settled();
    });
    port->SetOpen(true);
    const std::string poll2("\x11\x05", 2);
    for (int round = -100; round < LatencyRounds; ++round) {
        acked = false;
        const TBenchClock::time_point start = TBenchClock::now();
        port->WriteString(poll2);
        ProcessUntil([&] { return acked; });
        if (round >= 0) {
            replies.push_back(Micros(entered - peer.LastAnswerAt()));
            roundTrips.push_back(Micros(entered - start));
        }
    }
    ReportLatency("component_reply", replies);
    ReportLatency("component_roundtrip", roundTrips);
}

// Every announced byte taken with ReadChar, as the application does, through an input ring of
// `inSize` bytes; reports under `name`.
void StreamIn(TVirtualComPort& line, const std::vector<std::uint8_t>& stream, std::uint16_t inSize,
              const std::string& name) {
    auto port = MakePort(inSize);
    std::size_t got = 0;
    std::size_t notifications = 0;
    TBenchClock::duration inHandler{};
    bool intact = true;
    port->SetOnTriggerAvail([&](TSioCustomComPort& CP, std::uint16_t Count) {
        const TBenchClock::time_point entered = TBenchClock::now();
        ++notifications;
        for (std::uint16_t i = 0; i < Count; ++i)
            intact &= CP.ReadChar() == stream[got++];
        inHandler += TBenchClock::now() - entered;
        Settled();
    });
    port->SetOpen(true);
    const auto start = TBenchClock::now();
    TBenchPeer source(line.MasterFd(), TBenchPeer::TMode::Source, stream.size());
    ProcessUntil([&] { return got >= stream.size(); });
    const TBenchClock::duration took = TBenchClock::now() - start;
    Report(name + "_MBps", MBps(stream.size(), took));
    Report(name + "_intact", intact && got == stream.size());
    // Where the time goes: bytes per notification, and the share spent in ReadChar calls.
    Report(name + "_bytes_per_notification",
           static_cast<double>(stream.size()) / static_cast<double>(notifications));
    Report(name + "_handler_share",
           std::chrono::duration<double>(inHandler) / std::chrono::duration<double>(took));
}

void Throughput(TVirtualComPort& line) {
    RawThroughputFloor(line, StreamBytes, "component_floor");
    const std::vector<std::uint8_t> stream = PatternStream(StreamBytes);
    {
        // Whole blocks through WriteString whenever the output ring has room for one.
        auto port = MakePort(4096, StreamOutSize);
        port->SetOpen(true);
        TBenchPeer sink(line.MasterFd(), TBenchPeer::TMode::Sink, StreamBytes);
        const auto start = TBenchClock::now();
        for (std::size_t sent = 0; sent < StreamBytes;) {
            if (StreamOutSize - port->Dispatcher()->OutputUsed() < StreamBlock) {
                QCoreApplication::processEvents();
                std::this_thread::sleep_for(std::chrono::microseconds(50));
                continue;
            }
            port->WriteString(
                std::string(reinterpret_cast<const char*>(stream.data()) + sent, StreamBlock));
            sent += StreamBlock;
        }
        sink.WaitDone();
        Report("component_tx_MBps", MBps(StreamBytes, TBenchClock::now() - start));
        Report("component_tx_intact", sink.Intact() && sink.Seen() == StreamBytes);
    }
    // The main window's input ring, and a larger one to show the cost per notification.
    StreamIn(line, stream, 4096, "component_rx");
    StreamIn(line, stream, 32768, "component_rx32k");
}

void Idle(int seconds) {
    auto port = MakePort();
    port->SetOnTriggerAvail([](TSioCustomComPort&, std::uint16_t) {});
    port->SetOpen(true);
    auto* engine = dynamic_cast<TSioPosixDispatcher*>(port->Dispatcher());
    if (!engine)
        std::exit(1);
    auto workerWakeups = [&] {
        return engine->EventWorkerWakeups() + engine->DispatchWorkerWakeups() +
               engine->OutputWorkerWakeups();
    };
    // Settle after the open, then count the GUI thread's event loop and the workers together.
    QEventLoop settle;
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();
    const std::uint64_t wakeupsBefore = workerWakeups();
    const std::uint64_t switchesBefore = OtherThreadsSwitches();
    const double cpuBefore = ProcessCpuMs();
    double floor = 0;
    std::thread floorThread([&] { floor = IdleFloorCpuMs(seconds); });
    QEventLoop idle;
    QTimer::singleShot(seconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    floorThread.join();
    const double cpu = ProcessCpuMs() - cpuBefore - floor;
    const double per10s = 10.0 / seconds;
    Report("component_idle_cpu_ms_per_10s", cpu * per10s);
    Report("component_floor_idle_cpu_ms_per_10s", floor * per10s);
    Report("component_idle_wakeups_per_s",
           static_cast<double>(workerWakeups() - wakeupsBefore) / seconds);
    Report("component_idle_switches_per_s",
           static_cast<double>(OtherThreadsSwitches() - switchesBefore) / seconds);
}

void OpenClose(TVirtualComPort& line) {
    RawOpenCloseFloor(line.LinkPath(), OpenCloseCycles, "component_floor_openclose");
    auto port = MakePort();
    port->SetOnTriggerAvail([](TSioCustomComPort&, std::uint16_t) {});
    port->SetOpen(true);
    port->SetOpen(false);
    const std::size_t fds = Entries("/proc/self/fd");
    const std::size_t threads = Entries("/proc/self/task");
    std::vector<double> cycles;
    for (int i = 0; i < OpenCloseCycles; ++i) {
        const auto start = TBenchClock::now();
        port->SetOpen(true);
        port->SetOpen(false);
        cycles.push_back(Micros(TBenchClock::now() - start));
    }
    ReportLatency("component_openclose", cycles);
    Report("component_openclose_fds_left",
           static_cast<double>(Entries("/proc/self/fd")) - static_cast<double>(fds));
    Report("component_openclose_threads_left",
           static_cast<double>(Entries("/proc/self/task")) - static_cast<double>(threads));
}

} // namespace

int main(int argc, char** argv) {
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
    // One part alone, for a closer look with strace and friends.
    const std::string only = argc > 2 ? argv[2] : "";
    auto runs = [&only](const char* part) { return only.empty() || only == part; };
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    TVirtualComDir dir;
    TVirtualComPort line(dir, 1);
    if (runs("latency"))
        Latency(line);
    if (runs("throughput"))
        Throughput(line);
    if (runs("openclose"))
        OpenClose(line);
    if (runs("idle") && idleSeconds > 0)
        Idle(idleSeconds);
    return 0;
}
