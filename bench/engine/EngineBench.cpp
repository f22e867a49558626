// Speed and cost of the serial engine on a pseudo-terminal, each next to the floor of a minimal
// single-threaded poll()+read() client on the same line in the same run.
//
// Prints "name value" lines: reply latency (from the peer's answer to the handler, and the whole
// round trip; median, p99 and max in microseconds), throughput in both directions (MB/s, bytes
// checked), idle cost of one open port over a period (worker wake-ups per second, CPU
// milliseconds next to those of a bare 50 ms poll() loop) and open+close cost (microseconds per
// cycle next to raw open/flock/close, descriptors and threads left over). scripts/bench.sh runs
// it several times and summarises.

#include "bench/common/BenchMeasure.h"
#include "serial/engine/messenger/SioQueueMessenger.h"
#include "serial/engine/posix/SioPosixDispatcher.h"
#include "tools/virtualport/VirtualComPort.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int LatencyRounds = 2000;
constexpr std::size_t StreamBytes = 4 * 1024 * 1024;
constexpr std::uint32_t QueueSize = 4096;
// Throughput runs with the largest output ring the component offers, so the sender does not
// wait for room every four kilobytes.
constexpr std::uint32_t StreamQueueSize = 65536;

// The engine as the component drives it, with the calling thread as the window's thread.
struct TEnginePort {
    TSioQueueMessenger Messenger;
    TSioQueueMessenger::TWindowProc Handler;
    TSioWindowHandle Window;
    TSioPosixDispatcher Dispatcher{nullptr, &Messenger};

    TEnginePort(const std::string& path, std::uint32_t outSize) {
        Window = Messenger.CreateWindow(
            [this](std::uint32_t message, std::uintptr_t w, std::intptr_t l) {
                if (Handler)
                    Handler(message, w, l);
            });
        if (Dispatcher.OpenPort(path, 1200, NoParity, 8, 1, QueueSize, outSize, 3) != 0) {
            std::fprintf(stderr, "OpenPort failed\n");
            std::exit(1);
        }
        Dispatcher.RefreshHandlerState(TSioHandlerState::OwnerHandles);
        Dispatcher.SetAvailThreshold(1);
        Dispatcher.AddNotifyWindow(Window);
    }
    ~TEnginePort() {
        Dispatcher.ClosePort();
        Messenger.DestroyWindow(Window);
    }
};

void Latency(TVirtualComPort& port) {
    RawLatencyFloor(port, LatencyRounds, "engine_floor");
    TBenchPeer peer(port.MasterFd(), TBenchPeer::TMode::Answer);
    const std::uint8_t poll2[2] = {0x11, 0x05};
    std::vector<double> samples;
    std::vector<double> replies;
    TEnginePort engine(port.LinkPath(), QueueSize);
    bool acked = false;
    TBenchClock::time_point taken;
    engine.Handler = [&](std::uint32_t message, std::uintptr_t count, std::intptr_t) {
        if (message != MsgTriggerAvail)
            return;
        const TBenchClock::time_point entered = TBenchClock::now();
        replies.push_back(Micros(entered - peer.LastAnswerAt()));
        for (std::uintptr_t i = 0; i < count; ++i) {
            std::uint8_t byte = 0;
            if (engine.Dispatcher.TakeByte(byte) == 0 && byte == 0x06) {
                taken = TBenchClock::now();
                acked = true;
            }
        }
    };
    for (int round = -100; round < LatencyRounds; ++round) {
        acked = false;
        auto start = TBenchClock::now();
        engine.Dispatcher.QueueBlock(poll2, 2);
        engine.Messenger.ProcessUntil([&] { return acked; });
        if (round >= 0)
            samples.push_back(Micros(taken - start));
        else
            replies.clear();
    }
    ReportLatency("engine_reply", replies);
    ReportLatency("engine_roundtrip", samples);
}

