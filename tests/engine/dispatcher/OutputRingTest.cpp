// The output ring alone: pieces taken whole across the wrap, full rings, and a purge while a
// piece is being written.
#include "serial/engine/dispatcher/SioOutputRing.h"

#include <gtest/gtest.h>
#include <string>

namespace {

void Put(TSioOutputRing& ring, const std::string& bytes) {
    ring.Put(reinterpret_cast<const std::uint8_t*>(bytes.data()),
             static_cast<std::uint32_t>(bytes.size()));
}

std::string Text(const TSioOutputRing::TPiece& piece) {
    return {reinterpret_cast<const char*>(piece.Data), piece.Count};
}

} // namespace

// A first block is taken and partly written, a second one queued: the next piece holds all that
// is left, in order, in one write.
TEST(OutputRing, NextPieceHoldsEverythingLeftInOrder) {
    const struct {
        std::uint32_t Size;
        std::string First;
        std::uint32_t Written;
        std::string Second;
        std::string Piece;
    } cases[] = {{8, "abcdef", 5, "ghijk", "fghijk"},
                 {8, "abcdefgh", 0, "", "abcdefgh"},
                 {8, "abcdef", 6, "ghijklmn", "ghijklmn"},
                 {8, "abcdefg", 3, "hijk", "defghijk"},
                 {4, "ab", 1, "cde", "bcde"},
                 {1, "a", 1, "b", "b"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.First + "/" + c.Second);
        TSioOutputRing ring;
        ring.Allocate(c.Size);
        Put(ring, c.First);
        TSioOutputRing::TPiece piece;
        ASSERT_TRUE(ring.TakePiece(piece));
        EXPECT_EQ(Text(piece), c.First);
        ring.Advance(piece, c.Written);
        Put(ring, c.Second);
        EXPECT_EQ(ring.Used(), c.Piece.size());
        ASSERT_TRUE(ring.TakePiece(piece));
        EXPECT_EQ(Text(piece), c.Piece);
        ring.Advance(piece, piece.Count);
        EXPECT_TRUE(ring.Empty());
        EXPECT_FALSE(ring.TakePiece(piece));
    }
}

TEST(OutputRing, PurgeWhileAPieceIsWrittenDropsItsAdvance) {
    TSioOutputRing ring;
    ring.Allocate(8);
    Put(ring, "abcdef");
    TSioOutputRing::TPiece piece;
    ASSERT_TRUE(ring.TakePiece(piece));
    ring.Purge();
    Put(ring, "xy");
    ring.Advance(piece, piece.Count);
    EXPECT_EQ(ring.Used(), 2u);
    ASSERT_TRUE(ring.TakePiece(piece));
    EXPECT_EQ(Text(piece), "xy");
}
