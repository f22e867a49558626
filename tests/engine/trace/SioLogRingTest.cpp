#include "serial/engine/trace/SioLogRing.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<std::uint8_t> Pattern(std::uint32_t length, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(length);
    for (std::uint32_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    }
    return bytes;
}

TSioLogHeader Header(std::int32_t value, std::uint32_t length) {
    TSioLogHeader header;
    header.Type = 1;
    header.Subtype = 2;
    header.Time = 1000u + static_cast<std::uint32_t>(value);
    header.Value = value;
    header.Length = length;
    return header;
}

bool Put(TSioLogRing& ring, std::int32_t value, std::uint32_t length) {
    const std::vector<std::uint8_t> data = Pattern(length, static_cast<std::uint8_t>(value));
    return ring.Put(Header(value, length), data.data());
}

// Reads every entry, checking each one's data against the pattern its value seeded.
std::vector<std::int32_t> Drain(TSioLogRing& ring) {
    std::vector<std::int32_t> values;
    TSioLogHeader header;
    std::span<const std::uint8_t> data;
    while (ring.ReadNext(header, data)) {
        EXPECT_EQ(header.Time, 1000u + static_cast<std::uint32_t>(header.Value));
        EXPECT_EQ(data.size(), header.Length);
        const std::vector<std::uint8_t> expected =
            Pattern(header.Length, static_cast<std::uint8_t>(header.Value));
        EXPECT_TRUE(std::equal(data.begin(), data.end(), expected.begin(), expected.end()))
            << "entry " << header.Value;
        values.push_back(header.Value);
    }
    return values;
}

TEST(SioLogHeaderTest, EncodesSixteenBytesAndBack) {
    TSioLogHeader header;
    header.Type = 9;
    header.Subtype = 16;
    header.Time = 0x01020304;
    header.Value = -2;
    header.Length = 0x0A0B0C0D;
    const TSioLogHeader::TBytes bytes = header.Encode();
    EXPECT_EQ(bytes[0], 9);
    EXPECT_EQ(bytes[1], 16);
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(bytes[3], 0);
    const TSioLogHeader back = TSioLogHeader::Decode(bytes);
    EXPECT_EQ(back.Type, 9);
    EXPECT_EQ(back.Subtype, 16);
    EXPECT_EQ(back.Time, 0x01020304u);
    EXPECT_EQ(back.Value, -2);
    EXPECT_EQ(back.Length, 0x0A0B0C0Du);
}

TEST(SioLogRingTest, MaxDataLengthLetsAnEntryFillTheRing) {
    const struct {
        std::uint32_t Capacity;
        std::uint32_t MaxData;
    } cases[] = {{0, 0}, {15, 0}, {16, 0}, {17, 1}, {100, 84}, {16'000'000, 15'999'984}};
    for (const auto& c : cases) {
        EXPECT_EQ(TSioLogRing::MaxDataLength(c.Capacity), c.MaxData) << c.Capacity;
    }
}

TEST(SioLogRingTest, CapacityZeroHoldsNothing) {
    TSioLogRing ring;
    ring.Allocate(0);
    EXPECT_FALSE(ring.Allocated());
    EXPECT_TRUE(ring.Empty());
    EXPECT_FALSE(Put(ring, 1, 0));
    EXPECT_TRUE(Drain(ring).empty());
}

// A header alone must be smaller than the ring; header and data may then fill it exactly.
TEST(SioLogRingTest, EntryMayFillTheCapacity) {
    const struct {
        std::uint32_t Capacity;
        std::uint32_t Length;
        bool Kept;
    } cases[] = {{15, 0, false}, {16, 0, false}, {17, 0, true}, {17, 1, true}, {17, 2, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Capacity << " bytes, data " << c.Length);
        TSioLogRing ring;
        ring.Allocate(c.Capacity);
        EXPECT_EQ(Put(ring, 1, c.Length), c.Kept);
        EXPECT_EQ(ring.FreeBytes(), c.Kept ? c.Capacity - 16 - c.Length : c.Capacity);
        EXPECT_EQ(Drain(ring), c.Kept ? std::vector<std::int32_t>{1} : std::vector<std::int32_t>{});
    }
}

TEST(SioLogRingTest, OversizedEntryIsDroppedWholeAndEvictsNothing) {
    TSioLogRing ring;
    ring.Allocate(100);
    ASSERT_TRUE(Put(ring, 1, 4));
    EXPECT_FALSE(Put(ring, 2, 85));
    const std::uint8_t few[4] = {};
    EXPECT_FALSE(ring.Put(Header(3, 0xFFFFFFFFu - 8), few)); // the size must not wrap around
    EXPECT_EQ(ring.FreeBytes(), 80u);
    EXPECT_EQ(Drain(ring), std::vector<std::int32_t>{1});
}

TEST(SioLogRingTest, LargestEntryFillsTheScratchArea) {
    TSioLogRing ring;
    ring.Allocate(100);
    ASSERT_TRUE(Put(ring, 1, 10));
    // Fills the ring exactly, wrapping round the end: the full ring still reads back whole.
    ASSERT_TRUE(Put(ring, 2, TSioLogRing::MaxDataLength(100)));
    EXPECT_EQ(ring.FreeBytes(), 0u);
    EXPECT_EQ(Drain(ring), std::vector<std::int32_t>{2});
    ASSERT_TRUE(Put(ring, 3, 4));
    EXPECT_EQ(Drain(ring), std::vector<std::int32_t>{3});
}

TEST(SioLogRingTest, FullRingEvictsAsManyOldestEntriesAsNeeded) {
    TSioLogRing ring;
    ring.Allocate(100);
    for (int value = 1; value <= 4; ++value) {
        ASSERT_TRUE(Put(ring, value, 4)); // 20 bytes each
    }
    ASSERT_TRUE(Put(ring, 5, 60)); // needs 76: three entries go
    EXPECT_EQ(Drain(ring), (std::vector<std::int32_t>{4, 5}));
    EXPECT_TRUE(ring.Empty());
    EXPECT_EQ(ring.FreeBytes(), 100u);
}

TEST(SioLogRingTest, EntriesSplitAtTheEndReadBackWhole) {
    // A ring size that no entry size divides moves the split through headers and data alike.
    TSioLogRing ring;
    ring.Allocate(61);
    for (int value = 0; value < 400; ++value) {
        const std::uint32_t length = static_cast<std::uint32_t>(value * 5 % 23);
        ASSERT_TRUE(Put(ring, value, length));
        if (value % 3 == 2) {
            const std::vector<std::int32_t> got = Drain(ring);
            ASSERT_FALSE(got.empty());
            EXPECT_EQ(got.back(), value);
            EXPECT_TRUE(std::is_sorted(got.begin(), got.end()));
        }
    }
}

TEST(SioLogRingTest, ResetEmptiesAndFreeReleases) {
    TSioLogRing ring;
    ring.Allocate(64);
    ASSERT_TRUE(Put(ring, 1, 3));
    ring.Reset();
    EXPECT_TRUE(ring.Empty());
    EXPECT_EQ(ring.Capacity(), 64u);
    EXPECT_TRUE(ring.Allocated());
    ASSERT_TRUE(Put(ring, 2, 3));
    EXPECT_EQ(Drain(ring), std::vector<std::int32_t>{2});
    ring.Free();
    EXPECT_FALSE(ring.Allocated());
    EXPECT_FALSE(Put(ring, 3, 0));
}

} // namespace