void Throughput(TVirtualComPort& port) {
    RawThroughputFloor(port, StreamBytes, "engine_floor");
    const std::vector<std::uint8_t> stream = PatternStream(StreamBytes);
    // Out through the engine: whole blocks into the output ring, waiting briefly when it is full.
    {
        TEnginePort engine(port.LinkPath(), StreamQueueSize);
        TBenchPeer sink(port.MasterFd(), TBenchPeer::TMode::Sink, StreamBytes);
        auto start = TBenchClock::now();
        for (std::size_t sent = 0; sent < StreamBytes;) {
            std::uint32_t n =
                static_cast<std::uint32_t>(std::min<std::size_t>(1024, StreamBytes - sent));
            if (engine.Dispatcher.QueueBlock(stream.data() + sent, n) == 0)
                sent += n;
            else
                std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        sink.WaitDone();
        Report("engine_tx_MBps", MBps(StreamBytes, TBenchClock::now() - start));
        Report("engine_tx_intact", sink.Intact() && sink.Seen() == StreamBytes);
    }
    // In through the engine: the window takes every announced byte.
    {
        TEnginePort engine(port.LinkPath(), QueueSize);
        std::size_t got = 0;
        bool intact = true;
        engine.Handler = [&](std::uint32_t message, std::uintptr_t, std::intptr_t) {
            if (message != MsgTriggerAvail)
                return;
            std::uint8_t byte = 0;
            while (engine.Dispatcher.TakeByte(byte) == 0)
                intact &= byte == PatternByte(got++);
        };
        auto start = TBenchClock::now();
        TBenchPeer source(port.MasterFd(), TBenchPeer::TMode::Source, StreamBytes);
        engine.Messenger.ProcessUntil([&] { return got >= StreamBytes; });
        Report("engine_rx_MBps", MBps(StreamBytes, TBenchClock::now() - start));
        Report("engine_rx_intact", intact && got == StreamBytes);
    }
}

void Idle(TVirtualComPort& port, int seconds) {
    TEnginePort engine(port.LinkPath(), QueueSize);
    auto& d = engine.Dispatcher;
    auto wakeups = [&] {
        return d.EventWorkerWakeups() + d.DispatchWorkerWakeups() + d.OutputWorkerWakeups();
    };
    std::uint64_t before = wakeups();
    double cpu = ProcessCpuMs();
    double floor = 0;
    std::thread floorThread([&] { floor = IdleFloorCpuMs(seconds); });
    floorThread.join();
    Report("engine_idle_wakeups_per_s", static_cast<double>(wakeups() - before) / seconds);
    const double per10s = 10.0 / seconds;
    Report("engine_idle_cpu_ms_per_10s", (ProcessCpuMs() - cpu - floor) * per10s);
    Report("engine_floor_idle_cpu_ms_per_10s", floor * per10s);
}

void OpenClose(TVirtualComPort& port) {
    constexpr int Cycles = 1000;
    RawOpenCloseFloor(port.LinkPath(), Cycles, "engine_floor_openclose");
    TSioQueueMessenger messenger;
    { TEnginePort warm(port.LinkPath(), QueueSize); }
    std::size_t fds = Entries("/proc/self/fd");
    std::size_t threads = Entries("/proc/self/task");
    std::vector<double> cycles;
    for (int i = 0; i < Cycles; ++i) {
        const auto start = TBenchClock::now();
        TSioPosixDispatcher dispatcher(nullptr, &messenger);
        if (dispatcher.OpenPort(port.LinkPath(), 1200, NoParity, 8, 1, QueueSize, QueueSize, 3) !=
            0)
            std::exit(1);
        dispatcher.ClosePort();
        cycles.push_back(Micros(TBenchClock::now() - start));
    }
    ReportLatency("engine_openclose", cycles);
    Report("engine_openclose_fds_left",
           static_cast<double>(Entries("/proc/self/fd")) - static_cast<double>(fds));
    Report("engine_openclose_threads_left",
           static_cast<double>(Entries("/proc/self/task")) - static_cast<double>(threads));
}

} // namespace

int main(int argc, char** argv) {
    int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
    // One part alone, for a closer look with strace and friends.
    const std::string only = argc > 2 ? argv[2] : "";
    auto runs = [&only](const char* part) { return only.empty() || only == part; };
    TVirtualComDir dir;
    TVirtualComPort port(dir, 1);
    if (runs("latency"))
        Latency(port);
    if (runs("throughput"))
        Throughput(port);
    if (runs("openclose"))
        OpenClose(port);
    if (runs("idle") && idleSeconds > 0)
        Idle(port, idleSeconds);
    return 0;
}
