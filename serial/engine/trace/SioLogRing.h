#pragma once
// The dispatch log's byte ring: whole entries (header and data) in C bytes, oldest evicted first.
//
// Owns the ring and a scratch area that holds the data of the largest entry the ring can take,
// so reading an entry back never writes past it. Allocate is the only operation that allocates
// (it throws std::bad_alloc and then leaves the ring as it was); Put and ReadNext only copy.
// Not thread-safe: the owner serialises every call.

#include "serial/engine/trace/SioLogEntry.h"

#include <cstdint>
#include <memory>
#include <span>

class TSioLogRing {
public:
    // Replaces any ring with an empty zero-filled one of capacity bytes; 0 gives none.
    void Allocate(std::uint32_t capacity);
    void Free();
    // Empties the ring, capacity unchanged.
    void Reset();

    bool Allocated() const { return Bytes_ != nullptr; }
    bool Empty() const { return FreeBytes_ == Capacity_; }
    std::uint32_t Capacity() const { return Capacity_; }
    std::uint32_t FreeBytes() const { return FreeBytes_; }

    // The largest data length an entry may have in a ring of this capacity: header and data
    // together may fill the whole ring, but a ring no larger than a header holds no entry.
    static std::uint32_t MaxDataLength(std::uint32_t capacity);

    // Stores the header and its header.Length bytes at data, evicting the oldest entries as
    // needed. False, with nothing stored or evicted, when the entry is too large for the ring.
    bool Put(const TSioLogHeader& header, const std::uint8_t* data);

    // Takes the oldest entry out of the ring. Its data stays valid in the scratch area until the
    // next call. False when the ring is empty.
    bool ReadNext(TSioLogHeader& header, std::span<const std::uint8_t>& data);

private:
    void CopyIn(const std::uint8_t* bytes, std::uint32_t count);
    void CopyOut(std::uint8_t* target, std::uint32_t count);
    TSioLogHeader TakeHeader();
    void DropOldest();

    std::unique_ptr<std::uint8_t[]> Bytes_;
    std::unique_ptr<std::uint8_t[]> Scratch_;
    std::uint32_t Capacity_ = 0;
    std::uint32_t Head_ = 0;
    std::uint32_t Tail_ = 0;
    std::uint32_t FreeBytes_ = 0;
};
