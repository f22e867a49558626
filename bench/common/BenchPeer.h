#pragma once
// The encoder's side of a benchmark: a thread on the master end of a virtual port that answers
// polls, swallows and checks a byte stream, or sends one. It waits in poll() on the line and on
// an eventfd, so it costs nothing between bytes and stops at once.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <thread>

// The byte stream both directions carry: position i holds PatternByte(i).
inline std::uint8_t PatternByte(std::size_t i) {
    return static_cast<std::uint8_t>((i * 7 + i / 251) & 0xFF);
}

class TBenchPeer {
public:
    enum class TMode {
        Answer, // every 0x11 0x05 is answered with 0x06
        Sink,   // reads `count` pattern bytes and checks them
        Source  // writes `count` pattern bytes
    };

    TBenchPeer(int masterFd, TMode mode, std::size_t count = 0);
    ~TBenchPeer();
    TBenchPeer(const TBenchPeer&) = delete;
    TBenchPeer& operator=(const TBenchPeer&) = delete;

    // Sink: bytes seen so far and whether all matched; both final once Done().
    std::size_t Seen() const { return Seen_.load(); }
    bool Intact() const { return Intact_.load(); }
    bool Done() const { return Done_.load(); }
    // Blocks until the sink or source has moved every byte.
    void WaitDone();
    // Answer: when the first poll arrived and when the latest answer was about to be written
    // (the epoch of steady_clock while none has).
    std::chrono::steady_clock::time_point FirstPollAt() const { return At(FirstPollNs_); }
    std::chrono::steady_clock::time_point LastAnswerAt() const { return At(LastAnswerNs_); }

private:
    void Run();
    void Answer();
    void Sink();
    void Source();
    // Waits for the line to be ready for `events`; false when stopping.
    bool WaitLine(short events);
    static std::chrono::steady_clock::time_point At(const std::atomic<std::int64_t>& ns) {
        return std::chrono::steady_clock::time_point(std::chrono::nanoseconds(ns.load()));
    }

    int MasterFd_;
    TMode Mode_;
    std::size_t Count_;
    int StopFd_;
    std::atomic<std::size_t> Seen_{0};
    std::atomic<bool> Intact_{true};
    std::atomic<bool> Done_{false};
    std::atomic<std::int64_t> FirstPollNs_{0};
    std::atomic<std::int64_t> LastAnswerNs_{0};
    std::thread Thread_;
};
