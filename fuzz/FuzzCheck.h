#pragma once
// Helpers shared by the fuzz targets.
//
// FUZZ_CHECK states an invariant of the code under test: when it does not hold, the target
// prints the condition and aborts, which libFuzzer reports as a crash and keeps the input.
// TFuzzInput hands out a fuzz input front to back (option bytes first, free text last), so a
// seed file reads in the order the target uses it. A missing byte reads as 0.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

class TFuzzInput {
public:
    TFuzzInput(const std::uint8_t* data, std::size_t size)
        : Rest_(reinterpret_cast<const char*>(data), size) {}

    bool Empty() const { return Rest_.empty(); }

    std::uint8_t Byte() {
        if (Rest_.empty()) {
            return 0;
        }
        const auto byte = static_cast<std::uint8_t>(Rest_.front());
        Rest_.remove_prefix(1);
        return byte;
    }

    bool Bool() { return (Byte() & 1) != 0; }

    // Four bytes, least significant first.
    std::uint32_t Word() {
        std::uint32_t word = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            word |= std::uint32_t{Byte()} << shift;
        }
        return word;
    }

    // An int whose byte 0x80 and 0x7F stand for INT32_MIN and INT32_MAX, and any other byte for
    // itself as a signed value: small indices both sides of a table plus the extremes.
    int Index() {
        const auto value = static_cast<std::int8_t>(Byte());
        if (value == INT8_MIN) {
            return INT32_MIN;
        }
        if (value == INT8_MAX) {
            return INT32_MAX;
        }
        return value;
    }

    // Up to count bytes.
    std::string_view Take(std::size_t count) {
        const std::string_view part = Rest_.substr(0, count);
        Rest_.remove_prefix(part.size());
        return part;
    }

    std::string_view Rest() { return Take(Rest_.size()); }

private:
    std::string_view Rest_;
};
