#include "tools/encoder-sim/encoder/EncoderSimulator.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace EncoderSim {

namespace {

constexpr std::size_t ReadChunk = 4096;

// What the transmitter sends, as people know the alarm.
std::string AlarmLabel(const TDecodedFrame& frame) {
    return frame.Family == TFrameFamily::FixedCode ? frame.Text : frame.Code;
}

} // namespace

void TReceivedLog::Keep(TReceivedFrame frame) {
    ++FramesReceived;
    Frames.push_back(std::move(frame));
    if (Frames.size() > KeptFrames)
        Frames.pop_front();
}

TEncoderSimulator::TEncoderSimulator(int lineFd, const TEncoderSettings& settings,
                                     const std::string& terminalPath)
    : LineFd_(lineFd), Model_(settings, TClock::now()) {
    if (!terminalPath.empty())
        Watch_ = TPeerCloseWatch(terminalPath);
}

TEncoderSimulator::~TEncoderSimulator() {
    Stop();
}

void TEncoderSimulator::SetOnEvent(std::function<void(const TSimEvent&)> onEvent) {
    OnEvent_ = std::move(onEvent);
}

void TEncoderSimulator::Start() {
    if (Worker_.joinable())
        return;
    bool pushedEarly = false;
    {
        std::lock_guard lock(Lock_);
        StopRequested_ = false;
        pushedEarly = !Pushed_.empty();
        // A delayed silence counts from the start of work, not from construction.
        Model_.SetFaults(Model_.Faults(), TClock::now());
    }
    // Bytes pushed before the start go out at once.
    TFileDescriptor wake(eventfd(pushedEarly ? 1 : 0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake.Valid())
        throw std::system_error(errno, std::generic_category(), "eventfd");
    WakeFd_ = std::move(wake);
    Worker_ = std::thread([this] { Run(); });
}

void TEncoderSimulator::Stop() {
    if (!Worker_.joinable())
        return;
    {
        std::lock_guard lock(Lock_);
        StopRequested_ = true;
    }
    Signal();
    Worker_.join();
    WakeFd_.Reset();
}

void TEncoderSimulator::Signal() {
    std::uint64_t one = 1;
    // The counter only saturates after 2^64 - 1 signals, so a failed write cannot lose a wake-up
    // that matters: the worker is already due to wake.
    [[maybe_unused]] auto written = write(WakeFd_.Get(), &one, sizeof one);
}

bool TEncoderSimulator::WaitFor(const std::function<bool(const TReceivedLog&)>& condition,
                                std::chrono::milliseconds timeout) {
    std::unique_lock lock(Lock_);
    return Changed_.wait_for(lock, timeout, [&] { return condition(Log_); });
}

bool TEncoderSimulator::WaitForFrames(std::size_t count, std::chrono::milliseconds timeout) {
    return WaitFor([count](const TReceivedLog& log) { return log.FramesReceived >= count; },
                   timeout);
}

bool TEncoderSimulator::WaitForPolls(std::size_t count, std::chrono::milliseconds timeout) {
    return WaitFor([count](const TReceivedLog& log) { return log.Polls >= count; }, timeout);
}

TReceivedLog TEncoderSimulator::Log() const {
    std::lock_guard lock(Lock_);
    return Log_;
}

std::vector<TReceivedFrame> TEncoderSimulator::Frames() const {
    std::lock_guard lock(Lock_);
    return {Log_.Frames.begin(), Log_.Frames.end()};
}

std::size_t TEncoderSimulator::PollCount() const {
    std::lock_guard lock(Lock_);
    return Log_.Polls;
}

TEncoderStatus TEncoderSimulator::Status() const {
    std::lock_guard lock(Lock_);
    return Model_.Status();
}

void TEncoderSimulator::PushReply(std::string_view bytes) {
    {
        std::lock_guard lock(Lock_);
        Pushed_.append(bytes);
    }
    if (WakeFd_.Valid())
        Signal();
}

void TEncoderSimulator::SetFaults(const TFaultModes& faults) {
    std::lock_guard lock(Lock_);
    Model_.SetFaults(faults, TClock::now());
}

TFaultModes TEncoderSimulator::Faults() const {
    std::lock_guard lock(Lock_);
    return Model_.Faults();
}

void TEncoderSimulator::Run() {
    int lineFd = LineFd_;
    for (;;) {
        pollfd fds[3] = {{WakeFd_.Get(), POLLIN, 0}, {lineFd, POLLIN, 0}, {Watch_.Fd(), POLLIN, 0}};
        int ready = poll(fds, 3, PollTimeoutMs());
        ++WakeUps_;
        if (ready < 0 && errno != EINTR)
            return;
        if ((fds[0].revents & POLLIN) && !HandleSignal(lineFd))
            return;
        if (fds[2].revents & POLLIN)
            CountPeerCloses();
        if (lineFd >= 0 && fds[1].revents != 0)
            HandleLine(lineFd);
        std::string out;
        std::vector<TSimEvent> events;
        AdvanceTransmitter(out, events);
        WriteLine(lineFd, out);
        Deliver(events);
    }
}

void TEncoderSimulator::CountPeerCloses() {
    std::size_t closes = Watch_.TakeCloses();
    {
        std::lock_guard lock(Lock_);
        Log_.PeerCloses += closes;
    }
    Changed_.notify_all();
}

int TEncoderSimulator::PollTimeoutMs() {
    std::optional<TTime> deadline;
    {
        std::lock_guard lock(Lock_);
        deadline = Model_.NextDeadline();
    }
    if (!deadline)
        return -1;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - TClock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool TEncoderSimulator::HandleSignal(int lineFd) {
    std::uint64_t count = 0;
    [[maybe_unused]] auto got = read(WakeFd_.Get(), &count, sizeof count);
    std::string pushed;
    {
        std::lock_guard lock(Lock_);
        if (StopRequested_)
            return false;
        pushed.swap(Pushed_);
        Log_.BytesSent += pushed.size();
    }
    Changed_.notify_all();
    WriteLine(lineFd, pushed);
    return true;
}

void TEncoderSimulator::HandleLine(int& lineFd) {
    char buffer[ReadChunk];
    ssize_t got = read(lineFd, buffer, sizeof buffer);
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (got <= 0) {
        // The line has gone (hang-up, error, closed descriptor): stop listening to it rather
        // than wake for it over and over.
        lineFd = -1;
        return;
    }
    auto decoded = Decoder_.Feed(std::string_view(buffer, static_cast<std::size_t>(got)));
    std::string out;
    std::vector<TSimEvent> events;
    Handle(decoded, out, events);
    WriteLine(lineFd, out);
    Deliver(events);
}

void TEncoderSimulator::Handle(const std::vector<TDecoderEvent>& decoded, std::string& out,
                               std::vector<TSimEvent>& events) {
    {
        std::lock_guard lock(Lock_);
        TTime now = TClock::now();
        for (const auto& event : decoded) {
            if (std::holds_alternative<TPollRequest>(event)) {
                ++Log_.Polls;
                out += Model_.AnswerPoll(now);
            } else if (const auto* frame = std::get_if<TDecodedFrame>(&event)) {
                TReceivedFrame received{*frame};
                out += Model_.TakeAlarm(AlarmLabel(*frame), now, received.Outcome);
                received.Waiting = Model_.Status().Waiting;
                Log_.Keep(received);
                events.emplace_back(std::move(received));
            } else {
                TReceivedFrame received{std::get<TRejectedFrame>(event)};
                Log_.Keep(received);
                events.emplace_back(std::move(received));
            }
            for (auto& notice : Model_.TakeNotices())
                events.emplace_back(std::move(notice));
        }
        Log_.BytesSent += out.size();
    }
    Changed_.notify_all();
}

void TEncoderSimulator::AdvanceTransmitter(std::string& out, std::vector<TSimEvent>& events) {
    {
        std::lock_guard lock(Lock_);
        std::string sent = Model_.Advance(TClock::now());
        for (auto& notice : Model_.TakeNotices())
            events.emplace_back(std::move(notice));
        Log_.BytesSent += sent.size();
        out += sent;
    }
    Changed_.notify_all();
}

void TEncoderSimulator::WriteLine(int lineFd, std::string_view bytes) {
    while (lineFd >= 0 && !bytes.empty()) {
        ssize_t written = write(lineFd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        // Full or gone: a serial line loses what nobody takes.
        if (written <= 0)
            return;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void TEncoderSimulator::Deliver(const std::vector<TSimEvent>& events) {
    if (!OnEvent_)
        return;
    for (const auto& event : events)
        OnEvent_(event);
}

} // namespace EncoderSim
