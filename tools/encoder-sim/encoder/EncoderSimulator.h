#pragma once
// The simulated encoder at work on the peer's end of a line (the master end of a pseudo-terminal
// pair): it decodes what the program sends, answers polls, runs the transmitter and records what
// it received, for people (OnEvent) and for tests (the Wait and inspection calls).
//
// Threads: Start spawns one worker that waits with poll() on the line and on an eventfd; it
// wakes only for received bytes, for requests from other threads and, while an alarm is being
// sent, for the end of the transmission. The owner calls SetOnEvent, Start and Stop; every other
// call may come from any thread and takes the internal lock only briefly. OnEvent runs on the
// worker without that lock held, so it may call back into the simulator (but not Stop). Stop
// (and the destructor) ends the worker promptly; Start after Stop goes on where it stopped.
//
// The line descriptor is not owned and must stay open until Stop. When it reports an error or
// hang-up the worker stops listening to it and waits for Stop without spinning. Given the path
// of the terminal end, the simulator also lifts the exclusive mode the program may leave behind
// when it closes the port (see TPeerCloseWatch), so that it can open the port again. Bytes the line
// cannot take at once are dropped, as on a serial line with nobody listening. Start throws
// std::system_error when the eventfd or thread cannot be made.

#include "tools/encoder-sim/encoder/EncoderModel.h"
#include "tools/encoder-sim/encoder/FileDescriptor.h"
#include "tools/encoder-sim/encoder/PeerCloseWatch.h"
#include "tools/encoder-sim/protocol/FrameDecoder.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <variant>
#include <vector>

namespace EncoderSim {

// One frame as the encoder received it and what it did with an accepted one.
struct TReceivedFrame {
    std::variant<TDecodedFrame, TRejectedFrame> Content;
    TAlarmOutcome Outcome = TAlarmOutcome::Dropped; // accepted frames only
    std::size_t Waiting = 0;                        // alarms waiting after this one was taken

    bool Accepted() const { return std::holds_alternative<TDecodedFrame>(Content); }
    const TDecodedFrame& Decoded() const { return std::get<TDecodedFrame>(Content); }
    const TRejectedFrame& Rejected() const { return std::get<TRejectedFrame>(Content); }
};

using TSimEvent = std::variant<TReceivedFrame, TEncoderNotice>;

// What the encoder has seen since Start: counts of everything, and the latest frames only, so a
// long run or a peer sending noise cannot fill the memory.
struct TReceivedLog {
    static constexpr std::size_t KeptFrames = 1000;

    std::deque<TReceivedFrame> Frames; // the latest KeptFrames, oldest first
    std::size_t FramesReceived = 0;    // every frame, accepted or rejected
    std::size_t Polls = 0;
    std::size_t BytesSent = 0;
    std::size_t PeerCloses = 0; // closes of the terminal end noticed (with a terminal path)

    void Keep(TReceivedFrame frame);
};

class TEncoderSimulator {
public:
    // `terminalPath` names the terminal end the program opens; empty for no close watch.
    TEncoderSimulator(int lineFd, const TEncoderSettings& settings,
                      const std::string& terminalPath = {});
    ~TEncoderSimulator();
    TEncoderSimulator(const TEncoderSimulator&) = delete;
    TEncoderSimulator& operator=(const TEncoderSimulator&) = delete;

    // Set before Start; called on the worker for every received frame and notice.
    void SetOnEvent(std::function<void(const TSimEvent&)> onEvent);

    void Start();
    void Stop();

    // Waits until `condition` holds for the log or `timeout` has passed; returns the last result.
    bool WaitFor(const std::function<bool(const TReceivedLog&)>& condition,
                 std::chrono::milliseconds timeout);
    bool WaitForFrames(std::size_t count, std::chrono::milliseconds timeout);
    bool WaitForPolls(std::size_t count, std::chrono::milliseconds timeout);

    TReceivedLog Log() const;
    // The latest frames (at most TReceivedLog::KeptFrames), oldest first.
    std::vector<TReceivedFrame> Frames() const;
    std::size_t PollCount() const;
    TEncoderStatus Status() const;

    // Puts bytes on the line as they are, past the fault modes.
    void PushReply(std::string_view bytes);
    void SetFaults(const TFaultModes& faults);
    TFaultModes Faults() const;

    // False when a close watch was asked for but could not be set up.
    bool WatchesPeerCloses() const { return Watch_.Active(); }

    // Passes of the worker's wait loop; an idle encoder adds none.
    std::uint64_t WakeUps() const { return WakeUps_.load(); }

private:
    void Run();
    int PollTimeoutMs();
    void CountPeerCloses();
    bool HandleSignal(int lineFd);
    void HandleLine(int& lineFd);
    void Handle(const std::vector<TDecoderEvent>& decoded, std::string& out,
                std::vector<TSimEvent>& events);
    void AdvanceTransmitter(std::string& out, std::vector<TSimEvent>& events);
    void WriteLine(int lineFd, std::string_view bytes);
    void Deliver(const std::vector<TSimEvent>& events);
    void Signal();

    const int LineFd_;
    TFileDescriptor WakeFd_;
    std::function<void(const TSimEvent&)> OnEvent_;
    std::thread Worker_;
    std::atomic<std::uint64_t> WakeUps_{0};
    TFrameDecoder Decoder_; // worker only
    TPeerCloseWatch Watch_; // worker only once started

    mutable std::mutex Lock_;
    std::condition_variable Changed_;
    TEncoderModel Model_;
    TReceivedLog Log_;
    std::string Pushed_;
    bool StopRequested_ = false;
};

} // namespace EncoderSim
