#pragma once
// The dispatcher's output ring: blocks queued for the device and not yet written, taken out by
// the output worker one contiguous piece at a time.
//
// Not thread-safe: the dispatcher holds its output lock around every call. A piece stays in the
// ring until Advance says how much of it was written, so the worker writes it without the lock;
// a purge meanwhile empties the ring and moves the generation on, and the piece's Advance then
// does nothing.
//
// Allocate throws std::bad_alloc and leaves the ring as it was; nothing else throws or allocates.

#include <cstdint>
#include <memory>

class TSioOutputRing {
public:
    struct TPiece {
        const std::uint8_t* Data = nullptr;
        std::uint32_t Count = 0;
        std::uint64_t Generation = 0;
    };

    // An empty zero-filled ring of `size` bytes (at least one); Free lets it go.
    void Allocate(std::uint32_t size);
    void Free();
    bool Allocated() const { return Bytes_ != nullptr; }
    // Empties the ring; a piece taken before is not advanced afterwards.
    void Purge();

    bool Empty() const { return !Full_ && Head_ == Tail_; }
    std::uint32_t Used() const;
    // Appends `count` bytes; the caller has checked that they fit.
    void Put(const std::uint8_t* bytes, std::uint32_t count);
    // The oldest queued bytes as one piece (data that wraps is first moved to the ring's start,
    // so it goes out in one write); false when nothing is queued.
    bool TakePiece(TPiece& piece);
    // Frees the first `count` bytes of a piece once written.
    void Advance(const TPiece& piece, std::uint32_t count);

private:
    std::unique_ptr<std::uint8_t[]> Bytes_;
    std::uint32_t Size_ = 0;
    std::uint32_t Head_ = 0;
    std::uint32_t Tail_ = 0;
    bool Full_ = false;
    // Moves on with every purge.
    std::uint64_t Generation_ = 0;
};
