#include "serial/engine/posix/SioSignal.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

int TSioSignal::Create() {
    if (Fd_.load() >= 0)
        return 0;
    const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0)
        return -errno;
    Fd_ = fd;
    return 0;
}

void TSioSignal::Close() {
    const int fd = Fd_.exchange(-1);
    if (fd >= 0)
        close(fd);
}

void TSioSignal::Set() {
    const int fd = Fd_.load();
    if (fd < 0)
        return;
    std::uint64_t one = 1;
    // A full counter (never reached) would only mean the signal is already set.
    ssize_t written = write(fd, &one, sizeof one);
    static_cast<void>(written);
}

void TSioSignal::ResetSignal() {
    const int fd = Fd_.load();
    if (fd < 0)
        return;
    std::uint64_t value;
    ssize_t got = read(fd, &value, sizeof value);
    static_cast<void>(got);
}

void TSioSignal::Consume() {
    if (Reset_ == Reset::Automatic)
        ResetSignal();
}

bool TSioSignal::Wait(std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + timeout;
    const int fd = Fd_.load();
    for (;;) {
        if (fd < 0)
            return false;
        int wait = -1;
        if (timeout.count() >= 0) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        pollfd entry{fd, POLLIN, 0};
        int ready = poll(&entry, 1, wait);
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready > 0) {
            if (Reset_ == Reset::Manual)
                return true;
            std::uint64_t value;
            if (read(fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value))
                return true;
            // Another waiter took it first: wait on.
        }
        if (ready == 0)
            return false;
    }
}
