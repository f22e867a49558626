#include "serial/engine/dispatcher/SioOutputRing.h"

#include <algorithm>
#include <cstring>

void TSioOutputRing::Allocate(std::uint32_t size) {
    size = std::max<std::uint32_t>(size, 1);
    Bytes_.reset(new std::uint8_t[size]());
    Size_ = size;
    Head_ = Tail_ = 0;
    Full_ = false;
}

void TSioOutputRing::Free() {
    Bytes_.reset();
    Head_ = Tail_ = 0;
    Full_ = false;
}

void TSioOutputRing::Purge() {
    Head_ = Tail_ = 0;
    Full_ = false;
    ++Generation_;
}

std::uint32_t TSioOutputRing::Used() const {
    if (Full_)
        return Size_;
    if (Head_ >= Tail_)
        return Head_ - Tail_;
    return Size_ - Tail_ + Head_;
}

void TSioOutputRing::Put(const std::uint8_t* bytes, std::uint32_t count) {
    if (count == 0)
        return;
    const std::uint32_t first = std::min(count, Size_ - Head_);
    std::memcpy(Bytes_.get() + Head_, bytes, first);
    std::memcpy(Bytes_.get(), bytes + first, count - first);
    Head_ = (Head_ + count) % Size_;
    Full_ = Head_ == Tail_;
}

bool TSioOutputRing::TakePiece(TPiece& piece) {
    if (!Bytes_ || Empty())
        return false;
    if (Tail_ >= Head_ && Head_ != 0) {
        // Rotating the whole ring left by the tail puts the wrapped data in one piece at the
        // start, in place.
        std::rotate(Bytes_.get(), Bytes_.get() + Tail_, Bytes_.get() + Size_);
        Head_ = (Head_ + Size_ - Tail_) % Size_;
        Tail_ = 0;
    }
    piece.Data = Bytes_.get() + Tail_;
    piece.Count = Head_ > Tail_ ? Head_ - Tail_ : Size_ - Tail_;
    piece.Generation = Generation_;
    return true;
}

void TSioOutputRing::Advance(const TPiece& piece, std::uint32_t count) {
    // A purge since the piece was taken has emptied the ring already.
    if (count == 0 || piece.Generation != Generation_)
        return;
    Tail_ = (Tail_ + count) % Size_;
    if (Tail_ == Head_)
        Head_ = Tail_ = 0;
    Full_ = false;
}
