#include "serial/engine/trace/SioLogRing.h"

#include <algorithm>
#include <cstring>

std::uint32_t TSioLogRing::MaxDataLength(std::uint32_t capacity) {
    return capacity > TSioLogHeader::HeaderSize ? capacity - TSioLogHeader::HeaderSize : 0;
}

void TSioLogRing::Allocate(std::uint32_t capacity) {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::unique_ptr<std::uint8_t[]> scratch;
    if (capacity > 0) {
        bytes = std::make_unique<std::uint8_t[]>(capacity);
        scratch = std::make_unique<std::uint8_t[]>(std::max(MaxDataLength(capacity), 1u));
    }
    Bytes_ = std::move(bytes);
    Scratch_ = std::move(scratch);
    Capacity_ = capacity;
    Reset();
}

void TSioLogRing::Free() {
    Bytes_.reset();
    Scratch_.reset();
    Capacity_ = 0;
    Reset();
}

void TSioLogRing::Reset() {
    Head_ = 0;
    Tail_ = 0;
    FreeBytes_ = Capacity_;
}

void TSioLogRing::CopyIn(const std::uint8_t* bytes, std::uint32_t count) {
    const std::uint32_t first = std::min(count, Capacity_ - Head_);
    std::memcpy(Bytes_.get() + Head_, bytes, first);
    std::memcpy(Bytes_.get(), bytes + first, count - first);
    Head_ = (Head_ + count) % Capacity_;
}

void TSioLogRing::CopyOut(std::uint8_t* target, std::uint32_t count) {
    const std::uint32_t first = std::min(count, Capacity_ - Tail_);
    std::memcpy(target, Bytes_.get() + Tail_, first);
    std::memcpy(target + first, Bytes_.get(), count - first);
    Tail_ = (Tail_ + count) % Capacity_;
}

TSioLogHeader TSioLogRing::TakeHeader() {
    TSioLogHeader::TBytes bytes;
    CopyOut(bytes.data(), TSioLogHeader::HeaderSize);
    FreeBytes_ += TSioLogHeader::HeaderSize;
    return TSioLogHeader::Decode(bytes);
}

void TSioLogRing::DropOldest() {
    const TSioLogHeader header = TakeHeader();
    Tail_ = static_cast<std::uint32_t>((std::uint64_t{Tail_} + header.Length) % Capacity_);
    FreeBytes_ += header.Length;
}

bool TSioLogRing::Put(const TSioLogHeader& header, const std::uint8_t* data) {
    // Header and data go in together or not at all, so the ring never holds a header whose data
    // it refused.
    const std::uint64_t size = std::uint64_t{TSioLogHeader::HeaderSize} + header.Length;
    // A header alone must be smaller than the ring; header and data together may fill it exactly
    // (FreeBytes_, not the indices, tells full from empty).
    if (!Allocated() || TSioLogHeader::HeaderSize >= Capacity_ || size > Capacity_) {
        return false;
    }
    while (FreeBytes_ < size) {
        DropOldest();
    }
    const TSioLogHeader::TBytes bytes = header.Encode();
    CopyIn(bytes.data(), TSioLogHeader::HeaderSize);
    if (header.Length > 0) {
        CopyIn(data, header.Length);
    }
    FreeBytes_ -= static_cast<std::uint32_t>(size);
    return true;
}

bool TSioLogRing::ReadNext(TSioLogHeader& header, std::span<const std::uint8_t>& data) {
    if (!Allocated() || Empty()) {
        return false;
    }
    header = TakeHeader();
    if (header.Length > 0) {
        CopyOut(Scratch_.get(), header.Length);
        FreeBytes_ += header.Length;
    }
    data = {Scratch_.get(), header.Length};
    return true;
}
