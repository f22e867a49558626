#pragma once
// Plays 16-bit mono samples on the default audio output through Qt Multimedia. The output runs
// on a thread of its own with its own Qt event loop, because the simulator's main thread waits
// for signals and has none; between sounds it plays silence, so the stream never stalls.
//
// Play may be called from any thread; it queues and returns at once (and drops the sound when
// two minutes are already waiting: the output has stopped). The constructor throws
// std::runtime_error when there is no audio output or it refuses 16-bit mono.

#include <atomic>
#include <cstdint>
#include <future>
#include <memory>
#include <thread>
#include <vector>

class QCoreApplication;

namespace EncoderSim {

class TAudioPlayer {
public:
    TAudioPlayer();
    ~TAudioPlayer(); // stops the output; what is still queued is not played
    TAudioPlayer(const TAudioPlayer&) = delete;
    TAudioPlayer& operator=(const TAudioPlayer&) = delete;

    int SampleRate() const { return SampleRate_; }
    void Play(std::vector<std::int16_t> samples);

    struct TQueue; // samples waiting for the output, shared with its thread

private:
    void Run(std::promise<int>& started);

    std::shared_ptr<TQueue> Queue_;
    std::atomic<QCoreApplication*> Loop_{nullptr}; // set while the output runs
    int SampleRate_ = 0;
    std::thread Thread_;
};

} // namespace EncoderSim
