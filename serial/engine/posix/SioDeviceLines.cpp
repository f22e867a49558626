#include "serial/engine/posix/SioDeviceLines.h"

void TSioDeviceLines::Open() {
    ModemLines_ = true;
    Counters_ = true;
    CountsKnown_ = false;
    LastLines_ = 0;
}

void TSioDeviceLines::Reattached(int fd) {
    ModemLines_ = true;
    Counters_ = true;
    CountsStale_ = true;
    const int lines = ReadModemLineBits(fd);
    if (lines < 0)
        ModemLines_ = false;
    else
        LastLines_ = static_cast<std::uint8_t>(lines);
}

std::uint32_t TSioDeviceLines::TakeErrorBits(int fd) {
    if (!Counters_.load())
        return 0;
    TSioErrorCounts counts{};
    if (ReadErrorCounts(fd, counts) != 0) {
        Counters_ = false;
        return 0;
    }
    if (CountsStale_.exchange(false))
        CountsKnown_ = false;
    const std::uint32_t bits = CountsKnown_ ? ErrorBitsOfDelta(LastCounts_, counts) : 0;
    LastCounts_ = counts;
    CountsKnown_ = true;
    return bits;
}

std::uint8_t TSioDeviceLines::ReadLines(int fd, bool gone) {
    if (fd < 0 || !ModemLines_.load())
        return 0;
    // A vanished device's lines stay as last seen, so its absence raises no modem event.
    if (gone)
        return LastLines_;
    const int bits = ReadModemLineBits(fd);
    if (bits < 0) {
        ModemLines_ = false;
        return 0;
    }
    return static_cast<std::uint8_t>(bits);
}
