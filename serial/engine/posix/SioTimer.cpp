#include "serial/engine/posix/SioTimer.h"

#include <cerrno>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

int TSioTimer::Create() {
    if (Fd_.load() >= 0)
        return 0;
    const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (fd < 0)
        return -errno;
    Fd_ = fd;
    return 0;
}

void TSioTimer::Close() {
    const int fd = Fd_.exchange(-1);
    if (fd >= 0)
        close(fd);
}

void TSioTimer::Arm(std::chrono::microseconds after) {
    Set(after);
}

void TSioTimer::Disarm() {
    Set(std::chrono::microseconds(0));
}

void TSioTimer::Set(std::chrono::microseconds after) {
    const int fd = Fd_.load();
    if (fd < 0)
        return;
    itimerspec spec{};
    spec.it_value.tv_sec = static_cast<time_t>(after.count() / 1'000'000);
    spec.it_value.tv_nsec = static_cast<long>(after.count() % 1'000'000 * 1000);
    // Both arguments are valid, so the call cannot fail.
    timerfd_settime(fd, 0, &spec, nullptr);
}

void TSioTimer::Consume() {
    const int fd = Fd_.load();
    if (fd < 0)
        return;
    std::uint64_t expirations;
    ssize_t got = read(fd, &expirations, sizeof expirations);
    static_cast<void>(got);
}
