// The input ring without threads: filling to full and waking the producer, read-ahead inside a
// delivery, purges.
#include "serial/engine/dispatcher/SioInputRing.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

class InputRingTest : public ::testing::Test {
protected:
    InputRingTest() { Ring.Allocate(); }

    // Puts `count` bytes counting on from the ring's total; how many fitted.
    std::uint32_t Put(std::uint32_t count) {
        std::uint32_t put = 0;
        while (put < count) {
            const std::span<std::uint8_t> room = Ring.FreePiece();
            if (room.empty())
                break;
            const auto piece = std::min<std::uint32_t>(count - put, room.size());
            for (std::uint32_t i = 0; i < piece; ++i)
                room[i] = static_cast<std::uint8_t>(Ring.Total() + i);
            Ring.Produced(piece);
            put += piece;
        }
        return put;
    }
    std::vector<std::uint8_t> Take(std::uint32_t count) {
        std::vector<std::uint8_t> bytes(count);
        bytes.resize(Ring.Take(bytes.data(), count));
        return bytes;
    }

    int RoomCalls = 0;
    TSioInputRing Ring{[this] { ++RoomCalls; }};
};

TEST_F(InputRingTest, FullRingNotesItAndTheTakeThatMakesRoomWakesTheProducerOnce) {
    EXPECT_EQ(Put(InputRingSize + 10), InputRingSize);
    EXPECT_TRUE(Ring.Full());
    const std::vector<std::uint8_t> first = Take(100);
    ASSERT_EQ(first.size(), 100u);
    EXPECT_EQ(first[99], 99);
    EXPECT_EQ(RoomCalls, 1);
    EXPECT_FALSE(Ring.Full());
    // The head wraps round: the bytes come back in order across the end.
    EXPECT_EQ(Put(50), 50u);
    Take(InputRingSize - 100);
    const std::vector<std::uint8_t> wrapped = Take(50);
    ASSERT_EQ(wrapped.size(), 50u);
    EXPECT_EQ(wrapped[0], static_cast<std::uint8_t>(InputRingSize));
    EXPECT_EQ(RoomCalls, 1);
}

TEST_F(InputRingTest, DeliveryReadsAheadAndItsEndMovesTheTailByTheLongestReader) {
    const struct {
        const char* Name;
        std::vector<std::uint32_t> TakesPerReader;
        bool PurgeInside;
        std::uint32_t Taken;
    } cases[] = {
        {"one reader", {3}, false, 3},
        {"readers start from the same byte", {2, 5, 1}, false, 5},
        {"reader takes nothing", {0}, false, 0},
        {"purge inside drops all unread", {2}, true, 10},
    };
    for (const auto& c : cases) {
        Ring.Reset();
        Put(10);
        Ring.BeginDelivery(true);
        for (std::size_t reader = 0; reader < c.TakesPerReader.size(); ++reader) {
            if (reader > 0)
                Ring.NextReader();
            const std::vector<std::uint8_t> got = Take(c.TakesPerReader[reader]);
            ASSERT_EQ(got.size(), c.TakesPerReader[reader]) << c.Name;
            if (!got.empty()) {
                EXPECT_EQ(got[0], 0) << c.Name;
            }
            EXPECT_EQ(Ring.Unread(), 10u) << c.Name;
            EXPECT_EQ(Ring.Count(), 10u - got.size()) << c.Name;
        }
        if (c.PurgeInside)
            Ring.Purge();
        EXPECT_EQ(Ring.EndDelivery(), c.Taken) << c.Name;
        EXPECT_EQ(Ring.Unread(), 10u - c.Taken) << c.Name;
        EXPECT_FALSE(Ring.InDelivery()) << c.Name;
    }
}

TEST_F(InputRingTest, OutsideADeliveryTakesPeeksAndPurgesMoveTheTail) {
    Put(6);
    std::uint8_t byte = 0;
    EXPECT_TRUE(Ring.PeekAt(3, byte));
    EXPECT_EQ(byte, 2);
    EXPECT_FALSE(Ring.PeekAt(7, byte));
    std::uint8_t peeked[4] = {};
    EXPECT_EQ(Ring.Peek(peeked, 4), 4u);
    EXPECT_TRUE(Ring.TakeByte(byte));
    EXPECT_EQ(byte, 0);
    EXPECT_EQ(Ring.Unread(), 5u);
    bool empty = false;
    EXPECT_FALSE(Ring.TakeAheadByte(byte, empty)); // no delivery: not the fast path's to take
    Ring.Purge();
    EXPECT_EQ(Ring.Unread(), 0u);
    EXPECT_FALSE(Ring.TakeByte(byte));
}

} // namespace
