// Speed and cost of the serial engine on a pseudo-terminal, each next to the floor of a minimal
// single-threaded poll()+read() client on the same line in the same run.
//
// Prints "name value" lines: reply latency (median and p99, microseconds), throughput in both
// directions (MB/s, bytes checked), idle cost of one open port over a period (worker wake-ups
// per second, CPU milliseconds next to those of a bare 50 ms poll() loop) and open+close cost
// (microseconds per cycle, descriptors and threads left over). bench/engine/run.sh runs it
// several times and summarises.

#include "BenchPeer.h"
#include "serial/engine/dispatcher/SioQueueMessenger.h"
#include "serial/engine/posix/SioPosixDispatcher.h"
#include "tools/virtualport/VirtualComPort.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int LatencyRounds = 2000;
constexpr std::size_t StreamBytes = 4 * 1024 * 1024;
constexpr std::uint32_t QueueSize = 4096;
// Throughput runs with the largest output ring the component offers, so the sender does not
// wait for room every four kilobytes.
constexpr std::uint32_t StreamQueueSize = 65536;

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

void Report(const char* name, double value) {
    std::printf("%s %.3f\n", name, value);
}

void ReportLatency(const char* name, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    std::string base(name);
    Report((base + "_median_us").c_str(), samples[samples.size() / 2]);
    Report((base + "_p99_us").c_str(), samples[samples.size() * 99 / 100]);
}

int OpenRaw(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::perror("open");
        std::exit(1);
    }
    return fd;
}

void WaitFd(int fd, short events) {
    pollfd entry{fd, events, 0};
    while (poll(&entry, 1, -1) < 0) {
    }
}

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
        Dispatcher.RefreshHandlerState(1);
        Dispatcher.SetAvailThreshold(1);
        Dispatcher.AddNotifyWindow(Window);
    }
    ~TEnginePort() {
        Dispatcher.ClosePort();
        Messenger.DestroyWindow(Window);
    }
};

void Latency(TVirtualComPort& port) {
    TBenchPeer peer(port.MasterFd(), TBenchPeer::TMode::Answer);
    const std::uint8_t poll2[2] = {0x11, 0x05};
    std::vector<double> samples;

    {
        int fd = OpenRaw(port.LinkPath());
        std::uint8_t byte;
        for (int round = -100; round < LatencyRounds; ++round) {
            auto start = Clock::now();
            if (write(fd, poll2, 2) != 2)
                std::exit(1);
            for (;;) {
                WaitFd(fd, POLLIN);
                if (read(fd, &byte, 1) == 1 && byte == 0x06)
                    break;
            }
            if (round >= 0)
                samples.push_back(Micros(Clock::now() - start));
        }
        close(fd);
        ReportLatency("latency_floor", samples);
    }

    samples.clear();
    TEnginePort engine(port.LinkPath(), QueueSize);
    bool acked = false;
    Clock::time_point taken;
    engine.Handler = [&](std::uint32_t message, std::uintptr_t count, std::intptr_t) {
        if (message != MsgTriggerAvail)
            return;
        for (std::uintptr_t i = 0; i < count; ++i) {
            std::uint8_t byte = 0;
            if (engine.Dispatcher.TakeByte(byte) == 0 && byte == 0x06) {
                taken = Clock::now();
                acked = true;
            }
        }
    };
    for (int round = -100; round < LatencyRounds; ++round) {
        acked = false;
        auto start = Clock::now();
        engine.Dispatcher.QueueBlock(poll2, 2);
        engine.Messenger.ProcessUntil([&] { return acked; });
        if (round >= 0)
            samples.push_back(Micros(taken - start));
    }
    ReportLatency("latency_engine", samples);
}

double MBps(std::size_t bytes, Clock::duration d) {
    return static_cast<double>(bytes) / 1e6 / std::chrono::duration<double>(d).count();
}

