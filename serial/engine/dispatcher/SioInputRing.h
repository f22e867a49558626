#pragma once
// The dispatcher's 8192-byte input ring: a single-producer single-consumer ring on two running
// totals, with the read-ahead a delivery's handlers take without moving the tail.
//
// Total (bytes ever put in) moves only on the producer's side, which its owner serialises (the
// dispatcher's input lock); Taken (bytes ever taken) moves on the reader's side: the one thread
// that takes at a time, or the end of a delivery. Taking and peeking take no lock. Inside a
// delivery (BeginDelivery .. EndDelivery) takes read ahead of the tail, and the end moves the
// tail by the most any handler took. When the producer found the ring full it notes so; whoever
// makes room next clears the note and calls the room callback, so the producer reads again.
//
// Allocate throws std::bad_alloc and leaves the ring as it was; nothing else throws.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

inline constexpr std::uint32_t InputRingSize = 8192;
// Ring positions are running totals taken modulo the size, which stays cheap for a power of two.
static_assert((InputRingSize & (InputRingSize - 1)) == 0);

class TSioInputRing {
public:
    // `roomAvailable` runs on the thread that made room in a ring the producer found full.
    explicit TSioInputRing(std::function<void()> roomAvailable)
        : RoomAvailable_(std::move(roomAvailable)) {}

    // An empty zero-filled ring; Free lets it go. Both on the producer's side, as is Reset.
    void Allocate();
    void Free();
    bool Allocated() const { return Bytes_ != nullptr; }
    // Empty again, outside any delivery.
    void Reset();

    // --- Producer ---

    // The free room at the head as one contiguous piece, empty when the ring is full (then the
    // full note is set, unless the reader made room meanwhile).
    std::span<std::uint8_t> FreePiece();
    // `count` bytes of the piece FreePiece gave have been filled.
    void Produced(std::uint32_t count);
    std::uint64_t Total() const { return Total_.load(std::memory_order_acquire); }
    bool Full() const { return Full_.load(); }

    // --- Reader ---

    // Bytes put in and not yet past the tail (read-ahead included).
    std::uint32_t Unread() const;
    // What the next takes may still return: Unread less the read-ahead inside a delivery.
    std::uint32_t Count() const;
    // False with nothing taken when no byte waits.
    bool TakeByte(std::uint8_t& byte);
    // Takes up to `size` bytes; how many.
    std::uint32_t Take(std::uint8_t* buffer, std::uint32_t size);
    // Copies up to `size` of the bytes the next takes would return; how many.
    std::uint32_t Peek(std::uint8_t* buffer, std::uint32_t size) const;
    // n = 1 is the byte at the tail; false when fewer than n are unread.
    bool PeekAt(std::uint32_t n, std::uint8_t& byte) const;
    // Drops every unread byte; inside a delivery the end drops them instead.
    void Purge();

    // --- Deliveries ---

    // `reading` is false for a message that announces no input: takes then move the tail.
    void BeginDelivery(bool reading);
    // The next window of the same delivery reads the same bytes again.
    void NextReader();
    // Moves the tail by the most any reader took; that count (0 outside a reading delivery).
    std::uint32_t EndDelivery();
    bool InDelivery() const { return Reading_.load(std::memory_order_relaxed); }

    // The inline fast path of a take inside a delivery; false when TakeByte must do it.
    bool TakeAheadByte(std::uint8_t& byte, bool& empty);

private:
    std::uint64_t TakePosition() const;
    std::uint32_t CopyFrom(std::uint64_t at, std::uint8_t* buffer, std::uint32_t size) const;
    // Moves the tail from `from` by `count`; false when it is no longer at `from`.
    bool ClaimTail(std::uint64_t from, std::uint64_t count);
    void AdvanceTail(std::uint64_t count);
    void NoteRoomMade();
    void KeepLongestReadAhead();

    std::function<void()> RoomAvailable_;
    std::unique_ptr<std::uint8_t[]> Bytes_;
    std::atomic<std::uint64_t> Total_{0};
    std::atomic<std::uint64_t> Taken_{0};
    std::atomic<bool> Full_{false};
    // Set before a delivery's handler runs and read by its takes; the messenger's hand-over
    // orders them, so relaxed atomics suffice.
    std::atomic<bool> Reading_{false};
    std::atomic<std::uint32_t> Ahead_{0};
    std::atomic<std::uint32_t> MaxAhead_{0};
};

inline bool TSioInputRing::TakeAheadByte(std::uint8_t& byte, bool& empty) {
    if (!Reading_.load(std::memory_order_relaxed))
        return false;
    const std::uint32_t ahead = Ahead_.load(std::memory_order_relaxed);
    const std::uint64_t at = Taken_.load(std::memory_order_relaxed) + ahead;
    empty = Total_.load(std::memory_order_acquire) <= at;
    if (!empty) {
        byte = Bytes_[at % InputRingSize];
        Ahead_.store(ahead + 1, std::memory_order_relaxed);
    }
    return true;
}
