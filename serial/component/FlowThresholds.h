#pragma once
// The flow-control levels the component derives from its buffer size.
//
// Levels are the nearest integer to a fraction of a size, halves going to the even neighbour,
// computed in integers so no floating-point representation error can move a half. Pure.

#include <cstdint>

// The nearest integer to value * numerator / denominator, halves to even.
constexpr std::uint16_t ScaleHalfEven(std::uint32_t value, std::uint32_t numerator,
                                      std::uint32_t denominator) {
    const std::uint64_t product = std::uint64_t{value} * numerator;
    std::uint64_t quotient = product / denominator;
    const std::uint64_t twiceRemainder = 2 * (product % denominator);
    if (twiceRemainder > denominator || (twiceRemainder == denominator && quotient % 2 == 1))
        ++quotient;
    return static_cast<std::uint16_t>(quotient);
}

// Hardware flow: stop the sender at 90 % of the buffer, resume at 10 %.
constexpr std::uint16_t HardwareFullLevel(std::uint32_t size) {
    return ScaleHalfEven(size, 9, 10);
}
constexpr std::uint16_t HardwareResumeLevel(std::uint32_t size) {
    return ScaleHalfEven(size, 1, 10);
}
// Software flow: stop at 75 %, resume at 25 %.
constexpr std::uint16_t SoftwareFullLevel(std::uint32_t size) {
    return ScaleHalfEven(size, 3, 4);
}
constexpr std::uint16_t SoftwareResumeLevel(std::uint32_t size) {
    return ScaleHalfEven(size, 1, 4);
}
