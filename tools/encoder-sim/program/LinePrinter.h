#pragma once
// Prints the simulator's lines on an output (stdout) without ever holding up the encoder: the
// worker only queues a line; the main thread writes queued lines when the output can take them
// and meanwhile waits for the stop signals. A reader that stops reading costs lines, never
// answers: beyond MaxQueuedLines, new lines are counted and dropped.
//
// Post may be called from any thread (it takes the queue lock briefly). RunUntilSignal and
// Finish belong to one thread, the one that blocked the stop signals. The constructor throws
// std::system_error when it cannot make its descriptors.

#include "tools/encoder-sim/encoder/FileDescriptor.h"

#include <csignal>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>

namespace EncoderSim {

class TLinePrinter {
public:
    static constexpr std::size_t MaxQueuedLines = 10000;

    // `stopSignals` must already be blocked in every thread.
    TLinePrinter(int outFd, const sigset_t& stopSignals);

    void Post(std::string line);
    // Writes lines as the output takes them until a stop signal arrives; returns its number.
    int RunUntilSignal();
    // Writes what the output takes at once and gives up on the rest; returns the lines lost.
    std::size_t Finish();

private:
    // Writes some of the queue; false when the output has failed for good.
    bool WriteSome();

    int OutFd_;
    bool OutFailed_ = false;
    TFileDescriptor SignalFd_;
    TFileDescriptor WakeFd_;
    std::mutex Lock_;
    std::deque<std::string> Queue_; // each line with its newline; the front may be half written
    std::size_t Dropped_ = 0;
};

} // namespace EncoderSim
