#include "serial/engine/posix/SioTimer.h"

#include <cerrno>
#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

int TSioTimer::Create() {
    if (Fd_ >= 0)
        return 0;
    Fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    return Fd_ < 0 ? -errno : 0;
}

void TSioTimer::Close() {
    if (Fd_ >= 0)
        close(Fd_);
    Fd_ = -1;
}

void TSioTimer::Arm(std::chrono::microseconds after) {
    Set(after);
}

void TSioTimer::Disarm() {
    Set(std::chrono::microseconds(0));
}

void TSioTimer::Set(std::chrono::microseconds after) {
    if (Fd_ < 0)
        return;
    itimerspec spec{};
    spec.it_value.tv_sec = static_cast<time_t>(after.count() / 1'000'000);
    spec.it_value.tv_nsec = static_cast<long>(after.count() % 1'000'000 * 1000);
    // Both arguments are valid, so the call cannot fail.
    timerfd_settime(Fd_, 0, &spec, nullptr);
}

void TSioTimer::Consume() {
    if (Fd_ < 0)
        return;
    std::uint64_t expirations;
    ssize_t got = read(Fd_, &expirations, sizeof expirations);
    static_cast<void>(got);
}
