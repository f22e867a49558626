#include "BenchPeer.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace {

std::int64_t Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

TBenchPeer::TBenchPeer(int masterFd, TMode mode, std::size_t count)
    : MasterFd_(masterFd), Mode_(mode), Count_(count),
      StopFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    Thread_ = std::thread([this] { Run(); });
}

TBenchPeer::~TBenchPeer() {
    std::uint64_t one = 1;
    ssize_t written = write(StopFd_, &one, sizeof one);
    static_cast<void>(written);
    Thread_.join();
    close(StopFd_);
}

void TBenchPeer::WaitDone() {
    while (!Done_.load())
        Done_.wait(false);
}

bool TBenchPeer::WaitLine(short events) {
    pollfd entries[2] = {{MasterFd_, events, 0}, {StopFd_, POLLIN, 0}};
    while (poll(entries, 2, -1) < 0)
        if (errno != EINTR)
            return false;
    return !(entries[1].revents & POLLIN) && !(entries[0].revents & (POLLHUP | POLLERR));
}

void TBenchPeer::Run() {
    switch (Mode_) {
    case TMode::Answer:
        Answer();
        break;
    case TMode::Sink:
        Sink();
        break;
    case TMode::Source:
        Source();
        break;
    }
    Done_ = true;
    Done_.notify_all();
}

void TBenchPeer::Answer() {
    std::uint8_t last = 0;
    std::uint8_t buffer[256];
    while (WaitLine(POLLIN)) {
        ssize_t got = read(MasterFd_, buffer, sizeof buffer);
        for (ssize_t i = 0; i < got; ++i) {
            if (last == 0x11 && buffer[i] == 0x05) {
                const std::int64_t now = Now();
                if (FirstPollNs_.load() == 0)
                    FirstPollNs_ = now;
                LastAnswerNs_ = now;
                std::uint8_t ack = 0x06;
                ssize_t written = write(MasterFd_, &ack, 1);
                static_cast<void>(written);
            }
            last = buffer[i];
        }
    }
}

void TBenchPeer::Sink() {
    std::vector<std::uint8_t> buffer(65536);
    std::size_t seen = 0;
    while (seen < Count_ && WaitLine(POLLIN)) {
        ssize_t got = read(MasterFd_, buffer.data(), buffer.size());
        for (ssize_t i = 0; i < got; ++i)
            if (buffer[static_cast<std::size_t>(i)] !=
                PatternByte(seen + static_cast<std::size_t>(i)))
                Intact_ = false;
        if (got > 0)
            seen += static_cast<std::size_t>(got);
        Seen_ = seen;
    }
}

void TBenchPeer::Source() {
    std::vector<std::uint8_t> block(4096);
    std::size_t sent = 0;
    while (sent < Count_ && WaitLine(POLLOUT)) {
        std::size_t n = std::min(block.size(), Count_ - sent);
        for (std::size_t i = 0; i < n; ++i)
            block[i] = PatternByte(sent + i);
        ssize_t written = write(MasterFd_, block.data(), n);
        if (written > 0)
            sent += static_cast<std::size_t>(written);
    }
}
