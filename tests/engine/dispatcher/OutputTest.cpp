// The output ring: whole blocks in order, rotation of wrapped data, the free-room boundary,
// purges.
#include "EngineTestSupport.h"

#include <atomic>
#include <future>

namespace {

// A device that still holds output (as a UART's queue does) until the test lets it go.
class TDeviceQueueDispatcher : public TSioPosixDispatcher {
public:
    using TSioPosixDispatcher::TSioPosixDispatcher;
    ~TDeviceQueueDispatcher() override { Shutdown(); }
    std::atomic<std::uint32_t> Queued{0};

protected:
    std::uint32_t DeviceOutputQueued() override { return Queued.load(); }
};

} // namespace

class OutputTest : public TEngineTest {};

TEST_F(OutputTest, LineChangeWaitsForTheDevicesOwnOutputQueue) {
    TDeviceQueueDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    dispatcher.Queued = 2;
    auto change =
        std::async(std::launch::async, [&] { return dispatcher.ApplyLine(9600, NoParity, 8, 1); });
    EXPECT_EQ(change.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    EXPECT_EQ(dispatcher.QueryLine().Baud, 1200u);
    dispatcher.Queued = 0;
    EXPECT_EQ(change.get(), 0);
    EXPECT_EQ(dispatcher.QueryLine().Baud, 9600u);
}

TEST_F(OutputTest, BlocksArriveWholeAndInOrder) {
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    std::string expected;
    for (int block = 0; block < 50; ++block) {
        std::string bytes = TestBytes(97, static_cast<std::uint8_t>(block * 7));
        ASSERT_TRUE(PumpUntil([&] { return dispatcher.OutputFree() >= bytes.size(); }));
        ASSERT_EQ(dispatcher.QueueBlock(bytes.data(), static_cast<std::uint32_t>(bytes.size())), 0);
        expected += bytes;
    }
    EXPECT_EQ(PeerRead(expected.size()), expected);
    EXPECT_EQ(dispatcher.QueueBlock(nullptr, 0), 0);
}

TEST_F(OutputTest, WrappedOutputIsRotatedAndSentOnce) {
    TGatedDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle(), 16), 0);
    std::string first = TestBytes(12, 0x10);
    ASSERT_EQ(dispatcher.QueueBlock(first.data(), 12), 0);
    ASSERT_TRUE(dispatcher.WaitForWrites(1));
    dispatcher.Grant(10);
    // The worker now holds the piece [10, 12) and waits for more room on the line.
    ASSERT_TRUE(dispatcher.WaitForWrites(2));
    EXPECT_EQ(dispatcher.OutputUsed(), 2u);

    // Exactly the free room: accepted, and the ring is full with its head at 10 again.
    std::string second = TestBytes(14, 0x40);
    EXPECT_EQ(dispatcher.OutputFree(), 14u);
    EXPECT_EQ(dispatcher.QueueBlock(second.data(), 15), ecOutputBufferTooSmall);
    EXPECT_EQ(dispatcher.OutputUsed(), 2u);
    ASSERT_EQ(dispatcher.QueueBlock(second.data(), 14), 0);
    EXPECT_EQ(dispatcher.OutputUsed(), 16u);
    EXPECT_EQ(dispatcher.OutputFree(), 0u);
    EXPECT_EQ(dispatcher.QueueBlock("x", 1), ecOutputBufferTooSmall);

    // Nothing written this time: the worker takes its next piece from the full, wrapped ring.
    dispatcher.GrantEmptyWrite();
    ASSERT_TRUE(dispatcher.WaitForWrites(3));
    dispatcher.OpenGate();
    EXPECT_EQ(PeerRead(first.size() + second.size()), first + second);
    // Nothing goes out twice.
    EXPECT_EQ(Port.Read(1, std::chrono::milliseconds(200)), "");
    EXPECT_TRUE(PumpUntil([&] { return dispatcher.OutputUsed() == 0; }));
}

TEST_F(OutputTest, BlockLargerThanTheRingIsRefusedWhole) {
    TGatedDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle(), 32), 0);
    std::string big = TestBytes(33);
    EXPECT_EQ(dispatcher.QueueBlock(big.data(), 33), ecOutputBufferTooSmall);
    EXPECT_EQ(dispatcher.OutputUsed(), 0u);
    dispatcher.OpenGate();
    EXPECT_EQ(Port.Read(1, std::chrono::milliseconds(200)), "");
}

TEST_F(OutputTest, PurgeOutputEmptiesTheRingDuringAWrite) {
    TGatedDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle(), 64), 0);
    std::string held = TestBytes(40);
    ASSERT_EQ(dispatcher.QueueBlock(held.data(), 40), 0);
    ASSERT_TRUE(dispatcher.WaitForWrites(1));
    dispatcher.Grant(5);
    ASSERT_TRUE(dispatcher.WaitForWrites(2));
    EXPECT_EQ(dispatcher.PurgeOutput(), 0);
    EXPECT_EQ(dispatcher.OutputUsed(), 0u);
    EXPECT_EQ(dispatcher.OutputFree(), 64u);
    dispatcher.OpenGate();
    // Of the held block only what the device sent before the purge may have arrived; the next
    // block follows it directly.
    std::string after = "after";
    ASSERT_EQ(dispatcher.QueueBlock(after.data(), 5), 0);
    std::string seen = PeerRead(5);
    while (seen.size() < 10 && seen.substr(seen.size() - 5) != after) {
        std::string more = PeerRead(1);
        ASSERT_FALSE(more.empty()) << seen;
        seen += more;
    }
    EXPECT_EQ(seen.substr(seen.size() - 5), after);
    EXPECT_EQ(seen.substr(0, seen.size() - 5), held.substr(0, seen.size() - 5));
    EXPECT_EQ(Port.Read(1, std::chrono::milliseconds(200)), "");
    EXPECT_TRUE(PumpUntil([&] { return dispatcher.OutputUsed() == 0; }));
}

// Blocks go to the device at once while it takes them; once it is full the rest waits in the
// ring, and everything arrives in order when the peer reads.
TEST_F(OutputTest, FullDeviceLeavesTheRestQueuedInOrder) {
    TSioPosixDispatcher dispatcher(nullptr, &Messenger);
    ASSERT_EQ(OpenLikeComponent(dispatcher, Port.LinkPath(), Window.Handle()), 0);
    std::string expected;
    for (int block = 0; block < 100000; ++block) {
        std::string bytes = TestBytes(1000, static_cast<std::uint8_t>(block));
        if (dispatcher.QueueBlock(bytes.data(), 1000) != 0)
            break;
        expected += bytes;
    }
    ASSERT_GT(dispatcher.OutputUsed(), 0u);
    EXPECT_EQ(PeerRead(expected.size()), expected);
    EXPECT_TRUE(PumpUntil([&] { return dispatcher.OutputUsed() == 0; }));
}
