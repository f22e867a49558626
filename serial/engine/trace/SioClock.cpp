#include "serial/engine/trace/SioClock.h"

#include <ctime>

std::uint32_t SioMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                             static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000u;
    return static_cast<std::uint32_t>(ms);
}

std::tm SioLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}