void Throughput(TVirtualComPort& port) {
    std::vector<std::uint8_t> stream(StreamBytes);
    for (std::size_t i = 0; i < stream.size(); ++i)
        stream[i] = PatternByte(i);

    // Out of the program, raw.
    {
        int fd = OpenRaw(port.LinkPath());
        TBenchPeer sink(port.MasterFd(), TBenchPeer::TMode::Sink, StreamBytes);
        auto start = Clock::now();
        for (std::size_t sent = 0; sent < StreamBytes;) {
            ssize_t n =
                write(fd, stream.data() + sent, std::min<std::size_t>(4096, StreamBytes - sent));
            if (n > 0)
                sent += static_cast<std::size_t>(n);
            else
                WaitFd(fd, POLLOUT);
        }
        sink.WaitDone();
        Report("tx_floor_MBps", MBps(StreamBytes, Clock::now() - start));
        Report("tx_floor_intact", sink.Intact() && sink.Seen() == StreamBytes);
        close(fd);
    }
    // Into the program, raw.
    {
        int fd = OpenRaw(port.LinkPath());
        TBenchPeer source(port.MasterFd(), TBenchPeer::TMode::Source, StreamBytes);
        std::vector<std::uint8_t> buffer(65536);
        std::size_t got = 0;
        bool intact = true;
        auto start = Clock::now();
        while (got < StreamBytes) {
            WaitFd(fd, POLLIN);
            ssize_t n = read(fd, buffer.data(), buffer.size());
            for (ssize_t i = 0; i < n; ++i)
                intact &= buffer[static_cast<std::size_t>(i)] ==
                          PatternByte(got + static_cast<std::size_t>(i));
            if (n > 0)
                got += static_cast<std::size_t>(n);
        }
        Report("rx_floor_MBps", MBps(StreamBytes, Clock::now() - start));
        Report("rx_floor_intact", intact);
        close(fd);
    }
    // Out through the engine: whole blocks into the output ring, waiting briefly when it is full.
    {
        TEnginePort engine(port.LinkPath(), StreamQueueSize);
        TBenchPeer sink(port.MasterFd(), TBenchPeer::TMode::Sink, StreamBytes);
        auto start = Clock::now();
        for (std::size_t sent = 0; sent < StreamBytes;) {
            std::uint32_t n =
                static_cast<std::uint32_t>(std::min<std::size_t>(1024, StreamBytes - sent));
            if (engine.Dispatcher.QueueBlock(stream.data() + sent, n) == 0)
                sent += n;
            else
                std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        sink.WaitDone();
        Report("tx_engine_MBps", MBps(StreamBytes, Clock::now() - start));
        Report("tx_engine_intact", sink.Intact() && sink.Seen() == StreamBytes);
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
        auto start = Clock::now();
        TBenchPeer source(port.MasterFd(), TBenchPeer::TMode::Source, StreamBytes);
        engine.Messenger.ProcessUntil([&] { return got >= StreamBytes; });
        Report("rx_engine_MBps", MBps(StreamBytes, Clock::now() - start));
        Report("rx_engine_intact", intact && got == StreamBytes);
    }
}

double CpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// The floor of idling: a thread that does nothing but wake every 50 ms from poll(), as the
// dispatch worker's cycle does, measured alongside.
double IdleFloorCpuMs(int seconds) {
    int fd = eventfd(0, EFD_CLOEXEC);
    double start = ThreadCpuMs();
    for (int i = 0; i < seconds * 20; ++i) {
        pollfd entry{fd, POLLIN, 0};
        poll(&entry, 1, 50);
    }
    double used = ThreadCpuMs() - start;
    close(fd);
    return used;
}

void Idle(TVirtualComPort& port, int seconds) {
    TEnginePort engine(port.LinkPath(), QueueSize);
    auto& d = engine.Dispatcher;
    auto wakeups = [&] {
        return d.EventWorkerWakeups() + d.DispatchWorkerWakeups() + d.OutputWorkerWakeups();
    };
    std::uint64_t before = wakeups();
    double cpu = CpuMs();
    double floor = 0;
    std::thread floorThread([&] { floor = IdleFloorCpuMs(seconds); });
    floorThread.join();
    Report("idle_wakeups_per_s", static_cast<double>(wakeups() - before) / seconds);
    Report("idle_cpu_ms", CpuMs() - cpu - floor);
    Report("idle_floor_cpu_ms", floor);
    Report("idle_seconds", seconds);
}

std::size_t Entries(const char* folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

void OpenClose(TVirtualComPort& port) {
    constexpr int Cycles = 1000;
    TSioQueueMessenger messenger;
    { TEnginePort warm(port.LinkPath(), QueueSize); }
    std::size_t fds = Entries("/proc/self/fd");
    std::size_t threads = Entries("/proc/self/task");
    auto start = Clock::now();
    for (int i = 0; i < Cycles; ++i) {
        TSioPosixDispatcher dispatcher(nullptr, &messenger);
        if (dispatcher.OpenPort(port.LinkPath(), 1200, NoParity, 8, 1, QueueSize, QueueSize, 3) !=
            0)
            std::exit(1);
        dispatcher.ClosePort();
    }
    Report("openclose_us_per_cycle", Micros(Clock::now() - start) / Cycles);
    Report("openclose_fds_left",
           static_cast<double>(Entries("/proc/self/fd")) - static_cast<double>(fds));
    Report("openclose_threads_left",
           static_cast<double>(Entries("/proc/self/task")) - static_cast<double>(threads));
}

} // namespace

int main(int argc, char** argv) {
    int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
    TVirtualComDir dir;
    TVirtualComPort port(dir, 1);
    Latency(port);
    Throughput(port);
    OpenClose(port);
    Idle(port, idleSeconds);
    return 0;
}
