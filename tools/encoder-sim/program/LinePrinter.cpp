#include "tools/encoder-sim/program/LinePrinter.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <system_error>
#include <unistd.h>

namespace EncoderSim {

namespace {

TFileDescriptor Checked(int fd, const char* what) {
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), what);
    return TFileDescriptor(fd);
}

} // namespace

TLinePrinter::TLinePrinter(int outFd, const sigset_t& stopSignals)
    : OutFd_(outFd), SignalFd_(Checked(signalfd(-1, &stopSignals, SFD_CLOEXEC), "signalfd")),
      WakeFd_(Checked(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK), "eventfd")) {}

void TLinePrinter::Post(std::string line) {
    {
        std::lock_guard lock(Lock_);
        if (Queue_.size() >= MaxQueuedLines) {
            ++Dropped_;
            return;
        }
        Queue_.push_back(std::move(line) + "\n");
    }
    std::uint64_t one = 1;
    [[maybe_unused]] auto written = write(WakeFd_.Get(), &one, sizeof one);
}

int TLinePrinter::RunUntilSignal() {
    for (;;) {
        bool pending = false;
        {
            std::lock_guard lock(Lock_);
            pending = !Queue_.empty() && !OutFailed_;
        }
        // The output is watched only while there is something to write, so an idle encoder
        // leaves this thread asleep.
        pollfd fds[3] = {{SignalFd_.Get(), POLLIN, 0},
                         {WakeFd_.Get(), POLLIN, 0},
                         {pending ? OutFd_ : -1, POLLOUT, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            return 0;
        }
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info{};
            [[maybe_unused]] auto got = read(SignalFd_.Get(), &info, sizeof info);
            return static_cast<int>(info.ssi_signo);
        }
        if (fds[1].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] auto got = read(WakeFd_.Get(), &count, sizeof count);
        }
        if (fds[2].revents != 0)
            OutFailed_ = !WriteSome();
    }
}

bool TLinePrinter::WriteSome() {
    std::string line;
    {
        std::lock_guard lock(Lock_);
        if (Queue_.empty())
            return true;
        line = Queue_.front();
    }
    // The output reported room, so this write of one short line does not block for long.
    ssize_t written = write(OutFd_, line.data(), line.size());
    if (written < 0)
        return errno == EINTR || errno == EAGAIN;
    std::lock_guard lock(Lock_);
    if (static_cast<std::size_t>(written) == line.size())
        Queue_.pop_front();
    else
        Queue_.front().erase(0, static_cast<std::size_t>(written));
    return true;
}

std::size_t TLinePrinter::Finish() {
    for (;;) {
        {
            std::lock_guard lock(Lock_);
            if (Queue_.empty() || OutFailed_)
                break;
        }
        pollfd out{OutFd_, POLLOUT, 0};
        if (poll(&out, 1, 0) <= 0 || !(out.revents & POLLOUT) || !WriteSome())
            break;
    }
    std::lock_guard lock(Lock_);
    return Dropped_ + Queue_.size();
}

} // namespace EncoderSim
