#pragma once
// The last `capacity` samples of a stream, with a running count of every sample pushed, so a
// position counted from the stream's start stays valid while the ring wraps. Each sample is kept
// twice, half a ring apart, so the newest samples are always one contiguous run: what a filter
// or a spectrum reads without copying. Before the stream has filled it, the ring reads zeros.
//
// Plain value type of one thread; nothing here fails.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

template <typename T> class TSampleRing {
public:
    explicit TSampleRing(std::size_t capacity)
        : Capacity_(std::max<std::size_t>(capacity, 1)), Storage_(2 * Capacity_, T{}) {}

    void Push(T sample) {
        const std::size_t at = Total_ % Capacity_;
        Storage_[at] = sample;
        Storage_[at + Capacity_] = sample;
        ++Total_;
    }
    void Push(const T* samples, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            Push(samples[i]);
    }

    std::size_t Capacity() const { return Capacity_; }
    // Samples pushed since the start.
    std::uint64_t Total() const { return Total_; }
    // The position of the oldest sample the ring still holds.
    std::uint64_t Oldest() const { return Total_ > Capacity_ ? Total_ - Capacity_ : 0; }

    // The newest `count` samples (at most Capacity), oldest first, contiguous.
    const T* Newest(std::size_t count) const {
        return &Storage_[Total_ % Capacity_ + Capacity_ - count];
    }
    // The sample at `position`, which must lie from Oldest() to Total() - 1.
    T At(std::uint64_t position) const { return Storage_[position % Capacity_]; }

    // The samples from `position` to the newest, as far as the ring still holds them.
    std::vector<T> Since(std::uint64_t position) const {
        const std::uint64_t first = std::max(position, Oldest());
        if (first >= Total_)
            return {};
        const T* newest = Newest(static_cast<std::size_t>(Total_ - first));
        return std::vector<T>(newest, newest + (Total_ - first));
    }

private:
    std::size_t Capacity_;
    std::vector<T> Storage_;
    std::uint64_t Total_ = 0;
};
