#pragma once
// What every benchmark here shares: the "name value" report lines bench.sh collects, latency
// summaries, CPU and wake-up counters of this process, and the raw floors a figure is set
// beside: a minimal single-threaded poll()+read() client on the same pseudo-terminal, a bare
// 50 ms poll() loop and plain open/flock/close probes.
//
// Single-threaded helpers; the floors exit the program when the line fails, since a benchmark
// without its floor has nothing to report.

#include "bench/common/BenchPeer.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TVirtualComPort;

using TBenchClock = std::chrono::steady_clock;

double Micros(TBenchClock::duration d);
double MBps(std::size_t bytes, TBenchClock::duration d);
void Report(const std::string& name, double value);
// Reports <name>_median_us, <name>_p99_us and <name>_max_us.
void ReportLatency(const std::string& name, std::vector<double> samples);

// The stream both throughput directions carry, PatternByte(i) at position i.
std::vector<std::uint8_t> PatternStream(std::size_t bytes);

int OpenRaw(const std::string& path);
void WaitFd(int fd, short events);

// CPU milliseconds of the whole process and of the calling thread.
double ProcessCpuMs();
double ThreadCpuMs();
// Context switches (voluntary and not) of every thread of this process but the calling one:
// each one is a wake-up of a thread that had gone to sleep or been preempted.
std::uint64_t OtherThreadsSwitches();
// Entries of a /proc folder (open descriptors, threads).
std::size_t Entries(const char* folder);

// Reply latency floor: a raw client writes 0x11 0x05, the peer answers 0x06; reports
// <prefix>_reply (peer's write to the client's read) and <prefix>_roundtrip.
void RawLatencyFloor(TVirtualComPort& port, int rounds, const std::string& prefix);
// Throughput floors in MB/s, both directions, with every byte checked.
void RawThroughputFloor(TVirtualComPort& port, std::size_t bytes, const std::string& prefix);
// Open+close floor: a raw open, flock, TIOCEXCL, tcsetattr, close cycle; reports <name>_median_us,
// _p99_us and _max_us.
void RawOpenCloseFloor(const std::string& path, int cycles, const std::string& name);
// Idle floor: CPU milliseconds of a thread that wakes every 50 ms from poll() for `seconds`.
double IdleFloorCpuMs(int seconds);
