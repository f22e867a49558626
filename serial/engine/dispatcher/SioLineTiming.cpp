#include "serial/engine/dispatcher/SioLineTiming.h"

#include <array>

std::uint32_t NormaliseRate(std::uint32_t code) {
    static constexpr std::array<std::uint32_t, 24> Legacy = {
        110, 300, 600, 1200,  2400, 4800, 9600, 14400,  19200, 0, 0, 38400,
        0,   0,   0,   56000, 0,    0,    0,    128000, 0,     0, 0, 256000};
    if (code == 0xFEFF)
        return 115200;
    if (code >= 0xFF10 && code <= 0xFF27) {
        std::uint32_t rate = Legacy[code - 0xFF10];
        return rate != 0 ? rate : code;
    }
    return code;
}

std::uint32_t DrainDelayMs(const TSioLineSettings& settings, std::uint32_t rate) {
    std::uint32_t bits = settings.ByteSize + 2u;
    if (settings.Parity != NoParity)
        ++bits;
    if (settings.StopBits != OneStopBit)
        ++bits;
    std::uint32_t normalised = NormaliseRate(rate);
    if (normalised == 0)
        normalised = 1;
    // Units of 100 ns, as the line's own bit time is kept.
    std::uint64_t bitTime = 10000000u / normalised;
    std::uint64_t t = bitTime * bits * 18u;
    if (t < 10000)
        t *= 2;
    return static_cast<std::uint32_t>((t + 9999) / 10000);
}
