#pragma once
// The last stretch of the tone input, kept so that what was heard around an alarm can be drawn
// after its verdict is known: a ring of mono 16-bit samples with a running count of every
// sample ever appended, so positions stay valid while the ring wraps.
//
// Plain value type of one thread; nothing here fails.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

class TSampleHistory {
public:
    explicit TSampleHistory(std::size_t capacity) : Ring_(std::max<std::size_t>(capacity, 1)) {}

    void Append(const std::int16_t* samples, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            Ring_[(Total_ + i) % Ring_.size()] = samples[i];
        Total_ += count;
    }

    // Samples appended since the start.
    std::uint64_t Total() const { return Total_; }

    // The samples from position `from` (counted from the start) to the newest, as far as the
    // ring still holds them.
    std::vector<std::int16_t> Since(std::uint64_t from) const {
        const std::uint64_t oldest = Total_ > Ring_.size() ? Total_ - Ring_.size() : 0;
        std::vector<std::int16_t> samples;
        for (std::uint64_t at = std::max(from, oldest); at < Total_; ++at)
            samples.push_back(Ring_[at % Ring_.size()]);
        return samples;
    }

private:
    std::vector<std::int16_t> Ring_;
    std::uint64_t Total_ = 0;
};
