#include "bench/common/BenchMeasure.h"

#include "tools/virtualport/VirtualComPort.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

double Micros(TBenchClock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

double MBps(std::size_t bytes, TBenchClock::duration d) {
    return static_cast<double>(bytes) / 1e6 / std::chrono::duration<double>(d).count();
}

void Report(const std::string& name, double value) {
    std::printf("%s %.3f\n", name.c_str(), value);
    std::fflush(stdout);
}

void ReportLatency(const std::string& name, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    Report(name + "_median_us", samples[samples.size() / 2]);
    Report(name + "_p99_us", samples[samples.size() * 99 / 100]);
    Report(name + "_max_us", samples.back());
}

std::vector<std::uint8_t> PatternStream(std::size_t bytes) {
    std::vector<std::uint8_t> stream(bytes);
    for (std::size_t i = 0; i < stream.size(); ++i)
        stream[i] = PatternByte(i);
    return stream;
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

double ProcessCpuMs() {
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

std::uint64_t OtherThreadsSwitches() {
    std::uint64_t switches = 0;
    const std::string self = std::to_string(gettid());
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        if (entry.path().filename() == self)
            continue;
        std::ifstream status(entry.path() / "status");
        std::string line;
        while (std::getline(status, line))
            if (line.find("ctxt_switches:") != std::string::npos)
                switches += std::stoull(line.substr(line.find(':') + 1));
    }
    return switches;
}

std::size_t Entries(const char* folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

void RawLatencyFloor(TVirtualComPort& port, int rounds, const std::string& prefix) {
    TBenchPeer peer(port.MasterFd(), TBenchPeer::TMode::Answer);
    const std::uint8_t poll2[2] = {0x11, 0x05};
    std::vector<double> reply;
    std::vector<double> roundTrip;
    int fd = OpenRaw(port.LinkPath());
    std::uint8_t byte = 0;
    for (int round = -100; round < rounds; ++round) {
        auto start = TBenchClock::now();
        if (write(fd, poll2, 2) != 2)
            std::exit(1);
        for (;;) {
            WaitFd(fd, POLLIN);
            if (read(fd, &byte, 1) == 1 && byte == 0x06)
                break;
        }
        auto end = TBenchClock::now();
        if (round >= 0) {
            reply.push_back(Micros(end - peer.LastAnswerAt()));
            roundTrip.push_back(Micros(end - start));
        }
    }
    close(fd);
    ReportLatency(prefix + "_reply", reply);
    ReportLatency(prefix + "_roundtrip", roundTrip);
}

void RawThroughputFloor(TVirtualComPort& port, std::size_t bytes, const std::string& prefix) {
    const std::vector<std::uint8_t> stream = PatternStream(bytes);
    {
        int fd = OpenRaw(port.LinkPath());
        TBenchPeer sink(port.MasterFd(), TBenchPeer::TMode::Sink, bytes);
        auto start = TBenchClock::now();
        for (std::size_t sent = 0; sent < bytes;) {
            ssize_t n = write(fd, stream.data() + sent, std::min<std::size_t>(4096, bytes - sent));
            if (n > 0)
                sent += static_cast<std::size_t>(n);
            else
                WaitFd(fd, POLLOUT);
        }
        sink.WaitDone();
        Report(prefix + "_tx_MBps", MBps(bytes, TBenchClock::now() - start));
        Report(prefix + "_tx_intact", sink.Intact() && sink.Seen() == bytes);
        close(fd);
    }
    {
        int fd = OpenRaw(port.LinkPath());
        std::vector<std::uint8_t> buffer(65536);
        std::size_t got = 0;
        bool intact = true;
        auto start = TBenchClock::now();
        TBenchPeer source(port.MasterFd(), TBenchPeer::TMode::Source, bytes);
        while (got < bytes) {
            WaitFd(fd, POLLIN);
            ssize_t n = read(fd, buffer.data(), buffer.size());
            for (ssize_t i = 0; i < n; ++i)
                intact &= buffer[static_cast<std::size_t>(i)] ==
                          stream[got + static_cast<std::size_t>(i)];
            if (n > 0)
                got += static_cast<std::size_t>(n);
        }
        Report(prefix + "_rx_MBps", MBps(bytes, TBenchClock::now() - start));
        Report(prefix + "_rx_intact", intact);
        close(fd);
    }
}

void RawOpenCloseFloor(const std::string& path, int cycles, const std::string& name) {
    std::vector<double> samples;
    for (int i = 0; i < cycles; ++i) {
        const auto start = TBenchClock::now();
        int fd = OpenRaw(path);
        termios settings{};
        if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0 ||
            tcgetattr(fd, &settings) != 0)
            std::exit(1);
        cfmakeraw(&settings);
        tcsetattr(fd, TCSANOW, &settings);
        ioctl(fd, TIOCNXCL);
        close(fd);
        samples.push_back(Micros(TBenchClock::now() - start));
    }
    ReportLatency(name, samples);
}

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
